#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/breakpoint_table.h"
#include "core/command_line.h"
#include "core/line_collector.h"
#include "core/modify_prompts.h"
#include "core/running_program.h"
#include "core/sim_time.h"
#include "hc11/board.h"

namespace boardsim {

// What the monitor needs from the board around it.
class MonitorHost {
  public:
    virtual ~MonitorHost() = default;
    // Text the monitor prints on the serial line.
    virtual void monitor_output(std::string_view text, Nanos at) = 0;
    // Lets the program run from the processor's P at `at` (or the built-in responder instead),
    // until it returns to the monitor; with `stop_at` the processor runs until its P reaches
    // that address. The program stays the host's; the monitor uses it until it returns.
    virtual RunningProgram& start_program(Nanos at, std::optional<std::uint16_t> stop_at) = 0;
    // The board is being reset: the processor to its reset state (memory keeps its contents),
    // and whatever the board was still sending is lost.
    virtual void board_reset(std::string_view reason, Nanos at) = 0;
    // Something worth a line in the traffic log.
    virtual void note(std::string_view text, Nanos at) = 0;
    // The last character the board sent ended a line, so what is printed now starts one.
    virtual bool line_at_start() const = 0;
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

// The board's ROM monitor, with the board's commands and habits:
// - every line it prints ends with CR LF NUL, and its prompt ">" stands at the start of a line;
// - after a reset it prints its banner and ignores everything until a CR, which gives its first
//   prompt;
// - it echoes what is typed at its prompt; Ctrl-X throws the typed line away (and leaves mm and
//   rm) with a new prompt, a NUL is ignored, and so is a character sent at another rate;
// - a bare CR runs the last command again; the buffer survives a reset, and a completed load
//   empties it;
// - "load t" reads S-records without echoing them; after the end record it does not read the
//   line for a while (one second on the board): the SCI keeps the first character that arrives
//   meanwhile and loses the rest to overrun, and the monitor throws the kept one away before it
//   reports the load and shows its prompt;
// - md, mm, rm, br, g (go), p, t, stopat and help work on the board's one processor and memory,
//   which keep their contents and registers from one run of the program to the next.
// While the program runs, the monitor is out of the way and the program gets every character
// until it returns to the monitor (a breakpoint, its own SWI, ...): the monitor then takes its
// breakpoints out of memory and prints the register line, with P at the breakpoint or SWI. If
// auto-reset is on, a "load t" line received while the program runs acts as a press of the reset
// button, a CR and that command, because the simulated board has no button to press.
class Monitor {
  public:
    enum class State {
        kAwaitingReturn,  // banner shown after a reset; waiting for a CR before the prompt
        kCommand,         // at the prompt
        kModifying,       // in the sub-prompt of mm or rm
        kLoading,         // reading S-records
        kEndOfLoad,       // the end record has arrived; the line is left unread for a while
        kRunning,         // the program runs
    };

    struct LoadSummary {
        unsigned data_records = 0;
        unsigned bad_records = 0;
    };

    static constexpr std::uint8_t kCancelLine = 0x18;  // Ctrl-X
    // The most instructions one t command traces.
    static constexpr unsigned kMaxTraceCount = 0xFF;

    Monitor(hc11::Board& processor, MonitorHost& host, MonitorSettings settings);

    // Power-on or reset: the banner, then a wait for CR; any program stops.
    void reset(std::string_view reason, Nanos at);
    // A character from the PC. One with a framing error (sent at another rate than the SCI's)
    // holds no character the monitor knows: it is ignored, as a NUL is, while a running program
    // gets it with its error.
    void receive(std::uint8_t byte, Nanos at, bool framing_error = false);
    void run_until(Nanos now);
    std::optional<Nanos> next_wakeup() const;

    State state() const { return state_; }
    const LoadSummary& last_load() const { return load_; }

  private:
    // The dialogue (monitor.cpp).
    void receive_command_char(std::uint8_t byte, Nanos at);
    void receive_modify_char(std::uint8_t byte, Nanos at);
    void receive_load_char(std::uint8_t byte, Nanos at);
    // The SCI's one-character buffer while nobody reads it.
    void receive_unread(Nanos at);
    void end_load(Nanos at);
    void report_load(Nanos at);
    void receive_while_running(std::uint8_t byte, bool framing_error, Nanos at);
    void echo(std::uint8_t byte, LineCollector::Fed fed, Nanos at);
    void load_line(const std::string& line, bool overflowed, Nanos at);
    void show_prompt(Nanos at);
    void print(std::string_view text, Nanos at) { host_.monitor_output(text, at); }
    void print_line(std::string_view text, Nanos at);

    // The commands (monitor_commands.cpp).
    // `typed` as typed; a blank line runs the buffer again, if it holds a command.
    void run_command(const std::string& typed, Nanos at);
    void run_typed(const CommandLine& line, Nanos at);
    void memory_display(const CommandLine& line, Nanos at);
    void memory_modify(const CommandLine& line, Nanos at);
    void register_modify(const CommandLine& line, Nanos at);
    void breakpoints(const CommandLine& line, Nanos at);
    void go(const CommandLine& line, Nanos at);
    void proceed(const CommandLine& line, Nanos at);
    void trace(const CommandLine& line, Nanos at);
    void stop_at(const CommandLine& line, Nanos at);
    void load(const CommandLine& line, Nanos at);
    void error(std::string_view message, Nanos at);
    // Lets the program run from P: with the breakpoints in memory, or (tracing to `stop_at`)
    // without them.
    void let_run(Nanos at, std::optional<std::uint16_t> stop_at);
    // One traced instruction; false when the trace ended in a stop (reported) or the processor
    // halted.
    bool trace_one(bool print_instruction, Nanos at);
    // Back at the prompt once the program has returned to the monitor.
    void take_over_if_finished();
    // The program returned through `entry`; reports where it stopped.
    void report_stop(std::uint16_t entry, Nanos at);
    void print_registers(Nanos at);

    hc11::Board& processor_;
    MonitorHost& host_;
    MonitorSettings settings_;
    State state_ = State::kAwaitingReturn;
    LineCollector command_line_;
    LineCollector load_line_;
    LineCollector reset_watch_;
    bool last_was_cr_ = false;
    // What a bare CR runs again; empty at power-on and after a load.
    std::string previous_command_;
    Nanos reads_again_at_{0};
    bool sci_holds_character_ = false;
    unsigned characters_overrun_ = 0;
    unsigned load_line_number_ = 0;
    std::size_t load_refused_bytes_ = 0;
    LoadSummary load_;
    BreakpointTable breakpoints_;
    std::unique_ptr<ModifyPrompt> modify_;
    RunningProgram* program_ = nullptr;
};

}  // namespace boardsim
