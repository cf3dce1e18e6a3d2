// halvane-cli as a script runs it: the built program as a child process against the simulated
// board running the example, judged by its exit status, its standard output and its errors.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <string>

#include "e2e/board_process.h"

namespace halvane::e2e {
namespace {

const QString kExamples = QStringLiteral(HALVANE_EXAMPLES_DIR);
const QString kProgram = kExamples + "/counter.s19";
const QString kMap = kExamples + "/counter.csv";
const QString kElf = kExamples + "/counter.elf";

struct CliRun {
    int status = -1;  // -1: it did not end by itself
    std::string out;
    std::string err;
};

// Runs halvane-cli with `args`; with `interrupt_after`, `meanwhile` runs after that time and
// then Ctrl-C comes.
CliRun run_cli(const QStringList& args,
               std::chrono::milliseconds interrupt_after = std::chrono::milliseconds(0),
               const std::function<void()>& meanwhile = {}) {
    QProcess process;
    process.start(QStringLiteral(HALVANE_CLI), args);
    CliRun run;
    if (!process.waitForStarted()) return run;
    if (interrupt_after.count() > 0 &&
        !process.waitForFinished(static_cast<int>(interrupt_after.count()))) {
        if (meanwhile) meanwhile();
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    }
    if (process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The example with one record whose checksum is wrong, before its end record.
QString bad_program() {
    const std::string good = file_text(kProgram.toStdString());
    const std::size_t last = good.rfind("S9");
    const std::string path = (std::filesystem::temp_directory_path() / "cli_e2e_bad.s19").string();
    std::ofstream(path, std::ios::binary)
        << good.substr(0, last) + "S1052400010200\r\n" + good.substr(last);
    return QString::fromStdString(path);
}

// The decimal values of the first value column of each recorded sweep; fails the test when a
// line is not a whole CSV line of the heading's width.
std::vector<long> first_column_values(const std::string& csv) {
    std::vector<long> values;
    const std::regex line(R"(\d+\.\d{3},[-0-9T:.+]+,([0-9A-F]{4}),(\d+)(,[0-9A-F]{2},\d+)*)");
    std::size_t start = csv.find("\r\n");
    EXPECT_NE(start, std::string::npos) << csv;
    for (start += 2; start < csv.size();) {
        const std::size_t end = csv.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "a line cut off: " << csv.substr(start);
        if (end == std::string::npos) break;
        std::smatch parts;
        const std::string text = csv.substr(start, end - start);
        EXPECT_TRUE(std::regex_match(text, parts, line)) << text;
        if (parts.size() > 2) values.push_back(std::stol(parts[2].str()));
        start = end + 2;
    }
    return values;
}

class CliE2E : public ::testing::Test {
  protected:
    void start_board(std::vector<std::string> options) {
        board = std::make_unique<BoardProcess>(options);
        ASSERT_FALSE(board->device().empty()) << "boardsim did not start";
        port = {QStringLiteral("--port"), QString::fromStdString(board->device())};
    }
    std::unique_ptr<BoardProcess> board;
    QStringList port;
};

constexpr const char* kRegistersAt241B =
    "P=241B Y=[0-9A-F]{4} X=[0-9A-F]{4} A=[0-9A-F]{2} B=[0-9A-F]{2} C=[0-9A-F]{2} S=[0-9A-F]{4}\n";

// Each step runs on what the steps before it left on the board, in order.
TEST_F(CliE2E, EveryCommandWorksOnTheExampleProgram) {
    start_board({});
    const struct {
        QStringList args;
        int status;
        const char* out;  // a regular expression for the whole of standard output
        const char* err;  // a regular expression for the whole of standard error
    } steps[] = {
        {{"download", kProgram}, 0, "", ""},
        {{"download", bad_program()},
         2,
         "",
         ".*cli_e2e_bad.s19: 1 bad record \\(first: line \\d+, bad checksum\\) \\(--force.*\n"},
        // The monitor rejects the record and says so; the rest of the program runs.
        {{"download", "--force", bad_program()},
         1,
         "",
         "halvane-cli: warning: .*\nhalvane-cli: .*: the board reported: error: line \\d+: bad "
         "checksum.*\n"},
        {{"read", "2404", "2402:w"}, 0, "2404\t2404\t01\t1\n2402:w\t2402\t[0-9A-F]{4}\t\\d+\n", ""},
        {{"read", "--map", kMap, "run", "count"},
         0,
         "run\t2405\t01\t1\ncount\t2402\t[0-9A-F]{4}\t\\d+\n",
         ""},
        {{"read", "--elf", kElf, "step"}, 0, "step\t2404\t01\t1\n", ""},
        {{"write", "--elf", kElf, "step=10", "3000:w=beef"},
         0,
         "step\t2404\t10\t16\n3000:w\t3000\tBEEF\t48879\n",
         ""},
        {{"write", "--decimal", "--map", kMap, "run=0", "3002=200"},
         0,
         "run\t2405\t00\t0\n3002\t3002\tC8\t200\n",
         ""},
        // The program counts by step while run is not zero: the count stands still now, so a
        // write to it reads back as written.
        {{"write", "--map", kMap, "count=1234"}, 0, "count\t2402\t1234\t4660\n", ""},
        {{"read", "--elf", kElf, "count", "run"},
         0,
         "count\t2402\t1234\t4660\nrun\t2405\t00\t0\n",
         ""},
        {{"write", "--decimal", "--map", kMap, "step=1", "run=1"},
         0,
         "step\t2404\t01\t1\nrun\t2405\t01\t1\n",
         ""},
        // Paused, run to the loop's start, stopped there; the registers of the stop.
        {{"run-to", "--elf", kElf, "main_loop"}, 0, kRegistersAt241B, ""},
        {{"registers"}, 0, kRegistersAt241B, ""},
        // lds at 2406 runs once at the start: never again, so the wait times out; the program
        // is paused, the breakpoint taken out, and it goes on.
        {{"run-to", "--timeout", "0.5", "2406"},
         1,
         "",
         "halvane-cli: .*did not reach 2406 in 0.5 s; the breakpoint is out and it runs on\n"},
        {{"read", "2404"}, 0, "2404\t2404\t01\t1\n", ""},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.args.join(' ').toStdString());
        const CliRun run = run_cli(step.args + port);
        EXPECT_EQ(run.status, step.status) << run.err;
        EXPECT_TRUE(std::regex_match(run.out, std::regex(step.out))) << run.out;
        EXPECT_TRUE(std::regex_match(run.err, std::regex(step.err))) << run.err;
    }

    // Three sweeps of every variable of the program, then a watch ended by Ctrl-C while it
    // holds the port, so that a read cannot have it: whole lines, and the count grows from
    // line to line. Both go at 62 500 baud and leave the board at 9600, as the download after
    // them shows; the first says so.
    for (const bool interrupted : {false, true}) {
        SCOPED_TRACE(interrupted ? "ended by Ctrl-C" : "three sweeps");
        CliRun held;
        const CliRun run =
            interrupted
                ? run_cli(QStringList{"watch", "--map", kMap, "count", "step"} + port,
                          std::chrono::milliseconds(400),
                          [&] {
                              held = run_cli(QStringList{"read", "2402"} + port);
                          })
                : run_cli(QStringList{"watch", "--elf", kElf, "--sweeps", "3", "--verbose"} + port);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, interrupted ? ""
                                       : "halvane-cli: line: 9600 baud\nhalvane-cli: line: 62 500 "
                                         "baud\nhalvane-cli: line: 9600 baud\n");
        EXPECT_TRUE(run.out.starts_with(
            interrupted ? "seconds,time,\"count hex\",\"count dec\",\"step hex\",\"step dec\"\r\n"
                        : "seconds,time,\"count hex\",\"count dec\",\"step hex\",\"step dec\","
                          "\"run hex\",\"run dec\"\r\n"))
            << run.out;
        if (interrupted) {
            EXPECT_EQ(held.status, 1);
            EXPECT_TRUE(std::regex_match(
                held.err, std::regex("halvane-cli: Cannot open the serial port /dev/[^ ]+: .+\n")))
                << held.err;
        }
        const std::vector<long> counts = first_column_values(run.out);
        if (!interrupted) {
            EXPECT_EQ(counts.size(), 3u);
        }
        ASSERT_GE(counts.size(), 2u) << run.out;
        for (std::size_t i = 1; i < counts.size(); ++i) {
            // By some thousands a sweep, wrapping round after 65535.
            const long grown = (counts[i] - counts[i - 1] + 65536) % 65536;
            EXPECT_TRUE(grown > 0 && grown < 32768) << run.out;
        }
    }

    // Ctrl-C in the middle of a download cancels it.
    const CliRun cancelled =
        run_cli(QStringList{"download", kProgram} + port, std::chrono::milliseconds(700));
    EXPECT_EQ(cancelled.status, 130) << cancelled.err;
    EXPECT_NE(cancelled.err.find("download cancelled"), std::string::npos) << cancelled.err;
}

// A program runs whose responder never answers: the monitor is not there to read through.
TEST_F(CliE2E, ASilentBoardLeavesTheValuesEmptyAndFails) {
    start_board({"--no-reply"});
    ASSERT_EQ(run_cli(QStringList{"download", kProgram} + port).status, 0);
    const CliRun run = run_cli(QStringList{"read", "--map", kMap, "count", "3000"} + port);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "count\t2402\t\t\n3000\t3000\t\t\n");
    EXPECT_TRUE(std::regex_match(run.err, std::regex("halvane-cli: .*: no reply from the board "
                                                     "to any of the 2 reads .*\n")))
        << run.err;
}

// Each is refused with status 2 before the port is opened: the board receives nothing.
TEST_F(CliE2E, UsageErrorsSendNothing) {
    const std::string log = (std::filesystem::temp_directory_path() / "cli_e2e_board.log").string();
    start_board({"--log", log});
    const std::string twice =
        (std::filesystem::temp_directory_path() / "cli_e2e_twice.csv").string();
    std::ofstream(twice) << "\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n"
                            "\"2402\",\"x\",\"\",\"\",\"\"\r\n\"2404\",\"x\",\"\",\"\",\"\"\r\n";
    const QString elf = kElf;
    const QStringList cases[] = {
        {"frobnicate"},
        {"read"},
        {"read", "240"},
        {"read", "2402", "count"},  // a name without --map or --elf
        {"read", "--map", kMap, "2402", "nosuch"},
        {"read", "--map", QString::fromStdString(twice), "x"},
        {"read", "--elf", elf, "start"},  // a code label 21 bytes long
        {"read", "--map", "/nonexistent/map.csv", "count"},
        {"read", "--map", kMap, "--elf", elf, "count"},
        {"read", "--force", "2402"},
        {"write", "2404"},
        {"write", "2404=1"},
        {"write", "2402:w=12"},
        {"write", "--decimal", "2404=256"},
        {"watch"},
        {"watch", "--sweeps", "0", "2402"},
        {"watch", "--interval", "-1", "2402"},
        {"watch", "--duration", "1", "--sweeps", "2", "2402"},
        {"watch", "--fast-line-rate", "9600", "2402"},
        {"read", "--no-fast-line", "2402"},
        {"download", "/nonexistent/program.s19"},
        {"download", bad_program()},
        {"registers", "2400"},
        {"run-to"},
        {"run-to", "nosuch"},
        {"run-to", "--timeout", "0", "2400"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun run = run_cli(args + port);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        // One line naming the program, and the file or what was wrong.
        EXPECT_TRUE(std::regex_match(run.err, std::regex("halvane-cli: [^\n]+\n"))) << run.err;
    }
    board->stop();
    EXPECT_EQ(file_text(log).find("PC->board"), std::string::npos) << file_text(log);
}

}  // namespace
}  // namespace halvane::e2e

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
