#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace halvane::cli {

// Where a command's results go (standard output) and its errors and progress (standard error).
class Console {
  public:
    Console(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    // Writes `text` to the output at once; false when it could not be written, and
    // output_error() says why.
    bool print(std::string_view text);
    const std::string& output_error() const { return output_error_; }
    // The reader of the output has gone (a pipe whose reader ended).
    bool output_closed() const { return output_closed_; }

    // One line on the error stream: the program's name, a colon and `line`.
    void error(std::string_view line);

    // A line on the error stream that each call replaces (a terminal's progress); an error or
    // end_progress ends it.
    void progress(std::string_view text);
    void end_progress();

  private:
    std::FILE* out_;
    std::FILE* err_;
    std::string output_error_;
    bool output_closed_ = false;
    bool progress_shown_ = false;
};

}  // namespace halvane::cli
