#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/platform.h"

namespace halvane {

// Every modal dialog of the window goes through here, and this is the one place that decides
// what happens when the window closes under one: each question then counts as cancelled, so a
// command simply ends when its dialog gives no answer. A message asked for from inside a job's
// callback is shown only once that callback has returned (`tell_later`), so the board link
// goes on working while the box is open; it is dropped if the window closes first.
class ModalDialogs {
  public:
    // `initial_directory` is where the file dialogs start.
    ModalDialogs(Clock& clock, DialogBoxes boxes, std::string initial_directory);
    ~ModalDialogs();
    ModalDialogs(const ModalDialogs&) = delete;
    ModalDialogs& operator=(const ModalDialogs&) = delete;

    // From now on nothing more is shown and every question counts as cancelled.
    void window_closed();
    bool closed() const { return closed_; }

    // A message with an OK button, shown now; the command goes on once it is closed. False
    // when the window has closed.
    bool tell(std::string_view text);
    // A message shown as soon as the event being handled is over.
    void tell_later(std::string text);
    // Yes or No; false also when the window closed.
    bool ask_yes_no(std::string_view text);
    // One line of text; std::nullopt when cancelled.
    std::optional<std::string> ask_text(std::string_view prompt, std::string_view title);
    // A file to read, or to write (the dialog asks before one is replaced); std::nullopt when
    // cancelled. `filter` is "Description (*.ext)|*.ext"; `file_name` the name shown at first
    // (unset: the name of the dialog's previous use).
    std::optional<std::string> choose_file_to_open(std::string_view filter,
                                                   std::string_view extension,
                                                   std::optional<std::string> file_name = {});
    std::optional<std::string> choose_file_to_save(std::string_view filter,
                                                   std::string_view extension,
                                                   std::optional<std::string> file_name = {});
    std::optional<std::vector<bool>> choose_symbols(std::string_view program_path,
                                                    const std::vector<ProgramSymbol>& symbols,
                                                    std::vector<bool> marks);
    // File > Serial Port's list; nullptr where there is none.
    SerialPortPicker* port_picker() const { return closed_ ? nullptr : boxes_.port_picker; }
    std::optional<std::string> choose_port(const std::vector<SerialPortListing>& ports,
                                           std::string_view current);

  private:
    template <typename Answer>
    Answer unless_closed(Answer answer) const {
        return closed_ ? Answer{} : answer;
    }
    std::optional<std::string> chosen(const std::string& path) const;
    void show_waiting();

    DialogBoxes boxes_;
    std::string initial_directory_;
    std::unique_ptr<Alarm> later_;
    Clock& clock_;
    std::deque<std::string> waiting_;
    bool closed_ = false;
};

}  // namespace halvane
