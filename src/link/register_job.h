#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/monitor_dialogue.h"
#include "link/monitor_exchange.h"

namespace halvane {

// The processor's registers through the monitor's `rm`: it prints the register line, then waits
// at its sub-prompt. Without a change the job ends the sub-prompt with Ctrl-X; with one it types
// `rm R`, the new value and CR, which stores it and ends.
class RegisterJob : public MonitorExchange {
  public:
    struct Change {
        char letter = 'P';  // the register as `rm` names it: P Y X A B C S
        unsigned value = 0;
        std::size_t digits = 4;
    };
    // The registers as they are after the job (the change made); none when it did not end well.
    using Done = std::function<void(const std::optional<monitor::Registers>& registers)>;

    RegisterJob(std::optional<Change> change, Done done);
    bool reads_memory() const override { return false; }

  protected:
    MonitorStep first_step() override;
    std::optional<MonitorStep> step_done(Line& line, const MonitorAnswer& answer) override;
    void ended_early(End end, std::string_view port_error) override;

  private:
    std::optional<Change> change_;
    Done done_;
    std::optional<monitor::Registers> registers_;
    bool asked_ = false;  // the first step (the register line) is over
};

// The registers with one changed as `rm` changes it.
monitor::Registers with_change(monitor::Registers registers, char letter, unsigned value);

}  // namespace halvane
