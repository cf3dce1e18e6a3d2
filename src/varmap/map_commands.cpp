#include "app/file_extension.h"
#include "app/main_window.h"
#include "varmap/map_file.h"

namespace halvane {

namespace {
constexpr std::string_view kMapFilter = "Tamrin Data File (*.csv)|*.csv";
}  // namespace

void Tamrin::File_save_Click() {
    if (closing_) return;
    FileDialogSettings settings;
    settings.filter = kMapFilter;
    settings.default_extension = ".csv";
    settings.initial_directory = initial_directory_;
    settings.file_name = s19_file_name_;
    settings.confirm_overwrite = true;
    // The map must end in .csv to be found again, also when the proposed program name has
    // a dot of its own.
    const std::string path = with_extension(p_.dialog.show_save(settings), ".csv");
    if (closing_ || path.empty()) return;

    const MapSaveResult result = save_map_file(path, p_.grid);
    if (!result.ok) {
        p_.message_box.show("The variable map could not be saved to " + path + ".\n" +
                            result.error_text + ". Nothing was changed.");
    }
}

void Tamrin::file_openoverlay_Click() {
    if (closing_) return;
    FileDialogSettings settings;
    settings.filter = kMapFilter;
    settings.default_extension = "csv";
    settings.initial_directory = initial_directory_;
    settings.file_name = std::nullopt;
    const std::string path = p_.dialog.show_open(settings);
    if (closing_ || path.empty()) return;

    const MapLoadResult result = load_map_file(path, p_.grid);
    if (!result.ok) {
        p_.message_box.show("The variable map could not be read from " + path + ".\n" +
                            result.error_text + ".");
    }
}

}  // namespace halvane
