#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "notify/signal.h"
#include "platform/clock.h"

namespace halvane {

// The status line. It shows the program status (where the program on the board stands), or,
// for a while, what went wrong with an operation: a failure text stays until a later exchange
// with the board ends well, and at least three seconds, so it can be read.
class StatusLine {
  public:
    static constexpr std::int64_t kFailureHoldNs = 3000 * kNanosPerMilli;

    explicit StatusLine(Clock& clock);

    // Shown at once; a failure text on show gives way to it.
    void set_program_status(std::string text);
    const std::string& program_status() const { return program_; }

    void show_failure(std::string text);
    // An exchange with the board ended well.
    void exchange_succeeded();

    const std::string& shown() const { return shown_; }
    // Told whenever the text shown changes.
    Signal<const std::string&> shown_changed;

  private:
    void show();

    Clock& clock_;
    std::unique_ptr<Alarm> hold_;
    std::string program_;
    std::string failure_;
    bool failure_on_show_ = false;
    bool failure_outlived_ = false;  // an exchange ended well since it was shown
    std::int64_t failure_until_ns_ = 0;
    std::string shown_;
};

}  // namespace halvane
