#pragma once

#include <map>
#include <string>
#include <vector>

#include "grid/watch_table.h"
#include "notify/signal.h"
#include "watch/sample_ring.h"

namespace halvane {

// The recent values of every watched variable, for the plot: kept from the moment a program
// runs, whether or not the plot is open, and for the last kKeptSeconds of each variable. A
// variable's series ends with the variable (its row names another address or width, or another
// program runs): it leaves the list and is never continued under the new variable of its row.
class VariableSamples {
  public:
    static constexpr double kKeptSeconds = 600;

    struct Series {
        std::string name;
        SampleRing samples;
    };

    explicit VariableSamples(WatchTable& table);
    VariableSamples(const VariableSamples&) = delete;
    VariableSamples& operator=(const VariableSamples&) = delete;

    // The variables on offer, in row order.
    std::vector<VariableId> variables() const;
    // Its series; nullptr for a variable that has ended (or never was).
    const Series* series(VariableId variable) const;

    // The list of variables changed.
    Signal<> variables_changed;
    // A sample of a variable was added.
    Signal<VariableId> sample_added;

  private:
    void variable_replaced(int row, VariableId ended, VariableId began);
    void cell_changed(int row, int col);
    void reading_noted(const ReadingNotice& notice);

    WatchTable& table_;
    std::map<VariableId, Series> series_;
    std::vector<Subscription> told_;
};

}  // namespace halvane
