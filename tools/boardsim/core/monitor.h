#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
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

struct MonitorSettings {
    // The board's monitor lets the host finish sending for about a second.
    static constexpr Nanos kBoardEndOfLoadPause = std::chrono::seconds(1);

    // A "load t" line received while a program runs resets the board first.
    bool auto_reset = true;
    // How long the monitor leaves the line unread after the end record of a load; zero answers
    // at once.
    Nanos end_of_load_pause = kBoardEndOfLoadPause;
};

// The board's ROM monitor after a reset, reduced to what a download needs: a prompt, "load t"
// to read S-records into memory, and "go ADDR" to start the program. It echoes what it
// receives, as a terminal user expects, and has the board monitor's habits that a host must
// live with:
// - after a reset it prints its banner and waits for a CR before its first prompt;
// - a bare CR at the prompt repeats the previous command, except after a load, when the
//   command buffer holds nothing to repeat until another command is typed;
// - after the end record of a load it does not read the line for a while (one second on the
//   board): the SCI keeps the first character that arrives meanwhile and loses the rest to
//   overrun, and the monitor then throws the kept one away before it reports the load and
//   shows its prompt.
// Once a program runs, the monitor is out of the way and the program gets every character
// until it returns to the monitor (SWI, for example); if auto-reset is on, a "load t" line
// received then acts as a press of the reset button, a CR and that command, because the
// simulated board has no button to press.
class Monitor {
  public:
    enum class State {
        kAwaitingReturn,  // banner shown after a reset; waiting for a CR before the prompt
        kCommand,         // at the prompt
        kLoading,         // reading S-records
        kEndOfLoad,       // the end record has arrived; the line is left unread for a while
        kRunning,         // a program started by "go" runs
        kSilent,          // "go" jumped where nothing was loaded: nothing answers
    };

    struct LoadSummary {
        unsigned data_records = 0;
        unsigned bad_records = 0;
    };

    static constexpr std::string_view kBanner =
        "\r\nCME11E9 monitor (boardsim, simulated 68HC11E9 board)\r\n"
        "Commands: load t, go ADDR\r\n";
    static constexpr std::string_view kPrompt = ">";

    Monitor(MemoryImage& memory, MonitorHost& host, MonitorSettings settings);

    // Power-on or reset: the banner, then a wait for CR; any program stops.
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
    // The SCI's one-character buffer while nobody reads it.
    void receive_unread(Nanos at);
    void end_load(Nanos at);
    void report_load(Nanos at);
    void receive_while_running(std::uint8_t byte, Nanos at);
    // Back to the prompt once the program has returned to the monitor.
    void take_over_if_finished();
    void echo(std::uint8_t byte, LineCollector::Fed fed, Nanos at);
    // `typed` as typed; a blank line repeats the previous command, if there is one.
    void run_command(const std::string& typed, Nanos at);
    void run_go(std::string_view argument, Nanos at);
    void load_line(const std::string& line, bool overflowed, Nanos at);
    void print(std::string_view text, Nanos at) { host_.monitor_output(text, at); }

    MemoryImage& memory_;
    MonitorHost& host_;
    MonitorSettings settings_;
    State state_ = State::kAwaitingReturn;
    LineCollector command_line_;
    LineCollector load_line_;
    LineCollector reset_watch_;
    bool last_was_cr_ = false;
    // What a bare CR runs again; empty after a reset and after a load.
    std::string previous_command_;
    Nanos reads_again_at_{0};
    bool sci_holds_character_ = false;
    unsigned characters_overrun_ = 0;
    unsigned load_line_number_ = 0;
    LoadSummary load_;
    std::unique_ptr<RunningProgram> program_;
};

}  // namespace boardsim
