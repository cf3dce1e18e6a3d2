#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "grid/watch_table.h"
#include "watch/sample_ring.h"

namespace halvane {

// The recent values of every watched variable, for the plot: kept from the moment a program
// runs, whether or not the plot is open, and for the last kKeptSeconds of each variable. A
// variable's series ends with the variable (its row names another address or width, or another
// program runs): it leaves the list and is never continued under the new variable of its row.
class VariableSamples : public WatchTableObserver {
  public:
    static constexpr double kKeptSeconds = 600;

    struct Series {
        std::string name;
        SampleRing samples;
    };

    explicit VariableSamples(WatchTable& table);
    ~VariableSamples() override;
    VariableSamples(const VariableSamples&) = delete;
    VariableSamples& operator=(const VariableSamples&) = delete;

    // The variables on offer, in row order.
    std::vector<VariableId> variables() const;
    // Its series; nullptr for a variable that has ended (or never was).
    const Series* series(VariableId variable) const;

    // The list of variables changed.
    std::function<void()> on_variables_changed;
    // A sample of `variable` was added.
    std::function<void(VariableId variable)> on_sample;

  private:
    void variable_replaced(int row, VariableId ended, VariableId began) override;
    void cell_changed(int row, int col) override;
    void reading_noted(const ReadingNotice& notice) override;

    WatchTable& table_;
    std::map<VariableId, Series> series_;
};

}  // namespace halvane
