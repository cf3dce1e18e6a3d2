#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cli/board_command.h"
#include "link/monitor_command.h"
#include "link/pause_job.h"
#include "platform/clock.h"

namespace halvane::cli {

// "P=2424 Y=0000 X=2456 A=00 B=01 C=C4 S=01FF": the registers as the CLI prints them.
std::string registers_text(const monitor::Registers& registers);

// registers: the processor's registers through the monitor's `rm` (ended with Ctrl-X), while
// the board waits at its monitor or a program is stopped there.
class RegistersCommand : public BoardCommand {
  public:
    RegistersCommand(BoardLink& link, Console& console, Finished finished);
    void start() override;
    void interrupt() override { finish(ExitStatus::kInterrupted); }
};

// run-to ADDRESS: a breakpoint at ADDRESS, the program let go on (a running one is paused
// through its responder first; one stopped at the monitor goes on from P, and a board fresh from
// reset starts it at 2400), the stop awaited and its
// registers printed, the breakpoint taken out. Past the time-out the program is paused, the
// breakpoint taken out and the program let go on, and the command fails.
class RunToCommand : public BoardCommand {
  public:
    RunToCommand(BoardLink& link, Clock& clock, Console& console, std::uint16_t address,
                 double timeout_seconds, Finished finished);
    void start() override;
    void interrupt() override { finish(ExitStatus::kInterrupted); }

  private:
    enum class Stage { kLearning, kPausing, kRunning, kStopped, kGivingUp };
    void state_known(BoardState state);
    void paused(PauseJob::Outcome outcome);
    void state_changed(BoardState state);
    void timed_out();
    void arm_deadline();
    void command(std::string line, MonitorCommandJob::Done done = {});
    void fail(const std::string& text);

    Clock& clock_;
    std::uint16_t address_;
    double timeout_seconds_;
    Stage stage_ = Stage::kLearning;
    bool breakpoint_set_ = false;
    std::unique_ptr<Alarm> deadline_;
    Subscription state_watch_;
    Subscription silence_watch_;
};

}  // namespace halvane::cli
