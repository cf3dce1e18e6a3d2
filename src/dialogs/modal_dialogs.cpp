#include "dialogs/modal_dialogs.h"

#include <utility>

namespace halvane {

ModalDialogs::ModalDialogs(Clock& clock, DialogBoxes boxes, std::string initial_directory)
    : boxes_(boxes),
      initial_directory_(std::move(initial_directory)),
      later_(clock.make_alarm([this] { show_waiting(); })),
      clock_(clock) {}

ModalDialogs::~ModalDialogs() = default;

void ModalDialogs::window_closed() {
    closed_ = true;
    waiting_.clear();
    later_->disarm();
}

bool ModalDialogs::tell(std::string_view text) {
    if (!closed_) boxes_.message_box.show(text);
    return !closed_;
}

void ModalDialogs::tell_later(std::string text) {
    if (closed_) return;
    waiting_.push_back(std::move(text));
    if (!later_->armed()) later_->arm_at(clock_.now_ns());
}

// One box after the other; each may hold this handler up while the link goes on.
void ModalDialogs::show_waiting() {
    while (!waiting_.empty() && !closed_) {
        const std::string text = std::move(waiting_.front());
        waiting_.pop_front();
        boxes_.message_box.show(text);
    }
}

bool ModalDialogs::ask_yes_no(std::string_view text) {
    if (closed_) return false;
    return unless_closed(boxes_.message_box.ask_yes_no(text));
}

std::optional<std::string> ModalDialogs::ask_text(std::string_view prompt, std::string_view title) {
    if (closed_) return std::nullopt;
    return unless_closed(boxes_.input_box.ask(prompt, title));
}

std::optional<std::string> ModalDialogs::chosen(const std::string& path) const {
    if (closed_ || path.empty()) return std::nullopt;
    return path;
}

std::optional<std::string> ModalDialogs::choose_file_to_open(std::string_view filter,
                                                             std::string_view extension,
                                                             std::optional<std::string> file_name) {
    if (closed_) return std::nullopt;
    return chosen(boxes_.file_dialog.show_open(
        {std::string(filter), std::string(extension), initial_directory_, std::move(file_name)}));
}

std::optional<std::string> ModalDialogs::choose_file_to_save(std::string_view filter,
                                                             std::string_view extension,
                                                             std::optional<std::string> file_name) {
    if (closed_) return std::nullopt;
    return chosen(boxes_.file_dialog.show_save({std::string(filter), std::string(extension),
                                                initial_directory_, std::move(file_name), true}));
}

std::optional<std::vector<bool>> ModalDialogs::choose_symbols(
    std::string_view program_path, const std::vector<ProgramSymbol>& symbols,
    std::vector<bool> marks) {
    if (closed_ || boxes_.symbol_picker == nullptr) return std::nullopt;
    return unless_closed(boxes_.symbol_picker->choose(program_path, symbols, std::move(marks)));
}

std::optional<std::string> ModalDialogs::choose_port(const std::vector<SerialPortListing>& ports,
                                                     std::string_view current) {
    if (closed_ || boxes_.port_picker == nullptr) return std::nullopt;
    return unless_closed(boxes_.port_picker->choose(ports, current));
}

}  // namespace halvane
