#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace boardsim {

// Gathers received characters into lines. A line ends at CR, at LF, or at the pair CR LF (the
// LF of the pair is swallowed, so each of the three line-end styles gives one line). A line
// longer than the limit keeps its first characters and is marked as overflowed, so no input
// can make it grow without bound.
class LineCollector {
  public:
    enum class Fed {
        kStored,     // part of the current line
        kOverflow,   // beyond the limit: not stored
        kLineEnd,    // the line is complete: take_line()
        kSwallowed,  // the LF after a CR
    };

    explicit LineCollector(std::size_t max_length) : max_length_(max_length) {}

    Fed feed(std::uint8_t byte);

    // The completed line; starts the next one.
    std::string take_line();
    bool overflowed() const { return overflowed_; }
    const std::string& partial() const { return line_; }
    // Backspace: removes the last stored character; false when the line is empty.
    bool erase_last();
    void clear();
    // The LF that pairs with the last CR was dealt with outside: the next LF ends a line.
    void forget_cr() { after_cr_ = false; }

  private:
    std::size_t max_length_;
    std::string line_;
    bool overflowed_ = false;
    bool after_cr_ = false;
};

}  // namespace boardsim
