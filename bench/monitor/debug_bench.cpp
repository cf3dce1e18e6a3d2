// Debugging the example on the simulated board at 9600 baud, from the window's session:
// - Continue to the next stop at the breakpoint on `addd` (once round the main loop), against
//   the wire time of every character that went either way meanwhile (boardsim's traffic log);
// - Step to the next line's mark (the trace's registers back);
// - Pause to the stopped status;
// - `halvane-cli run-to main_loop` from start to exit, on the running program.
//   debug_bench [BOARDSIM OPTION...]

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/board_process.h"
#include "e2e/link_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
const std::string kExamples = HALVANE_EXAMPLES_DIR;
constexpr int kRounds = 10;

// Characters either way, as boardsim's traffic log lists them (the hex bytes of each group).
long wire_characters(const std::string& log_path) {
    std::ifstream log(log_path);
    long count = 0;
    for (std::string line; std::getline(log, line);) {
        if (line.find("board->PC") == std::string::npos &&
            line.find("PC->board") == std::string::npos)
            continue;
        std::istringstream fields(line.substr(line.rfind('"') + 1));
        for (std::string field; fields >> field;) count += field.size() == 2 ? 1 : 0;
    }
    return count;
}

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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
    auto link = std::make_unique<halvane::e2e::LinkHarness>(board.device());
    if (!link->session->start()) return 1;
    auto& board_link = link->session->link();
    auto& debug = link->session->debug();
    link->download(kExamples + "/counter.s19");
    const auto stopped_at = [&](std::uint16_t pc) {
        return board_link.board_state() == halvane::BoardState::kStopped && debug.registers() &&
               debug.registers()->pc == pc;
    };
    debug.toggle_line(43);  // addd count, at 2424
    if (!link->run_until([&] { return stopped_at(0x2424); }, std::chrono::seconds(5))) {
        std::fprintf(stderr, "no stop at the breakpoint: %s\n", link->status.value.c_str());
        return 1;
    }
    link->settle();

    double continue_ms = 0;
    double step_ms = 0;
    long continue_characters = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Step: the trace's registers move the mark to 2427.
        auto start = Clock::now();
        debug.step();
        link->run_until([&] { return stopped_at(0x2427); }, std::chrono::seconds(5));
        step_ms += ms_since(start);
        link->settle();
        link->run_for(std::chrono::milliseconds(100));  // the log's groups end
        const long before = wire_characters(log_path);
        start = Clock::now();
        debug.continue_program();
        link->run_until([&] { return stopped_at(0x2424); }, std::chrono::seconds(5));
        continue_ms += ms_since(start);
        link->settle();
        link->run_for(std::chrono::milliseconds(100));
        continue_characters += wire_characters(log_path) - before;
    }
    const double wire_ms = continue_characters * 10.0 / 9600.0 * 1000.0 / kRounds;
    std::printf(
        "Continue to the next stop at 2424: %.1f ms (mean of %d); %.1f characters on the wire, "
        "%.1f ms at 9600: elapsed / wire time %.2f\n",
        continue_ms / kRounds, kRounds, static_cast<double>(continue_characters) / kRounds, wire_ms,
        continue_ms / kRounds / wire_ms);
    std::printf("Step to the mark on the next line: %.1f ms (mean of %d)\n", step_ms / kRounds,
                kRounds);

    // Pause: the breakpoint out, the program on, then paused.
    debug.toggle_line(43);
    link->settle();
    debug.continue_program();
    link->settle();
    double pause_ms = 0;
    for (int round = 0; round < kRounds; ++round) {
        link->run_for(std::chrono::milliseconds(50));
        const auto start = Clock::now();
        debug.pause();
        link->run_until(
            [&] {
                return link->status.value.rfind("Status: Stopped at ", 0) == 0 &&
                       board_link.board_state() == halvane::BoardState::kStopped;
            },
            std::chrono::seconds(5));
        pause_ms += ms_since(start);
        link->settle();
        debug.continue_program();
        link->settle();
    }
    std::printf("Pause to the stopped status: %.1f ms (mean of %d)\n", pause_ms / kRounds, kRounds);
    link->session->close();
    link.reset();

    // The CLI on the running program: paused, run to main_loop, stopped there, then on again.
    double cli_ms = 0;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        QProcess cli;
        cli.start(QStringLiteral(HALVANE_CLI),
                  {"run-to", "--port", QString::fromStdString(board.device()), "--elf",
                   QString::fromStdString(kExamples + "/counter.elf"), "main_loop"});
        cli.waitForFinished(30'000);
        cli_ms += ms_since(start);
        failures += cli.exitCode() != 0 ? 1 : 0;
        QProcess go;
        go.start(QStringLiteral(HALVANE_CLI),
                 {"monitor", "--port", QString::fromStdString(board.device()), "g"});
        go.waitForFinished(30'000);
    }
    std::printf("halvane-cli run-to main_loop, start to exit: %.1f ms (mean of %d, %d failed)\n",
                cli_ms / kRounds, kRounds, failures);
    return failures == 0 ? 0 : 1;
}
