#include "e2e/board_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

namespace halvane::e2e {

BoardProcess::BoardProcess(const std::vector<std::string>& options) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        // A test killed on its time limit must not leave the board running and holding the pipe.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        std::string program = HALVANE_BOARDSIM;
        argv.push_back(program.data());
        std::vector<std::string> copies(options);
        for (auto& o : copies) argv.push_back(o.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    stdout_fd_ = out[0];
    if (pid_ < 0) return;

    // The first line is the device path; give the board five seconds to print it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string line;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{stdout_fd_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        if (read(stdout_fd_, &c, 1) != 1) break;
        if (c == '\n') {
            device_ = line;
            break;
        }
        line += c;
    }
}

void BoardProcess::press_reset() const {
    if (pid_ > 0) kill(pid_, SIGUSR1);
}

int BoardProcess::stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    const pid_t pid = pid_;
    pid_ = -1;
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(100'000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

BoardProcess::~BoardProcess() {
    stop();
    if (stdout_fd_ >= 0) close(stdout_fd_);
}

}  // namespace halvane::e2e
