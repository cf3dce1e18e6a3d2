#include "cli/console.h"

#include <cerrno>
#include <cstring>

#include "cli/cli_arguments.h"

namespace halvane::cli {

bool Console::print(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out_) == text.size() && std::fflush(out_) == 0)
        return true;
    output_closed_ = errno == EPIPE;
    output_error_ = errno != 0 ? std::strerror(errno) : "the output could not be written";
    return false;
}

void Console::error(std::string_view line) {
    end_progress();
    std::fprintf(err_, "%.*s: %.*s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                 static_cast<int>(line.size()), line.data());
    std::fflush(err_);
}

void Console::progress(std::string_view text) {
    // Back to the line's start, the text, then the rest of the old line cleared.
    std::fprintf(err_, "\r%.*s: %.*s\x1b[K", static_cast<int>(kProgram.size()), kProgram.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(err_);
    progress_shown_ = true;
}

void Console::end_progress() {
    if (!progress_shown_) return;
    progress_shown_ = false;
    std::fputc('\n', err_);
    std::fflush(err_);
}

}  // namespace halvane::cli
