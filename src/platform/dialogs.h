#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halvane {

// Modal message box with no icon. The board link keeps working while it is open.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    // An OK button.
    virtual void show(std::string_view text) = 0;
    // Yes and No buttons; true for Yes.
    virtual bool ask_yes_no(std::string_view text) = 0;
};

// Modal input box: a prompt, a title and one line. Returns the typed text when
// confirmed, std::nullopt when cancelled.
class InputBox {
  public:
    virtual ~InputBox() = default;
    virtual std::optional<std::string> ask(std::string_view prompt, std::string_view title) = 0;
};

// Settings of the shared file dialog `CommonDialog1` for one showing.
struct FileDialogSettings {
    // "Description (*.ext)|*.ext"
    std::string filter;
    // With or without the leading dot. Open: added to a name typed without an extension.
    // Save: added to every name that does not end in it, also to one with another extension.
    std::string default_extension;
    std::string initial_directory;
    // The name shown at first; when unset, the dialog shows the name of its previous use.
    std::optional<std::string> file_name;
    // Save only: ask before an existing file is replaced (the file by its final name).
    bool confirm_overwrite = true;
};

// The shared file dialog. Returns the chosen path, empty when the user cancelled.
// The dialog remembers the name of its previous use across all commands.
class FileDialog {
  public:
    virtual ~FileDialog() = default;
    virtual std::string show_open(const FileDialogSettings& settings) = 0;
    virtual std::string show_save(const FileDialogSettings& settings) = 0;
};

}  // namespace halvane
