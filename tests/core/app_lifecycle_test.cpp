#include <gtest/gtest.h>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "link/serial_device.h"

namespace halvane {
namespace {

using fakes::Harness;

TEST(StartUp, OpensThePortAndSetsStatusAndGridWithNoTimerRunning) {
    Harness h;
    ASSERT_TRUE(h.session->start());
    // Every open sends a NUL first (a board a crashed program left fast comes back to 9600).
    EXPECT_EQ(h.serial.written(), std::string(1, '\0'));
    h.clock.run();
    EXPECT_EQ(h.clock.armed_alarms(), 0);
    EXPECT_TRUE(h.serial.is_open());
    EXPECT_EQ(h.status.value, "Status: Awaiting Program File");
    EXPECT_FALSE(h.session->link().gate_open());
    const char* headings[] = {"Address", "Description", "Hex Value", "Flag", "Dec Value"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(h.grid.text(0, c), headings[c]);
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
    EXPECT_FALSE(h.session->start());
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find("/dev/ttyUSB7"), std::string::npos);
    EXPECT_NE(h.message_box.shown[0].find("No such file or directory"), std::string::npos);
    EXPECT_EQ(h.message_box.shown[0].find("dialout"), std::string::npos);
    EXPECT_EQ(h.status.value, "");  // the later start-up steps did not run
}

TEST(StartUp, PermissionDeniedNamesTheDialoutGroup) {
    Harness h;
    h.serial.open_failure = SerialPort::OpenResult{false, "Permission denied", true};
    EXPECT_FALSE(h.session->start());
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find("dialout"), std::string::npos);
}

TEST(Shutdown, ClosesThePortAndLaterEventsAreHarmless) {
    Harness h;
    h.load();
    h.session->close();
    EXPECT_FALSE(h.serial.is_open());
    EXPECT_TRUE(h.session->dialogs().closed());
    h.session->cells().read_or_write_cell();
    h.session->cells().get_all();
    h.session->download().open_program();
    h.serial.arrive("!12@");
    EXPECT_TRUE(h.serial.writes.empty());
    EXPECT_TRUE(h.dialog.open_settings.empty());
}

TEST(SerialPortCommand, SwitchingEndsTheOldPortsJobsAndTheNewPortServesTheWindow) {
    Harness h;
    h.load();
    h.start_program();
    fakes::ScriptedBoard board(h);
    board.memory[0x3001] = 0x5A;
    for (int r = 1; r <= 3; ++r) h.grid.set_text(r, 0, "300" + std::to_string(r));
    h.session->cells().get_all();
    h.clock.run_until([&] { return h.serial.written().size() >= 3; });
    ASSERT_FALSE(h.session->link().idle());

    h.port_picker.listed = {{"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FT232R USB UART, FTDI"}};
    h.port_picker.answers.push_back("/dev/ttyUSB0");
    const std::size_t sent = h.serial.written().size();
    h.session->port().choose_port();
    ASSERT_EQ(h.port_picker.offered.size(), 1u);
    EXPECT_EQ(h.port_picker.offered[0].size(), 2u);
    EXPECT_EQ(h.port_picker.selected[0], "/dev/fake0");
    EXPECT_EQ(h.serial.closes, 1);
    EXPECT_EQ(h.serial.device_path(), "/dev/ttyUSB0");
    EXPECT_EQ(h.serial.opened_paths.back(), "/dev/ttyUSB0");
    EXPECT_TRUE(h.serial.is_open());
    EXPECT_EQ(h.port_picker.remembered, std::vector<std::string>{"/dev/ttyUSB0"});
    // Get All ended with the old port, quietly: the switch is no failure. The new port gets its
    // NUL and nothing else.
    h.clock.run();
    EXPECT_TRUE(h.session->link().idle());
    EXPECT_EQ(h.serial.written().substr(sent), std::string(1, '\0'));
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_TRUE(h.message_box.shown.empty());

    h.grid.set_row(1);
    h.grid.set_col(0);
    h.session->cells().read_or_write_cell();
    h.clock.run();
    EXPECT_EQ(h.grid.text(1, 2), "5A");
}

TEST(SerialPortCommand, AFailedOpenLeavesNoPortAndTheSameCommandReconnectsAfterAnUnplug) {
    Harness h;
    h.load();
    h.start_program();
    h.serial.fail("The serial device was disconnected");
    EXPECT_EQ(h.status.value, "Status: The serial device was disconnected");

    h.serial.open_failure = SerialPort::OpenResult{false, "No such file or directory", false};
    h.port_picker.answers.push_back("/dev/ttyUSB9");
    h.session->port().choose_port();
    const std::string error = "Cannot open the serial port /dev/ttyUSB9: No such file or directory";
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_EQ(h.message_box.shown[0], error);
    EXPECT_EQ(h.status.value, "Status: " + error);
    EXPECT_FALSE(h.serial.is_open());
    EXPECT_TRUE(h.port_picker.remembered.empty());
    // Every read says why there is no port.
    h.clock.run_for(5000);
    h.grid.set_text(1, 0, "2400");
    h.session->cells().read_or_write_cell();
    EXPECT_EQ(h.status.value, "Status: " + error);
    EXPECT_TRUE(h.serial.writes.empty());

    // The board's port again, by its Windows name: the program status is back at once.
    h.serial.open_failure.reset();
    h.port_picker.answers.push_back("COM1");
    h.session->port().choose_port();
    EXPECT_EQ(h.port_picker.selected.back(), "/dev/ttyUSB9");
    EXPECT_TRUE(h.serial.is_open());
    EXPECT_EQ(h.serial.device_path(), resolve_serial_device("COM1").path);
    EXPECT_EQ(h.serial.device_name(), resolve_serial_device("COM1").shown());
    EXPECT_EQ(h.port_picker.remembered, std::vector<std::string>{"COM1"});
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_TRUE(h.session->link().gate_open());
}

TEST(SerialPortCommand, ADownloadKeepsItsPortAndACancelChangesNothing) {
    Harness h;
    h.load();
    h.session->port().choose_port();  // cancelled
    EXPECT_EQ(h.port_picker.offered.size(), 1u);
    EXPECT_EQ(h.serial.closes, 0);
    EXPECT_EQ(h.status.value, "Status: Awaiting Program File");

    fakes::TempFolder folder;
    const std::string program = folder.file("p.s19");
    fakes::write_bytes(program, "S9030000FC\r\n");
    h.dialog.answers.push_back(program);
    h.session->download().open_program();
    ASSERT_TRUE(h.session->link().downloading());
    h.port_picker.answers.push_back("/dev/ttyUSB0");
    h.session->port().choose_port();
    EXPECT_EQ(h.port_picker.offered.size(), 1u);
    EXPECT_EQ(h.status.value, "Status: Busy, wait for the board");
    EXPECT_EQ(h.serial.closes, 0);
}

}  // namespace
}  // namespace halvane
