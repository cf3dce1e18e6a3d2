// The program's breakpoints (set and cleared by listing line, address or symbol, kept with their
// program, moved by a rebuild, Run to Line's temporary one), Board > Breakpoints..., and the
// rules of a stop: the program's own bytes under armed breakpoints, Continue's command and the
// stop's place by the program's symbols.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "debug/armed_reads.h"
#include "debug/breakpoint_list.h"
#include "debug/breakpoints_command.h"
#include "debug/continue_step.h"
#include "debug/debug_session.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "scripted_board.h"
#include "status/status_texts.h"
#include "symbols/code_place.h"
#include "symbols/program_lines.h"
#include "text/hex_digits.h"

namespace halvane {
namespace {

using Refusal = BreakpointList::Refusal;
using Program = std::shared_ptr<const DebugProgram>;

const std::string kExamples = HALVANE_EXAMPLES_DIR;

// The example: its listing line 30 is `lds` at 2406, 39 `tst run` at main_loop (241B), 41 at
// 2420, 43 `addd` at 2424, 44 at 2427; 146 is the responder's first instruction, 38 the label
// main_loop alone and 20 the variable count.
Program counter() {
    static const Program program =
        std::make_shared<DebugProgram>(read_debug_program(kExamples + "/counter"));
    return program;
}

Program without_lines() {
    auto program = std::make_shared<DebugProgram>(*counter());
    program->map =
        map_program_listing(fakes::read_bytes(kExamples + "/counter.lst"),
                            std::string(HALVANE_TEST_ELF_DIR) + "/counter_without_lines.elf");
    return program;
}

// A program known by its listing of addresses alone; `code` is the listing's third line.
Program blink(std::string_view third_line) {
    auto program = std::make_shared<DebugProgram>();
    program->name = "/p/blink";
    program->map = map_program_listing(
        "  1 2400 8E 01 FF    start  lds #$01FF\n"
        "  2 2403 86 01       loop   ldaa #1\n" +
            std::string(third_line) + "\n",
        "");
    return program;
}
const Program kBlink = blink("  3 2405 20 FC              bra loop");
// Rebuilt: line 3's instruction moved one byte on; and one where line 3 lost its code.
const Program kBlinkMoved = blink("  3 2406 20 FB              bra loop");
const Program kBlinkWithoutLine3 = blink("  3                         ; gone");

std::string text(std::string_view start, std::string_view rest = {}) {
    return std::string(start) + std::string(rest);
}

// Runs the steps of `script`, one a word, and returns the refusal of the last: "t43" toggles
// listing line 43, "r30" runs to line 30, "s" is a stop, "a..." adds an address or symbol, and
// "u" uses a program: uC the example, uN the example without line information, uB blink, uM
// blink rebuilt, uG blink without line 3's code.
Refusal run(BreakpointList& list, std::string_view script) {
    const std::map<char, Program> programs = {{'C', counter()},
                                              {'N', without_lines()},
                                              {'B', kBlink},
                                              {'M', kBlinkMoved},
                                              {'G', kBlinkWithoutLine3}};
    Refusal refusal;
    std::istringstream words{std::string(script)};
    for (std::string word; words >> word;) {
        const std::string rest = word.substr(1);
        refusal.reset();
        switch (word[0]) {
            case 't':
                refusal = list.toggle_line(std::stoi(rest));
                break;
            case 'r':
                refusal = list.run_to_line(std::stoi(rest));
                break;
            case 's':
                list.program_stopped();
                break;
            case 'a':
                refusal = list.add(rest);
                break;
            case 'u':
                list.use_program(std::make_shared<DebugProgram>(*programs.at(rest[0])));
                break;
            default:
                ADD_FAILURE() << "no step " << word;
        }
    }
    return refusal;
}

// The table and the marked lines: "2424 2406 | 43".
std::string state(const BreakpointList& list) {
    std::string shown;
    for (const std::uint16_t address : list.table()) shown += hex_text(address, 4) + " ";
    shown += "|";
    for (const int line : list.marked_lines()) shown += " " + std::to_string(line);
    return shown;
}

struct Case {
    const char* what;
    const char* steps;         // on a new list, before any program
    const char* state;         // as state() shows it
    int changes;               // told through the list's signal, after the first program
    std::string refusal = {};  // of the last step
};

TEST(DebugBreakpoints, TheListSetsClearsKeepsAndRefusesBreakpoints) {
    const std::string full(texts::kBreakpointTableFull);
    const std::string no_code(texts::kNoCodeOnLine);
    const std::string responder(texts::kNoBreakpointInResponder);
    const std::vector<Case> cases = {
        {"a line of code", "uC t43", "2424 | 43", 1},
        {"toggled again", "uC t43 t43", "|", 2},
        {"a fifth", "uC t30 t39 t41 t43 t44", "2406 241B 2420 2424 | 30 39 41 43", 4, full},
        {"a line of the responder", "uC t146", "|", 0, responder},
        {"a label alone", "uC t38", "|", 0, no_code},
        {"a variable's line", "uC t20", "|", 0, no_code},
        {"before any program", "t43", "|", 0,
         text(texts::kNoBreakpointByLine, texts::kNoProgramOpened)},
        {"by address, where a line starts", "uC a2424", "2424 | 43", 1},
        {"by address, cleared by its line", "uC a2424 t43", "|", 2},
        {"by symbol", "uC amain_loop", "241B | 39", 1},
        {"by a data symbol", "uC acount", "|", 0,
         text(texts::kNoBreakpointOnData, "count is a variable, not code")},
        {"inside an instruction", "uC a2425", "|", 0,
         text(texts::kNoBreakpointInsideInstruction, "2425 is inside the one at 2424")},
        {"by an address in the responder", "uC a242C", "|", 0, responder},
        {"by neither", "uC anowhere", "|", 0,
         text(texts::kNoBreakpointThere,
              "nowhere is neither an address nor a symbol of the program")},
        {"without line information, by line", "uN t43", "|", 0,
         text(texts::kNoBreakpointByLine,
              "the program has no line information: assemble it with --gdwarf2")},
        {"without line information, by address", "uN a2424", "2424 |", 1},
        {"by address before any program, kept for the first", "a2424 uC", "2424 | 43", 2},
        {"kept across a download of the same program", "uC t43 uC", "2424 | 43", 1},
        {"kept for their program while another runs", "uC t43 uB t3 uC", "2424 | 43", 4},
        {"moved by a rebuild", "uB t3 uM", "2406 | 3", 2},
        {"gone with its line's code", "uB t3 uG", "|", 2},
        {"run to a line", "uC t43 r30", "2424 2406 | 43", 2},
        {"the temporary one goes at the stop", "uC r30 s", "|", 2},
        {"run to a breakpoint's line", "uC t43 r43 s", "2424 | 43", 1},
        {"run to a line with four set", "uC t30 t39 t41 t43 r44",
         "2406 241B 2420 2424 | 30 39 41 43", 4, text(texts::kRunToLineTableFull)},
        {"a fourth while the temporary one holds the fourth place", "uC t30 t39 t41 r43 t44",
         "2406 241B 2420 2424 | 30 39 41", 4, full},
        {"the temporary one becomes a breakpoint", "uC r43 t43 s", "2424 | 43", 2},
        {"the temporary one outlives a breakpoint on its line", "uC r43 t43 t43", "2424 |", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BreakpointList list;
        int changes = 0;
        const Subscription told = list.changed.subscribe([&changes] { ++changes; });
        const Refusal refusal = run(list, c.steps);
        EXPECT_EQ(state(list), c.state);
        EXPECT_EQ(refusal.value_or(""), c.refusal);
        EXPECT_EQ(changes, c.changes);
    }
}

TEST(DebugBreakpoints, TheMonitorsTableIsWrittenWholeAndTheDialogListsAndChangesIt) {
    BreakpointList list;
    EXPECT_EQ(list.table_commands(), std::vector<std::string>{"br -\r"});
    list.use_program(counter());
    EXPECT_EQ(counter()->source_name, "counter.s");

    fakes::FakeBreakpointEditor editor;
    std::vector<std::vector<BreakpointRow>> seen;
    std::vector<std::string> refusals;
    editor.user = [&](BreakpointRequests& requests) {
        for (const char* typed : {"addd_here", "main_loop", "2426", "2427", "FFFF"})
            refusals.push_back(requests.add(typed));
        seen.push_back(requests.rows());
        requests.remove(0);
        requests.remove(7);  // past the last row: nothing
        seen.push_back(requests.rows());
    };
    edit_breakpoints(list, editor);
    EXPECT_EQ(editor.showings, 1);
    EXPECT_EQ(refusals,
              (std::vector<std::string>{
                  text(texts::kNoBreakpointThere,
                       "addd_here is neither an address nor a symbol of the program"),
                  "", text(texts::kNoBreakpointInsideInstruction, "2426 is inside the one at 2424"),
                  "", ""}));
    // FFFF is no line of the listing: the monitor's ROM is the user's call.
    ASSERT_EQ(seen.size(), std::size_t{2});
    EXPECT_EQ(seen[0], (std::vector<BreakpointRow>{{"counter.s:39", "241B", "main_loop"},
                                                   {"counter.s:44", "2427", "main_loop+C"},
                                                   {"FFFF", "FFFF", ""}}));
    EXPECT_EQ(seen[1], std::vector<BreakpointRow>(seen[0].begin() + 1, seen[0].end()));
    EXPECT_EQ(list.table_commands(), (std::vector<std::string>{"br -\r", "br 2427 FFFF\r"}));

    // Without line information a breakpoint is known by its address.
    BreakpointList bare;
    bare.use_program(without_lines());
    ASSERT_EQ(bare.add("2424"), std::nullopt);
    EXPECT_EQ(breakpoint_rows(bare), (std::vector<BreakpointRow>{{"2424", "2424", "main_loop+9"}}));
}

// The program's own bytes under the monitor's SWIs, and Continue's choice, on the example's
// bytes: 2424 is `addd` (F3), 2406 `lds` (8E); 2400 is patched to an SWI of the program's own.
TEST(DebugBreakpoints, AStopShowsTheProgramsOwnBytesAndContinuesPastItsBreakpoint) {
    std::vector<SRecord> records = *read_data_records(kExamples + "/counter.s19");
    records.push_back({SRecord::Kind::kData, 0x2400, {kSwiOpcode}});
    records.push_back({SRecord::Kind::kData, 0xFFFF, {0x01, 0x02}});  // wraps to 0000
    const ProgramImage program(records);
    EXPECT_EQ(program.byte_at(0x2424), 0xF3);
    EXPECT_EQ(program.byte_at(0x0000), 0x02);
    EXPECT_EQ(program.byte_at(0x3000), std::nullopt);
    EXPECT_TRUE(ProgramImage().empty());

    struct Read {
        const char* what;
        std::uint16_t first;
        std::vector<std::uint8_t> read, shown;
    };
    const std::vector<std::uint16_t> armed = {0x2424, 0x2406, 0x3000, 0xFFFF};
    const std::vector<Read> reads = {
        {"an armed SWI", 0x2423, {0x4F, 0x3F, 0x00}, {0x4F, 0xF3, 0x00}},
        {"two of them", 0x2406, {0x3F, 0x01, 0xFF}, {0x8E, 0x01, 0xFF}},
        {"a breakpoint taken out at a stop", 0x2424, {0xF3}, {0xF3}},
        {"a byte changed since the download", 0x2406, {0x86}, {0x86}},
        {"no breakpoint there", 0x2420, {0x3F, 0x3F}, {0x3F, 0x3F}},
        {"where the program has no byte", 0x3000, {0x3F}, {0x3F}},
        {"across the top of memory", 0xFFFE, {0x00, 0x3F, 0x3F}, {0x00, 0x01, 0x3F}},
        {"empty", 0x2424, {}, {}},
    };
    for (Read r : reads) {
        SCOPED_TRACE(r.what);
        show_own_bytes(r.first, r.read, armed, program);
        EXPECT_EQ(r.read, r.shown);
    }

    using Kind = ContinueStep::Kind;
    const std::vector<std::uint16_t> table = {0x2424};
    EXPECT_EQ(continue_step(0x2424, table, program), (ContinueStep{Kind::kProceed, 0x2424}));
    EXPECT_EQ(continue_step(0x2400, table, program), (ContinueStep{Kind::kGoFromNext, 0x2400}));
    EXPECT_EQ(continue_step(0x2406, table, program), (ContinueStep{Kind::kGo, 0x2406}));
    EXPECT_EQ(continue_step(0x2424, {}, program), (ContinueStep{Kind::kGo, 0x2424}));
    EXPECT_EQ((ContinueStep{Kind::kProceed, 0x2424}).command(), "p\r");
    EXPECT_EQ((ContinueStep{Kind::kGoFromNext, 0x2400}).command(), "g 2401\r");
    EXPECT_EQ((ContinueStep{Kind::kGo, 0x2406}).command(), "g\r");
}

TEST(DebugBreakpoints, AStopIsPlacedByTheNearestSymbolThatReachesIt) {
    const std::vector<ProgramSymbol>& symbols = counter()->symbols;
    EXPECT_EQ(code_place(symbols, 0x2424), "main_loop+9");
    EXPECT_EQ(code_place(symbols, 0x241B), "main_loop");
    EXPECT_EQ(code_place(symbols, 0x2403), "count+1");
    EXPECT_EQ(code_place(symbols, 0x0100), "");  // below every symbol
    EXPECT_EQ(code_place(symbols, 0xE000), "");  // the monitor's ROM
    EXPECT_EQ(code_place({}, 0x2424), "");
}

// The debugging session against a scripted monitor: the table in the download and after each
// change, Continue, Step, Run to Line, Pause and a register's change from each state.
class DebugSessionTest : public ::testing::Test {
  protected:
    DebugSessionTest() {
        h.session->link().set_state_checks(true);
        board.at_monitor = true;
        h.load();
        h.clock.run();
    }
    DebugSession& debug() { return h.session->debug(); }
    BoardState state() const { return h.session->link().board_state(); }
    std::string status() const { return h.session->status().shown(); }
    // Downloads `base_name`.s19 at the monitor and runs until the program has started.
    void download(const std::string& base_name = kExamples + "/counter") {
        board.at_monitor = true;
        h.dialog.answers.push_back(base_name + ".s19");
        h.session->download().open_program();
        h.clock.run();
    }
    // The monitor commands run since the last call.
    std::vector<std::string> commands() { return std::exchange(board.commands, {}); }
    void stop_at(std::uint16_t pc) {
        board.stop_at(pc);
        h.clock.run();
    }
    fakes::Harness h;
    fakes::ScriptedBoard board{h};
};

using Commands = std::vector<std::string>;

TEST_F(DebugSessionTest, TheTableGoesBeforeGoOnceUsedAndContinueStepAndChangesAtAStop) {
    download();
    // Nobody used breakpoints: the download is as it always was.
    EXPECT_EQ(commands(), (Commands{"load t", "", "", "go 2400"}));
    EXPECT_EQ(state(), BoardState::kRunning);

    stop_at(0x2424);
    EXPECT_EQ(status(), "Status: Stopped at 2424 (main_loop+9)");
    ASSERT_TRUE(debug().registers());
    EXPECT_EQ(debug().stop_line(), 43);
    debug().toggle_line(43);
    h.clock.run();
    EXPECT_EQ(commands(), (Commands{"br -", "br 2424"}));
    EXPECT_EQ(debug().breakpoints().marked_lines(), std::vector<int>{43});

    // Step: one trace, the mark follows.
    debug().step();
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"t"});
    EXPECT_EQ(debug().registers()->pc, 0x2427);
    EXPECT_EQ(debug().stop_line(), 44);
    EXPECT_EQ(status(), "Status: Stopped at 2427 (main_loop+C)");

    // Continue off a line without a breakpoint: g; off the breakpoint: p.
    debug().continue_program();
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"g"});
    EXPECT_EQ(state(), BoardState::kRunning);
    EXPECT_FALSE(debug().registers());
    stop_at(0x2424);
    debug().continue_program();
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"p"});

    // A fifth breakpoint, and Run to Line with four set, are refused; the table holds four.
    stop_at(0x2424);
    for (const int line : {30, 39, 41}) debug().toggle_line(line);
    h.clock.run();
    EXPECT_EQ(board.breakpoints, (std::vector<std::uint16_t>{0x2424, 0x2406, 0x241B, 0x2420}));
    commands();
    debug().toggle_line(44);
    EXPECT_EQ(status(), texts::kBreakpointTableFull);
    debug().run_to_line(44);
    EXPECT_EQ(status(), texts::kRunToLineTableFull);
    h.clock.run();
    EXPECT_EQ(commands(), Commands{});

    // A register changed through rm; Continue and Step while running are refused.
    debug().change_register(Register::kX, 0x1234);
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"rm x"});
    EXPECT_EQ(board.registers.x, 0x1234);
    EXPECT_EQ(debug().registers()->x, 0x1234);

    // The breakpoints stay with the program across its next download, written before go.
    download();
    EXPECT_EQ(commands(),
              (Commands{"load t", "", "", "br -", "br 2424 2406 241B 2420", "go 2400"}));
    debug().step();
    EXPECT_EQ(status(), texts::kNotStopped);
    debug().continue_program();
    EXPECT_EQ(status(), texts::kNotStopped);
}

TEST_F(DebugSessionTest, WhileRunningAChangePausesWritesTheTableAndGoesOnAndRunToLineStopsOnce) {
    board.answers_pause = true;
    download();
    commands();
    h.serial.writes.clear();
    debug().toggle_line(43);
    h.clock.run();
    EXPECT_EQ(h.serial.written().substr(0, 2), "%%");
    EXPECT_EQ(commands(), (Commands{"br -", "br 2424", "g"}));
    EXPECT_EQ(state(), BoardState::kRunning);
    EXPECT_EQ(board.breakpoints, std::vector<std::uint16_t>{0x2424});

    // While it runs, a read of an armed breakpoint shows the program's own byte (addd), not SWI.
    board.at_monitor = false;
    board.memory[0x2424] = kSwiOpcode;
    h.grid.set_text(10, 0, "2424");
    h.grid.set_row(10);
    h.grid.set_col(0);
    h.session->cells().read_or_write_cell();
    h.clock.run();
    EXPECT_EQ(h.grid.text(10, 2), "F3");

    // Run to Line on a running program: pause, the temporary breakpoint in, on.
    debug().run_to_line(44);
    h.clock.run();
    EXPECT_EQ(commands(), (Commands{"br -", "br 2424 2427", "g"}));
    // It stops there: the temporary breakpoint goes.
    stop_at(0x2427);
    EXPECT_EQ(commands(), (Commands{"br -", "br 2424"}));
    EXPECT_EQ(status(), "Status: Stopped at 2427 (main_loop+C)");
    debug().continue_program();
    h.clock.run();
    commands();

    // Pause, then Continue from where the responder handed the program over.
    debug().pause();
    h.clock.run();
    EXPECT_EQ(state(), BoardState::kStopped);
    EXPECT_EQ(debug().registers()->pc, board.pause_pc);
    debug().continue_program();
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"g"});

    // A change whose pause meets the program stopping at a breakpoint first leaves it there.
    debug().toggle_line(39);
    board.stop_at(0x2424);
    h.clock.run();
    EXPECT_EQ(state(), BoardState::kStopped);
    EXPECT_EQ(status(), "Status: Stopped at 2424 (main_loop+9)");
    EXPECT_EQ(commands(), (Commands{"br -", "br 2424 241B"}));
    debug().continue_program();
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"p"});

    // Leaving the board takes the breakpoints out and lets the program go on.
    bool left = false;
    ASSERT_TRUE(debug().leaves_breakpoints());
    debug().leave_board([&] { left = true; });
    h.clock.run();
    EXPECT_TRUE(left);
    EXPECT_EQ(commands(), (Commands{"br -", "g"}));
    EXPECT_TRUE(board.breakpoints.empty());
    EXPECT_EQ(state(), BoardState::kRunning);
}

TEST_F(DebugSessionTest, AnotherPortOpensOnlyOnceTheBreakpointsAreOutOfTheRunningProgram) {
    board.answers_pause = true;
    download();
    debug().toggle_line(43);
    h.clock.run();
    commands();
    const std::size_t opened = h.serial.opened_paths.size();
    h.port_picker.answers.push_back("/dev/ttyUSB1");
    h.session->port().choose_port();
    EXPECT_EQ(h.serial.opened_paths.size(), opened);  // the pause goes first
    h.clock.run();
    EXPECT_EQ(commands(), (Commands{"br -", "g"}));
    EXPECT_TRUE(board.breakpoints.empty());
    ASSERT_EQ(h.serial.opened_paths.size(), opened + 1);
    EXPECT_EQ(h.serial.opened_paths.back(), "/dev/ttyUSB1");
    EXPECT_FALSE(debug().leaves_breakpoints());
}

TEST_F(DebugSessionTest, AResponderThatDoesNotPauseRefusesChangesWhileRunningButNotBeforeGo) {
    download();
    commands();
    h.serial.writes.clear();
    debug().toggle_line(43);
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "%%");
    EXPECT_EQ(h.session->status().shown(), texts::kPauseNotAnswered);
    // Taken back: the board's table never had it.
    EXPECT_TRUE(debug().breakpoints().breakpoints().empty());
    EXPECT_EQ(commands(), Commands{});

    h.serial.writes.clear();
    debug().toggle_line(43);
    debug().pause();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_EQ(status(), std::string(texts::kResponderCannotPause) + "no Pause");
    EXPECT_EQ(state(), BoardState::kRunning);

    // At a stop it works, and the next download writes it before go.
    stop_at(0x241B);
    debug().toggle_line(43);
    h.clock.run();
    EXPECT_EQ(commands(), (Commands{"br -", "br 2424"}));
    download();
    EXPECT_EQ(commands(), (Commands{"load t", "", "", "br -", "br 2424", "go 2400"}));
}

TEST_F(DebugSessionTest, TheProgramsOwnSwiGoesOnAfterItAndAProgramWithoutLinesTakesAddresses) {
    fakes::TempFolder folder;
    const std::string base = folder.file("swi");
    fakes::write_bytes(base + ".s19", "S10424003F98\r\nS9030000FC\r\n");
    download(base);
    commands();
    stop_at(0x2400);
    EXPECT_EQ(status(), "Status: Stopped at 2400");
    debug().continue_program();
    h.clock.run();
    EXPECT_EQ(commands(), Commands{"g 2401"});

    stop_at(0x2400);
    debug().toggle_line(1);
    EXPECT_TRUE(status().starts_with(texts::kNoBreakpointByLine)) << status();
    debug().add("2410");
    h.clock.run();
    EXPECT_EQ(commands(), (Commands{"br -", "br 2410"}));
}

}  // namespace
}  // namespace halvane
