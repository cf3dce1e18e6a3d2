// Downloads a 32 KiB S-record file to the simulated board at its default 9600-baud pacing
// and reports the elapsed time against the line's own time plus the monitor's one-second
// pause after the load, the longest stall of the event loop during the transfer, and the CPU
// used.
//
//   QT_QPA_PLATFORM=offscreen download_bench [boardsim options]

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/process_cpu.h"
#include "e2e/board_process.h"
#include "e2e/link_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

// S1 records of 32 data bytes from 4000 hexadecimal up, then S9, until 32 KiB are written.
std::string make_program(std::size_t size) {
    std::string text;
    unsigned address = 0x4000;
    while (text.size() < size - 14) {
        unsigned sum = 35 + (address >> 8) + (address & 0xFF);
        char line[128];
        int n = std::snprintf(line, sizeof line, "S123%04X", address);
        for (int i = 0; i < 32; ++i) {
            const unsigned byte = (address + i) & 0xFF;
            sum += byte;
            n += std::snprintf(line + n, sizeof line - n, "%02X", byte);
        }
        std::snprintf(line + n, sizeof line - n, "%02X\r\n", ~sum & 0xFF);
        text += line;
        address += 32;
    }
    text += "S9032400D8\r\n";
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> options;
    for (int i = 1; i < argc; ++i) options.emplace_back(argv[i]);
    halvane::e2e::BoardProcess board(options);
    if (board.device().empty()) {
        std::fprintf(stderr, "boardsim did not start\n");
        return 1;
    }
    const auto path = std::filesystem::temp_directory_path() / "halvane-download-bench.s19";
    const std::string program = make_program(32 * 1024);
    std::ofstream(path, std::ios::binary) << program;

    halvane::e2e::LinkHarness link(board.device());
    if (!link.session->start()) return 1;

    // A probe that asks the event loop to run every 2 ms: the longest gap between two of its
    // runs is the longest the window could not repaint or take input.
    Clock::time_point last_probe = Clock::now();
    Clock::duration longest_stall{};
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longest_stall = std::max(longest_stall, now - last_probe);
        last_probe = now;
    });

    const double cpu_before = halvane::bench::cpu_seconds();
    const auto start = Clock::now();
    last_probe = start;
    probe.start(2);
    link.download(path.string());
    probe.stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = halvane::bench::cpu_seconds() - cpu_before;

    const double n = static_cast<double>(program.size());
    // The characters on the wire, the six pauses, and the monitor's one-second pause after the
    // load (none with --fast-load).
    const bool fast_load =
        std::find(options.begin(), options.end(), "--fast-load") != options.end();
    const double wire = (1 + 7 + n + 1 + 1 + 8) * (10.0 / 9600.0) + 22 * 0.001;
    const double expected = wire + (fast_load ? 0.0 : 1.0);
    std::printf("status: %s\n", link.status.value.c_str());
    std::printf(
        "download of %.0f bytes: %.3f s elapsed, wire time %.3f s + monitor pause %.1f s, "
        "ratio %.4f (target <= 1.01)\n",
        n, elapsed, wire, expected - wire, elapsed / expected);
    std::printf("longest event-loop stall: %.1f ms (target <= 20 ms)\n",
                std::chrono::duration<double, std::milli>(longest_stall).count());
    std::printf("CPU: %.3f s = %.1f%% of one core\n", cpu, 100.0 * cpu / elapsed);
    std::filesystem::remove(path);
    link.session->close();
    return link.session->link().gate_open() ? 0 : 1;
}
