// The board link as the window drives it: the receive gate and buffer, the queue's order,
// how jobs end when the port fails or the window closes, block reads and the line's rate.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "link/line_speed.h"
#include "status/status_texts.h"

namespace halvane {
namespace {

using fakes::FakeSerial;
using fakes::Harness;
using fakes::ScriptedBoard;

class BoardLinkTest : public ::testing::Test {
  protected:
    void SetUp() override { h.load(); }
    // A program runs: the gate is open, as after a download.
    void program_running() {
        fakes::write_bytes(program, "S9030000FC\r\n");
        h.serial.on_write = [this](std::string_view text) {
            if (text == "\n") h.serial.arrive("done\r\n>");
        };
        h.dialog.answers.push_back(program);
        h.session->download().open_program();
        h.clock.run();
        ASSERT_TRUE(h.session->link().gate_open());
        h.serial.writes.clear();
        h.serial.write_ticks.clear();
        h.serial.on_write = nullptr;
    }
    void row(int r, const std::string& address, const std::string& flag) {
        h.grid.set_text(r, 0, address);
        h.grid.set_text(r, 3, flag);
    }
    void double_click(int r, int c) {
        h.grid.set_row(r);
        h.grid.set_col(c);
        h.session->cells().read_or_write_cell();
    }
    fakes::TempFolder folder;
    std::string program = folder.file("p.s19");
    Harness h;
};

TEST_F(BoardLinkTest, NoAlarmIsArmedWhileNothingWaitsAndOneIsWhileAJobRuns) {
    EXPECT_EQ(h.clock.armed_alarms(), 0);
    program_running();
    EXPECT_EQ(h.clock.armed_alarms(), 0);
    ScriptedBoard board(h);
    row(1, "2400", "W");
    double_click(1, 0);
    EXPECT_EQ(h.clock.armed_alarms(), 1);
    h.clock.run();
    EXPECT_EQ(h.clock.armed_alarms(), 0);
    // An hour of idling wakes nothing.
    const int firings = h.clock.alarm_firings;
    h.clock.run_for(3'600'000);
    EXPECT_EQ(h.clock.alarm_firings, firings);
}

TEST_F(BoardLinkTest, TheGateDecidesWhatReachesTheReceiveBuffer) {
    h.serial.arrive("monitor echo\r\n>");
    EXPECT_EQ(h.text1.value, "");
    program_running();
    h.serial.arrive("Ready!");
    h.serial.arrive("\r\nmore");
    EXPECT_EQ(h.text1.value, "Ready!\r\nmore");
    // Only the newest characters are kept.
    h.serial.arrive(std::string(ReceiveLog::kLimit, 'a') + "XYZW");
    ASSERT_EQ(h.text1.value.size(), ReceiveLog::kLimit);
    EXPECT_EQ(h.text1.value.substr(h.text1.value.size() - 4), "XYZW");
}

TEST_F(BoardLinkTest, ADoubleClickDuringGetAllIsServedAfterTheRowInFlightAndLandsInItsRow) {
    program_running();
    ScriptedBoard board(h);
    for (int r = 1; r <= 20; ++r) {
        char address[5];
        std::snprintf(address, sizeof address, "%04X", 0x3000 + r * 0x10);
        row(r, address, "W");
        board.memory[0x3000 + r * 0x10] = static_cast<unsigned char>(r);
    }
    row(40, "2405", "D");
    board.memory[0x2405] = 0x77;
    h.session->cells().get_all();
    // Somewhere in the middle of row 1's low byte.
    h.clock.run_until([&] { return h.serial.written().size() >= 8; });
    double_click(40, 0);
    h.session->cells().get_all();  // a second Get All changes nothing
    h.clock.run();
    const std::string wire = h.serial.written();
    // Row 1 whole (both bytes), then row 40, then row 2 on.
    EXPECT_EQ(wire.substr(0, 20), "*3010*3011*2405*3020");
    EXPECT_EQ(h.grid.text(40, 2), "77");
    EXPECT_EQ(h.grid.text(40, 4), "119");
    EXPECT_EQ(h.grid.text(1, 2), "0100");
    EXPECT_EQ(h.grid.text(20, 2), "1400");
    EXPECT_EQ(board.reads, 20 * 2 + 1 + 1);  // row 40 is also one of Get All's
    EXPECT_EQ(h.grid.row(), 99);
}

TEST_F(BoardLinkTest, APortErrorInTheMiddleOfTheQueueEndsEveryJobAndShowsTheError) {
    program_running();
    ScriptedBoard board(h);
    for (int r = 1; r <= 5; ++r) row(r, "300" + std::to_string(r), "");
    h.grid.set_text(3, 2, "old");
    h.session->cells().get_all();
    double_click(5, 0);
    h.clock.run_until([&] { return h.serial.written().size() >= 12; });
    h.serial.fail("The serial device was disconnected");
    const std::size_t sent = h.serial.written().size();
    h.clock.run();
    EXPECT_EQ(h.serial.written().size(), sent);
    EXPECT_EQ(h.status.value, "Status: The serial device was disconnected");
    EXPECT_EQ(h.grid.text(3, 2), "old");
    EXPECT_TRUE(h.session->link().idle());
    EXPECT_EQ(h.clock.armed_alarms(), 0);
}

TEST(BoardLinkClosing, ClosingTheWindowDuringAnyJobEndsItAndSendsNothingMore) {
    fakes::TempFolder folder;
    const std::string program = folder.file("big.s19");
    fakes::write_bytes(program, std::string(4000, '0'));
    using Start = std::function<void(Harness&)>;
    const auto click = [](Harness& h, int col) {
        h.grid.set_row(1);
        h.grid.set_col(col);
        h.session->cells().read_or_write_cell();
    };
    const std::pair<const char*, Start> cases[] = {
        {"read", [&](Harness& h) { click(h, 0); }},
        {"write",
         [&](Harness& h) {
             h.input_box.answers.push_back("1234");
             click(h, 2);
         }},
        {"get all", [](Harness& h) { h.session->cells().get_all(); }},
        {"download",
         [&](Harness& h) {
             h.serial.pending_output = 100;          // the line is slow: the file waits in the PC
             h.message_box.answers.push_back(true);  // it holds no records: send it anyway
             h.dialog.answers.push_back(program);
             h.session->download().open_program();
         }},
    };
    for (const auto& [name, start] : cases) {
        Harness h;
        h.load();
        for (int r = 1; r <= 9; ++r) {
            h.grid.set_text(r, 0, "300" + std::to_string(r));
            h.grid.set_text(r, 3, "W");
        }
        start(h);
        h.clock.run_for(3);
        ASSERT_FALSE(h.serial.writes.empty()) << name;
        const std::string sent = h.serial.written();
        const std::vector<std::string> cells = {h.grid.text(1, 2), h.grid.text(2, 2)};
        h.session->close();
        h.clock.run();
        EXPECT_EQ(h.serial.written(), sent) << name;
        EXPECT_FALSE(h.serial.is_open()) << name;
        EXPECT_EQ(h.clock.armed_alarms(), 0) << name;
        EXPECT_EQ(h.grid.text(1, 2), cells[0]) << name;
        EXPECT_EQ(h.grid.text(2, 2), cells[1]) << name;
        EXPECT_FALSE(h.session->link().gate_open()) << name;
    }
}

// Block reads: the probe of each program run, its outcomes and the user's setting. A damaged
// answer goes again, up to three times.
TEST_F(BoardLinkTest, OneProbePerProgramRunDecidesBetweenBlockAndByteReads) {
    struct Case {
        const char* name;
        bool answers_blocks;
        const char* confused_reply;  // what a responder that knows no blocks answers to "#"
        int spoilt = 0;              // block replies with a wrong check, then
        int unended = 0;             // block replies whose "@" arrives as "A"
        bool allowed = true;
        const char* wire;   // two reads of the word at 2400
        std::string shown;  // the receive log: the last reply, never the probe's
    };
    const std::string block_reply =
        wire::block_reply_text(0x2400, std::vector<std::uint8_t>{0x12, 0x34});
    const Case cases[] = {
        {"answered", true, "", 0, 0, true, "#240001#240002#240002", block_reply},
        {"silent", false, "", 0, 0, true, "#240001*2400*2401*2400*2401", "!34@"},
        {"byte reply", false, "!12@", 0, 0, true, "#240001*2400*2401*2400*2401", "!34@"},
        {"turned off", true, "", 0, 0, false, "*2400*2401*2400*2401", "!34@"},
        {"a wrong check, then right", true, "", 1, 0, true, "#240001#240001#240002#240002",
         block_reply},
        {"no end in time, then right", true, "", 0, 1, true, "#240001#240001#240002#240002",
         block_reply},
        {"damaged four times", true, "", 2, 2, true,
         "#240001#240001#240001#240001*2400*2401*2400*2401", "!34@"},
    };
    for (const Case& c : cases) {
        Harness w;
        w.session->link().set_block_reads_allowed(c.allowed);
        w.load();
        w.start_program();
        ScriptedBoard board(w);
        board.answers_blocks = c.answers_blocks;
        board.block_reply_override = c.confused_reply;
        board.spoilt_blocks = c.spoilt;
        board.unended_blocks = c.unended;
        board.memory[0x2400] = 0x12;
        board.memory[0x2401] = 0x34;
        w.grid.set_text(1, 0, "2400");
        w.grid.set_text(1, 3, "W");
        for (int i = 0; i < 2; ++i) {
            w.session->cells().read_or_write_cell();
            w.clock.run();
            EXPECT_EQ(w.grid.text(1, 2), "1234") << c.name;
        }
        EXPECT_EQ(w.serial.written(), c.wire) << c.name;
        EXPECT_EQ(w.text1.value, c.shown) << c.name;
    }

    // Silence keeps byte reads; a new program run asks again, and turning block reads off
    // reads byte by byte at once.
    program_running();
    ScriptedBoard board(h);
    h.session->link().set_block_reads_allowed(true);
    row(1, "2400", "");
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "#240001*2400");
    program_running();
    ScriptedBoard again(h);
    again.answers_blocks = true;
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "#240001#240001");
    h.session->link().set_block_reads_allowed(false);
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "#240001#240001*2400");
}

// A failed block goes once more; failed twice, its rows fail without a value, and three block
// requests in a row without reply bring back byte reads.
TEST_F(BoardLinkTest, AFailedBlockIsSentOnceMoreAndSilenceBringsBackByteReads) {
    h.session->link().set_block_reads_allowed(true);
    program_running();
    ScriptedBoard board(h);
    board.answers_blocks = true;
    board.memory[0x2402] = 0x56;
    row(1, "2402", "D");
    double_click(1, 0);
    h.clock.run();
    board.spoilt_blocks = 1;
    board.memory[0x2402] = 0x57;
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "#240001#240201#240201#240201");
    EXPECT_EQ(h.grid.text(1, 2), "57");

    board.spoilt_blocks = 2;
    board.memory[0x2402] = 0x58;
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.grid.text(1, 2), "57");  // the value read before stays; no spoilt one shows
    EXPECT_EQ(h.status.value, "Status: No reply from board at 2402 (reply failed its check)");

    h.serial.writes.clear();
    board.unanswered_blocks = 3;
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.status.value, "Status: No reply from board at 2402");
    double_click(1, 0);
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "#240201#240201#240201*2402");
    EXPECT_EQ(h.grid.text(1, 2), "58");
    EXPECT_EQ(h.status.history.end()[-2], "Status: No reply to block reads: reading byte by byte");
    EXPECT_FALSE(h.session->link().block_reads());
}

// What the link knows of the board: the check at start, a stop, the monitor's way of reading.

class BoardStateTest : public ::testing::Test {
  protected:
    BoardStateTest() { h.session->link().set_state_checks(true); }
    std::string status() const { return h.session->status().program_status(); }
    BoardState state() const { return h.session->link().board_state(); }
    void start() {
        h.load();
        h.clock.run();
        h.serial.writes.clear();
    }
    Harness h;
    ScriptedBoard board{h};
};

TEST_F(BoardStateTest, AtStartCtrlXFindsTheMonitorAndNothingElseIsSent) {
    board.at_monitor = true;
    start();
    EXPECT_EQ(state(), BoardState::kAtMonitor);
    EXPECT_EQ(status(), texts::kAtMonitor);
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_EQ(h.clock.armed_alarms(), 0);
}

TEST_F(BoardStateTest, TheCheckAsksCtrlXThenTheResponderThenOneCrAndSaysWhenNothingAnswers) {
    board.silent = true;
    h.load();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "\x18*2400\r");
    EXPECT_EQ(state(), BoardState::kUnknown);
    EXPECT_EQ(status(), texts::kBoardSilent);
    // Never again while idle.
    const int firings = h.clock.alarm_firings;
    h.clock.run_for(600'000);
    EXPECT_EQ(h.clock.alarm_firings, firings);
}

TEST_F(BoardStateTest, AResponderAnswerMeansRunningAndAPromptAfterCrMeansTheMonitorWaited) {
    start();
    EXPECT_EQ(state(), BoardState::kRunning);
    EXPECT_EQ(status(), texts::kProgramRunning);

    Harness after_reset;
    after_reset.session->link().set_state_checks(true);
    after_reset.serial.on_write = [&](std::string_view text) {
        if (text == "\r")
            after_reset.clock.after_ms(2, [&] { after_reset.serial.arrive("\r\n>"); });
    };
    after_reset.load();
    after_reset.clock.run();
    EXPECT_EQ(after_reset.session->link().board_state(), BoardState::kAtMonitor);
}

TEST_F(BoardStateTest, AStopCancelsTheReadInFlightAndTheNextReadGoesThroughTheMonitorAfterCtrlX) {
    start();
    h.grid.set_text(1, 0, "2402");
    board.memory[0x2402] = 0x2A;
    board.reply_delay_ticks = 50;
    h.grid.set_row(1);
    h.grid.set_col(0);
    h.session->cells().read_or_write_cell();
    h.clock.run_for(8);  // the request is out; its reply is not
    board.reply_delay_ticks = 1;
    board.stop_at(0x2424);
    h.clock.run();
    EXPECT_EQ(state(), BoardState::kStopped);
    EXPECT_EQ(status(), std::string(texts::kStoppedAt) + "2424");
    // Cancelled: no failure mark, no "no reply" text.
    EXPECT_EQ(h.grid.text(1, 2), "");
    EXPECT_EQ(h.session->status().shown(), status());

    board.reply_delay_ticks = 1;
    h.serial.writes.clear();
    h.session->cells().read_or_write_cell();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "\x18md 2402 2402\r");
    EXPECT_EQ(h.grid.text(1, 2), "2A");
    EXPECT_EQ(h.text1.value.find('\0'), std::string::npos);
    EXPECT_NE(h.text1.value.find("2400 00 00 2A"), std::string::npos);
}

TEST_F(BoardStateTest, ADownloadAtAWaitingPromptBeginsWithCtrlXInsteadOfAnEmptyLine) {
    board.at_monitor = true;
    start();
    fakes::TempFolder folder;
    const std::string program = folder.file("p.s19");
    fakes::write_bytes(program, "S9030000FC\r\n");
    h.dialog.answers.push_back(program);
    h.session->download().open_program();
    h.clock.run_for(3);
    ASSERT_FALSE(h.serial.writes.empty());
    EXPECT_EQ(h.serial.writes.front(), "\x18");
}

TEST_F(BoardStateTest, TheConsoleSendsToTheMonitorRefusesRequestStartsToAProgramAndRecalls) {
    board.at_monitor = true;
    start();
    BoardConsole& console = h.session->console();
    EXPECT_FALSE(console.enter(""));
    EXPECT_TRUE(console.enter("md 2400"));
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "md 2400\r");
    EXPECT_NE(h.text1.value.find("2400 00"), std::string::npos);
    EXPECT_EQ(h.text1.value.find('\0'), std::string::npos);

    EXPECT_TRUE(console.enter("g 2400"));
    h.clock.run();
    EXPECT_EQ(state(), BoardState::kRunning);
    h.serial.writes.clear();
    EXPECT_FALSE(console.enter("*2400"));
    EXPECT_EQ(h.session->status().shown(), texts::kConsoleRefused);
    EXPECT_TRUE(console.enter("hello"));
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "hello\r");

    EXPECT_EQ(console.recall_older(), "hello");
    EXPECT_EQ(console.recall_older(), "*2400");
    EXPECT_EQ(console.recall_newer(), "hello");
    EXPECT_EQ(console.recall_newer(), "");
    EXPECT_EQ(console.recall_newer(), std::nullopt);
}

TEST_F(BoardStateTest, GetAllAtTheMonitorJoinsAdjacentLinesAndReadsRegistersAloneWithMm) {
    board.at_monitor = true;
    start();
    board.memory[0x2400] = 0x12;
    board.memory[0x2410] = 0x34;
    board.memory[0x2411] = 0x56;
    board.memory[0x102E] = 0xC0;
    board.memory[0x3000] = 0x77;
    h.grid.set_text(1, 0, "2400");
    h.grid.set_text(2, 0, "2410");
    h.grid.set_text(2, 3, "W");
    h.grid.set_text(3, 0, "102E");
    h.grid.set_text(4, 0, "3000");
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(board.commands,
              (std::vector<std::string>{"md 2400 2411", "mm 102E", "md 3000 3000"}));
    EXPECT_EQ(h.grid.text(1, 2), "12");
    EXPECT_EQ(h.grid.text(2, 2), "3456");
    EXPECT_EQ(h.grid.text(3, 2), "C0");
    EXPECT_EQ(h.grid.text(4, 2), "77");

    // A write types the value at mm's sub-prompt, then reads back.
    h.input_box.answers.push_back("9ABC");
    h.grid.set_row(2);
    h.grid.set_col(2);
    board.commands.clear();
    h.session->cells().read_or_write_cell();
    h.clock.run();
    EXPECT_EQ(board.commands, (std::vector<std::string>{"mm 2410", "mm 2411", "md 2410 2411"}));
    EXPECT_EQ(h.grid.text(2, 2), "9ABC");
}

TEST_F(BoardStateTest, LiveRefreshPausesAtTheMonitorAndGoesOnWhenTheProgramRuns) {
    board.at_monitor = true;
    start();
    h.grid.set_text(1, 0, "2400");
    h.session->watch().set_live_refresh(true);
    h.clock.run_for(2000);
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_EQ(h.clock.armed_alarms(), 0);
    h.session->console().enter("g 2400");
    h.clock.run_for(1000);
    EXPECT_GT(board.reads, 0);
    h.session->watch().set_live_refresh(false);
}

// The line's rate: the agreement on the fast line and each way it can end, a damaged speed reply
// sent again, the way back with "=30", and the fall back after a missing reply while fast. Both
// ends run at one rate after each. "~" stands for a NUL on the wire.
TEST(LineSpeedAgreement, TheLineIsFastOnlyOnceAgreedAndCheckedAndElseBackAt9600) {
    enum class Then { kNothing, kGoBack, kReplyMissing };
    struct Case {
        const char* name;
        bool answers_speed;
        int damaged_replies;
        int spoilt_checks;
        bool refuses_fast;
        Then then;
        std::string wire;
        std::vector<long> rates;  // the port's, as set
        bool fast;
    };
    const Case cases[] = {
        {"answered and checked", true, 0, 0, false, Then::kNothing, "=01#240001", {62500}, true},
        {"no answer", false, 0, 0, false, Then::kNothing, "=01~", {9600}, false},
        {"the port refuses the rate", true, 0, 0, true, Then::kNothing, "=01~", {9600}, false},
        {"a wrong check", true, 0, 1, false, Then::kNothing, "=01#240001~", {62500, 9600}, false},
        {"a damaged first reply, a good second",
         true,
         1,
         0,
         false,
         Then::kNothing,
         "=01~=01#240001",
         {9600, 62500},
         true},
        {"damaged four times",
         true,
         4,
         0,
         false,
         Then::kNothing,
         "=01~=01~=01~=01~",
         {9600, 9600, 9600, 9600},
         false},
        {"=30 going back", true, 0, 0, false, Then::kGoBack, "=01#240001=30", {62500, 9600}, false},
        {"a missing reply while fast",
         true,
         0,
         0,
         false,
         Then::kReplyMissing,
         "=01#240001~",
         {62500, 9600},
         false},
    };
    for (const Case& c : cases) {
        fakes::FakeClock clock;
        fakes::FakeSerial serial;
        serial.clock = &clock;
        serial.open();
        if (c.refuses_fast) serial.refused_rates.insert(62500);
        BoardLink link{serial, clock};
        link.set_block_reads_allowed(false);
        link.set_gate(true);
        ScriptedBoard board(clock, serial);
        board.answers_blocks = true;
        board.answers_speed = c.answers_speed;
        board.damaged_speed_replies = c.damaged_replies;
        board.spoilt_blocks = c.spoilt_checks;
        LineSpeed speed;
        for (int asked = 0; speed.due() && asked < 10; ++asked) {
            link.queue_user_job(speed.make_request());
            clock.run();
        }
        if (c.then == Then::kGoBack) link.queue_user_job(speed.make_return());
        if (c.then == Then::kReplyMissing) {
            speed.reply_failed();
            EXPECT_TRUE(speed.fall_back_due()) << c.name;
            link.queue_user_job(speed.make_fall_back());
        }
        clock.run();
        std::string wire = c.wire;
        std::replace(wire.begin(), wire.end(), '~', '\0');
        EXPECT_EQ(serial.written(), wire) << c.name;
        EXPECT_EQ(serial.rates, c.rates) << c.name;
        EXPECT_EQ(speed.fast(), c.fast) << c.name;
        EXPECT_EQ(serial.rate(), c.fast ? 62500 : 9600) << c.name;
        EXPECT_EQ(board.rate, serial.rate()) << c.name;
        EXPECT_FALSE(speed.due() || speed.fall_back_due()) << c.name;
        EXPECT_EQ(link.received().text(), "") << c.name;  // no reply of these reaches the log
        if (!c.fast) continue;
        // The speed request goes a tick a character, the check a character time (160 us).
        const std::size_t n = serial.write_ns.size();
        for (std::size_t i = n - 6; i < n; ++i)
            EXPECT_EQ(serial.write_ns[i] - serial.write_ns[i - 1], 160'000) << c.name;
        EXPECT_EQ(serial.write_ns[n - 8] - serial.write_ns[n - 9], kTickNs) << c.name;
    }
}

// The fast line as the link runs it: the agreement once block reads work, before the next memory
// job, and each way it ends; then what brings the line back to 9600 while it is fast. "~" stands
// for a NUL on the wire; the NUL the first open sends is not shown, a new port's is.
TEST(FastLineOfTheLink, TheLinkAgreesOnceBlockReadsWorkAndFallsBackBeforeAnythingElse) {
    using Then = std::function<void(Harness&, ScriptedBoard&)>;
    const auto read_again = [](Harness& w, ScriptedBoard&) {
        w.session->cells().read_or_write_cell();
        w.clock.run();
    };
    struct Case {
        const char* name;
        std::function<void(ScriptedBoard&, FakeSerial&)> set_up;
        bool allowed;
        Then then;
        std::string wire;         // after the program started: the probe, the agreement, reads
        std::vector<long> rates;  // the port's, as set
        bool fast;                // at the end
    };
    const Then nothing = [](Harness&, ScriptedBoard&) {};
    const Case cases[] = {
        {"answered and checked",
         [](ScriptedBoard&, FakeSerial&) {},
         true,
         read_again,
         "#240001=01#240001#240002#240002",
         {62500},
         true},
        {"no answer",
         [](ScriptedBoard& b, FakeSerial&) { b.answers_speed = false; },
         true,
         read_again,
         "#240001=01~#240002#240002",
         {9600},
         false},
        {"the port refuses the rate",
         [](ScriptedBoard&, FakeSerial& s) { s.refused_rates.insert(62500); },
         true,
         nothing,
         "#240001=01~#240002",
         {9600},
         false},
        {"a wrong check",
         [](ScriptedBoard& b, FakeSerial& s) {
             // The check's reply, not the probe's, fails.
             s.on_write = [&b, heard = s.on_write](std::string_view text) {
                 if (text == "=") b.spoilt_blocks = 1;
                 heard(text);
             };
         },
         true,
         nothing,
         "#240001=01#240001~#240002",
         {62500, 9600},
         false},
        {"a damaged first reply and a good second",
         [](ScriptedBoard& b, FakeSerial&) { b.damaged_speed_replies = 1; },
         true,
         nothing,
         "#240001=01~=01#240001#240002",
         {9600, 62500},
         true},
        {"the setting off",
         [](ScriptedBoard&, FakeSerial&) {},
         false,
         read_again,
         "#240001#240002#240002",
         {},
         false},
        {"a missing reply while fast",
         [](ScriptedBoard&, FakeSerial&) {},
         true,
         [&](Harness& w, ScriptedBoard& b) {
             b.unanswered_blocks = 2;
             read_again(w, b);
             EXPECT_EQ(w.grid.text(1, 2), "1234");  // the value read before stays
             b.memory[0x2401] = 0x35;
             read_again(w, b);
             EXPECT_EQ(w.grid.text(1, 2), "1235");
         },
         "#240001=01#240001#240002#240002#240002~#240002",
         {62500, 9600},
         false},
        {"a close while fast",
         [](ScriptedBoard&, FakeSerial&) {},
         true,
         [](Harness& w, ScriptedBoard&) {
             w.session->close();
             w.clock.run();
         },
         "#240001=01#240001#240002=30",
         {62500},
         false},
        {"a stop while fast",
         [](ScriptedBoard&, FakeSerial&) {},
         true,
         [&](Harness& w, ScriptedBoard& b) {
             // The monitor talks at the rate the program left: a read goes through it there.
             b.stop_at(0x2424);
             w.clock.run();
             EXPECT_EQ(w.session->link().board_state(), BoardState::kStopped);
             read_again(w, b);
         },
         "#240001=01#240001#240002\x18md 2400 2401\r",
         {62500},
         true},
        {"a port switch while fast",
         [](ScriptedBoard&, FakeSerial&) {},
         true,
         [](Harness& w, ScriptedBoard&) {
             w.port_picker.listed = {{"/dev/ttyUSB0", ""}};
             w.port_picker.answers.push_back("/dev/ttyUSB0");
             w.session->port().choose_port();
             w.clock.run();
         },
         "#240001=01#240001#240002=30~",
         {62500, 9600},
         false},
        {"a Reset seen while fast",
         [](ScriptedBoard&, FakeSerial&) {},
         true,
         [&](Harness& w, ScriptedBoard& b) {
             // The monitor's banner at 9600 reaches a port at 62 500 as NULs.
             b.at_monitor = true;
             b.rate = 9600;
             w.session->link().set_state_checks(true);
             w.serial.arrive(std::string(12, '\0'));
             read_again(w, b);
             EXPECT_EQ(w.session->link().board_state(), BoardState::kAtMonitor);
             EXPECT_EQ(w.grid.text(1, 2), "1234");
         },
         "#240001=01#240001#240002~\x18md 2400 2401\r",
         {62500, 9600},
         false},
    };
    for (const Case& c : cases) {
        Harness w;
        w.session->link().set_block_reads_allowed(true);
        w.session->link().set_fast_line_allowed(c.allowed);
        w.load();
        w.start_program();
        ScriptedBoard board(w);
        board.answers_blocks = true;
        board.answers_speed = true;
        board.memory[0x2400] = 0x12;
        board.memory[0x2401] = 0x34;
        c.set_up(board, w.serial);
        w.serial.rates.clear();
        w.grid.set_text(1, 0, "2400");
        w.grid.set_text(1, 3, "W");
        w.grid.set_row(1);
        w.grid.set_col(0);
        w.session->cells().read_or_write_cell();
        w.clock.run();
        EXPECT_EQ(w.grid.text(1, 2), "1234") << c.name;
        c.then(w, board);
        w.clock.run();
        std::string wire = c.wire;
        std::replace(wire.begin(), wire.end(), '~', '\0');
        EXPECT_EQ(w.serial.written(), wire) << c.name;
        EXPECT_EQ(w.serial.rates, c.rates) << c.name;
        EXPECT_EQ(w.session->link().line_fast(), c.fast) << c.name;
        if (w.serial.is_open()) {
            EXPECT_EQ(board.rate, w.serial.rate()) << c.name;
        }
        EXPECT_EQ(w.text1.value.find("=01"), std::string::npos) << c.name;
    }
}

}  // namespace
}  // namespace halvane
