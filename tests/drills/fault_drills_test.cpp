// Fault drills: the real window against a simulated board that misbehaves, or a user who
// does what nobody planned for. Each drill ends with no hang, no crash, nothing written
// into a row other than the one the command started on, and no cell's data lost.

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "drills/big_program.h"
#include "drills/drill_session.h"
#include "qt/watch_grid.h"
#include "qt_adapters/qt_serial_port.h"

namespace halvane::drills {
namespace {

const QString kExample = QStringLiteral(HALVANE_EXAMPLES_DIR "/counter.s19");

// Scratch bytes in the example's free RAM; the program itself lies below 3000.
constexpr int kScratchRow = 10;

class FaultDrill : public ::testing::Test {
  protected:
    void start(const std::vector<std::string>& board_options) {
        ASSERT_TRUE(folder.isValid());
        session = std::make_unique<DrillSession>(board_options, folder.path());
        ASSERT_EQ(session->start_error(), "");
    }
    void start_with_example(const std::vector<std::string>& board_options) {
        start(board_options);
        ASSERT_TRUE(session->open_program(kExample)) << session->status().toStdString();
        ASSERT_EQ(session->status(), "Status: Program Running");
    }
    void TearDown() override {
        if (!session) return;
        EXPECT_FALSE(session->hung()) << "a command was still waiting when the drill ended";
        EXPECT_EQ(session->unexpected_dialogs.join(",").toStdString(), "");
        session.reset();
    }
    double progress() {
        auto* bar = session->window().findChild<QProgressBar*>("ProgressBar1");
        return bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    }
    bool port_open() { return session->window().serial_port().is_open(); }
    bool busy() { return !session->window().session().link().idle(); }
    // File > Open on `program`, with `interrupt` run once a tenth of it has gone out.
    // Returns the progress at which it ran, or -1 when the download ended before that.
    // `reason_box`: the interruption fails the download, whose reason a message box shows.
    double download_interrupted(const QString& program, const std::function<void()>& interrupt,
                                bool reason_box = false) {
        double progress_when_interrupted = -1;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (progress_when_interrupted < 0 && progress() >= 0.1) {
                progress_when_interrupted = progress();
                interrupt();
            }
        });
        watch.start(10);
        session->choose_file(program);
        session->acknowledge_message();
        if (reason_box) session->acknowledge_message();
        session->trigger("file_open");
        watch.stop();
        return progress_when_interrupted;
    }

    QTemporaryDir folder;
    std::unique_ptr<DrillSession> session;
};

TEST_F(FaultDrill, SilentBoardEndsEachReadWithNoReplyAndKeepsTheOldValues) {
    start_with_example({"--no-reply"});
    session->set_row(kScratchRow, "3000", "5A", "D");
    session->window().session().table().set_text(1, 2, "1234");
    const GridCells before = session->cells();

    session->double_click(kScratchRow, 0);
    EXPECT_EQ(session->status(), "Status: No reply from board at 3000");
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());
    EXPECT_FALSE(busy());

    // Get All gives up at the first row that gets no answer, so it cannot take minutes.
    session->click_get_all();
    EXPECT_EQ(session->status(), "Status: No reply from board at 2402");
    EXPECT_EQ(session->window().grid().row(), 1);
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());
    EXPECT_TRUE(port_open());
}

TEST_F(FaultDrill, GarbageAndStrayEndMarksNeverPutOneRowsValueIntoAnother) {
    start_with_example({"--garbage"});
    // Distinct values, so that a value that lands in the wrong row shows.
    const std::vector<std::pair<std::string, std::string>> scratch = {
        {"3000", "11"}, {"3001", "22"}, {"3002", "33"}, {"3003", "44"}, {"3004", "55"}};
    for (std::size_t i = 0; i < scratch.size(); ++i) {
        const int row = kScratchRow + static_cast<int>(i);
        session->set_row(row, scratch[i].first, "", "");
        session->type_into_input_box(QString::fromStdString(scratch[i].second));
        session->double_click(row, 2);
    }
    for (int round = 0; round < 4; ++round) {
        session->click_get_all();
        EXPECT_FALSE(busy());
        EXPECT_EQ(session->cell(2, 2), "01") << "step, round " << round;
        for (std::size_t i = 0; i < scratch.size(); ++i) {
            const int row = kScratchRow + static_cast<int>(i);
            EXPECT_EQ(session->cell(row, 2), scratch[i].second)
                << "row " << row << " (" << scratch[i].first << "), round " << round << ", "
                << session->status().toStdString();
        }
    }
    EXPECT_TRUE(port_open());
}

TEST_F(FaultDrill, HangUpInTheMiddleOfGetAllStopsThereAndKeepsTheRowsNotRead) {
    // 2402 (a word: two requests), 2404 and 2405 are answered; the line closes after that.
    start_with_example({"--hangup-after", "4"});
    // The line closes after four requests of the byte protocol.
    session->window().session().link().set_block_reads_allowed(false);
    for (int row = kScratchRow; row < kScratchRow + 3; ++row)
        session->set_row(row, "300" + std::to_string(row - kScratchRow), "EE", "D");
    session->window().session().table().set_text(4, 2, "C3");  // 102B, the first row not answered
    const GridCells before = session->cells();

    session->click_get_all();
    EXPECT_FALSE(busy());
    EXPECT_FALSE(port_open());
    EXPECT_TRUE(session->status().startsWith("Status: ")) << session->status().toStdString();
    EXPECT_NE(session->status(), "Status: Program Running");
    EXPECT_FALSE(session->status().startsWith("Status: No reply"))
        << "the closed line must be named, not taken for a silent board";
    EXPECT_EQ(session->window().grid().row(), 4);

    EXPECT_EQ(session->cell(2, 2), "01");
    EXPECT_EQ(session->cell(3, 2), "01");
    EXPECT_EQ(session->cell(1, 2).size(), 4u);
    const QStringList expected_changes{"1,2", "1,4", "2,2", "2,4", "3,2", "3,4"};
    QStringList changed = changed_cells(before, session->cells());
    for (const QString& allowed : expected_changes) changed.removeAll(allowed);
    EXPECT_EQ(changed, QStringList()) << "cells of rows not answered changed";

    // Later commands say the line is gone instead of waiting for it.
    const QString after_hangup = session->status();
    session->double_click(kScratchRow, 0);
    EXPECT_EQ(session->status(), after_hangup);
    EXPECT_EQ(session->cell(kScratchRow, 2), "EE");
}

TEST_F(FaultDrill, LineClosingInTheMiddleOfADownloadFailsItAndLeavesTheGridAlone) {
    start({});
    const QString program = folder.filePath("big.s19");
    ASSERT_TRUE(write_big_program(program, 600));
    // A map beside the program must not be read: the program never started.
    QFile map(folder.filePath("big.csv"));
    ASSERT_TRUE(map.open(QIODevice::WriteOnly));
    map.write("\"3000\",\"from the map\",\"\",\"\",\"\"\r\n");
    map.close();
    session->set_row(kScratchRow, "3000", "5A", "D");
    const GridCells before = session->cells();

    const double progress_when_closed = download_interrupted(
        program, [&] { session->board().stop(); }, true);

    ASSERT_GE(progress_when_closed, 0.1) << "the download ended before the line was closed";
    EXPECT_TRUE(session->status().startsWith("Status: Download failed: "))
        << session->status().toStdString();
    EXPECT_FALSE(session->window().session().link().gate_open());
    EXPECT_LT(progress(), 1.0);
    EXPECT_EQ(session->window().session().download().program_path(), program.toStdString());
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());
    EXPECT_FALSE(busy());
    ASSERT_EQ(session->messages.size(), 2);
    EXPECT_EQ(session->messages[0], "Turn on the CME11E9 and Press Reset");
    EXPECT_TRUE(session->messages[1].startsWith("The download failed: "))
        << session->messages[1].toStdString();
}

TEST_F(FaultDrill, ClosingTheWindowInsideAReadWaitEndsTheReadAndKeepsTheRow) {
    start_with_example({"--no-reply"});
    session->set_row(kScratchRow, "3000", "5A", "D");
    const GridCells before = session->cells();
    const QString status_before = session->status();

    bool busy_when_closed = false;
    QTimer::singleShot(300, [&] {
        busy_when_closed = busy();
        session->window().close();
    });
    session->double_click(kScratchRow, 0);

    EXPECT_TRUE(busy_when_closed);
    EXPECT_TRUE(session->window().closed());
    EXPECT_FALSE(session->window().isVisible());
    EXPECT_FALSE(port_open());
    EXPECT_FALSE(busy());
    EXPECT_EQ(session->status(), status_before);
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());
    session->run_for(200ms);
    EXPECT_FALSE(session->window().isVisible());
    EXPECT_EQ(session->board().stop(), 0) << "the board did not survive the window closing";
}

TEST_F(FaultDrill, ClosingTheWindowInsideADownloadEndsItWithoutStartingTheProgram) {
    start({});
    const QString program = folder.filePath("big.s19");
    ASSERT_TRUE(write_big_program(program, 600));
    const GridCells before = session->cells();

    const double progress_when_closed =
        download_interrupted(program, [&] { session->window().close(); });

    ASSERT_GE(progress_when_closed, 0.1) << "the download ended before the window closed";
    EXPECT_TRUE(session->window().closed());
    EXPECT_FALSE(session->window().isVisible());
    EXPECT_FALSE(port_open());
    EXPECT_FALSE(session->window().session().link().gate_open());
    EXPECT_EQ(session->status(), "Status: Sending File File");
    EXPECT_FALSE(busy());
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());
    session->run_for(200ms);
    EXPECT_FALSE(session->window().isVisible());
    EXPECT_EQ(session->board().stop(), 0) << "the board did not survive the window closing";
}

TEST_F(FaultDrill, BurstOfDoubleClicksDuringAReadIsQueuedAndEveryReplyGoesToItsOwnRow) {
    // Every reply comes late, so the burst surely falls into the first read's wait.
    start_with_example({"--reply-delay", "250"});
    session->set_row(kScratchRow, "3000", "", "D");
    session->type_into_input_box("5A");
    session->double_click(kScratchRow, 2);
    ASSERT_EQ(session->cell(kScratchRow, 2), "5A") << session->status().toStdString();
    session->set_row(kScratchRow + 1, "3001", "", "D");
    session->type_into_input_box("A5");
    session->double_click(kScratchRow + 1, 2);
    ASSERT_EQ(session->cell(kScratchRow + 1, 2), "A5") << session->status().toStdString();
    session->set_row(kScratchRow + 2, "3002", "DD", "W");
    session->window().session().table().set_text(kScratchRow, 2, "old");
    session->window().session().table().set_text(kScratchRow + 1, 2, "old");
    const GridCells before = session->cells();

    bool queued_behind_the_read = false;
    QTimer::singleShot(50, [&] {
        queued_behind_the_read = busy();
        for (int i = 0; i < 5; ++i) {
            session->window().session().table().set_row(kScratchRow + 1);
            session->window().session().table().set_col(0);
            session->window().session().cells().read_or_write_cell();
            session->window().session().cells().get_all();
        }
    });
    session->double_click(kScratchRow, 0);

    EXPECT_TRUE(queued_behind_the_read);
    EXPECT_FALSE(busy());
    EXPECT_EQ(session->status(), "Status: Program Running");
    EXPECT_EQ(session->cell(kScratchRow, 2), "5A");
    EXPECT_EQ(session->cell(kScratchRow, 4), "90");
    EXPECT_EQ(session->cell(kScratchRow + 1, 2), "A5");
    EXPECT_EQ(session->cell(kScratchRow + 1, 4), "165");
    EXPECT_EQ(session->cell(kScratchRow + 2, 2).size(), 4u);  // read by Get All, as a word
    QStringList changed = changed_cells(before, session->cells());
    for (const char* read_by_get_all : {"1,2", "1,4", "2,2", "2,4", "3,2", "3,4", "4,2", "5,2",
                                        "10,2", "10,4", "11,2", "11,4", "12,2"})
        changed.removeAll(read_by_get_all);
    EXPECT_EQ(changed, QStringList()) << "a value landed in a row nobody read";

    // Nothing was left on its way: the next read gets its own answer, not a late one.
    session->double_click(kScratchRow, 0);
    EXPECT_EQ(session->cell(kScratchRow, 2), "5A");
}

}  // namespace
}  // namespace halvane::drills
