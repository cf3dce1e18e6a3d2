#include "app/main_window.h"
#include "viewer/companion_file.h"

namespace halvane {

void Tamrin::Option1_Click() {
    select_companion(1, ".lst");
}
void Tamrin::Option2_Click() {
    select_companion(2, ".c");
}
void Tamrin::Option3_Click() {
    select_companion(3, ".dsc");
}

void Tamrin::select_companion(int option, std::string_view extension) {
    if (closing_) return;
    // The option the user chose stays chosen even when its file is missing.
    p_.options.select(option);
    load_companion(s19_file_name_ + std::string(extension));
}

bool Tamrin::load_companion(const std::string& path) {
    const CompanionFile file = read_companion_file(path);
    switch (file.status) {
        case CompanionFile::Status::kUnreadable:
            // Programs often have no C source or no description: not worth a word.
            return false;
        case CompanionFile::Status::kTooLarge:
            p_.message_box.show("The file " + path + " is not shown.\n" + file.error_text + ".");
            return false;
        case CompanionFile::Status::kLoaded:
            break;
    }
    if (file.rich) {
        p_.viewer.show_rich(file.document);
    } else {
        p_.viewer.show_plain(file.plain_text);
    }
    return true;
}

}  // namespace halvane
