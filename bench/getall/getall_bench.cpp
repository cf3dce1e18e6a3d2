// Get All over 99 word rows at consecutive addresses against the simulated board at its default
// 9600-baud pacing, with block reads and then with byte reads in the same run: elapsed time
// against the time the byte protocol's characters take on the wire, and CPU used.
//   getall_bench [--example-rows] [--line-rate BAUD] [BOARDSIM OPTION...]
// --example-rows keeps the example's own rows (its map: a word and four bytes) instead.
// --line-rate 62500 (or 125000) measures again at that rate, agreed with the responder as the
// link does, in the same run.

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

#include "common/line_rate.h"
#include "common/process_cpu.h"
#include "e2e/board_process.h"
#include "e2e/link_harness.h"

namespace {

struct Measured {
    double seconds = 0;
    double cpu = 0;
};

Measured get_all(halvane::e2e::LinkHarness& link) {
    const double cpu_before = halvane::bench::cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    link.session->cells().get_all();
    link.settle(std::chrono::seconds(60));
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {elapsed, halvane::bench::cpu_seconds() - cpu_before};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> options;
    bool example_rows = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--example-rows") {
            example_rows = true;
        } else {
            options.emplace_back(argv[i]);
        }
    }
    const long line_rate = halvane::bench::take_line_rate(options);
    halvane::e2e::BoardProcess board(options);
    if (board.device().empty()) {
        std::fprintf(stderr, "boardsim did not start\n");
        return 1;
    }
    halvane::e2e::LinkHarness link(board.device());
    if (!link.session->start()) return 1;
    // At 9600 first: the fast line only once asked for.
    link.session->link().set_fast_line_allowed(false);
    link.download(std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19");
    for (int r = 1; r < 100 && !example_rows; ++r) {
        char address[5];
        std::snprintf(address, sizeof address, "%04X", 0x3000 + 2 * r);
        link.grid.set_text(r, 0, address);
        link.grid.set_text(r, 3, "WD");
    }
    // Every byte read of the byte protocol is a request of five characters and a reply of four.
    int rows = 0;
    int reads = 0;
    for (int r = 1; r < 100; ++r) {
        if (link.grid.text(r, 0).empty()) continue;
        ++rows;
        reads += link.grid.text(r, 3).find('W') != std::string::npos ? 2 : 1;
    }
    const double wire = reads * (5 + 4) * (10.0 / 9600.0);

    // The first read of the run asks the responder about block reads; Get All comes after.
    link.session->cells().read_or_write_cell();
    link.settle();
    std::vector<long> rates = {halvane::wire::kSlowLine.baud};
    if (line_rate != rates[0]) rates.push_back(line_rate);
    for (const long rate : rates) {
        link.session->link().set_block_reads_allowed(true);
        const bool agreed = halvane::bench::set_line_rate(
            link.session->link(), rate,
            [&] {
                link.session->cells().read_or_write_cell();
                link.settle();
            },
            [&] { link.settle(); });
        const bool block_reads = link.session->link().block_reads();
        const Measured blocks = get_all(link);
        link.session->link().set_block_reads_allowed(false);
        const Measured bytes = get_all(link);

        std::printf("%ld baud%s: status after Get All: %s\n", rate, agreed ? "" : " (NOT AGREED)",
                    link.status.value.c_str());
        std::printf("Get All, %d rows (%d byte reads), byte protocol's wire time %.3f s at 9600\n",
                    rows, reads, wire);
        std::printf(
            "  block reads%s: %.3f s elapsed, %.2f x faster than that wire time (target >= 3.3 at "
            "9600), CPU %.1f%% of one core\n",
            block_reads ? "" : " (NOT ANSWERED)", blocks.seconds, wire / blocks.seconds,
            100.0 * blocks.cpu / blocks.seconds);
        std::printf(
            "  byte reads:  %.3f s elapsed, ratio to wire time %.4f (target <= 1.03 at 9600), CPU "
            "%.1f%% of one core\n",
            bytes.seconds, bytes.seconds / wire, 100.0 * bytes.cpu / bytes.seconds);
        std::printf("  block reads %.2f x faster than byte reads measured\n",
                    bytes.seconds / blocks.seconds);
    }
    halvane::bench::set_line_rate(
        link.session->link(), halvane::wire::kSlowLine.baud, [] {}, [&] { link.settle(); });
    link.session->close();
    return link.grid.row() == 99 ? 0 : 1;
}
