#pragma once

#include <string>
#include <string_view>

#include "dialogs/modal_dialogs.h"
#include "notify/signal.h"
#include "viewer/rich_document.h"

namespace halvane {

// The program's companion files beside the grid, one shown at a time.
enum class Companion { kListing = 1, kSource = 2, kDescription = 3 };

// The extension a companion's file adds to the program's base path: ".lst", ".c", ".dsc".
std::string_view companion_extension(Companion companion);

// What the viewer shows: the last companion file loaded, as plain text or formatted.
struct ViewerContent {
    Companion companion = Companion::kListing;  // which file it is
    bool rich = false;
    std::string plain_text;  // UTF-8, lines ended by "\n"
    RichDocument document;
};

// The viewer of the listing, C source and description of the current program, and the three
// options that choose among them. The chosen option stays chosen when its file is missing, and
// the viewer then keeps what it showed.
class CompanionViewer {
  public:
    explicit CompanionViewer(ModalDialogs& dialogs);

    // An option chosen by the user.
    void choose(Companion companion);
    // A program has started: its companions are those beside `base_name` from now on; its
    // listing is shown, and the listing's option chosen, where the program has one.
    void program_started(std::string base_name);
    // The base name of the program that runs; empty before the first one.
    const std::string& program_name() const { return program_name_; }

    Companion chosen() const { return chosen_; }
    const ViewerContent& content() const { return content_; }
    // How many files have been shown.
    int loads() const { return loads_; }

    // Told when the chosen option or the content changed.
    Signal<> changed;

  private:
    bool load(Companion companion, bool told_later);

    ModalDialogs& dialogs_;
    std::string program_name_;
    Companion chosen_ = Companion::kListing;
    ViewerContent content_;
    int loads_ = 0;
};

}  // namespace halvane
