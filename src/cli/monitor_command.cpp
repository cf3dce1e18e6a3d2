#include "cli/monitor_command.h"

#include <memory>
#include <utility>

namespace halvane::cli {

MonitorCommand::MonitorCommand(BoardLink& link, Console& console, std::string line,
                               Finished finished)
    : BoardCommand(link, console, std::move(finished)), line_(std::move(line)) {}

void MonitorCommand::start() {
    link_.queue_user_job(std::make_unique<MonitorCommandJob>(
        line_, [this](const MonitorReply& reply) { answered(reply); }));
}

void MonitorCommand::interrupt() {
    finish(ExitStatus::kInterrupted);
}

void MonitorCommand::answered(const MonitorReply& reply) {
    switch (reply.outcome) {
        case MonitorReply::Outcome::kAnswered: {
            std::string text;
            for (const std::string& line : reply.lines) text += line + "\n";
            if (print_or_fail(text)) finish(ExitStatus::kSuccess);
            return;
        }
        case MonitorReply::Outcome::kProgramStarted:
            finish(ExitStatus::kSuccess);
            return;
        case MonitorReply::Outcome::kNoAnswer:
            console_.error(
                on_port("the monitor does not answer (a program runs, or no board is there)"));
            finish(ExitStatus::kFailure);
            return;
        case MonitorReply::Outcome::kCancelled:
        case MonitorReply::Outcome::kPortFailed:
            // A lost port is told by the port's listener.
            return;
    }
}

}  // namespace halvane::cli
