#include "viewer/companion_viewer.h"

#include <utility>

#include "viewer/companion_file.h"

namespace halvane {

std::string_view companion_extension(Companion companion) {
    switch (companion) {
        case Companion::kListing:
            return ".lst";
        case Companion::kSource:
            return ".c";
        case Companion::kDescription:
            return ".dsc";
    }
    return ".lst";
}

CompanionViewer::CompanionViewer(ModalDialogs& dialogs) : dialogs_(dialogs) {}

void CompanionViewer::choose(Companion companion) {
    chosen_ = companion;
    load(companion, false);
    changed.notify();
}

void CompanionViewer::program_started(std::string base_name) {
    program_name_ = std::move(base_name);
    if (load(Companion::kListing, true)) chosen_ = Companion::kListing;
    changed.notify();
}

bool CompanionViewer::load(Companion companion, bool told_later) {
    // Before the first program there are no companions to show.
    if (program_name_.empty()) return false;
    const std::string path = program_name_ + std::string(companion_extension(companion));
    CompanionFile file = read_companion_file(path);
    switch (file.status) {
        case CompanionFile::Status::kUnreadable:
            // Programs often have no C source or no description: not worth a word.
            return false;
        case CompanionFile::Status::kTooLarge: {
            std::string message = "The file " + path + " is not shown.\n" + file.error_text + ".";
            if (told_later) {
                dialogs_.tell_later(std::move(message));
            } else {
                dialogs_.tell(message);
            }
            return false;
        }
        case CompanionFile::Status::kLoaded:
            break;
    }
    content_ = {companion, file.rich, std::move(file.plain_text), std::move(file.document)};
    ++loads_;
    return true;
}

}  // namespace halvane
