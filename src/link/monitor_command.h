#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/monitor_dialogue.h"
#include "link/monitor_exchange.h"

namespace halvane {

// How one command line typed to the monitor ended, and what the monitor printed for it.
struct MonitorReply {
    enum class Outcome { kAnswered, kProgramStarted, kNoAnswer, kCancelled, kPortFailed };
    Outcome outcome = Outcome::kAnswered;
    // kAnswered: the lines up to its prompt, without the echo of the command, line ends and NULs.
    std::vector<std::string> lines;
    // The last register line among them (a trace step, rm, a stop right after the command).
    std::optional<monitor::Registers> registers;
    std::string port_error;  // kPortFailed
};

// One command typed at the monitor's prompt with its CR, and its answer up to the next prompt.
// A command that lets the program run (g, go, p) ends once it has been typed: the board runs
// the program from then on. Any subsystem may queue one on the link; the link runs it at the
// monitor's prompt only.
class MonitorCommandJob : public MonitorExchange {
  public:
    using Done = std::function<void(const MonitorReply&)>;
    // `line` without its CR; it is not empty.
    MonitorCommandJob(std::string line, Done done);

  protected:
    MonitorStep first_step() override;
    std::optional<MonitorStep> step_done(Line& line, const MonitorAnswer& answer) override;
    void ended_early(End end, std::string_view port_error) override;

  private:
    std::string line_;
    Done done_;
};

// The lines of an answer after the echo of what was typed.
std::vector<std::string> answer_lines(const MonitorAnswer& answer);

}  // namespace halvane
