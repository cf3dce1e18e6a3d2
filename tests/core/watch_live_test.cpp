// Live Refresh as the window runs it: which rows the sweep reads and when, the user's own
// operations going first, a row without reply, the marks, the figures and a recording.

#include <gtest/gtest.h>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"

namespace halvane {
namespace {

using fakes::Harness;
using fakes::ScriptedBoard;

class LiveWatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        h.load();
        row(1, "2402", "WD", "count");
        row(2, "zz", "", "not an address");
        row(4, "2405", "D", "run");
        board.memory[0x2402] = 0x12;
        board.memory[0x2403] = 0x34;
        board.memory[0x2405] = 0x01;
        h.grid.set_row(7);
        h.grid.set_col(1);
    }
    void row(int r, const std::string& address, const std::string& flag,
             const std::string& description = "") {
        h.grid.set_text(r, 0, address);
        h.grid.set_text(r, 1, description);
        h.grid.set_text(r, 3, flag);
    }
    // The times (ms) at which each sweep sent its first request.
    std::vector<std::int64_t> sweep_starts() const {
        std::vector<std::int64_t> starts;
        for (std::size_t i = 0; i < h.serial.writes.size(); ++i) {
            if (h.serial.writes[i] == "*" && i + 4 < h.serial.writes.size() &&
                h.serial.writes[i + 1] + h.serial.writes[i + 2] + h.serial.writes[i + 3] +
                        h.serial.writes[i + 4] ==
                    "2402")
                starts.push_back(h.serial.write_ticks[i]);
        }
        return starts;
    }
    Harness h;
    ScriptedBoard board{h};
};

TEST_F(LiveWatchTest, TheSweepReadsTheNamedRowsOverAndOverAndLeavesTheCurrentCell) {
    row(99, "2404", "", "step");
    board.memory[0x2404] = 0x03;
    int figure_changes = 0;
    int also_told = 0;
    const Subscription counted =
        h.session->watch().figures_changed.subscribe([&] { ++figure_changes; });
    // A second listener is told as well: it never takes the first one's place.
    const Subscription second = h.session->watch().figures_changed.subscribe([&] { ++also_told; });
    h.session->watch().set_live_refresh(true);
    h.clock.run_for(100);
    EXPECT_TRUE(h.serial.writes.empty()) << "no program runs yet";
    h.start_program();
    // What the program prints stays in the receive box; the sweep's replies never show.
    h.serial.arrive("Ready\r\n");
    h.clock.after_ms(300, [&] { h.serial.arrive("tick"); });
    h.clock.run_for(1000);
    const std::string wire = h.serial.written();
    EXPECT_NE(wire.find("*2402*2403*2405*2404*2402*2403*2405*2404*2402*2403*2405*2404"),
              std::string::npos)
        << wire;
    EXPECT_EQ(h.text1.value, "Ready\r\ntick");
    EXPECT_EQ(h.grid.text(99, 2), "03");
    EXPECT_EQ(h.grid.text(1, 2), "1234");
    EXPECT_EQ(h.grid.text(1, 4), "4660");
    EXPECT_EQ(h.grid.text(4, 2), "01");
    EXPECT_EQ(h.grid.text(2, 2), "");
    EXPECT_EQ(h.grid.row(), 7);
    EXPECT_EQ(h.grid.col(), 1);
    // Every read reaches the plot; a value that moves lights up, its first read does not.
    EXPECT_GT(h.watch_view.samples.size(), 40u);
    EXPECT_TRUE(h.watch_view.changes.empty());
    board.memory[0x2405] = 0x02;
    h.clock.run_for(100);
    EXPECT_EQ(h.watch_view.changes, std::vector<int>{4});
    EXPECT_EQ(h.session->watch().age_text(4).rfind("read 0.", 0), 0u)
        << h.session->watch().age_text(4);
    // The figures are the watch's own, renewed at most twice a second; the status stays the
    // program's.
    const LiveWatch& watch = h.session->watch();
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_TRUE(watch.figures_text().ends_with(" sweeps/s, 0 time-outs")) << watch.figures_text();
    EXPECT_TRUE(watch.figures_tooltip().ends_with("\nRows swept: 3\nbyte reads\nLine: 9600 baud"))
        << watch.figures_tooltip();
    EXPECT_GE(figure_changes, 1);
    EXPECT_LE(figure_changes, 3);  // turned on, then two ticks in 1.1 s
    EXPECT_EQ(also_told, figure_changes);

    h.session->watch().set_live_refresh(false);
    h.clock.run();
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_EQ(watch.figures_text(), "");
    EXPECT_EQ(watch.figures_tooltip(), "");
    EXPECT_EQ(h.clock.armed_alarms(), 0);
}

TEST_F(LiveWatchTest, TheUsersWriteGoesBeforeTheNextSweepReadAndLandsInItsRow) {
    h.start_program();
    h.session->watch().set_live_refresh(true);
    h.clock.run_for(8);  // in the middle of the sweep's read of the word at 2402
    h.input_box.answers.push_back("07");
    h.grid.set_row(4);
    h.grid.set_col(2);
    h.session->cells().read_or_write_cell();
    h.clock.run_for(200);
    const std::string wire = h.serial.written();
    // The row in flight (both bytes of the word) ends first, then the write and its read-back.
    EXPECT_EQ(wire.substr(0, 31), "*2402*2403*FFFF240507*2405*2405") << wire;
    EXPECT_EQ(board.memory[0x2405], 0x07);
    EXPECT_EQ(h.grid.text(4, 2), "07");
    EXPECT_EQ(h.grid.text(4, 4), "7");
}

TEST_F(LiveWatchTest, EachSweepStartsOneIntervalAfterTheLastOrAtOnceWhenItTookLonger) {
    h.start_program();
    h.session->watch().set_interval(0.5);
    h.session->watch().set_live_refresh(true);
    const std::int64_t on = h.clock.now_ms();
    h.clock.run_for(1600);
    EXPECT_EQ(sweep_starts(), (std::vector<std::int64_t>{on, on + 500, on + 1000, on + 1500}));

    // A row without reply makes a sweep last longer than 0.1 s: the next starts at once.
    h.serial.writes.clear();
    h.serial.write_ticks.clear();
    board.silent_addresses = {0x2403};
    h.session->watch().set_interval(0.1);
    h.clock.run_for(3000);
    const std::vector<std::int64_t> starts = sweep_starts();
    ASSERT_GE(starts.size(), 2u);
    EXPECT_LT(starts[1] - starts[0], 1100);  // the time-out, one read and no wait
}

TEST_F(LiveWatchTest, ARowWithoutReplyIsGreyedKeepsItsValueAndTheSweepGoesOn) {
    h.start_program();
    h.session->watch().set_live_refresh(true);
    h.clock.run_for(100);
    ASSERT_EQ(h.grid.text(1, 2), "1234");
    board.silent_addresses = {0x2402};
    h.clock.run_for(2500);
    EXPECT_EQ(h.watch_view.failed_rows[1], true);
    EXPECT_EQ(h.grid.text(1, 2), "1234");
    EXPECT_EQ(h.session->watch().age_text(1).rfind("last read failed", 0), 0u);
    EXPECT_NE(h.serial.written().find("*2402*2405"), std::string::npos) << "row 4 still read";
    EXPECT_TRUE(h.session->watch().figures_text().ends_with(", 2 time-outs"))
        << h.session->watch().figures_text();
    board.silent_addresses.clear();
    h.clock.run_for(1100);
    EXPECT_EQ(h.watch_view.failed_rows[1], false);
}

TEST_F(LiveWatchTest, ADownloadStopsTheSweepAndItResumesAfterwards) {
    h.start_program();
    h.session->watch().set_live_refresh(true);
    h.clock.run_for(50);
    ASSERT_TRUE(h.session->watch().sweeping());
    fakes::TempFolder folder;
    const std::string program = folder.file("p.s19");
    fakes::write_bytes(program, "S9030000FC\r\n");
    h.answer_loads();
    h.dialog.answers.push_back(program);
    h.session->download().open_program();
    EXPECT_FALSE(h.session->watch().sweeping());
    h.clock.run_until([&] { return h.session->link().gate_open(); });
    const std::string wire = h.serial.written();
    const std::size_t load = wire.find("load t");
    ASSERT_NE(load, std::string::npos);
    const std::size_t go = wire.find("go 2400\r");
    EXPECT_EQ(wire.substr(load, go - load).find('*'), std::string::npos);
    h.clock.run_for(50);
    EXPECT_TRUE(h.session->watch().sweeping());
    EXPECT_NE(h.serial.written().find('*', go), std::string::npos);
}

TEST_F(LiveWatchTest, ARecordingHasALinePerSweepAndStopsWhenItCannotWrite) {
    fakes::TempFolder folder;
    const std::string path = folder.file("run.csv");
    h.start_program();
    h.dialog.answers.push_back(path);
    h.session->watch().start_recording();
    ASSERT_TRUE(h.session->watch().recording());
    h.session->watch().set_interval(0.5);
    h.session->watch().set_live_refresh(true);
    h.clock.run_for(1200);
    h.session->watch().stop_recording();
    EXPECT_FALSE(h.session->watch().recording());
    const std::string text = fakes::read_bytes(path);
    EXPECT_TRUE(
        text.starts_with("seconds,time,\"count hex\",\"count dec\",\"run hex\",\"run dec\""
                         "\r\n"))
        << text;
    EXPECT_NE(text.find(",1234,4660,01,1\r\n"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 3);  // the header, three sweeps

    // A recording keeps the columns it started with: once a row stands for another variable,
    // that column stays empty, and the new one gets none.
    const std::string renamed = folder.file("renamed.csv");
    h.dialog.answers.push_back(renamed);
    h.session->watch().start_recording();
    h.clock.run_for(600);
    row(4, "2405", "D", "halt");
    h.clock.run_for(1000);
    h.session->watch().stop_recording();
    const std::string lines = fakes::read_bytes(renamed);
    EXPECT_TRUE(
        lines.starts_with("seconds,time,\"count hex\",\"count dec\",\"run hex\",\"run dec\""
                          "\r\n"))
        << lines;
    EXPECT_TRUE(lines.ends_with(",1234,4660,,\r\n")) << lines;
    EXPECT_NE(lines.find(",1234,4660,01,1\r\n"), std::string::npos) << lines;

    // On a full disk the recording stops and says why.
    const std::string full = folder.file("full.csv");
    h.dialog.answers.push_back(full);
    h.session->watch().start_recording();
    ASSERT_TRUE(h.session->watch().recording());
    {
        fakes::FileSizeLimit limit(fakes::read_bytes(full).size() + 1);
        h.clock.run_for(3000);
    }
    EXPECT_FALSE(h.session->watch().recording());
    ASSERT_FALSE(h.message_box.shown.empty());
    EXPECT_NE(h.message_box.shown.back().find("full.csv"), std::string::npos)
        << h.message_box.shown.back();
}

}  // namespace
}  // namespace halvane
