#include "varmap/map_commands.h"

#include <utility>

#include "text/file_extension.h"

namespace halvane {

namespace {
constexpr std::string_view kMapFilter = "Tamrin Data File (*.csv)|*.csv";
}  // namespace

MapCommands::MapCommands(WatchTable& table, ModalDialogs& dialogs)
    : table_(table), dialogs_(dialogs) {}

MapLoadResult MapCommands::program_started(std::string base_name) {
    program_name_ = std::move(base_name);
    return load_program_map(program_name_ + ".csv");
}

void MapCommands::save() {
    const std::optional<std::string> chosen =
        dialogs_.choose_file_to_save(kMapFilter, ".csv", program_name_);
    if (!chosen) return;
    // The map must end in .csv to be found again, also when the proposed program name has
    // a dot of its own.
    const std::string path = with_extension(*chosen, ".csv");
    const MapSaveResult result = save_map_file(path, table_);
    if (!result.ok) {
        dialogs_.tell("The variable map could not be saved to " + path + ".\n" + result.error_text +
                      ". Nothing was changed.");
    }
}

void MapCommands::open_overlay() {
    const std::optional<std::string> path = dialogs_.choose_file_to_open(kMapFilter, "csv");
    if (!path) return;
    const MapLoadResult result = load_map_file(*path, table_);
    if (!result.ok) {
        dialogs_.tell("The variable map could not be read from " + *path + ".\n" +
                      result.error_text + ".");
    }
}

MapLoadResult MapCommands::load_program_map(const std::string& path) {
    return load_map_file(path, table_);
}

}  // namespace halvane
