#include "event_loop.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "terminal_rate.h"

namespace boardsim {
namespace {

// Output nobody reads piles up in the terminal; past this much the board behaves like a line
// with nobody listening and drops it.
constexpr std::size_t kMaxUnwritten = 64 * 1024;

class Clock {
  public:
    Nanos now() const { return std::chrono::steady_clock::now() - start_; }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Writes what the terminal accepts now; keeps the rest.
bool write_some(int fd, std::vector<std::uint8_t>& unwritten) {
    while (!unwritten.empty()) {
        const ssize_t n = ::write(fd, unwritten.data(), unwritten.size());
        if (n > 0) {
            unwritten.erase(unwritten.begin(), unwritten.begin() + n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        } else {
            std::fprintf(stderr, "boardsim: writing to the terminal failed: %s\n",
                         std::strerror(errno));
            return false;
        }
    }
    return true;
}

timespec to_timespec(Nanos wait) {
    const long long ns = wait.count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

int serve(PtyLine& line, Board& board, SignalFlags& flags) {
    Clock clock;
    sigset_t wait_mask;
    sigprocmask(SIG_SETMASK, nullptr, &wait_mask);
    sigdelset(&wait_mask, SIGINT);
    sigdelset(&wait_mask, SIGTERM);
    sigdelset(&wait_mask, SIGUSR1);

    std::vector<std::uint8_t> unwritten;
    std::uint8_t buffer[4096];
    // The PC may set its port's rate at any moment and says nothing when it does: the rate is read
    // on every wake-up, so each character goes at the rate set when it was written.
    auto read_pc_rate = [&] {
        if (const auto rate = read_terminal_rate(line.master_fd())) {
            board.set_pc_rate(*rate, clock.now());
        }
    };
    read_pc_rate();
    board.power_on(clock.now());
    for (;;) {
        if (flags.stop) return 0;
        if (flags.reset) {
            flags.reset = 0;
            board.press_reset(clock.now());
        }
        read_pc_rate();
        const std::vector<std::uint8_t> out = board.advance(clock.now());
        unwritten.insert(unwritten.end(), out.begin(), out.end());
        if (unwritten.size() > kMaxUnwritten) unwritten.clear();
        if (!write_some(line.master_fd(), unwritten)) return 1;
        if (board.hung_up() && unwritten.empty()) {
            // Give the PC a moment to read the last reply before the line goes away.
            usleep(20'000);
            line.close();
            std::fprintf(stderr, "boardsim: line closed after the requested number of requests\n");
            return 0;
        }

        pollfd fd{line.master_fd(), static_cast<short>(POLLIN | (unwritten.empty() ? 0 : POLLOUT)),
                  0};
        timespec timeout{};
        const timespec* timeout_ptr = nullptr;
        if (const auto next = board.next_event()) {
            const Nanos wait = std::max(Nanos{0}, *next - clock.now());
            timeout = to_timespec(wait);
            timeout_ptr = &timeout;
        }
        const int ready = ppoll(&fd, 1, timeout_ptr, &wait_mask);
        if (ready < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "boardsim: waiting for the terminal failed: %s\n",
                         std::strerror(errno));
            return 1;
        }
        if (fd.revents & POLLIN) {
            const ssize_t n = ::read(line.master_fd(), buffer, sizeof buffer);
            if (n > 0) {
                read_pc_rate();
                board.receive_from_pc(
                    std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)),
                    clock.now());
            }
        } else if (fd.revents & (POLLERR | POLLNVAL)) {
            std::fprintf(stderr, "boardsim: the terminal failed\n");
            return 1;
        } else if (fd.revents & POLLHUP) {
            usleep(10'000);  // no reader for a moment; do not spin
        }
    }
}

}  // namespace boardsim
