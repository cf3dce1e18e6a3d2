#include "watch/variable_samples.h"

#include "grid/watch_table.h"

namespace halvane {

VariableSamples::VariableSamples(WatchTable& table) : table_(table) {
    told_.push_back(
        table_.variable_replaced.subscribe([this](int row, VariableId ended, VariableId began) {
            variable_replaced(row, ended, began);
        }));
    told_.push_back(
        table_.cell_changed.subscribe([this](int row, int col) { cell_changed(row, col); }));
    told_.push_back(table_.reading_noted.subscribe(
        [this](const ReadingNotice& notice) { reading_noted(notice); }));
    for (const int row : table_.watched_rows())
        series_[table_.variable(row)].name = table_.name(row);
}

std::vector<VariableId> VariableSamples::variables() const {
    std::vector<VariableId> variables;
    for (const int row : table_.watched_rows()) variables.push_back(table_.variable(row));
    return variables;
}

const VariableSamples::Series* VariableSamples::series(VariableId variable) const {
    const auto found = series_.find(variable);
    return found == series_.end() ? nullptr : &found->second;
}

void VariableSamples::variable_replaced(int row, VariableId ended, VariableId began) {
    series_.erase(ended);
    if (began != 0) series_[began].name = table_.name(row);
    variables_changed.notify();
}

// A row without a Description is named by its Address, which may change its spelling alone.
void VariableSamples::cell_changed(int row, int col) {
    if (col != kAddressCol) return;
    const auto found = series_.find(table_.variable(row));
    if (found == series_.end() || found->second.name == table_.name(row)) return;
    found->second.name = table_.name(row);
    variables_changed.notify();
}

void VariableSamples::reading_noted(const ReadingNotice& notice) {
    if (notice.failed || !notice.value) return;
    const auto found = series_.find(notice.variable);
    if (found == series_.end()) return;
    SampleRing& samples = found->second.samples;
    samples.push({notice.seconds, static_cast<double>(*notice.value)});
    samples.drop_before(samples.newest().seconds - kKeptSeconds);
    sample_added.notify(notice.variable);
}

}  // namespace halvane
