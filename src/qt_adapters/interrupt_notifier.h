#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace halvane::qt {

// Ctrl-C (SIGINT) as an event of the Qt event loop: the signal handler only writes a byte to a
// pipe, and the loop calls `interrupted` when it reads it. After the first Ctrl-C the signal
// has its default effect again, so a second one ends a program that does not end by itself.
// One at a time; the default effect returns when it is destroyed.
class InterruptNotifier {
  public:
    explicit InterruptNotifier(std::function<void()> interrupted);
    ~InterruptNotifier();
    InterruptNotifier(const InterruptNotifier&) = delete;
    InterruptNotifier& operator=(const InterruptNotifier&) = delete;

    // False when the pipe or the handler could not be set up (Ctrl-C then ends the program).
    bool armed() const { return notifier_ != nullptr; }

  private:
    void pipe_readable();

    std::function<void()> interrupted_;
    int read_fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace halvane::qt
