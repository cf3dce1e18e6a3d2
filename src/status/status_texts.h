#pragma once

#include <string_view>

namespace halvane::texts {

// Texts the window shows, exactly as users see them.
inline constexpr std::string_view kCaption = "CME11E9 Halvane";

// The program status: where the program on the board stands.
inline constexpr std::string_view kAwaitingProgramFile = "Status: Awaiting Program File";
inline constexpr std::string_view kAwaitingProgram = "Status: Awaiting Program";
inline constexpr std::string_view kSendingFile = "Status: Sending File File";
inline constexpr std::string_view kProgramRunning = "Status: Program Running";
inline constexpr std::string_view kNotConfirmed =
    "Status: Program Running (the board did not confirm the load)";
inline constexpr std::string_view kNoRecords =
    "Status: Program Running (warning: the file held no S1 or S9 record)";
inline constexpr std::string_view kDownloadFailed = "Status: Download failed: ";
inline constexpr std::string_view kBoardReported = "the board reported: ";
inline constexpr std::string_view kDownloadCancelled =
    "Status: Download cancelled: press Reset on the board before the next download";
// What the board does when no program is known to run.
inline constexpr std::string_view kAtMonitor = "Status: At the monitor";
// Followed by P and, where the program's ELF file names it, the nearest symbol:
// "Status: Stopped at 2424 (main_loop+9)".
inline constexpr std::string_view kStoppedAt = "Status: Stopped at ";
inline constexpr std::string_view kBoardSilent =
    "Status: The board does not answer: neither its monitor nor a program's responder (press "
    "Reset on the board)";

// What went wrong with an operation.
inline constexpr std::string_view kStatusPrefix = "Status: ";
inline constexpr std::string_view kBusy = "Status: Busy, wait for the board";
inline constexpr std::string_view kPortClosed = "The serial port is closed";
inline constexpr std::string_view kNoReplyAt = "Status: No reply from board at ";
inline constexpr std::string_view kReplyFailedCheck = " (reply failed its check)";
inline constexpr std::string_view kBlockReadsGivenUp =
    "Status: No reply to block reads: reading byte by byte";
inline constexpr std::string_view kInvalidAddressInRow = "Status: Invalid address in row ";
inline constexpr std::string_view kInvalidValueForRow = "Status: Invalid value for row ";
inline constexpr std::string_view kMonitorSilent = "Status: No answer from the monitor";
inline constexpr std::string_view kConsoleRefused =
    "Status: Not sent: the program runs, and its responder takes * # % = as the start of a "
    "request";

// Why a breakpoint was not set (or Run to Line not done).
inline constexpr std::string_view kBreakpointTableFull =
    "Status: At most four breakpoints: the monitor's table is full";
inline constexpr std::string_view kNoBreakpointInResponder =
    "Status: No breakpoint in the responder: its interrupt handler runs with interrupts masked";
inline constexpr std::string_view kNoCodeOnLine = "Status: No code on this line";
// Followed by why the listing's lines have no addresses.
inline constexpr std::string_view kNoBreakpointByLine = "Status: No breakpoint by line: ";
inline constexpr std::string_view kNoProgramOpened = "no program has been opened";
// Followed by "2425 is inside the one at 2424".
inline constexpr std::string_view kNoBreakpointInsideInstruction =
    "Status: No breakpoint inside an instruction: ";
// Followed by "count is a variable, not code".
inline constexpr std::string_view kNoBreakpointOnData = "Status: No breakpoint on data: ";
// Followed by "FOO is neither an address nor a symbol of the program".
inline constexpr std::string_view kNoBreakpointThere = "Status: No breakpoint: ";
inline constexpr std::string_view kRunToLineTableFull =
    "Status: No Run to Line: four breakpoints are set and the monitor's table is full";

// Pause, Continue, Step and the registers.
inline constexpr std::string_view kPauseNotAnswered =
    "Status: The program's responder does not pause it: it does not know %%";
// Followed by what was refused ("no Pause", "no breakpoint changed while it runs").
inline constexpr std::string_view kResponderCannotPause =
    "Status: The program's responder does not pause it (%%): ";
inline constexpr std::string_view kNotRunning = "Status: No program runs";
inline constexpr std::string_view kNotStopped = "Status: The program is not stopped";
inline constexpr std::string_view kBreakpointsLeftSet =
    "Status: The breakpoints stay set in the program: its responder does not pause it (%%)";
inline constexpr std::string_view kRegisterNotChanged =
    "Status: The register was not changed: the monitor did not answer";

// Questions and prompts.
inline constexpr std::string_view kResetBoard = "Turn on the CME11E9 and Press Reset";
inline constexpr std::string_view kNewValuePrompt = "New Value";

}  // namespace halvane::texts
