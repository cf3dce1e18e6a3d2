// The memory watch against the simulated board over a pseudo-terminal, through the real
// Qt event loop, tick timer and serial port.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <string>

#include "e2e/board_process.h"
#include "e2e/link_harness.h"
#include "link/board_state.h"
#include "symbols/elf_symbols.h"

namespace halvane::e2e {
namespace {

const std::string kExample = std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19";

// tests/cpu/programs/busy_loop.s, assembled at build time: a main loop that works `pass_ms`
// per pass with the interrupt-driven or the polling responder; it counts its passes in the
// word at 2402 and keeps 5A in the byte at 2404.
std::string busy_program(const std::string& kind, int pass_ms) {
    return std::string(HC11_PROGRAM_DIR) + "/busy_" + kind + "_" + std::to_string(pass_ms) +
           "ms.s19";
}

// The example program's variables (see examples/counter.csv) and RAM it leaves alone.
constexpr const char* kCount = "2402";
constexpr const char* kStep = "2404";
constexpr const char* kRun = "2405";
constexpr unsigned kScratch = 0x3000;

std::string hex4(unsigned value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

class MemoryWatchE2E : public ::testing::Test {
  protected:
    // Starts the board with `options`, opens the port and downloads `program` (an .s19 file).
    void start(std::vector<std::string> options, const std::string& program = kExample) {
        board = std::make_unique<BoardProcess>(options);
        ASSERT_FALSE(board->device().empty()) << "boardsim did not start";
        link = std::make_unique<LinkHarness>(board->device());
        ASSERT_TRUE(link->session->start())
            << (link->message_box.shown.empty() ? "" : link->message_box.shown[0]);
        if (reset_box_open.count() > 0) {
            link->message_box.while_open = [this] { link->run_for(reset_box_open); };
        }
        link->download(program);
        ASSERT_TRUE(link->session->link().gate_open()) << link->status.value;
    }
    void row(int r, std::string address, std::string flag) {
        link->grid.set_text(r, 0, address);
        link->grid.set_text(r, 2, "");
        link->grid.set_text(r, 3, flag);
    }
    void double_click(int r, int c) {
        link->grid.set_row(r);
        link->grid.set_col(c);
        link->session->cells().read_or_write_cell();
        ASSERT_TRUE(link->settle());
    }
    void get_all() {
        link->session->cells().get_all();
        ASSERT_TRUE(link->settle());
    }
    // Writes `value` (hex) from the grid's value cell of row `r`.
    void write(int r, const std::string& value) {
        link->input_box.answers.push_back(value);
        double_click(r, 2);
    }
    // The decimal column of row `r` after reading it.
    int read_decimal(int r) {
        double_click(r, 0);
        const std::string text = link->grid.text(r, 4);
        EXPECT_FALSE(text.empty()) << link->status.value;
        return text.empty() ? -1 : std::stoi(text);
    }
    void TearDown() override {
        if (link) link->session->close();
        link.reset();
        board.reset();
    }
    std::unique_ptr<BoardProcess> board;
    std::unique_ptr<LinkHarness> link;
    // How long the user takes to press Reset and click OK on the reset box (none: at once).
    std::chrono::milliseconds reset_box_open{0};
};

TEST_F(MemoryWatchE2E, ByteAndWordAreWrittenAndReadBack) {
    start({});
    row(1, hex4(kScratch + 0x10), "D");
    write(1, "a5");
    EXPECT_EQ(link->grid.text(1, 2), "A5") << link->status.value;
    EXPECT_EQ(link->grid.text(1, 4), "165");

    row(2, hex4(kScratch + 0x12), "WD");
    write(2, "BEEF");
    EXPECT_EQ(link->grid.text(2, 2), "BEEF") << link->status.value;
    EXPECT_EQ(link->grid.text(2, 4), "48879");

    row(3, hex4(kScratch + 0x12), "");
    double_click(3, 0);
    EXPECT_EQ(link->grid.text(3, 2), "BE");
    EXPECT_EQ(link->status.value, "Status: Program Running");
}

TEST_F(MemoryWatchE2E, GetAllFillsAFullGridAndTheExampleMapWasLoaded) {
    start({});
    EXPECT_EQ(link->grid.text(1, 0), kCount);  // from counter.csv, loaded after the download
    for (int r = 1; r < 100; ++r) row(r, hex4(kScratch + static_cast<unsigned>(r)), "");
    // Write every tenth row (its row number) so there is something to read back.
    auto written = [](int r) {
        char value[3];
        std::snprintf(value, sizeof value, "%02X", r);
        return std::string(value);
    };
    for (int r = 1; r < 100; r += 10) write(r, written(r));
    get_all();
    EXPECT_EQ(link->status.value, "Status: Program Running");
    for (int r = 1; r < 100; ++r) {
        const std::string expected = (r - 1) % 10 == 0 ? written(r) : "00";
        EXPECT_EQ(link->grid.text(r, 2), expected) << "row " << r;
    }
    EXPECT_EQ(link->grid.row(), 99);
}

TEST_F(MemoryWatchE2E, OpeningTheExampleShowsItsListingAndAReopenRestartsIt) {
    start({});
    EXPECT_EQ(link->status.value, "Status: Program Running");
    EXPECT_NE(link->session->viewer().content().plain_text.find("responder"), std::string::npos);
    EXPECT_EQ(link->session->viewer().chosen(), Companion::kListing);
    EXPECT_EQ(link->session->viewer().program_name(),
              std::string(HALVANE_EXAMPLES_DIR) + "/counter");

    // A second File > Open while the program runs resets the board through its monitor, and
    // the program starts again from its downloaded image.
    row(1, kStep, "");
    write(1, "66");
    ASSERT_EQ(link->grid.text(1, 2), "66");
    link->download(kExample);
    EXPECT_EQ(link->status.value, "Status: Program Running");
    row(1, kStep, "");  // the reopen loaded the example's map into the grid again
    double_click(1, 0);
    EXPECT_EQ(link->grid.text(1, 2), "01") << link->status.value;  // the restarted program's step
}

// The whole road: File > Open downloads the example through each kind of monitor, waiting for
// its prompt after the load, and Get All then reads the running program's count moving.
TEST_F(MemoryWatchE2E, GetAllShowsTheProgramsCounterMovingBehindEveryMonitor) {
    struct Monitor {
        const char* name;
        std::vector<std::string> options;
    };
    const Monitor monitors[] = {
        {"the simulated monitor with its one-second pause after a load", {}},
        {"the simulated monitor without the pause", {"--fast-load"}},
        {"the test monitor ROM", {"--rom", HALVANE_TEST_ROM}},
    };
    // The board has just been switched on: its monitor's banner takes some 60 ms, and a ROM
    // that is still printing it loses what arrives meanwhile. A user sees the banner first.
    reset_box_open = std::chrono::milliseconds(500);
    for (const Monitor& monitor : monitors) {
        SCOPED_TRACE(monitor.name);
        start(monitor.options);
        if (HasFatalFailure()) return;
        // Nothing but the reset box was shown: the example passes the file check.
        EXPECT_EQ(link->message_box.shown,
                  (std::vector<std::string>{"Turn on the CME11E9 and Press Reset"}));
        EXPECT_EQ(link->status.value, "Status: Program Running");
        row(1, kCount, "WD");
        row(2, kStep, "D");
        get_all();
        const std::string first = link->grid.text(1, 4);
        EXPECT_EQ(link->grid.text(2, 2), "01") << link->status.value;
        link->run_for(std::chrono::milliseconds(100));
        get_all();
        EXPECT_FALSE(first.empty());
        EXPECT_NE(link->grid.text(1, 4), first) << link->status.value;
        TearDown();
    }
}

TEST_F(MemoryWatchE2E, WritesFromTheGridChangeWhatTheProgramDoes) {
    start({});
    row(1, kCount, "WD");
    row(2, kStep, "");
    row(3, kRun, "");
    // run = 00: the counter stands still.
    write(3, "00");
    const int stopped = read_decimal(1);
    link->run_for(std::chrono::milliseconds(100));
    EXPECT_EQ(read_decimal(1), stopped);

    // step = 10, then a short run: every pass now adds 16.
    write(2, "10");
    EXPECT_EQ(link->grid.text(2, 2), "10") << link->status.value;
    write(3, "01");
    link->run_for(std::chrono::milliseconds(20));
    write(3, "00");
    const int counted = (read_decimal(1) - stopped + 65536) % 65536;
    EXPECT_NE(counted, 0);
    EXPECT_EQ(counted % 16, 0) << counted;
}

// Get All over a word and a byte, twice, and a write: every read answered, the word moving.
TEST_F(MemoryWatchE2E, TheInterruptResponderServesMainLoopsThatWorkFiveAndFiftyMsPerPass) {
    for (const int pass_ms : {5, 50}) {
        SCOPED_TRACE(std::to_string(pass_ms) + " ms per pass");
        const std::string program = busy_program("irq", pass_ms);
        ASSERT_TRUE(std::filesystem::exists(program)) << "not assembled: " << program;
        start({}, program);
        row(1, "2402", "WD");
        row(2, "2404", "");
        get_all();
        EXPECT_EQ(link->status.value, "Status: Program Running");
        EXPECT_EQ(link->grid.text(2, 2), "5A");
        const std::string first = link->grid.text(1, 4);
        EXPECT_FALSE(first.empty());
        link->run_for(std::chrono::milliseconds(150));
        get_all();
        EXPECT_EQ(link->status.value, "Status: Program Running");
        EXPECT_NE(link->grid.text(1, 4), first);
        write(2, "c3");
        EXPECT_EQ(link->grid.text(2, 2), "C3") << link->status.value;
        TearDown();
    }
}

TEST_F(MemoryWatchE2E, ThePollingResponderLosesRequestsUnderAMainLoopOfFiveMsPerPass) {
    const std::string program = busy_program("poll", 5);
    ASSERT_TRUE(std::filesystem::exists(program)) << "not assembled: " << program;
    start({}, program);
    row(1, "2402", "WD");
    row(2, "2404", "");
    get_all();
    EXPECT_EQ(link->status.value.rfind("Status: No reply from board at ", 0), 0u)
        << link->status.value;
}

// Live Refresh on the example: the count moves with no other action; a write to run freezes it
// while the sweep goes on.
TEST_F(MemoryWatchE2E, LiveRefreshShowsTheCountMovingAndAWriteToRunFreezesIt) {
    using namespace std::chrono_literals;
    start({});
    row(1, kCount, "WD");
    row(3, kRun, "");
    link->session->watch().set_live_refresh(true);
    ASSERT_TRUE(link->run_until([&] { return !link->grid.text(1, 4).empty(); }, 5s));
    const std::string first = link->grid.text(1, 4);
    EXPECT_TRUE(link->run_until([&] { return link->grid.text(1, 4) != first; }, 5s))
        << "the count did not move";

    // The link is never idle while the sweep runs: wait for the write's read-back instead.
    link->input_box.answers.push_back("00");
    link->grid.set_row(3);
    link->grid.set_col(2);
    link->session->cells().read_or_write_cell();
    ASSERT_TRUE(link->run_until([&] { return link->grid.text(3, 2) == "00"; }, 5s))
        << link->status.value;
    link->run_for(200ms);  // the sweep reads the count once more after the stop
    const std::string frozen = link->grid.text(1, 4);
    link->run_for(500ms);
    EXPECT_EQ(link->grid.text(1, 4), frozen);
    EXPECT_TRUE(link->session->watch().sweeping());
    const std::string& figures = link->session->watch().figures_text();
    EXPECT_NE(figures.find(" sweeps/s, "), std::string::npos) << figures;
    EXPECT_FALSE(figures.starts_with("0.0 ")) << figures;
    link->session->watch().set_live_refresh(false);
}

// A word that steps every millisecond, swept 500 times with block reads: each reading is one
// snapshot, so the count never goes back (a torn read would drop it by 256).
TEST_F(MemoryWatchE2E, BlockReadsNeverTearAWordThatStepsEveryMillisecond) {
    using namespace std::chrono_literals;
    const std::string program = busy_program("irq", 1);
    ASSERT_TRUE(std::filesystem::exists(program)) << "not assembled: " << program;
    start({}, program);
    row(1, "2402", "WD");
    std::vector<std::uint32_t> values;
    Subscription counted = link->grid.reading_noted.subscribe([&](const ReadingNotice& notice) {
        if (notice.value) values.push_back(*notice.value);
    });
    link->session->watch().set_live_refresh(true);
    link->run_until([&] { return values.size() >= 500; }, 40s);
    link->session->watch().set_live_refresh(false);
    counted.end();
    ASSERT_GE(values.size(), 500u);
    EXPECT_TRUE(link->session->link().block_reads());
    for (std::size_t i = 1; i < values.size(); ++i)
        ASSERT_GE(values[i], values[i - 1]) << "reading " << i;
}

// The example's interrupt-driven responder agrees on 62 500 baud once block reads work, and the
// live refresh runs there; the user's Reset brings the board back to 9600, and so the line: the
// monitor found, a read goes through it.
TEST_F(MemoryWatchE2E, TheExampleIsWatchedAt62500BaudAndAResetBringsTheLineBackTo9600) {
    using namespace std::chrono_literals;
    start({});
    row(1, kCount, "WD");
    link->session->watch().set_live_refresh(true);
    ASSERT_TRUE(link->run_until([&] { return link->session->link().line_fast(); }, 5s))
        << link->status.value;
    EXPECT_EQ(link->serial.rate(), 62500);
    ASSERT_TRUE(link->run_until([&] { return !link->grid.text(1, 4).empty(); }, 5s));
    const std::string first = link->grid.text(1, 4);
    EXPECT_TRUE(link->run_until([&] { return link->grid.text(1, 4) != first; }, 5s));
    EXPECT_TRUE(link->run_until(
        [&] {
            return link->session->watch().figures_tooltip().find("Line: 62 500 baud") !=
                   std::string::npos;
        },
        5s))
        << link->session->watch().figures_tooltip();

    board->press_reset();
    ASSERT_TRUE(link->run_until(
        [&] { return link->session->link().board_state() == BoardState::kAtMonitor; }, 10s))
        << link->status.value;
    link->session->watch().set_live_refresh(false);
    ASSERT_TRUE(link->settle());
    EXPECT_EQ(link->serial.rate(), 9600);
    EXPECT_FALSE(link->session->link().line_fast());
    row(2, kStep, "");
    double_click(2, 0);
    EXPECT_EQ(link->grid.text(2, 2).size(), 2u) << link->status.value;
}

TEST_F(MemoryWatchE2E, TheBuiltinResponderAndItsCounterServeTheWindowToo) {
    start({"--count", "2402"});  // --count implies --builtin-responder
    row(1, kCount, "WD");
    const int first = read_decimal(1);
    link->run_for(std::chrono::milliseconds(400));
    EXPECT_GE(read_decimal(1) - first, 3);  // ten steps a second
    row(2, hex4(kScratch), "");
    write(2, "5A");
    EXPECT_EQ(link->grid.text(2, 2), "5A") << link->status.value;
}

TEST_F(MemoryWatchE2E, ASilentBoardTimesOutAndTheWindowKeepsWorking) {
    start({"--no-reply"});
    row(1, "2404", "");
    link->grid.set_text(1, 2, "77");
    double_click(1, 0);
    EXPECT_EQ(link->status.value, "Status: No reply from board at 2404");
    EXPECT_EQ(link->grid.text(1, 2), "77");
    EXPECT_TRUE(link->session->link().idle());
}

TEST_F(MemoryWatchE2E, GarbageAroundRepliesNeverCorruptsOtherRowsOrHangs) {
    start({"--garbage"});
    for (int r = 1; r <= 30; ++r) row(r, "2400", "");
    row(31, "2401", "");
    get_all();
    EXPECT_EQ(link->grid.row(), 99);
    int correct = 0;
    for (int r = 1; r <= 30; ++r) {
        const std::string value = link->grid.text(r, 2);
        EXPECT_EQ(value.find_first_of("!@"), std::string::npos) << "row " << r << ": " << value;
        if (value == link->grid.text(1, 2)) ++correct;
    }
    EXPECT_GE(correct, 15);  // noise only before the "!" leaves most values intact
}

TEST_F(MemoryWatchE2E, AHangUpEndsGetAllAndLaterCommandsReportTheClosedPort) {
    start({"--hangup-after", "3"});
    // The line closes after three requests of the byte protocol.
    link->session->link().set_block_reads_allowed(false);
    for (int r = 1; r <= 10; ++r) row(r, "2400", "");
    get_all();
    EXPECT_EQ(link->status.value.rfind("Status: ", 0), 0u);
    EXPECT_NE(link->status.value, "Status: Program Running");
    EXPECT_NE(link->grid.row(), 99);  // Get All did not run to its end
    EXPECT_FALSE(link->serial.is_open());
    const std::string port_error = link->status.value;
    double_click(1, 0);
    EXPECT_EQ(link->status.value, port_error);
    EXPECT_TRUE(link->session->link().idle());
}

}  // namespace
}  // namespace halvane::e2e

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

namespace halvane::e2e {
namespace {

// The board's monitor from the window: before any download the grid reads through md (and a
// register alone through mm), the download starts the example, the responder serves the watch,
// then an SWI written into the program's loop stops it and Get All reads through the monitor.
TEST_F(MemoryWatchE2E, TheGridReadsThroughTheMonitorBeforeADownloadAndAfterTheProgramStops) {
    board = std::make_unique<BoardProcess>(std::vector<std::string>{});
    ASSERT_FALSE(board->device().empty()) << "boardsim did not start";
    link = std::make_unique<LinkHarness>(board->device());
    ASSERT_TRUE(link->session->start());
    ASSERT_TRUE(link->run_until(
        [this] { return link->session->link().board_state() == BoardState::kAtMonitor; },
        std::chrono::seconds(5)))
        << link->status.value;
    EXPECT_EQ(link->status.value, "Status: At the monitor");
    row(1, kCount, "WD");
    row(2, kStep, "");
    row(3, kRun, "");
    row(4, "102E", "");  // the SCI's status register: read alone with mm
    get_all();
    for (int r = 1; r <= 4; ++r) EXPECT_FALSE(link->grid.text(r, 2).empty()) << r;
    EXPECT_EQ(link->grid.text(1, 2).size(), 4u);

    link->download(kExample);
    ASSERT_EQ(link->session->link().board_state(), BoardState::kRunning) << link->status.value;
    EXPECT_EQ(read_decimal(2), 1);  // through the responder

    const SymbolFile symbols =
        read_program_symbols(std::string(HALVANE_EXAMPLES_DIR) + "/counter.elf");
    ASSERT_TRUE(symbols.ok()) << symbols.error_text;
    std::uint16_t main_loop = 0;
    for (const ProgramSymbol& symbol : symbols.symbols) {
        if (symbol.name == "main_loop") main_loop = symbol.address;
    }
    ASSERT_NE(main_loop, 0);
    row(5, hex4(main_loop), "");
    write(5, "3F");  // an SWI where the loop begins: the program stops there
    ASSERT_TRUE(link->run_until(
        [this] { return link->session->link().board_state() == BoardState::kStopped; },
        std::chrono::seconds(5)))
        << link->status.value;
    EXPECT_EQ(link->status.value, "Status: Stopped at " + hex4(main_loop) + " (main_loop)");

    for (int r = 1; r <= 5; ++r) link->grid.set_text(r, 2, "");
    get_all();
    EXPECT_EQ(link->grid.text(2, 2), "01");
    EXPECT_EQ(link->grid.text(3, 2), "01");
    EXPECT_EQ(link->grid.text(5, 2), "3F");
    EXPECT_EQ(link->grid.text(1, 2).size(), 4u);
}

}  // namespace
}  // namespace halvane::e2e
