// The board link as the window drives it: the receive gate and buffer, the queue's order,
// and how jobs end when the port fails or the window closes.

#include <gtest/gtest.h>

#include <cstdio>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"

namespace halvane {
namespace {

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
        h.window->download().open_program();
        h.clock.run();
        ASSERT_TRUE(h.window->link().gate_open());
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
        h.window->cells().read_or_write_cell();
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
    h.window->cells().get_all();
    // Somewhere in the middle of row 1's low byte.
    h.clock.run_until([&] { return h.serial.written().size() >= 8; });
    double_click(40, 0);
    h.window->cells().get_all();  // a second Get All changes nothing
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
    h.window->cells().get_all();
    double_click(5, 0);
    h.clock.run_until([&] { return h.serial.written().size() >= 12; });
    h.serial.fail("The serial device was disconnected");
    const std::size_t sent = h.serial.written().size();
    h.clock.run();
    EXPECT_EQ(h.serial.written().size(), sent);
    EXPECT_EQ(h.status.value, "Status: The serial device was disconnected");
    EXPECT_EQ(h.grid.text(3, 2), "old");
    EXPECT_TRUE(h.window->link().idle());
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
        h.window->cells().read_or_write_cell();
    };
    const std::pair<const char*, Start> cases[] = {
        {"read", [&](Harness& h) { click(h, 0); }},
        {"write",
         [&](Harness& h) {
             h.input_box.answers.push_back("1234");
             click(h, 2);
         }},
        {"get all", [](Harness& h) { h.window->cells().get_all(); }},
        {"download",
         [&](Harness& h) {
             h.serial.pending_output = 100;          // the line is slow: the file waits in the PC
             h.message_box.answers.push_back(true);  // it holds no records: send it anyway
             h.dialog.answers.push_back(program);
             h.window->download().open_program();
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
        h.window->close();
        h.clock.run();
        EXPECT_EQ(h.serial.written(), sent) << name;
        EXPECT_FALSE(h.serial.is_open()) << name;
        EXPECT_EQ(h.clock.armed_alarms(), 0) << name;
        EXPECT_EQ(h.grid.text(1, 2), cells[0]) << name;
        EXPECT_EQ(h.grid.text(2, 2), cells[1]) << name;
        EXPECT_FALSE(h.window->link().gate_open()) << name;
    }
}

}  // namespace
}  // namespace halvane
