#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "debug/breakpoint_list.h"
#include "debug/debug_program.h"
#include "debug/register_names.h"
#include "link/board_link.h"
#include "link/monitor_command.h"
#include "link/monitor_dialogue.h"
#include "link/pause_job.h"
#include "notify/signal.h"
#include "platform/breakpoint_editor.h"
#include "platform/clock.h"
#include "status/status_line.h"

namespace halvane {

// Debugging on the board through its monitor: the breakpoints of the program in use, and the
// program's stops, with the commands that act on them (Toggle Breakpoint, Continue, Step, Run to
// Line, Pause, a register's change).
//
// The monitor's breakpoint table follows the list: it is written in the download (before the
// program starts), and again whenever the list changes while the monitor listens. A change while
// the program runs pauses it through its responder ("%%"), writes the table and lets it go on at
// once. A responder that does not know "%%" is remembered for the rest of the program run: Pause
// and the changes that need it are refused then, with a status text that says why.
class DebugSession {
  public:
    DebugSession(BoardLink& link, StatusLine& status, Clock& clock);
    DebugSession(const DebugSession&) = delete;
    DebugSession& operator=(const DebugSession&) = delete;

    // The program `base_name` is about to be downloaded: its breakpoints come back. The monitor
    // commands that write the table before the program starts; none while nobody has used
    // breakpoints in this board session, so that the download goes as it always did.
    std::vector<std::string> program_downloading(const std::string& base_name);
    // What the link found the board doing (wired by the session before the status is shown).
    void board_state_changed(BoardState state);
    // The port changed: what the old board's monitor held is nobody's business any more.
    void port_changed();

    // The commands. A refused one says why in the status line.
    void toggle_line(int listing_line);
    void add(std::string_view symbol_or_address);
    void remove(std::uint16_t address);
    void continue_program();
    void step();
    void run_to_line(int listing_line);
    void pause();
    void change_register(Register reg, unsigned value);
    // Board > Breakpoints...
    void edit_breakpoints(BreakpointEditor& editor);

    // Whether breakpoints sit in a program that runs or is stopped, so that leaving the board
    // (the window closing, another port) must take them out first.
    bool leaves_breakpoints() const;
    // Takes the breakpoints out before the board is left: a running program is paused, the
    // table cleared (`br -`) and the program let go on; `done` is told once that has gone, or
    // could not (the status says why).
    void leave_board(std::function<void()> done);

    const BreakpointList& breakpoints() const { return list_; }
    const DebugProgram* program() const { return list_.program(); }
    // The addresses the monitor's table holds, as far as this session has written it.
    const std::vector<std::uint16_t>& armed() const { return armed_; }
    bool stopped() const { return link_.board_state() == BoardState::kStopped; }
    // The registers of the stopped program; none while it runs.
    const std::optional<monitor::Registers>& registers() const { return registers_; }
    // The listing line of P while stopped.
    std::optional<int> stop_line() const;
    // "Status: Stopped at 2424 (main_loop+9)".
    std::string stop_status(std::uint16_t pc) const;
    // A read of memory while the program runs: the monitor's SWI at an armed breakpoint shows as
    // the program's own byte.
    void show_own_bytes(std::uint16_t first, std::span<std::uint8_t> read) const;

    // The breakpoints, the stop or the registers changed.
    Signal<> changed;

  private:
    void list_changed();
    void write_table();
    void queue_command(std::string typed, MonitorCommandJob::Done done = {});
    void begin_pause(bool go_on);
    void pause_ended(PauseJob::Outcome outcome);
    void go_on_after_stop();
    // Whether a stop at `pc` is the program's own: an armed breakpoint or an SWI of its own.
    bool stopped_on_its_own(std::uint16_t pc) const;
    bool refused_while_running(std::string_view what);
    void refuse(std::string text);
    void board_left();
    void registers_learnt(const std::optional<monitor::Registers>& registers);

    BoardLink& link_;
    StatusLine& status_;
    BreakpointList list_;
    Subscription list_subscription_;
    std::vector<std::uint16_t> armed_;  // the table as last written to the monitor
    std::optional<monitor::Registers> registers_;
    bool table_written_ = false;     // in this board session: downloads then write it too
    bool table_due_ = false;         // the list changed since the table was written
    bool quiet_ = false;             // a change made here, which needs no writing
    bool pausing_ = false;           // a pause waits for the stop
    bool go_on_ = false;             // and the program goes on once the table is written
    bool pause_unanswered_ = false;  // the responder of this program run does not know "%%"
    std::function<void()> undo_;     // takes back the change a pause was for
    std::function<void()> left_;     // leave_board's `done`, once the program went on
    std::unique_ptr<Alarm> left_alarm_;
    Clock& clock_;
};

}  // namespace halvane
