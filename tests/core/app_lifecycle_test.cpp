#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace halvane {
namespace {

using fakes::Harness;

TEST(StartUp, OpensThePortAndSetsStatusGridAndViewerFontWithNoTimerRunning) {
    Harness h;
    ASSERT_TRUE(h.window->Form_Load());
    EXPECT_EQ(h.clock.armed_alarms(), 0);
    EXPECT_TRUE(h.serial.is_open());
    EXPECT_EQ(h.status.value, "Status: Awaiting Program File");
    EXPECT_EQ(h.window->flag(), 0);
    EXPECT_EQ(h.grid.widths, (std::array<int, 5>{900, 1900, 900, 400, 900}));
    const char* headings[] = {"Address", "Description", "Hex Value", "Flag", "Dec Value"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(h.grid.text(0, c), headings[c]);
    EXPECT_EQ(h.viewer.face, "Times New Roman (Western)");
    EXPECT_EQ(h.text1.value, "");
    EXPECT_EQ(h.options.selected(), 1);
    EXPECT_EQ(h.grid.row(), 1);
    EXPECT_EQ(h.grid.col(), 0);
    EXPECT_TRUE(h.message_box.shown.empty());
}

TEST(StartUp, APortThatCannotBeOpenedIsReportedAndStopsStartUp) {
    Harness h;
    h.serial.device = "/dev/ttyUSB7";
    h.serial.open_failure = SerialPort::OpenResult{false, "No such file or directory", false};
    EXPECT_FALSE(h.window->Form_Load());
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find("/dev/ttyUSB7"), std::string::npos);
    EXPECT_NE(h.message_box.shown[0].find("No such file or directory"), std::string::npos);
    EXPECT_EQ(h.message_box.shown[0].find("dialout"), std::string::npos);
    EXPECT_EQ(h.status.value, "");  // the later start-up steps did not run
    EXPECT_EQ(h.grid.width_sets, 0);
}

TEST(StartUp, PermissionDeniedNamesTheDialoutGroup) {
    Harness h;
    h.serial.open_failure = SerialPort::OpenResult{false, "Permission denied", true};
    EXPECT_FALSE(h.window->Form_Load());
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find("dialout"), std::string::npos);
}

TEST(Shutdown, ClosesThePortAndLaterEventsAreHarmless) {
    Harness h;
    h.load();
    h.window->Form_Unload();
    EXPECT_FALSE(h.serial.is_open());
    EXPECT_TRUE(h.window->closing());
    h.window->DataGrid_DblClick();
    h.window->get_all_Click();
    h.window->file_open_Click();
    h.window->MSComm1_OnComm();
    EXPECT_TRUE(h.serial.writes.empty());
    EXPECT_TRUE(h.dialog.open_settings.empty());
}

}  // namespace
}  // namespace halvane
