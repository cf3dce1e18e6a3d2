#pragma once

namespace halvane::cli {

// What halvane-cli's exit status tells a script.
enum class ExitStatus : int {
    kSuccess = 0,       // done (a watch ended by Ctrl-C too)
    kFailure = 1,       // the board or the port failed
    kUsage = 2,         // a usage or input error; nothing was sent
    kInterrupted = 130  // Ctrl-C stopped the command (128 + SIGINT, as shells report it)
};

}  // namespace halvane::cli
