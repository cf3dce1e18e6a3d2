// The memory watch against the simulated board over a pseudo-terminal, through the real
// Qt event loop, tick timer and serial port.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "e2e/board_process.h"
#include "e2e/link_harness.h"

namespace halvane::e2e {
namespace {

const std::string kExample = std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19";

class MemoryWatchE2E : public ::testing::Test {
  protected:
    // Starts the board with `options`, opens the port and downloads the example program.
    void start(std::vector<std::string> options) {
        board = std::make_unique<BoardProcess>(options);
        ASSERT_FALSE(board->device().empty()) << "boardsim did not start";
        link = std::make_unique<LinkHarness>(board->device());
        ASSERT_TRUE(link->window->Form_Load())
            << (link->message_box.shown.empty() ? "" : link->message_box.shown[0]);
        link->download(kExample);
        ASSERT_EQ(link->window->flag(), 1) << link->status.value;
        // The pseudo-terminal queues what the line has not carried yet; let the board
        // work through the download before the first request.
        link->run_for(std::chrono::milliseconds(1500));
    }
    void row(int r, std::string address, std::string flag) {
        link->grid.set_text(r, 0, address);
        link->grid.set_text(r, 2, "");
        link->grid.set_text(r, 3, flag);
    }
    void double_click(int r, int c) {
        link->grid.set_row(r);
        link->grid.set_col(c);
        link->window->DataGrid_DblClick();
    }
    void TearDown() override {
        if (link) link->window->Form_Unload();
        link.reset();
        board.reset();
    }
    std::unique_ptr<BoardProcess> board;
    std::unique_ptr<LinkHarness> link;
};

TEST_F(MemoryWatchE2E, ByteAndWordAreWrittenAndReadBack) {
    start({});
    row(1, "2410", "D");
    link->input_box.answers.push_back("a5");
    double_click(1, 2);
    EXPECT_EQ(link->grid.text(1, 2), "A5") << link->status.value;
    EXPECT_EQ(link->grid.text(1, 4), "165");

    row(2, "2412", "WD");
    link->input_box.answers.push_back("BEEF");
    double_click(2, 2);
    EXPECT_EQ(link->grid.text(2, 2), "BEEF") << link->status.value;
    EXPECT_EQ(link->grid.text(2, 4), "48879");

    row(3, "2412", "");
    double_click(3, 0);
    EXPECT_EQ(link->grid.text(3, 2), "BE");
    EXPECT_EQ(link->status.value, "Status: Program Running");
}

TEST_F(MemoryWatchE2E, GetAllFillsAFullGridAndTheExampleMapWasLoaded) {
    start({"--count", "2402"});
    EXPECT_EQ(link->grid.text(1, 0), "2402");  // from counter.csv, loaded after the download
    for (int r = 1; r < 100; ++r) {
        char address[5];
        std::snprintf(address, sizeof address, "%04X", 0x2500 + r);
        row(r, address, "");
    }
    // Write every tenth row (its row number) so there is something to read back.
    auto written = [](int r) {
        char value[3];
        std::snprintf(value, sizeof value, "%02X", r);
        return std::string(value);
    };
    for (int r = 1; r < 100; r += 10) {
        link->input_box.answers.push_back(written(r));
        double_click(r, 2);
    }
    link->window->get_all_Click();
    EXPECT_EQ(link->status.value, "Status: Program Running");
    for (int r = 1; r < 100; ++r) {
        const std::string expected = (r - 1) % 10 == 0 ? written(r) : "00";
        EXPECT_EQ(link->grid.text(r, 2), expected) << "row " << r;
    }
    EXPECT_EQ(link->grid.row(), 99);
}

TEST_F(MemoryWatchE2E, OpeningTheExampleShowsItsListingAndAReopenRestartsIt) {
    start({"--count", "2402"});
    EXPECT_EQ(link->status.value, "Status: Program Running");
    EXPECT_NE(link->viewer.plain.find("responder"), std::string::npos);
    EXPECT_EQ(link->options.selected(), 1);
    EXPECT_EQ(link->window->s19_file_name(), std::string(HALVANE_EXAMPLES_DIR) + "/counter");

    // A second File > Open while the program runs resets the board through its monitor.
    row(1, "2410", "");
    link->input_box.answers.push_back("66");
    double_click(1, 2);
    ASSERT_EQ(link->grid.text(1, 2), "66");
    link->download(kExample);
    EXPECT_EQ(link->status.value, "Status: Program Running");
    link->run_for(std::chrono::milliseconds(1500));
    row(1, "2404", "D");
    double_click(1, 0);
    EXPECT_EQ(link->grid.text(1, 2), "01") << link->status.value;  // the reloaded program's step
}

TEST_F(MemoryWatchE2E, TheCounterMovesBetweenTwoReads) {
    start({"--count", "2402"});
    row(1, "2402", "WD");
    double_click(1, 0);
    const std::string first = link->grid.text(1, 4);
    link->run_for(std::chrono::milliseconds(400));
    double_click(1, 0);
    ASSERT_FALSE(first.empty());
    EXPECT_GT(std::stoi(link->grid.text(1, 4)), std::stoi(first));
}

TEST_F(MemoryWatchE2E, ASilentBoardTimesOutAndTheWindowKeepsWorking) {
    start({"--no-reply"});
    row(1, "2404", "");
    link->grid.set_text(1, 2, "77");
    QElapsedTimer clock;
    clock.start();
    double_click(1, 0);
    EXPECT_EQ(link->status.value, "Status: No reply from board at 2404");
    EXPECT_EQ(link->grid.text(1, 2), "77");
    EXPECT_FALSE(link->window->busy());
}

TEST_F(MemoryWatchE2E, GarbageAroundRepliesNeverCorruptsOtherRowsOrHangs) {
    start({"--garbage"});
    for (int r = 1; r <= 30; ++r) row(r, "2400", "");
    row(31, "2401", "");
    link->window->get_all_Click();
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
    for (int r = 1; r <= 10; ++r) row(r, "2400", "");
    link->window->get_all_Click();
    EXPECT_EQ(link->status.value.rfind("Status: ", 0), 0u);
    EXPECT_NE(link->status.value, "Status: Program Running");
    EXPECT_LT(link->grid.row(), 10);
    EXPECT_FALSE(link->serial.is_open());
    link->status.set_text("");
    QElapsedTimer clock;
    clock.start();
    double_click(1, 0);
    EXPECT_FALSE(link->status.value.empty());
    EXPECT_FALSE(link->window->busy());
}

}  // namespace
}  // namespace halvane::e2e

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
