#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "status/status_texts.h"

namespace halvane {
namespace {

using fakes::Harness;
using namespace std::string_literals;

constexpr const char* kProgram = "S10524000102D3\r\nS9030000FC\r\n";
constexpr const char* kDone = "done: 1 data records, 0 bad\r\n>";

// The board's monitor as the download sees it: it says `after_load` a while after the end
// record's line, and `during_load` when the first record's line ends.
struct ScriptedMonitor {
    explicit ScriptedMonitor(Harness& h) : h_(h), board_(h.serial.on_write) {
        h_.serial.on_write = [this](std::string_view text) {
            if (board_) board_(text);
            for (const char c : text) heard(c);
        };
    }
    void heard(char c) {
        if (c != '\r' && c != '\n') {
            line_ += c;
            return;
        }
        if (line_.starts_with("S1") && !during_load.empty()) h_.serial.arrive(during_load);
        if (line_.find("S9") != std::string::npos && !after_load.empty())
            h_.clock.after_ms(pause_ms, [this] { h_.serial.arrive(after_load); });
        line_.clear();
    }
    Harness& h_;
    std::function<void(std::string_view)> board_;  // whoever listened before
    std::string line_;
    std::string during_load;
    std::string after_load = kDone;
    std::int64_t pause_ms = 1000;
};

class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override { h.load(); }
    std::string file(const std::string& name, const std::string& content) {
        fakes::write_bytes(folder.file(name), content);
        return folder.file(name);
    }
    // File > Open on `path`, the reset box acknowledged, then everything the board does.
    void open_program(const std::string& path) {
        start_ms = h.clock.now_ms();
        h.dialog.answers.push_back(path);
        h.session->download().open_program();
        h.clock.run();
    }
    // The tick at which `text` was written (the last such write), from File > Open.
    std::int64_t tick_of(const std::string& text) const {
        for (std::size_t i = h.serial.writes.size(); i-- > 0;)
            if (h.serial.writes[i] == text) return h.serial.write_ticks[i] - start_ms;
        return -1;
    }
    std::int64_t start_ms = 0;
    fakes::TempFolder folder;
    Harness h;
    ScriptedMonitor monitor{h};
};

TEST_F(DownloadTest, TheDialogueIsExactAndTheLastStepsWaitForTheMonitorsPrompt) {
    const std::string path = file("prog.s19", kProgram);
    open_program(path);
    EXPECT_EQ(h.serial.written(), "\rload t\r" + std::string(kProgram) + "\r\rgo 2400\r");
    EXPECT_EQ(h.serial.writes.size(), 2 + std::string(kProgram).size() + 2 + 1);
    EXPECT_EQ(h.progress.val, static_cast<float>(std::string(kProgram).size() + 20));
    EXPECT_TRUE(h.session->link().gate_open());
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_EQ(h.serial.write_ticks.front() - start_ms, 0);
    EXPECT_EQ(h.serial.write_ticks[1] - start_ms, 1);
    // The file at tick 2; the monitor prompts 1000 ms after its last line; the first CR goes
    // then, not after the 5-tick pause alone, and the rest keeps its 5-tick pauses.
    EXPECT_EQ(tick_of("go 2400\r"), 2 + 1000 + 5 + 5);
    EXPECT_EQ(h.clock.now_ms() - start_ms, 2 + 1000 + 5 + 5 + 5);
}

TEST_F(DownloadTest, TheProgramStatusIsTheFirstThatApplies) {
    struct Case {
        const char* name;
        const char* content;
        std::string during_load;
        std::string after_load;
        const char* status;
    };
    const Case cases[] = {
        {"confirmed", kProgram, "", kDone, "Status: Program Running"},
        {"error during the load", kProgram, "error: line 1: bad checksum\r\n", kDone,
         "Status: Download failed: the board reported: error: line 1: bad checksum"},
        {"error after the load", kProgram, "", "\r\nERROR: no end record\r\n>",
         "Status: Download failed: the board reported: ERROR: no end record"},
        {"two errors", kProgram, "error: line 1: bad checksum\r\n", "\r\nERROR: no end record\r\n>",
         "Status: Download failed: the board reported: error: line 1: bad checksum"},
        {"the NUL after each of the board's line ends", kProgram,
         "\0error: line 1: bad checksum\r\n\0"s, "done: 1 data records, 1 bad\r\n\0>"s,
         "Status: Download failed: the board reported: error: line 1: bad checksum"},
        {"no prompt", kProgram, "", "done: 1 data records, 0 bad\r\n",
         "Status: Program Running (the board did not confirm the load)"},
        {"silent and no records", "hello\r\n", "", "",
         "Status: Program Running (the board did not confirm the load)"},
        {"no records", "xS9030000FC\r\n", "", kDone,
         "Status: Program Running (warning: the file held no S1 or S9 record)"},
    };
    for (const Case& c : cases) {
        Harness w;
        w.load();
        ScriptedMonitor m(w);
        m.during_load = c.during_load;
        m.after_load = c.after_load;
        w.message_box.answers.push_back(true);  // a file that is not S-records goes anyway
        w.dialog.answers.push_back(file("p.s19", c.content));
        w.session->download().open_program();
        w.clock.run();
        EXPECT_EQ(w.status.value, c.status) << c.name;
        EXPECT_TRUE(w.session->link().gate_open()) << c.name;
        EXPECT_TRUE(w.serial.written().ends_with("\r\rgo 2400\r")) << c.name;
    }
}

TEST_F(DownloadTest, WithoutAPromptTheLastStepsGoAfterThreeSeconds) {
    monitor.after_load = "";
    open_program(file("prog.s19", kProgram));
    EXPECT_EQ(tick_of("go 2400\r"), 2 + 5 + 3000 + 5 + 5);
    EXPECT_EQ(h.status.value, "Status: Program Running (the board did not confirm the load)");
}

TEST_F(DownloadTest, AnEmptyFileStillRunsTheClosingSteps) {
    open_program(file("empty.s19", ""));
    EXPECT_EQ(h.serial.written(), "\rload t\r\r\rgo 2400\r");
    EXPECT_EQ(h.progress.val, 20.0f);
}

TEST_F(DownloadTest, TheQueueIsBoundedAndDrainedBeforeEveryPause) {
    const std::string content(100, 'S');
    // The line carries one character per tick.
    h.serial.on_write = [&](std::string_view text) { h.serial.pending_output += text.size(); };
    std::function<void()> line = [&] {
        if (h.serial.pending_output > 0) --h.serial.pending_output;
        EXPECT_LE(h.serial.pending_output, 16u + 8u);
        if (h.session->link().downloading()) h.clock.after_ms(1, line);
    };
    h.clock.after_ms(1, line);
    h.message_box.answers.push_back(true);  // one bad record
    open_program(file("big.s19", content));
    EXPECT_EQ(h.serial.pending_output, 0u);
    // Every character needs its tick on the line; the pauses and the wait come on top.
    EXPECT_GE(h.clock.now_ms(), static_cast<std::int64_t>(1 + 7 + 100 + 1 + 1 + 8 + 3000));
}

TEST_F(DownloadTest, OpenProgramRunsTheWholeRoadAndLoadsTheMap) {
    const std::string path = file("blink.s19", kProgram);
    file("blink.csv",
         "\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n"
         "\"2400\",\"counter\",\"\",\"WD\",\"\"\r\n");
    file("blink.lst", "listing text");
    open_program(path);
    EXPECT_EQ(h.message_box.shown,
              (std::vector<std::string>{"Turn on the CME11E9 and Press Reset"}));
    ASSERT_EQ(h.dialog.open_settings.size(), 1u);
    EXPECT_EQ(h.dialog.open_settings[0].filter, "68HC11 program files (*.s19)|*.s19");
    EXPECT_EQ(h.dialog.open_settings[0].default_extension, "s19");
    EXPECT_EQ(h.dialog.open_settings[0].initial_directory, "/tmp");
    EXPECT_FALSE(h.dialog.open_settings[0].file_name.has_value());
    EXPECT_EQ(h.status.history,
              (std::vector<std::string>{"Status: Awaiting Program File", "Status: Awaiting Program",
                                        "Status: Sending File File", "Status: Program Running"}));
    EXPECT_EQ(h.session->viewer().program_name(), folder.file("blink"));
    EXPECT_EQ(h.progress.max, 500000.0f);
    EXPECT_EQ(h.viewer.plain, "listing text");
    EXPECT_EQ(h.grid.text(1, 1), "counter");
    EXPECT_EQ(h.grid.text(1, 3), "WD");
    // A second download starts the progress again.
    open_program(path);
    EXPECT_EQ(h.progress.val, static_cast<float>(std::string(kProgram).size() + 20));
}

TEST_F(DownloadTest, CancellingTheDialogResetsTheStateAndSendsNothing) {
    h.start_program();
    ASSERT_GT(h.progress.val, 0.0f);
    h.session->download().open_program();
    EXPECT_EQ(h.status.value, "Status: Awaiting Program");
    EXPECT_EQ(h.progress.val, 0.0f);
    EXPECT_FALSE(h.session->link().gate_open());
    EXPECT_EQ(h.session->download().program_path(), "");
    EXPECT_TRUE(h.message_box.shown.empty());
    EXPECT_TRUE(h.serial.writes.empty());
}

TEST_F(DownloadTest, TheFileIsCheckedBeforeTheResetBoxAndNoEndsTheCommandAsACancelDoes) {
    const std::string bad_checksum = "S1052400010200\r\nS9030000FC\r\n";
    const std::string not_a_record = "S10524000102D3\r\n; built by hand\r\nS9030000FC\r\n";
    const std::string in_the_rom = "S10524000102D3\nS105E000010217\nS9030000FC\n";
    const std::string both = "S1052400010200\r\nS105E000010217\r\nS9030000FC\r\n";
    const std::string checksum_question =
        "The program file has 1 bad records (first: line 1, bad checksum). Download it anyway?";
    const std::string rom_question =
        "The program file puts 2 bytes where the board has no RAM (first at E000). Download it "
        "anyway?";
    const std::string reset(texts::kResetBoard);
    struct Case {
        const char* name;
        std::string content;
        std::vector<bool> answers;
        std::vector<std::string> shown;  // the questions and the reset box, in order
    };
    const Case cases[] = {
        {"clean", kProgram, {}, {reset}},
        {"bad checksum, No", bad_checksum, {false}, {checksum_question}},
        {"bad checksum, Yes", bad_checksum, {true}, {checksum_question, reset}},
        {"a line that is no record, No",
         not_a_record,
         {false},
         {"The program file has 1 bad records (first: line 2, not an S-record). Download it "
          "anyway?"}},
        {"data in the ROM, No", in_the_rom, {false}, {rom_question}},
        {"data in the ROM, Yes", in_the_rom, {true}, {rom_question, reset}},
        {"both, No to the first", both, {false}, {checksum_question}},
        {"both, Yes then No", both, {true, false}, {checksum_question, rom_question}},
        {"both, Yes twice", both, {true, true}, {checksum_question, rom_question, reset}},
        {"the file dialog cancelled", "", {}, {}},
    };
    file("p.c", "the new program's");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness w;
        w.load();
        // Before the first program the options show nothing.
        w.session->viewer().choose(Companion::kSource);
        EXPECT_EQ(w.viewer.loads, 0);
        w.start_program();
        const std::string running = w.session->viewer().program_name() + ".c";
        fakes::write_bytes(running, "the running program's");
        ScriptedMonitor m(w);
        w.message_box.answers.assign(c.answers.begin(), c.answers.end());
        const bool sent = !c.shown.empty() && c.shown.back() == reset;
        if (!c.shown.empty()) w.dialog.answers.push_back(file("p.s19", c.content));
        w.session->download().open_program();
        // While the new program is sent, or once File > Open ended without one, the options
        // show the files of the program that runs; the new one's once it runs.
        w.session->viewer().choose(Companion::kSource);
        EXPECT_EQ(w.viewer.plain, "the running program's");
        w.clock.run();
        w.session->viewer().choose(Companion::kSource);
        EXPECT_EQ(w.viewer.plain, sent ? "the new program's" : "the running program's");
        std::filesystem::remove(running);
        EXPECT_EQ(w.message_box.shown, c.shown);
        EXPECT_TRUE(w.message_box.answers.empty());
        if (sent) {
            // Sent byte for byte, whatever the check found.
            EXPECT_EQ(w.serial.written(), "\rload t\r" + c.content + "\r\rgo 2400\r");
            EXPECT_EQ(w.status.value, "Status: Program Running");
            EXPECT_TRUE(w.session->link().gate_open());
        } else {
            EXPECT_TRUE(w.serial.writes.empty());
            EXPECT_EQ(w.status.value, "Status: Awaiting Program");
            EXPECT_FALSE(w.session->link().gate_open());
            EXPECT_EQ(w.session->download().program_path(), "");
            EXPECT_FALSE(w.session->link().downloading());
        }
    }

    // Closing the window while a question is open ends the command, whatever the answer.
    h.message_box.answers.push_back(true);
    h.message_box.while_open = [&] { h.session->close(); };
    open_program(file("p.s19", bad_checksum));
    EXPECT_EQ(h.message_box.shown, (std::vector<std::string>{checksum_question}));
    EXPECT_TRUE(h.serial.writes.empty());
}

TEST_F(DownloadTest, FailuresBeforeTheGoCommandAreShownInTheStatusAndInABox) {
    // A file that cannot be read is not asked about: the reset box, then the failure.
    open_program(folder.file("nope.s19"));
    EXPECT_EQ(h.status.value.rfind("Status: Download failed: " + folder.file("nope.s19") + ": ", 0),
              0u)
        << h.status.value;
    ASSERT_EQ(h.message_box.shown.size(), 2u);
    EXPECT_NE(h.message_box.shown[1].find(folder.file("nope.s19")), std::string::npos);
    EXPECT_TRUE(h.serial.writes.empty());
    EXPECT_FALSE(h.session->link().gate_open());
    EXPECT_EQ(h.session->download().program_path(), folder.file("nope.s19"));

    const std::string path = file("p.s19", std::string(50, 'x'));
    h.message_box.answers.push_back(true);
    h.clock.after_ms(1, [&] { h.serial.fail("Input/output error"); });
    open_program(path);
    EXPECT_EQ(h.status.value, "Status: Download failed: Input/output error");
    EXPECT_FALSE(h.session->link().gate_open());
}

TEST_F(DownloadTest, AMissingListingDoesNotKeepTheMapFromLoading) {
    const std::string path = file("nolist.s19", kProgram);
    file("nolist.csv", "\"A\",\"B\",\"C\",\"D\",\"E\"\r\n\"0040\",\"x\",\"\",\"\",\"\"\r\n");
    open_program(path);
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_EQ(h.grid.text(1, 0), "0040");
    EXPECT_EQ(h.grid.text(0, 0), "A");
}

TEST_F(DownloadTest, ClosingOrCancellingWhileTheDownloadWaitsForTheMonitorEndsIt) {
    const std::string path = file("p.s19", kProgram);
    h.clock.at_ms(500, [&] { h.session->close(); });
    open_program(path);
    EXPECT_FALSE(h.session->link().gate_open());
    EXPECT_EQ(h.status.value, "Status: Sending File File");
    EXPECT_FALSE(h.serial.written().ends_with("go 2400\r"));
    EXPECT_EQ(h.clock.armed_alarms(), 0);

    Harness w;
    w.load();
    ScriptedMonitor m(w);
    bool running_seen = false;
    const Subscription told = w.session->download().running_changed.subscribe(
        [&](bool running) { running_seen = running_seen || running; });
    w.clock.at_ms(500, [&] {
        // Characters the PC still holds for the line: none of them may reach the monitor.
        w.serial.pending_output = 12;
        w.session->download().cancel();
    });
    w.dialog.answers.push_back(path);
    w.session->download().open_program();
    w.clock.run();
    EXPECT_TRUE(running_seen);
    EXPECT_FALSE(w.session->link().downloading());
    EXPECT_EQ(w.status.value,
              "Status: Download cancelled: press Reset on the board before the next download");
    EXPECT_EQ(w.serial.written(), "\rload t\r" + std::string(kProgram));
    EXPECT_EQ(w.serial.discarded, 12u);
    EXPECT_FALSE(w.session->link().gate_open());
}

TEST_F(DownloadTest, TheBoardsErrorBoxLeavesTheLinkWorkingWhileItIsOpen) {
    monitor.during_load = "error: line 1: bad checksum\r\n";
    std::optional<fakes::ScriptedBoard> board;
    std::string read_while_open;
    h.message_box.while_open = [&] {
        if (!h.message_box.shown.back().starts_with("The download failed")) return;
        board.emplace(h);
        board->memory[0x2400] = 0x5A;
        h.grid.set_text(1, 0, "2400");
        h.grid.set_row(1);
        h.grid.set_col(0);
        h.session->cells().read_or_write_cell();
        h.clock.run_for(50);
        read_while_open = h.grid.text(1, 2);
    };
    open_program(file("p.s19", kProgram));
    EXPECT_EQ(h.message_box.shown.back(),
              "The download failed: the board reported: error: line 1: bad checksum");
    EXPECT_EQ(read_while_open, "5A");
}

TEST_F(DownloadTest, TheDownloadOwnsTheLine) {
    const std::string path = file("p.s19", kProgram);
    h.grid.set_text(1, 0, "2400");
    h.clock.at_ms(3, [&] {
        h.session->cells().read_or_write_cell();
        h.session->cells().get_all();
        h.dialog.answers.push_back(path);
        h.session->download().open_program();  // a second File > Open
    });
    open_program(path);
    EXPECT_EQ(h.serial.written().find('*'), std::string::npos);
    EXPECT_EQ(h.dialog.open_settings.size(), 1u);
    EXPECT_EQ(std::count(h.status.history.begin(), h.status.history.end(),
                         "Status: Busy, wait for the board"),
              1);  // shown once, held while the refusals repeat it
    EXPECT_EQ(h.status.value, "Status: Program Running");
}

TEST_F(DownloadTest, FileOpenDuringMemoryTrafficLetsTheRowInFlightFinishAndDropsTheRest) {
    h.start_program();
    fakes::ScriptedBoard board(h);
    board.reply_delay_ticks = 20;
    board.memory[0x2400] = 0x12;
    board.memory[0x2401] = 0x34;
    for (int r = 1; r <= 9; ++r) h.grid.set_text(r, 0, "240" + std::to_string(r - 1));
    h.grid.set_text(1, 3, "W");
    h.session->cells().get_all();
    h.clock.run_for(3);
    // The user's own read and write wait behind the row in flight; File > Open drops them too.
    h.grid.set_row(2);
    h.grid.set_col(0);
    h.session->cells().read_or_write_cell();
    h.input_box.answers.push_back("55");
    h.grid.set_row(3);
    h.grid.set_col(2);
    h.session->cells().read_or_write_cell();
    const std::string path = file("p.s19", kProgram);
    ScriptedMonitor m(h);
    h.dialog.answers.push_back(path);
    h.session->download().open_program();
    h.clock.run();
    const std::string wire = h.serial.written();
    // Row 1 (a word) finishes, then the download; no other row is read.
    EXPECT_EQ(wire.substr(0, 10), "*2400*2401");
    EXPECT_EQ(wire.substr(10, 8), "\rload t\r");
    EXPECT_EQ(h.grid.text(1, 2), "1234");
    EXPECT_EQ(h.grid.text(2, 2), "");
    EXPECT_EQ(board.writes, 0);
    EXPECT_TRUE(h.session->link().gate_open());
}

}  // namespace
}  // namespace halvane
