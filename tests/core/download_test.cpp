#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fakes/fake_platform.h"

namespace halvane {
namespace {

namespace fs = std::filesystem;
using fakes::Harness;

class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("halvane-download-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        h.load();
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const std::string& name, const std::string& content) {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    // Runs File > Open choosing `path`, with the reset box acknowledged.
    void open_program(const std::string& path) {
        h.dialog.answers.push_back(path);
        h.window->file_open_Click();
    }
    fs::path dir;
    Harness h;
};

TEST_F(DownloadTest, TheMonitorDialogueIsExactAndPacedAndStartsTheProgram) {
    const std::string content = "S1130000000102\r\nS9030000FC\r\n";
    const std::string path = file("prog.s19", content);
    TamrinProbe(*h.window).set_s19_file_name(path);
    std::string failure;
    EXPECT_EQ(TamrinProbe(*h.window).send_s19(failure), "ok") << failure;
    EXPECT_EQ(h.serial.written(), "\rload t\r" + content + "\r\rgo 2400\r");
    EXPECT_EQ(h.serial.writes.size(), 2 + content.size() + 2 + 1);
    EXPECT_EQ(h.serial.settings, (std::vector<std::string>{"InputMode=0", "InputLen=1",
                                                           "RThreshold=1", "SThreshold=1"}));
    EXPECT_EQ(h.progress.max, static_cast<float>(content.size() + 20));
    EXPECT_EQ(h.progress.val, h.progress.max);
    EXPECT_EQ(h.window->flag(), 1);
    // 1 + 1 ticks before the file, 5 after it, then 5 after each of the last three steps.
    EXPECT_EQ(h.pump.now(), 22);
    EXPECT_EQ(h.serial.write_ticks.front(), 0);
    EXPECT_EQ(h.serial.write_ticks[1], 1);
    EXPECT_EQ(h.serial.write_ticks.back(), 2 + 5 + 5 + 5);
}

TEST_F(DownloadTest, AnEmptyFileStillRunsTheClosingSteps) {
    TamrinProbe(*h.window).set_s19_file_name(file("empty.s19", ""));
    std::string failure;
    EXPECT_EQ(TamrinProbe(*h.window).send_s19(failure), "ok");
    EXPECT_EQ(h.serial.written(), "\rload t\r\r\rgo 2400\r");
    EXPECT_EQ(h.progress.max, 20.0f);
    EXPECT_EQ(h.progress.val, 20.0f);
}

TEST_F(DownloadTest, TheQueueIsBoundedAndDrainedBeforeEveryPause) {
    const std::string content(100, 'S');
    TamrinProbe(*h.window).set_s19_file_name(file("big.s19", content));
    // The line takes one character per tick.
    h.serial.on_write = [&](std::string_view text) { h.serial.pending_output += text.size(); };
    h.pump.on_tick = [&] {
        h.window->Timer1_Timer();
        if (h.serial.pending_output > 0) --h.serial.pending_output;
        EXPECT_LE(h.serial.pending_output, Tamrin::kDownloadQueueLimit + 8);
    };
    std::string failure;
    EXPECT_EQ(TamrinProbe(*h.window).send_s19(failure), "ok");
    EXPECT_EQ(h.serial.pending_output, 0u);
    // Every character needs its tick on the line, and the pauses come on top.
    EXPECT_GE(h.pump.now(), static_cast<std::int64_t>(1 + 7 + 100 + 1 + 1 + 8 + 22));
}

TEST_F(DownloadTest, ASecondDownloadReappliesTheSettingsAndRestartsTheProgress) {
    const std::string path = file("p.s19", "S9030000FC\r\n");
    open_program(path);
    h.progress.set_value(3);
    h.serial.settings.clear();
    open_program(path);
    EXPECT_EQ(h.serial.settings.size(), 4u);
    EXPECT_EQ(h.progress.val, 12.0f + 20.0f);
}

TEST_F(DownloadTest, OpenProgramRunsTheWholeRoadAndLoadsTheMap) {
    const std::string path = file("blink.s19", "S1130000000102\r\nS9030000FC\r\n");
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
    EXPECT_EQ(h.window->flag(), 1);
    EXPECT_EQ(h.window->s19_file_name(), (dir / "blink").string());
    EXPECT_EQ(h.progress.max, 500000.0f);
    EXPECT_EQ(h.grid.text(1, 1), "counter");
    EXPECT_EQ(h.grid.text(1, 3), "WD");
}

TEST_F(DownloadTest, CancellingTheDialogResetsTheStateAndSendsNothing) {
    TamrinProbe(*h.window).set_flag(1);
    h.progress.set_value(40);
    h.window->file_open_Click();
    EXPECT_EQ(h.status.value, "Status: Awaiting Program");
    EXPECT_EQ(h.progress.val, 0.0f);
    EXPECT_EQ(h.window->flag(), 0);
    EXPECT_EQ(h.window->s19_file_name(), "");
    EXPECT_TRUE(h.message_box.shown.empty());
    EXPECT_TRUE(h.serial.writes.empty());
}

TEST_F(DownloadTest, AMissingFileIsReportedAsAFailedDownloadAndSendsNothing) {
    open_program((dir / "nope.s19").string());
    EXPECT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_EQ(h.status.value.rfind("Status: Download failed: ", 0), 0u) << h.status.value;
    EXPECT_TRUE(h.serial.writes.empty());
    EXPECT_EQ(h.window->flag(), 0);
    EXPECT_EQ(h.window->s19_file_name(), (dir / "nope.s19").string());
    EXPECT_EQ(h.serial.settings.size(), 4u);
}

TEST_F(DownloadTest, APortLostDuringTheDownloadIsReported) {
    const std::string path = file("p.s19", std::string(50, 'x'));
    h.pump.at(1, [&] { h.window->serial_failed("Input/output error"); });
    open_program(path);
    EXPECT_EQ(h.status.value, "Status: Download failed: Input/output error");
    EXPECT_EQ(h.window->flag(), 0);
}

TEST_F(DownloadTest, AMissingListingDoesNotKeepTheMapFromLoading) {
    const std::string path = file("nolist.s19", "S9030000FC\r\n");
    file("nolist.csv", "\"A\",\"B\",\"C\",\"D\",\"E\"\r\n\"0040\",\"x\",\"\",\"\",\"\"\r\n");
    open_program(path);
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_EQ(h.grid.text(1, 0), "0040");
    EXPECT_EQ(h.grid.text(0, 0), "A");
}

TEST_F(DownloadTest, AFileWithoutRecordsIsSentButTheStatusWarns) {
    open_program(file("text.s19", "hello\r\n"));
    EXPECT_EQ(h.window->flag(), 1);
    EXPECT_NE(h.status.value.find("no S1 or S9 record"), std::string::npos);
}

TEST_F(DownloadTest, ClosingTheWindowDuringTheDownloadEndsItQuietly) {
    const std::string path = file("p.s19", "S9030000FC\r\n");
    h.pump.at(4, [&] { h.window->Form_Unload(); });
    open_program(path);
    EXPECT_EQ(h.window->flag(), 0);
    EXPECT_EQ(h.status.value, "Status: Sending File File");
    EXPECT_FALSE(h.window->busy());
}

TEST_F(DownloadTest, ACellReadDuringTheDownloadIsRefused) {
    const std::string path = file("p.s19", "S9030000FC\r\n");
    h.grid.set_text(1, 0, "2400");
    h.pump.at(3, [&] { h.window->DataGrid_DblClick(); });
    open_program(path);
    EXPECT_EQ(h.serial.written().find("*2400"), std::string::npos);
    EXPECT_EQ(h.status.history.back(), "Status: Program Running");
    EXPECT_NE(std::find(h.status.history.begin(), h.status.history.end(),
                        "Status: Busy, wait for the board"),
              h.status.history.end());
}

}  // namespace
}  // namespace halvane
