#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/line_collector.h"
#include "core/memory_image.h"
#include "core/running_program.h"
#include "core/sim_time.h"

namespace boardsim {

// What the monitor needs from the board around it.
class MonitorHost {
  public:
    virtual ~MonitorHost() = default;
    // Text the monitor prints on the serial line.
    virtual void monitor_output(std::string_view text, Nanos at) = 0;
    // Starts the loaded program at `address`.
    virtual std::unique_ptr<RunningProgram> start_program(std::uint16_t address, Nanos at) = 0;
    // The board is being reset: whatever it was still sending is lost.
    virtual void board_reset(std::string_view reason, Nanos at) = 0;
    // Something worth a line in the traffic log.
    virtual void note(std::string_view text, Nanos at) = 0;
};

// The board's ROM monitor after a reset, reduced to what a download needs: a prompt, "load t"
// to read S-records into memory, and "go ADDR" to start the program. It echoes what it
// receives, as a terminal user expects. Once a program runs, the monitor is out of the way and
// the program gets every character until it returns to the monitor (SWI, for example); if
// auto-reset is on, a "load t" line received then acts
// as a press of the reset button followed by that command, because the simulated board has no
// button to press.
class Monitor {
  public:
    enum class State {
        kCommand,  // at the prompt
        kLoading,  // reading S-records
        kRunning,  // a program started by "go" runs
        kSilent,   // "go" jumped where nothing was loaded: nothing answers
    };

    struct LoadSummary {
        unsigned data_records = 0;
        unsigned bad_records = 0;
    };

    static constexpr std::string_view kBanner =
        "\r\nCME11E9 monitor (boardsim, simulated 68HC11E9 board)\r\n"
        "Commands: load t, go ADDR\r\n";
    static constexpr std::string_view kPrompt = ">";

    Monitor(MemoryImage& memory, MonitorHost& host, bool auto_reset);

    // Power-on or reset: banner and prompt, any program stops.
    void reset(std::string_view reason, Nanos at);
    void receive(std::uint8_t byte, Nanos at);
    void run_until(Nanos now);
    std::optional<Nanos> next_wakeup() const;
    // The host was away until `now` (see RunningProgram::skip_stall).
    void skip_stall(Nanos now);

    State state() const { return state_; }
    const LoadSummary& last_load() const { return load_; }

  private:
    void receive_command_char(std::uint8_t byte, Nanos at);
    void receive_load_char(std::uint8_t byte, Nanos at);
    void receive_while_running(std::uint8_t byte, Nanos at);
    // Back to the prompt once the program has returned to the monitor.
    void take_over_if_finished();
    void echo(std::uint8_t byte, LineCollector::Fed fed, Nanos at);
    void run_command(const std::string& line, Nanos at);
    void run_go(std::string_view argument, Nanos at);
    void load_line(const std::string& line, bool overflowed, Nanos at);
    void print(std::string_view text, Nanos at) { host_.monitor_output(text, at); }

    MemoryImage& memory_;
    MonitorHost& host_;
    bool auto_reset_;
    State state_ = State::kCommand;
    LineCollector command_line_;
    LineCollector load_line_;
    LineCollector reset_watch_;
    bool last_was_cr_ = false;
    unsigned load_line_number_ = 0;
    LoadSummary load_;
    std::unique_ptr<RunningProgram> program_;
};

}  // namespace boardsim
