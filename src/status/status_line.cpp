#include "status/status_line.h"

#include <utility>

namespace halvane {

StatusLine::StatusLine(Clock& clock)
    : clock_(clock), hold_(clock.make_alarm([this] {
          if (failure_on_show_ && failure_outlived_) {
              failure_on_show_ = false;
              show();
          }
      })) {}

void StatusLine::set_program_status(std::string text) {
    program_ = std::move(text);
    failure_on_show_ = false;
    hold_->disarm();
    show();
}

void StatusLine::show_failure(std::string text) {
    failure_ = std::move(text);
    failure_on_show_ = true;
    failure_outlived_ = false;
    failure_until_ns_ = clock_.now_ns() + kFailureHoldNs;
    hold_->disarm();
    show();
}

void StatusLine::exchange_succeeded() {
    if (!failure_on_show_) return;
    failure_outlived_ = true;
    if (clock_.now_ns() >= failure_until_ns_) {
        failure_on_show_ = false;
        show();
    } else if (!hold_->armed()) {
        hold_->arm_at(failure_until_ns_);
    }
}

void StatusLine::show() {
    std::string text = failure_on_show_ ? failure_ : program_;
    if (text == shown_) return;
    shown_ = std::move(text);
    shown_changed.notify(shown_);
}

}  // namespace halvane
