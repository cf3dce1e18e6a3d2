#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "notify/signal.h"

namespace halvane {

// What the program on the board sent, as the window's receive box shows it: characters in
// order of arrival, only the newest kept.
class ReceiveLog {
  public:
    static constexpr std::size_t kLimit = 64 * 1024;

    void append(std::string_view text) {
        if (text.empty()) return;
        text_ += text;
        if (text_.size() > kLimit) text_.erase(0, text_.size() - kLimit);
        changed.notify(text_);
    }
    void clear() {
        text_.clear();
        changed.notify(text_);
    }
    const std::string& text() const { return text_; }

    // Told after every change, with the whole text.
    Signal<const std::string&> changed;

  private:
    std::string text_;
};

}  // namespace halvane
