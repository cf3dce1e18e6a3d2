#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

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
        changed();
    }
    void clear() {
        text_.clear();
        changed();
    }
    const std::string& text() const { return text_; }

    // Told after every change.
    std::function<void(const std::string& text)> on_changed;

  private:
    void changed() {
        if (on_changed) on_changed(text_);
    }
    std::string text_;
};

}  // namespace halvane
