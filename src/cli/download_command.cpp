#include "cli/download_command.h"

#include <cmath>
#include <memory>
#include <utility>

namespace halvane::cli {

namespace {
constexpr int kMonitorWaitSeconds = static_cast<int>(DownloadJob::kMonitorWaitNs / 1'000'000'000);
}  // namespace

DownloadCommand::DownloadCommand(BoardLink& link, Console& console, std::string path,
                                 bool show_progress, Finished finished)
    : BoardCommand(link, console, std::move(finished)),
      path_(std::move(path)),
      show_progress_(show_progress) {}

void DownloadCommand::start() {
    if (ended()) return;
    started_ = true;
    // The monitor's replies go to the download alone, as during File > Open.
    link_.set_gate(false);
    link_.queue_download(std::make_unique<DownloadJob>(
        path_, [this](float value, float maximum) { progress(value, maximum); },
        [this](const DownloadOutcome& outcome) { done(outcome); }));
}

// Nothing more of the file is sent, and what waits in the PC's queues is thrown away.
void DownloadCommand::interrupt() {
    if (started_ && link_.downloading()) {
        link_.cancel_download();
        return;
    }
    finish(ExitStatus::kInterrupted);
}

void DownloadCommand::progress(float value, float maximum) {
    if (!show_progress_ || maximum <= 0) return;
    const int percent = static_cast<int>(std::floor(100.0f * value / maximum));
    if (percent == percent_shown_) return;
    percent_shown_ = percent;
    console_.progress("sending " + path_ + ": " + std::to_string(percent) + "%");
}

void DownloadCommand::done(const DownloadOutcome& outcome) {
    console_.end_progress();
    switch (outcome.kind) {
        case DownloadOutcome::Kind::kCancelled:
            console_.error(
                on_port("download cancelled: press Reset on the board before the "
                        "next download"));
            finish(ExitStatus::kInterrupted);
            return;
        case DownloadOutcome::Kind::kFailed:
            console_.error(on_port("download failed: " + outcome.failure));
            finish(ExitStatus::kFailure);
            return;
        case DownloadOutcome::Kind::kStarted:
            break;
    }
    if (outcome.board_error) {
        console_.error(on_port("the board reported: " + *outcome.board_error +
                               " (go 2400 was sent all the same)"));
        finish(ExitStatus::kFailure);
    } else if (!outcome.confirmed) {
        console_.error(on_port("the monitor did not confirm the load within " +
                               std::to_string(kMonitorWaitSeconds) +
                               " s (was Reset pressed before?)"));
        finish(ExitStatus::kFailure);
    } else {
        finish(ExitStatus::kSuccess);
    }
}

// The download reports the lost port as its own failure.
void DownloadCommand::port_lost(const std::string& error) {
    if (!started_) BoardCommand::port_lost(error);
}

}  // namespace halvane::cli
