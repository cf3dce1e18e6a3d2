#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halvane {

// Follows what the board's monitor sends during a load, to tell when it listens again.
//
// After the last record the monitor reads nothing for a while, then prints its end-of-load
// line ("done ...", or a line with "error") and its prompt ">". Characters sent before that
// prompt are lost, so the rest of the dialogue waits for it. A line with "error" anywhere in
// the load is what the board reported.
class MonitorReplyWatch {
  public:
    // Lines longer than this are cut; the monitor's own lines are short.
    static constexpr std::size_t kLineLimit = 256;

    void feed(std::string_view text);

    // An end-of-load line ("done" or "error", any case) has come, and a prompt after it.
    bool confirmed() const { return confirmed_; }
    // The first line that contained "error" (any case), without its line end.
    const std::optional<std::string>& first_error_line() const { return first_error_line_; }

  private:
    void line_ended();

    std::string line_;
    bool end_of_load_seen_ = false;
    bool confirmed_ = false;
    std::optional<std::string> first_error_line_;
};

}  // namespace halvane
