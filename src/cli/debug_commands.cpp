#include "cli/debug_commands.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "debug/continue_step.h"
#include "link/register_job.h"
#include "text/hex_digits.h"

namespace halvane::cli {

namespace {
// The program's start, where the download's "go 2400" starts it.
constexpr std::uint16_t kProgramStart = 0x2400;
// The end of the board's RAM, where a program's code can be.
constexpr std::uint16_t kRamEnd = 0x8000;

std::string without_line_end(std::string typed) {
    if (typed.ends_with(monitor::kLineEnd)) typed.resize(typed.size() - monitor::kLineEnd.size());
    return typed;
}
}  // namespace

std::string registers_text(const monitor::Registers& r) {
    return "P=" + hex_text(r.pc, 4) + " Y=" + hex_text(r.y, 4) + " X=" + hex_text(r.x, 4) +
           " A=" + hex_text(r.a, 2) + " B=" + hex_text(r.b, 2) + " C=" + hex_text(r.ccr, 2) +
           " S=" + hex_text(r.sp, 4);
}

RegistersCommand::RegistersCommand(BoardLink& link, Console& console, Finished finished)
    : BoardCommand(link, console, std::move(finished)) {}

void RegistersCommand::start() {
    link_.queue_user_job(std::make_unique<RegisterJob>(
        std::nullopt, [this](const std::optional<monitor::Registers>& registers) {
            if (!registers) {
                console_.error(
                    on_port("the monitor does not answer (a program runs, or no board is there)"));
                finish(ExitStatus::kFailure);
                return;
            }
            if (print_or_fail(registers_text(*registers) + "\n")) finish(ExitStatus::kSuccess);
        }));
}

RunToCommand::RunToCommand(BoardLink& link, Clock& clock, Console& console, std::uint16_t address,
                           double timeout_seconds, Finished finished)
    : BoardCommand(link, console, std::move(finished)),
      clock_(clock),
      address_(address),
      timeout_seconds_(timeout_seconds) {}

void RunToCommand::start() {
    state_watch_ = link_.board_state_changed.subscribe([this](BoardState s) { state_changed(s); });
    silence_watch_ = link_.board_silent.subscribe(
        [this] { fail("the board does not answer: neither its monitor nor a program"); });
    if (link_.board_state() != BoardState::kUnknown) state_known(link_.board_state());
}

void RunToCommand::command(std::string line, MonitorCommandJob::Done done) {
    link_.queue_user_job(std::make_unique<MonitorCommandJob>(std::move(line), std::move(done)));
}

void RunToCommand::fail(const std::string& text) {
    console_.error(on_port(text));
    finish(ExitStatus::kFailure);
}

void RunToCommand::state_known(BoardState state) {
    stage_ = Stage::kPausing;
    if (state == BoardState::kRunning) {
        link_.queue_user_job(
            std::make_unique<PauseJob>([this](PauseJob::Outcome outcome) { paused(outcome); }));
        return;
    }
    // At the monitor: a program stopped there goes on from P; a board fresh from reset (P
    // outside the RAM programs run in) starts the program at 2400.
    link_.queue_user_job(std::make_unique<RegisterJob>(
        std::nullopt, [this](const std::optional<monitor::Registers>& registers) {
            if (!registers) {
                fail("the monitor does not answer");
                return;
            }
            breakpoint_set_ = true;
            command("br " + hex_text(address_, 4));
            stage_ = Stage::kRunning;
            const bool in_program = registers->pc >= kProgramStart && registers->pc < kRamEnd;
            const std::uint16_t table[] = {address_};
            command(in_program ? without_line_end(
                                     continue_step(registers->pc, table, ProgramImage{}).command())
                               : "g " + hex_text(kProgramStart, 4));
            arm_deadline();
        }));
}

void RunToCommand::arm_deadline() {
    deadline_ = clock_.make_alarm([this] { timed_out(); });
    deadline_->arm_at(clock_.now_ns() +
                      static_cast<std::int64_t>(std::llround(timeout_seconds_ * 1e9)));
}

void RunToCommand::paused(PauseJob::Outcome outcome) {
    if (outcome == PauseJob::Outcome::kNotAnswered) {
        if (stage_ == Stage::kGivingUp) {
            fail("the program did not reach " + hex_text(address_, 4) +
                 " in time, and its responder does not pause it (%%): the breakpoint is still "
                 "set");
            return;
        }
        fail("the program's responder does not pause it (%%): no breakpoint set");
    }
    // A stop follows: state_changed goes on from there.
}

void RunToCommand::state_changed(BoardState state) {
    switch (stage_) {
        case Stage::kLearning:
            if (state != BoardState::kUnknown) state_known(state);
            return;
        case Stage::kPausing:
            if (state != BoardState::kStopped) return;
            breakpoint_set_ = true;
            command("br " + hex_text(address_, 4));
            stage_ = Stage::kRunning;
            // The pause stopped it in the responder: it goes on from there.
            command("g");
            arm_deadline();
            return;
        case Stage::kRunning: {
            if (state != BoardState::kStopped) return;
            stage_ = Stage::kStopped;
            deadline_->disarm();
            const auto registers = link_.last_registers();
            command("br -" + hex_text(address_, 4), [this, registers](const MonitorReply& reply) {
                if (reply.outcome != MonitorReply::Outcome::kAnswered) {
                    fail("the monitor did not take the breakpoint out");
                    return;
                }
                if (!registers) {
                    fail("the stop printed no registers");
                    return;
                }
                if (registers->pc != address_) {
                    fail("the program stopped at " + hex_text(registers->pc, 4) + ", not at " +
                         hex_text(address_, 4) + ": " + registers_text(*registers));
                    return;
                }
                if (print_or_fail(registers_text(*registers) + "\n")) finish(ExitStatus::kSuccess);
            });
            return;
        }
        case Stage::kGivingUp:
            if (state != BoardState::kStopped) return;
            command("br -" + hex_text(address_, 4));
            command("g", [this](const MonitorReply& /*reply*/) {
                char seconds[32];
                std::snprintf(seconds, sizeof seconds, "%g", timeout_seconds_);
                fail("the program did not reach " + hex_text(address_, 4) + " in " + seconds +
                     " s; the breakpoint is out and it runs on");
            });
            return;
        case Stage::kStopped:
            return;
    }
}

void RunToCommand::timed_out() {
    if (stage_ != Stage::kRunning) return;
    stage_ = Stage::kGivingUp;
    if (link_.board_state() == BoardState::kStopped) {
        state_changed(BoardState::kStopped);
        return;
    }
    link_.queue_user_job(
        std::make_unique<PauseJob>([this](PauseJob::Outcome outcome) { paused(outcome); }));
}

}  // namespace halvane::cli
