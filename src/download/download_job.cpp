#include "download/download_job.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

namespace halvane {

namespace {
constexpr const char* kRefused = "the serial port refused the data";
}  // namespace

DownloadJob::DownloadJob(std::string path, Progress progress, Done done,
                         std::vector<std::string> before_go)
    : path_(std::move(path)),
      progress_(std::move(progress)),
      done_(std::move(done)),
      before_go_(std::move(before_go)) {}

void DownloadJob::start(Line& line) {
    std::error_code error;
    length_ = std::filesystem::file_size(path_, error);
    if (error) {
        fail(path_ + ": " + error.message());
        return;
    }
    if (length_ > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max() - 20)) {
        fail(path_ + ": the file is too large");
        return;
    }
    progress_maximum_ = static_cast<float>(length_ + 20);
    progress_value_ = 0;
    show_progress();
    step_ = Step::kEmptyLine;
    begin_step(line);
}

void DownloadJob::begin_step(Line& line) {
    switch (step_) {
        case Step::kEmptyLine:
            // At a prompt that waits, a bare CR would repeat the monitor's last command.
            send_step(line, line.prompt_waiting() ? "\x18" : "\r", 1);
            break;
        case Step::kLoadCommand:
            // Everything the monitor says from its load command on is looked at.
            watching_monitor_ = true;
            send_step(line, "load t\r", 1);
            break;
        case Step::kFile:
            file_.open(path_, std::ios::binary);
            if (!file_) {
                fail(path_ + ": the file cannot be opened");
                return;
            }
            phase_ = Phase::kStreaming;
            stream_file(line);
            break;
        case Step::kAfterFile:
            send_step(line, "", 5);
            break;
        case Step::kMonitorPrompt:
            if (monitor_.confirmed()) {
                step_done(line);
                return;
            }
            phase_ = Phase::kAwaitingMonitor;
            monitor_deadline_ns_ = line.now_ns() + kMonitorWaitNs;
            line.wake_at(monitor_deadline_ns_);
            break;
        case Step::kFirstCr:
        case Step::kSecondCr:
            send_step(line, "\r", 5);
            break;
        case Step::kCommandsBeforeGo:
            send_command_before_go(line);
            break;
        case Step::kGoCommand:
            send_step(line, "go 2400\r", 5);
            break;
        case Step::kDone:
            line.board_state_learnt(BoardState::kRunning);
            finish(DownloadOutcome::Kind::kStarted);
            break;
    }
}

// One command of those before go, then its prompt; once all have gone, the step is over.
void DownloadJob::send_command_before_go(Line& line) {
    if (next_before_go_ >= before_go_.size()) {
        step_done(line);
        return;
    }
    prompt_watch_.reset();
    echo_seen_ = false;
    if (!line.write(before_go_[next_before_go_++])) {
        refused();
        return;
    }
    phase_ = Phase::kAwaitingPrompt;
    monitor_deadline_ns_ = line.now_ns() + kMonitorWaitNs;
    line.wake_at(monitor_deadline_ns_);
}

void DownloadJob::send_step(Line& line, std::string_view text, int pause_ticks) {
    if (!text.empty() && !line.write(text)) {
        refused();
        return;
    }
    phase_ = Phase::kDraining;
    pause_ticks_ = pause_ticks;
    run(line);
}

void DownloadJob::woke(Line& line) {
    if (!finished_) run(line);
}

void DownloadJob::run(Line& line) {
    const std::int64_t now = line.now_ns();
    switch (phase_) {
        case Phase::kDraining: {
            const std::size_t pending = line.output_pending();
            if (pending > 0) {
                line.wake_at(now + std::max<std::int64_t>(
                                       kTickNs, static_cast<std::int64_t>(pending) * kCharTimeNs));
                return;
            }
            phase_ = Phase::kPausing;
            pause_until_ns_ = now + pause_ticks_ * kTickNs;
            line.wake_at(pause_until_ns_);
            return;
        }
        case Phase::kPausing:
            if (now < pause_until_ns_) {
                line.wake_at(pause_until_ns_);
                return;
            }
            step_done(line);
            return;
        case Phase::kStreaming:
            stream_file(line);
            return;
        case Phase::kAwaitingPrompt:
            // No prompt in time: the next command goes anyway, as the load's closing steps do.
            if (now >= monitor_deadline_ns_) {
                send_command_before_go(line);
            } else {
                line.wake_at(monitor_deadline_ns_);
            }
            return;
        case Phase::kAwaitingMonitor:
            // The monitor said nothing in time: go on, the load is unconfirmed.
            if (now >= monitor_deadline_ns_) {
                step_done(line);
            } else {
                line.wake_at(monitor_deadline_ns_);
            }
            return;
    }
}

void DownloadJob::stream_file(Line& line) {
    std::size_t pending = line.output_pending();
    while (pending <= kQueueLimit) {
        char c = 0;
        if (!file_.get(c)) {
            const bool read_whole_file = file_.eof();
            file_.close();
            if (!read_whole_file) {
                fail(path_ + ": read error");
                return;
            }
            step_done(line);
            return;
        }
        if ((before_previous_ == '\n' || before_previous_ == '\r') && previous_ == 'S' &&
            (c == '1' || c == '9'))
            outcome_.held_s_records = true;
        before_previous_ = previous_;
        previous_ = c;
        if (!line.write(std::string_view(&c, 1))) {
            refused();
            return;
        }
        progress_value_ += 1;
        show_progress();
        pending = line.output_pending();
    }
    line.wake_at(line.now_ns() +
                 std::max<std::int64_t>(
                     kTickNs, static_cast<std::int64_t>(pending - kQueueLimit) * kCharTimeNs));
}

void DownloadJob::step_done(Line& line) {
    switch (step_) {
        case Step::kAfterFile:
        case Step::kFirstCr:
        case Step::kSecondCr:
        case Step::kGoCommand:
            progress_value_ += 5;
            show_progress();
            break;
        case Step::kMonitorPrompt:
            // What comes after this belongs to the program, not to the monitor.
            watching_monitor_ = false;
            break;
        default:
            break;
    }
    step_ = static_cast<Step>(static_cast<int>(step_) + 1);
    begin_step(line);
}

void DownloadJob::received(Line& line, std::string_view text) {
    if (finished_) return;
    if (phase_ == Phase::kAwaitingPrompt) {
        // A prompt counts after the command's echo: one that was late for the step before does
        // not.
        const std::string& typed = before_go_[next_before_go_ - 1];
        const std::string_view echo(typed.data(), typed.size() - monitor::kLineEnd.size());
        for (const auto& event : prompt_watch_.feed(text)) {
            if (event.kind == monitor::Transcript::Event::Kind::kLine) {
                if (std::string_view(event.line).ends_with(echo)) echo_seen_ = true;
                continue;
            }
            if (!echo_seen_) continue;
            send_command_before_go(line);
            return;
        }
        return;
    }
    if (!watching_monitor_) return;
    monitor_.feed(text);
    if (phase_ == Phase::kAwaitingMonitor && monitor_.confirmed()) step_done(line);
}

void DownloadJob::stop(std::string_view port_error) {
    if (finished_) return;
    file_.close();
    if (port_error.empty()) {
        finish(DownloadOutcome::Kind::kCancelled);
    } else {
        outcome_.failure = std::string(port_error);
        finish(DownloadOutcome::Kind::kFailed);
    }
}

void DownloadJob::abandon() {
    file_.close();
    finished_ = true;
}

void DownloadJob::refused() {
    outcome_.port_refused = true;
    fail(kRefused);
}

void DownloadJob::fail(std::string failure) {
    file_.close();
    outcome_.failure = std::move(failure);
    finish(DownloadOutcome::Kind::kFailed);
}

void DownloadJob::finish(DownloadOutcome::Kind kind) {
    finished_ = true;
    outcome_.kind = kind;
    outcome_.confirmed = monitor_.confirmed();
    outcome_.board_error = monitor_.first_error_line();
    if (done_) done_(outcome_);
}

void DownloadJob::show_progress() {
    if (progress_) progress_(progress_value_, progress_maximum_);
}

}  // namespace halvane
