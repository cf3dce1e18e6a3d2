#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace halvane::e2e {

// A `boardsim` child process serving a pseudo-terminal. Stopped (SIGTERM) on destruction.
class BoardProcess {
  public:
    explicit BoardProcess(const std::vector<std::string>& options);
    ~BoardProcess();
    BoardProcess(const BoardProcess&) = delete;
    BoardProcess& operator=(const BoardProcess&) = delete;

    // The terminal device the board serves; empty when it did not start.
    const std::string& device() const { return device_; }
    // The user presses the board's Reset button (SIGUSR1).
    void press_reset() const;
    // Stops the board and returns its exit status (-1 when it did not exit normally).
    int stop();

  private:
    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    std::string device_;
};

}  // namespace halvane::e2e
