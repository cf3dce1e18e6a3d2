// Live Refresh with block reads against byte reads, in the same run, on the simulated board
// running the example (its interrupt-driven responder):
//   - eight word rows at consecutive addresses: sweeps a second;
//   - the example's own rows: rows refreshed a second;
//   - with boardsim --corrupt-every 50: N reads of the example's rows, the counter stopped, and
//     how many values shown were wrong and how many replies were refused by their check.
//
//   block_read_bench [SECONDS per measurement] [READS under corruption] [--line-rate BAUD]
//                    [BOARDSIM OPTION...]
//
// With --line-rate 62500 (or 125000) the first two figures are measured at 9600 and then again
// at that rate, agreed with the responder by the link's own fast line; corruption is measured at
// 9600. The boardsim options (such as --usb-latency 16) apply to the first two.

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "common/line_rate.h"
#include "e2e/board_process.h"
#include "e2e/link_harness.h"
#include "text/hex_digits.h"

namespace {

using halvane::e2e::LinkHarness;
using namespace std::chrono_literals;

// Counts the readings of every row.
struct Readings {
    explicit Readings(halvane::WatchTable& table)
        : told(table.reading_noted.subscribe(
              [this](const halvane::ReadingNotice& notice) { noted(notice); })) {}
    void noted(const halvane::ReadingNotice& notice) {
        if (notice.failed) {
            ++failed;
        } else {
            ++good;
            last[notice.row] = notice.value.value_or(0xFFFFFFFF);
            if (on_good) on_good(notice);
        }
    }
    long good = 0;
    long failed = 0;
    std::map<int, std::uint32_t> last;
    std::function<void(const halvane::ReadingNotice&)> on_good;
    halvane::Subscription told;
};

// Rows refreshed a second while Live Refresh runs for `seconds`.
double rows_per_second(LinkHarness& link, Readings& readings, double seconds) {
    link.session->watch().set_live_refresh(true);
    link.run_for(500ms);
    const long before = readings.good;
    link.run_for(std::chrono::milliseconds(static_cast<long>(seconds * 1000)));
    const long read = readings.good - before;
    link.session->watch().set_live_refresh(false);
    link.settle();
    return read / seconds;
}

void word_rows(LinkHarness& link, int count) {
    for (int r = 1; r < 100; ++r) link.grid.set_text(r, 0, "");
    for (int r = 1; r <= count; ++r) {
        link.grid.set_text(r, 0, halvane::hex_text(0x3000u + 2u * static_cast<unsigned>(r), 4));
        link.grid.set_text(r, 3, "WD");
    }
}

std::unique_ptr<LinkHarness> open(halvane::e2e::BoardProcess& board) {
    auto link = std::make_unique<LinkHarness>(board.device());
    if (!link->session->start()) return nullptr;
    // At 9600 first: the fast line only once asked for.
    link->session->link().set_fast_line_allowed(false);
    link->download(std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19");
    return link;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const long line_rate = halvane::bench::take_line_rate(args);
    // The numbers first; from the first option on, boardsim's options ("--usb-latency 16").
    std::vector<std::string> numbers;
    std::vector<std::string> board_options;
    for (const std::string& arg : args)
        (board_options.empty() && !arg.starts_with("--") ? numbers : board_options).push_back(arg);
    const double seconds = !numbers.empty() ? std::atof(numbers[0].c_str()) : 10.0;
    const long corrupted_reads = numbers.size() > 1 ? std::atol(numbers[1].c_str()) : 10000;

    halvane::e2e::BoardProcess board(board_options);
    std::unique_ptr<LinkHarness> link = board.device().empty() ? nullptr : open(board);
    if (!link) {
        std::fprintf(stderr, "boardsim or the download failed\n");
        return 1;
    }
    Readings readings(link->grid);
    std::vector<long> rates = {halvane::wire::kSlowLine.baud};
    if (line_rate != rates[0]) rates.push_back(line_rate);
    for (const long rate : rates) {
        const bool agreed = halvane::bench::set_line_rate(
            link->session->link(), rate,
            [&] {
                link->session->cells().get_all();
                link->settle();
            },
            [&] { link->settle(); });
        double rows_at[2] = {};
        for (const bool blocks : {true, false}) {
            link->session->link().set_block_reads_allowed(blocks);
            word_rows(*link, 8);
            const double words = rows_per_second(*link, readings, seconds) / 8;
            // The example's map, as the download loaded it.
            link->session->maps().load_program_map(std::string(HALVANE_EXAMPLES_DIR) +
                                                   "/counter.csv");
            const double rows = rows_per_second(*link, readings, seconds);
            rows_at[blocks ? 0 : 1] = rows;
            std::printf(
                "%ld baud%s, %s: 8 consecutive words %.2f sweeps/s; the example's rows %.1f "
                "rows/s%s\n",
                rate, agreed ? "" : " (NOT AGREED)", blocks ? "block reads" : "byte reads ", words,
                rows, blocks && !link->session->link().block_reads() ? " (NOT ANSWERED)" : "");
        }
        std::printf("%ld baud: the example's rows, block reads %.2f x the rows/s of byte reads\n",
                    rate, rows_at[1] > 0 ? rows_at[0] / rows_at[1] : 0.0);
    }
    halvane::bench::set_line_rate(
        link->session->link(), halvane::wire::kSlowLine.baud, [] {}, [&] { link->settle(); });
    readings.told.end();
    link->session->close();
    link.reset();

    // Under corruption, with the counter stopped: every row then has one right value.
    halvane::e2e::BoardProcess noisy({"--corrupt-every", "50"});
    link = noisy.device().empty() ? nullptr : open(noisy);
    if (!link) {
        std::fprintf(stderr, "boardsim --corrupt-every 50 or the download failed\n");
        return 1;
    }
    link->session->link().set_block_reads_allowed(true);
    link->grid.set_text(3, 2, "");
    link->input_box.answers.push_back("00");
    link->grid.set_row(3);  // run, 2405
    link->grid.set_col(2);
    link->session->cells().read_or_write_cell();
    link->settle();
    // The right values: read until two Get Alls agree.
    std::map<int, std::string> right;
    for (int tries = 0; tries < 20; ++tries) {
        link->session->cells().get_all();
        link->settle();
        std::map<int, std::string> now;
        for (const int row : link->grid.watched_rows()) now[row] = link->grid.text(row, 2);
        if (now == right) break;
        right = now;
    }
    Readings noisy_readings(link->grid);
    long wrong = 0;
    noisy_readings.on_good = [&](const halvane::ReadingNotice& notice) {
        const std::string shown = link->grid.text(notice.row, 2);
        if (shown == right[notice.row]) return;
        ++wrong;
        std::printf("  wrong: row %d (%s) shows %s, right %s\n", notice.row,
                    link->grid.text(notice.row, 0).c_str(), shown.c_str(),
                    right[notice.row].c_str());
    };
    const long long refused_before = link->session->link().block_read_probe().refused_replies();
    link->session->watch().set_live_refresh(true);
    link->run_until([&] { return noisy_readings.good >= corrupted_reads; }, 600s);
    link->session->watch().set_live_refresh(false);
    link->settle();
    noisy_readings.told.end();
    std::printf(
        "--corrupt-every 50: %ld reads shown, %ld wrong (target 0); %lld block replies refused "
        "by their check, %ld rows failed after the second try; block reads %s\n",
        noisy_readings.good, wrong,
        link->session->link().block_read_probe().refused_replies() - refused_before,
        noisy_readings.failed, link->session->link().block_reads() ? "kept" : "given up");
    link->session->close();
    return wrong == 0 ? 0 : 1;
}
