#include "app/main_window.h"

namespace halvane {

void Tamrin::MSComm1_OnComm() {
    if (!p_.mscomm1.is_open()) return;
    if (flag_ == 1) {
        get_input();
    } else {
        p_.mscomm1.discard_input();
    }
}

void Tamrin::get_input() {
    const std::string input = p_.mscomm1.read_input();
    if (input.empty()) return;
    std::string text = p_.text1.text();
    text += input;
    // Only the newest characters are kept, so a chatty board cannot make the window sluggish.
    if (text.size() > kReceiveBufferLimit) text.erase(0, text.size() - kReceiveBufferLimit);
    p_.text1.set_text(text);
}

}  // namespace halvane
