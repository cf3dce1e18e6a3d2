// What a new user does on the first day, with the real window and the simulated board:
// open the example, acknowledge the reset box, wait for the program, Get All, change a
// value, save the map, overlay it back and close the window; the window's state is checked
// after every step.

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <algorithm>

#include "drills/drill_session.h"
#include "link/board_state.h"
#include "qt/listing_margin.h"
#include "qt/watch_grid.h"
#include "qt_adapters/qt_serial_port.h"
#include "text/hex_digits.h"

namespace halvane::drills {
namespace {

bool copy_example(const QString& to_folder) {
    for (const char* name :
         {"counter.s19", "counter.lst", "counter.csv", "counter.c", "counter.dsc", "counter.elf"}) {
        if (!QFile::copy(QStringLiteral(HALVANE_EXAMPLES_DIR "/") + name, to_folder + "/" + name))
            return false;
    }
    return true;
}

// `digits` hexadecimal digits, as the grid shows them: upper case.
bool is_hex(const std::string& text, std::size_t digits) {
    return text.size() == digits && std::all_of(text.begin(), text.end(), [](char c) {
               return halvane::is_hex_digit(c) && !(c >= 'a' && c <= 'f');
           });
}

TEST(Walkthrough, OpenTheExampleWatchItChangeAValueSaveAndOverlayTheMap) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(copy_example(folder.path()));
    const QString program = folder.filePath("counter.s19");
    DrillSession user({}, folder.path());
    ASSERT_EQ(user.start_error(), "");
    auto& window = user.window();
    auto* viewer = window.findChild<QTextEdit*>("RichTextBox1");
    auto* progress = window.findChild<QProgressBar*>("ProgressBar1");

    // Start.
    EXPECT_EQ(window.windowTitle(), "CME11E9 Halvane");
    EXPECT_EQ(user.status(), "Status: Awaiting Program File");
    EXPECT_EQ(user.cell(0, 0), "Address");
    EXPECT_EQ(user.cell(1, 0), "");
    EXPECT_EQ(viewer->toPlainText(), "");

    // File > Open the example, acknowledge the reset box, wait for the program.
    ASSERT_TRUE(user.open_program(program)) << user.status().toStdString();
    EXPECT_EQ(user.messages, QStringList{"Turn on the CME11E9 and Press Reset"});
    EXPECT_EQ(user.status(), "Status: Program Running");
    EXPECT_TRUE(window.session().link().gate_open());
    EXPECT_EQ(window.session().viewer().program_name(), folder.filePath("counter").toStdString());
    EXPECT_TRUE(viewer->toPlainText().contains("count")) << "the listing is shown";
    EXPECT_TRUE(window.findChild<QRadioButton*>("Option1")->isChecked());
    EXPECT_GT(progress->value(), 0);
    EXPECT_EQ(user.cell(1, 0), "2402");
    EXPECT_EQ(user.cell(1, 3), "WD");
    EXPECT_EQ(user.cell(2, 0), "2404");
    EXPECT_EQ(user.cell(3, 0), "2405");
    EXPECT_EQ(user.cell(6, 0), "");

    // Get All: every named row is read; the counter moves between two rounds.
    user.click_get_all();
    EXPECT_EQ(user.status(), "Status: Program Running");
    EXPECT_TRUE(is_hex(user.cell(1, 2), 4)) << user.cell(1, 2);
    EXPECT_EQ(user.cell(1, 4), std::to_string(std::stoi(user.cell(1, 2), nullptr, 16)));
    EXPECT_EQ(user.cell(2, 2), "01");
    EXPECT_EQ(user.cell(2, 4), "1");
    EXPECT_EQ(user.cell(3, 2), "01");
    for (int row = 4; row <= 5; ++row) EXPECT_TRUE(is_hex(user.cell(row, 2), 2)) << row;
    EXPECT_EQ(user.cell(6, 2), "");
    EXPECT_EQ(window.grid().row(), 99);
    EXPECT_EQ(window.grid().col(), 0);
    const std::string first_count = user.cell(1, 2);
    user.run_for(300ms);
    user.click_get_all();
    EXPECT_NE(user.cell(1, 2), first_count) << "the counter did not move";

    // Change a value: the step of the counter becomes 2.
    user.type_into_input_box("2");  // one digit: refused, nothing written
    user.double_click(2, 2);
    EXPECT_EQ(user.cell(2, 2), "01");
    EXPECT_EQ(user.status(), "Status: Invalid value for row 2");
    user.type_into_input_box("02");
    user.double_click(2, 2);
    EXPECT_EQ(user.cell(2, 2), "02");
    EXPECT_EQ(user.cell(2, 4), "2");
    EXPECT_EQ(window.grid().row(), 2);
    EXPECT_EQ(window.grid().col(), 0);
    // The refusal stays readable for three seconds, then the write's success shows.
    EXPECT_TRUE(user.wait_until([&] { return user.status() == "Status: Program Running"; }, 4s))
        << user.status().toStdString();
    window.session().table().set_text(2, 1, "step, now 2 (\"faster\")");

    // Save the map: the dialog proposes the program's name; the old map is replaced.
    const GridCells watched = user.cells();
    user.choose_save_file(folder.filePath("counter.csv"));
    user.trigger("File_save");
    EXPECT_EQ(user.proposed_names, QStringList{"counter"});
    QFile saved(folder.filePath("counter.csv"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(
        text.startsWith("\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n"));
    EXPECT_TRUE(text.contains("\"2404\",\"step, now 2 (\"\"faster\"\")\",\"02\",\"D\",\"2\"\r\n"));
    EXPECT_EQ(text.count("\r\n"), 100);
    EXPECT_EQ(user.cells(), watched);

    // Open Overlay brings the saved map back over a grid the user has scribbled on.
    window.session().table().set_text(2, 1, "scribbled");
    window.session().table().set_text(7, 0, "1234");
    window.session().table().set_text(0, 0, "heading");
    user.choose_file(folder.filePath("counter.csv"));
    user.trigger("file_openoverlay");
    EXPECT_EQ(changed_cells(watched, user.cells()), QStringList());
    EXPECT_EQ(user.status(), "Status: Program Running");

    // Close the window.
    window.close();
    EXPECT_TRUE(window.closed());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.serial_port().is_open());
    EXPECT_FALSE(user.hung());
    EXPECT_EQ(user.unexpected_dialogs.join(",").toStdString(), "");
    EXPECT_EQ(user.board().stop(), 0);
}

// Debugging the example on the board: a breakpoint clicked on the `addd` line of its listing
// (the program runs: it is paused, the table written, and it goes on), the stop there, Step,
// Continue to the next stop with the count grown by `step`, the next download stopping there
// too, Pause and Continue, and the window closing with the breakpoint taken out.
TEST(Walkthrough, DebugTheExampleWithABreakpointStepContinueAndPause) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(copy_example(folder.path()));
    DrillSession user({}, folder.path());
    ASSERT_EQ(user.start_error(), "");
    auto& window = user.window();
    const auto state = [&] { return window.session().link().board_state(); };
    const auto stopped = [&] { return state() == BoardState::kStopped; };
    ASSERT_TRUE(user.open_program(folder.filePath("counter.s19"))) << user.status().toStdString();
    auto* margin = window.findChild<qt::ListingMargin*>("listing_margin");
    ASSERT_NE(margin, nullptr);
    ASSERT_TRUE(margin->shown());

    // Listing line 43 is `addd count` at 2424.
    const QRect addd = margin->line_rect(43);
    ASSERT_FALSE(addd.isEmpty());
    QTest::mouseClick(margin, Qt::LeftButton, {}, addd.center());
    // (The pause stops it in the responder for a moment first.)
    ASSERT_TRUE(user.wait_until([&] { return stopped() && margin->stop_line() == 43; }, 5s))
        << user.status().toStdString();
    EXPECT_EQ(user.status(), "Status: Stopped at 2424 (main_loop+9)");
    EXPECT_EQ(margin->breakpoint_lines(), std::vector<int>{43});
    EXPECT_EQ(margin->stop_line(), 43);
    // The register strip under the grid shows the stop's registers.
    auto* pc = window.findChild<QLabel*>("register_P");
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc->text(), "P 2424");
    user.click_get_all();
    const int count = std::stoi(user.cell(1, 2), nullptr, 16);

    // A double-click on X asks its new value and changes it through rm.
    user.type_into_input_box("1234");
    QTest::mouseDClick(window.findChild<QLabel*>("register_X"), Qt::LeftButton);
    ASSERT_TRUE(user.wait_until(
        [&] { return window.findChild<QLabel*>("register_X")->text() == "X 1234"; }, 5s))
        << user.status().toStdString();
    user.settle();

    // Step: the mark moves to the next line.
    user.trigger("board_step");
    ASSERT_TRUE(user.wait_until([&] { return margin->stop_line() == 44; }, 5s))
        << user.status().toStdString();
    EXPECT_EQ(user.status(), "Status: Stopped at 2427 (main_loop+C)");
    EXPECT_EQ(pc->text(), "P 2427");

    // Continue: once round the loop, back at the breakpoint, the count grown by step (1).
    user.trigger("board_continue");
    ASSERT_TRUE(user.wait_until([&] { return stopped() && margin->stop_line() == 43; }, 5s))
        << user.status().toStdString();
    user.click_get_all();
    EXPECT_EQ(std::stoi(user.cell(1, 2), nullptr, 16), count + 1);

    // The next download writes the table before go: the program stops there again.
    ASSERT_TRUE(user.open_program(folder.filePath("counter.s19")) || stopped());
    ASSERT_TRUE(user.wait_until([&] { return stopped() && margin->stop_line() == 43; }, 5s))
        << user.status().toStdString();

    // Take the breakpoint out at the stop, go on, then Pause and Continue.
    QTest::mouseClick(margin, Qt::LeftButton, {}, margin->line_rect(43).center());
    user.settle();
    EXPECT_TRUE(margin->breakpoint_lines().empty());
    user.trigger("board_continue");
    ASSERT_TRUE(user.wait_until([&] { return state() == BoardState::kRunning; }, 5s));
    user.run_for(100ms);
    EXPECT_EQ(state(), BoardState::kRunning) << "no breakpoint is left to stop it";
    user.trigger("board_pause");
    ASSERT_TRUE(user.wait_until(stopped, 5s)) << user.status().toStdString();
    EXPECT_TRUE(user.status().startsWith("Status: Stopped at ")) << user.status().toStdString();
    user.trigger("board_continue");
    ASSERT_TRUE(user.wait_until([&] { return state() == BoardState::kRunning; }, 5s));

    // A breakpoint armed in the running program (on `lds`, which it never runs again) comes out
    // before the window closes.
    QTest::mouseClick(margin, Qt::LeftButton, {}, margin->line_rect(30).center());
    user.settle();
    window.close();
    ASSERT_TRUE(user.wait_until([&] { return window.closed(); }, 5s));
    EXPECT_FALSE(window.serial_port().is_open());
    EXPECT_EQ(user.unexpected_dialogs.join(",").toStdString(), "");
    EXPECT_EQ(user.board().stop(), 0);
}

}  // namespace
}  // namespace halvane::drills
