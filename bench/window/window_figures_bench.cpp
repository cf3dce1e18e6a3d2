// The window's figures as a user meets them, through the real window against the simulated
// board: its resident memory after File > Open and Get All on the example, the width of the
// status table's texts against the status line's at the drawn size, and the grid rows in view
// at the drawn size and at 1920x1080.
//
//   window_figures_bench    (under Xvfb as users see it, or QT_QPA_PLATFORM=offscreen)

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "dialog_answerer.h"
#include "e2e/board_process.h"
#include "qt/halvane_window.h"
#include "qt/watch_grid.h"
#include "status/status_texts.h"
#include "symbols/symbol_import.h"

namespace {

void run_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

long resident_kib() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return -1;
}

// The status table's texts with typical values in their blanks.
std::vector<std::string> status_texts() {
    namespace texts = halvane::texts;
    const auto s = [](std::string_view text) { return std::string(text); };
    return {s(texts::kAwaitingProgramFile),
            s(texts::kAwaitingProgram),
            s(texts::kSendingFile),
            s(texts::kProgramRunning),
            s(texts::kNotConfirmed),
            s(texts::kNoRecords),
            halvane::moved_rows_status(texts::kProgramRunning, 3),
            s(texts::kDownloadFailed) + "No such file or directory",
            s(texts::kDownloadFailed) + s(texts::kBoardReported) + "error: line 12: bad checksum",
            s(texts::kDownloadCancelled),
            s(texts::kNoReplyAt) + "2402",
            s(texts::kInvalidAddressInRow) + "12",
            s(texts::kInvalidValueForRow) + "12",
            s(texts::kBusy),
            s(texts::kStatusPrefix) + "The serial device was disconnected",
            s(texts::kStatusPrefix) + s(texts::kPortClosed),
            s(texts::kStatusPrefix) +
                "Cannot open the serial port /dev/ttyUSB0: No such file or directory"};
}

int rows_in_view(halvane::qt::WatchGrid& grid) {
    return grid.viewport()->height() / grid.rowHeight(0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    halvane::e2e::BoardProcess board({});
    if (board.device().empty()) {
        std::fprintf(stderr, "boardsim did not start\n");
        return 1;
    }
    halvane::qt::HalvaneWindow window(QString::fromStdString(board.device()), HALVANE_EXAMPLES_DIR);
    if (!window.start()) return 1;
    window.show();
    DialogAnswerer answerer(QStringLiteral(HALVANE_EXAMPLES_DIR "/counter.s19"));
    window.session().download().open_program();
    while (window.session().link().downloading()) run_for(50);
    window.session().cells().get_all();
    while (!window.session().link().idle()) run_for(20);
    run_for(300);
    std::printf("resident memory after Get All: %.1f MB (target <= 60)\n",
                static_cast<double>(resident_kib()) / 1024);

    auto* status = window.findChild<QLabel*>(QStringLiteral("Status"));
    std::string longest;
    int longest_width = 0;
    int cut = 0;
    for (const std::string& text : status_texts()) {
        const int width = status->fontMetrics().horizontalAdvance(QString::fromStdString(text));
        if (width > longest_width) {
            longest_width = width;
            longest = text;
        }
        window.session().status().set_program_status(text);
        if (status->text() != QString::fromStdString(text)) {
            ++cut;
            std::printf("cut: \"%s\" as \"%s\"\n", text.c_str(), qPrintable(status->text()));
        }
    }
    window.session().status().set_program_status(longest);
    std::printf("window %dx%d, status font %s %.1f pt\n", window.width(), window.height(),
                qPrintable(status->font().family()), status->font().pointSizeF());
    std::printf("longest status text: %d px (\"%s\")\n", longest_width, longest.c_str());
    std::printf("status line showing it: %d px; texts cut at the drawn size: %d of %zu\n",
                status->width(), cut, status_texts().size());

    halvane::qt::WatchGrid& grid = window.grid();
    std::printf("grid rows in view at the drawn size: %d (Description %d px)\n", rows_in_view(grid),
                grid.columnWidth(1));
    window.resize(1920, 1080);
    run_for(300);
    std::printf("grid rows in view at %dx%d: %d (Description %d px)\n", window.width(),
                window.height(), rows_in_view(grid), grid.columnWidth(1));
    window.close();
    return 0;
}
