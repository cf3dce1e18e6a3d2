// halvane-cli's commands on a board link without Qt: the fake clock and port, and a scripted
// board, make the ends that a real board cannot time exactly (a sweep cut off by Ctrl-C, the
// monitor's silence, a lost port) happen on purpose.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_arguments.h"
#include "cli/download_command.h"
#include "cli/monitor_command.h"
#include "cli/read_command.h"
#include "cli/watch_command.h"
#include "cli/write_command.h"
#include "core/scripted_board.h"
#include "fakes/fake_platform.h"

namespace halvane::cli {
namespace {

// A stream whose text the test reads back.
class CapturedStream {
  public:
    CapturedStream() : file_(open_memstream(&buffer_, &size_)) {}
    ~CapturedStream() {
        std::fclose(file_);
        std::free(buffer_);
    }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;
    std::FILE* file() { return file_; }
    std::string text() {
        std::fflush(file_);
        return {buffer_, size_};
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// A board link on the fake port with a scripted board running a program, and the console.
struct CommandBench {
    // `checks`: the link asks what the board does when the port opens, as halvane-cli's does.
    explicit CommandBench(bool checks = false) {
        serial.clock = &clock;
        link.set_state_checks(checks);
        fakes::open_past_line_reset(link, clock, serial, [this] { return link.open_port().ok; });
        // The scripted board speaks the byte protocol only.
        link.set_block_reads_allowed(false);
        link.set_gate(true);
        board.memory[0x2402] = 0x12;
        board.memory[0x2403] = 0x34;
        board.memory[0x2405] = 0x01;
    }
    ~CommandBench() { link.close(); }

    // Starts `command` and runs the board until it ends (or `limit_ms` pass).
    std::optional<ExitStatus> run(BoardCommand& command, std::int64_t limit_ms = 20'000) {
        command.start();
        clock.run_until([this] { return status.has_value(); }, limit_ms);
        return status;
    }
    // The CSV lines after the heading, each checked to be whole.
    std::vector<std::string> recorded_lines() {
        const std::string text = out.text();
        std::vector<std::string> lines;
        std::size_t start = text.find("\r\n");
        if (start == std::string::npos) return lines;
        for (start += 2; start < text.size();) {
            const std::size_t end = text.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << "a line cut off: " << text.substr(start);
            if (end == std::string::npos) break;
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }

    fakes::FakeClock clock;
    fakes::FakeSerial serial;
    BoardLink link{serial, clock};
    fakes::ScriptedBoard board{clock, serial};
    CapturedStream out;
    CapturedStream err;
    Console console{out.file(), err.file()};
    std::optional<ExitStatus> status;
    BoardCommand::Finished finished = [this](ExitStatus s) { status = s; };
};

const std::vector<MemoryTarget> kTargets{{"count", 0x2402, true}, {"run", 0x2405, false}};

TEST(CliCommands, ReadPrintsEveryTargetInOrderAndFailsForOneWithoutReply) {
    CommandBench b;
    b.board.silent_addresses = {0x3000};
    ReadCommand read(b.link, b.clock, b.console,
                     {kTargets[0], {"3000", 0x3000, false}, kTargets[1]}, b.finished);
    EXPECT_EQ(b.run(read), ExitStatus::kFailure);
    EXPECT_EQ(b.out.text(), "count\t2402\t1234\t4660\n3000\t3000\t\t\nrun\t2405\t01\t1\n");
    EXPECT_EQ(b.err.text(),
              "halvane-cli: /dev/fake0: no reply from the board for 3000 (1 of 3 reads)\n");
    // One sweep and no more: nothing starts that the program's exit would cut off.
    const int reads = b.board.reads;
    b.clock.run_for(2'000);
    EXPECT_EQ(b.board.reads, reads);
}

TEST(CliCommands, WriteFailsWhenTheReadBackDiffersAndGoesOnWithTheRest) {
    CommandBench b;
    // A register whose top bit the board sets whatever is written.
    b.serial.on_write = [&b, store = b.serial.on_write](std::string_view text) {
        store(text);
        b.board.memory[0x1030] |= 0x80;
    };
    WriteCommand write(b.link, b.clock, b.console,
                       {{"ADCTL", 0x1030, false}, {"3000:w", 0x3000, true}}, {"12", "BEEF"},
                       b.finished);
    EXPECT_EQ(b.run(write), ExitStatus::kFailure);
    EXPECT_EQ(b.out.text(), "ADCTL\t1030\t92\t146\n3000:w\t3000\tBEEF\t48879\n");
    EXPECT_EQ(b.err.text(), "halvane-cli: /dev/fake0: ADCTL: wrote 12, read back 92\n");
}

TEST(CliCommands, WatchEndsAfterItsSweepsWithALinePerSweep) {
    CommandBench b;
    WatchCommand watch(b.link, b.clock, b.console, kTargets, {0.1, std::nullopt, 3}, b.finished);
    EXPECT_EQ(b.run(watch), ExitStatus::kSuccess);
    EXPECT_TRUE(b.out.text().starts_with(
        "seconds,time,\"count hex\",\"count dec\",\"run hex\",\"run dec\"\r\n"));
    const std::vector<std::string> lines = b.recorded_lines();
    ASSERT_EQ(lines.size(), 3u) << b.out.text();
    // One interval from one sweep's start to the next.
    EXPECT_TRUE(lines[1].starts_with("0.1")) << lines[1];
    EXPECT_TRUE(lines[2].ends_with(",1234,4660,01,1")) << lines[2];
    EXPECT_EQ(b.board.reads, 9);  // a word is two reads
}

// Ctrl-C, the duration and a lost port all end a watch between two lines: the sweep under way
// is left out. Only a lost port is a failure, and says so.
TEST(CliCommands, AWatchEndsWithWholeLinesHoweverItIsEnded) {
    const struct {
        const char* how;
        std::optional<double> duration;
        std::function<void(WatchCommand&, CommandBench&)> end;
        ExitStatus status;
        std::string err;
    } cases[] = {
        {"Ctrl-C", std::nullopt, [](WatchCommand& w, CommandBench&) { w.interrupt(); },
         ExitStatus::kSuccess, ""},
        {"duration", 0.25, [](WatchCommand&, CommandBench&) {}, ExitStatus::kSuccess, ""},
        {"lost port", std::nullopt,
         [](WatchCommand&, CommandBench& b) { b.serial.fail("Device gone"); }, ExitStatus::kFailure,
         "halvane-cli: /dev/fake0: Device gone\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        CommandBench b;
        WatchCommand watch(b.link, b.clock, b.console, kTargets, {0, c.duration, std::nullopt},
                           b.finished);
        watch.start();
        // 0.25 s: the middle of a sweep, as each read takes a few ticks.
        b.clock.after_ms(250, [&] { c.end(watch, b); });
        b.clock.run_until([&] { return b.status.has_value(); }, 5'000);
        EXPECT_EQ(b.status, c.status);
        EXPECT_EQ(b.err.text(), c.err);
        EXPECT_GT(b.recorded_lines().size(), 5u);
    }
}

TEST(CliCommands, ADownloadFailsWithoutTheMonitorsConfirmationAndCtrlCCancelsIt) {
    const std::string program = std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19";
    {
        CommandBench b;
        DownloadCommand silent_monitor(b.link, b.console, program, false, b.finished);
        EXPECT_EQ(b.run(silent_monitor), ExitStatus::kFailure);
        EXPECT_GE(b.clock.now_ms(), 3'000);
        EXPECT_EQ(b.err.text(),
                  "halvane-cli: /dev/fake0: the monitor did not confirm the load "
                  "within 3 s (was Reset pressed before?)\n");
    }
    CommandBench b;
    // A slow line: what was sent still waits in the PC's queues.
    b.serial.pending_output = 100;
    DownloadCommand download(b.link, b.console, program, false, b.finished);
    download.start();
    b.clock.run_for(50);
    const std::size_t sent = b.serial.writes.size();
    download.interrupt();
    b.clock.run_for(5'000);
    EXPECT_EQ(b.status, ExitStatus::kInterrupted);
    EXPECT_EQ(b.serial.discards, 1);
    EXPECT_EQ(b.serial.writes.size(), sent);
}

// The forms a command line may take; what each refusal says is one line without the program.
TEST(CliArguments, OptionsGoAnywhereAfterTheCommandAndHelpWinsOverMistakes) {
    auto parse = [](std::vector<std::string> args) { return parse_arguments(args); };
    const ParsedArguments values = parse(
        {"watch", "2402", "--port=/dev/x", "--interval", "0.5", "--duration=60", "--", "--x"});
    ASSERT_TRUE(values.ok()) << values.error;
    EXPECT_EQ(values.arguments.port, "/dev/x");
    EXPECT_EQ(values.arguments.interval_seconds, 0.5);
    EXPECT_EQ(values.arguments.duration_seconds, 60);
    EXPECT_EQ(values.arguments.operands, (std::vector<std::string>{"2402", "--x"}));
    EXPECT_FALSE(values.arguments.no_fast_line);
    EXPECT_EQ(values.arguments.fast_line_rate, 62500);
    const ParsedArguments fastest =
        parse({"watch", "--fast-line-rate=125000", "--verbose", "2402"});
    ASSERT_TRUE(fastest.ok()) << fastest.error;
    EXPECT_EQ(fastest.arguments.fast_line_rate, 125000);
    EXPECT_TRUE(fastest.arguments.verbose);
    EXPECT_TRUE(parse({"watch", "--no-fast-line", "2402"}).arguments.no_fast_line);

    const ParsedArguments help = parse({"write", "--bogus", "--help"});
    EXPECT_EQ(help.arguments.request, Arguments::Request::kHelp);
    EXPECT_EQ(help.arguments.command, Command::kWrite);
    EXPECT_EQ(parse({"--version", "frobnicate"}).arguments.request, Arguments::Request::kVersion);

    const struct {
        std::vector<std::string> args;
        std::string error;
    } refused[] = {
        {{"read", "2402", "--port"}, "--port needs a value"},
        {{"read", "--port", "a", "--port=b", "2402"}, "--port is given twice"},
        {{"--port", "a", "read", "2402"}, "no command before --port"},
        {{"read", "--decimal", "2402"}, "read does not take --decimal"},
        {{"download", "--force=yes", "p.s19"}, "--force takes no value"},
        {{"watch", "--interval", "soon", "2402"}, "--interval takes seconds"},
        {{"download", "a.s19", "b.s19"}, "download takes one PROGRAM.s19"},
        {{"watch", "--fast-line-rate", "9600", "2402"}, "--fast-line-rate takes 62500 or 125000"},
        {{"read", "--no-fast-line", "2402"}, "read does not take --no-fast-line"},
    };
    for (const auto& r : refused) {
        const ParsedArguments parsed = parse(r.args);
        EXPECT_TRUE(parsed.error.starts_with(r.error)) << parsed.error;
    }
}

TEST(CliCommands, MonitorPrintsTheAnswerWithoutEchoAndNulsAndReadsGoThroughTheMonitor) {
    CommandBench b(true);
    b.board.at_monitor = true;
    b.board.memory[0x2402] = 0x12;
    b.board.memory[0x2403] = 0x34;
    MonitorCommand monitor(b.link, b.console, "md 2400", b.finished);
    monitor.start();
    b.clock.run();
    EXPECT_EQ(b.status, ExitStatus::kSuccess);
    const std::string printed = b.out.text();
    EXPECT_TRUE(printed.starts_with("2400 00 00 12 34")) << printed;
    EXPECT_EQ(printed.find('\0'), std::string::npos);
    EXPECT_EQ(printed.find("md 2400"), std::string::npos);

    b.status.reset();
    ReadCommand read(b.link, b.clock, b.console, {kTargets[0]}, b.finished);
    read.start();
    b.clock.run();
    EXPECT_EQ(b.status, ExitStatus::kSuccess);
    EXPECT_EQ(b.board.commands.back(), "md 2402 2403");

    // With a program running the monitor does not answer: nothing is typed to the program.
    CommandBench running(true);
    MonitorCommand silent(running.link, running.console, "md 2400", running.finished);
    silent.start();
    running.clock.run();
    EXPECT_EQ(running.status, ExitStatus::kFailure);
    EXPECT_EQ(running.serial.written(), "\x18*2400");
    EXPECT_EQ(parse_arguments(std::vector<std::string>{"monitor", ""}).ok(), false);
}

}  // namespace
}  // namespace halvane::cli
