// The monitor from the window, against the simulated board at 9600 baud, before any download:
// - Get All over the example's rows (count, step, run and two SCI registers) read through the
//   monitor's md and mm, against the wire time of every character the board sent meanwhile
//   (the echo of each command, its answer, the prompts), counted in boardsim's traffic log;
// - the time from Enter in the console to the answer of "md 2400" in the receive box;
// - how often this process wakes up while the board waits at its prompt.
//   monitor_bench [BOARDSIM OPTION...]

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/process_cpu.h"
#include "e2e/board_process.h"
#include "e2e/link_harness.h"

namespace {

// Characters the board sent, as boardsim's traffic log lists them (the hex bytes of each
// "board->PC" group).
long board_characters(const std::string& log_path) {
    std::ifstream log(log_path);
    long count = 0;
    for (std::string line; std::getline(log, line);) {
        const std::size_t at = line.find("board->PC");
        if (at == std::string::npos) continue;
        // The bytes as hex follow the quoted text: count the two-digit fields after its end.
        std::istringstream fields(line.substr(line.rfind('"') + 1));
        for (std::string field; fields >> field;) count += field.size() == 2 ? 1 : 0;
    }
    return count;
}

// Voluntary and involuntary context switches of this process's threads so far.
long long wake_ups() {
    long long total = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
            line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::stoll(line.substr(line.find(':') + 1));
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const std::string log_path = folder.filePath("traffic.log").toStdString();
    std::vector<std::string> options = {"--log", log_path};
    for (int i = 1; i < argc; ++i) options.emplace_back(argv[i]);
    halvane::e2e::BoardProcess board(options);
    if (board.device().empty()) {
        std::fprintf(stderr, "boardsim did not start\n");
        return 1;
    }
    halvane::e2e::LinkHarness link(board.device());
    if (!link.session->start()) return 1;
    auto& board_link = link.session->link();
    if (!link.run_until([&] { return board_link.board_state() == halvane::BoardState::kAtMonitor; },
                        std::chrono::seconds(5))) {
        std::fprintf(stderr, "the board's monitor did not answer\n");
        return 1;
    }
    link.settle();

    // The example's rows, as its map names them.
    const char* rows[][2] = {
        {"2402", "WD"}, {"2404", "D"}, {"2405", "D"}, {"102B", ""}, {"102D", ""}};
    int row = 1;
    for (const auto& [address, flag] : rows) {
        link.grid.set_text(row, 0, address);
        link.grid.set_text(row, 3, flag);
        ++row;
    }
    link.run_for(std::chrono::milliseconds(300));  // the log's groups end
    const long sent_before = board_characters(log_path);
    const auto start = std::chrono::steady_clock::now();
    link.session->cells().get_all();
    link.settle();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    link.run_for(std::chrono::milliseconds(300));
    const long sent = board_characters(log_path) - sent_before;
    const double wire = sent * 10.0 / 9600.0;
    std::printf("status after Get All: %s\n", link.status.value.c_str());
    std::printf(
        "Get All through the monitor, %d rows: %.3f s elapsed; the board sent %ld "
        "characters, %.3f s on the wire at 9600: elapsed / wire time %.2f\n",
        row - 1, elapsed, sent, wire, elapsed / wire);
    for (int r = 1; r < row; ++r)
        std::printf("  %s %s\n", link.grid.text(r, 0).c_str(), link.grid.text(r, 2).c_str());

    // Enter in the console to the answer in the receive box: the dump line and the prompt.
    const auto entered = std::chrono::steady_clock::now();
    link.session->console().enter("md 2400");
    const bool answered = link.run_until(
        [&] {
            const std::string& shown = board_link.received().text();
            const std::size_t dump = shown.find("\n2400 ");
            return dump != std::string::npos && shown.find('>', dump) != std::string::npos;
        },
        std::chrono::seconds(5));
    const double answer_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - entered)
            .count();
    std::printf("console \"md 2400\": %s in %.1f ms from Enter\n",
                answered ? "answer shown" : "NO ANSWER", answer_ms);
    link.settle();

    // At the prompt, nothing to do: the process sleeps.
    link.run_for(std::chrono::milliseconds(500));
    const long long woken_before = wake_ups();
    const double cpu_before = halvane::bench::cpu_seconds();
    // Not the harness's own wait, which looks every 2 ms: one event loop, woken by the board only.
    QEventLoop idle;
    QTimer::singleShot(10'000, &idle, &QEventLoop::quit);
    idle.exec();
    std::printf(
        "at the monitor's prompt for 10 s: %.1f wake-ups a second, CPU %.2f%% of one core\n",
        static_cast<double>(wake_ups() - woken_before) / 10.0,
        10.0 * (halvane::bench::cpu_seconds() - cpu_before));
    link.session->close();
    return answered ? 0 : 1;
}
