// Runs the real boardsim program and talks to it over its pseudo-terminal.
#include <asm/termbits.h>  // termios2, for rates such as 62500 (glibc's <termios.h> cannot say them)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/wire_protocol.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;
const std::string kReplyEnd(1, halvane::wire::kReplyEnd);
// How the monitor ends each line it prints.
const std::string kLineEnd("\r\n\0", 3);

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One boardsim process with its stdout and stderr on pipes.
class BoardProcess {
  public:
    explicit BoardProcess(std::vector<std::string> args) {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            close(out[0]);
            close(err[0]);
            std::vector<char*> argv{const_cast<char*>(BOARDSIM_PATH)};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(BOARDSIM_PATH, argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        stdout_ = out[0];
        stderr_ = err[0];
    }
    ~BoardProcess() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (terminal_ >= 0) close(terminal_);
        if (stdout_ >= 0) close(stdout_);
        if (stderr_ >= 0) close(stderr_);
    }

    // The first line on stdout, within a time limit.
    std::string first_line() {
        std::string line;
        const auto deadline = Clock::now() + 5s;
        char c;
        while (Clock::now() < deadline) {
            pollfd fd{stdout_, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0) continue;
            if (read(stdout_, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }

    // Raw, at `rate` baud: the rate a PC's program sets on its port.
    bool open_terminal(const std::string& path, unsigned rate = 9600) {
        terminal_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return terminal_ >= 0 && set_rate(rate);
    }
    bool set_rate(unsigned rate) {
        termios2 t{};
        if (ioctl(terminal_, TCGETS2, &t) != 0) return false;
        t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                            ICRNL | IXON);
        t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CBAUD);
        t.c_cflag |= CS8 | BOTHER;
        t.c_ispeed = t.c_ospeed = rate;
        return ioctl(terminal_, TCSETS2, &t) == 0;
    }

    void type(const std::string& text) {
        ASSERT_EQ(write(terminal_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    // At the window's pace: one character per millisecond.
    void request(const std::string& text) {
        for (char c : text) {
            type(std::string(1, c));
            std::this_thread::sleep_for(1ms);
        }
    }

    // Reads until `enough` says so or the time is up; returns what came.
    std::string read_until(const std::function<bool(const std::string&)>& enough,
                           std::chrono::milliseconds limit) {
        std::string got;
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline && !enough(got)) {
            pollfd fd{terminal_, POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0) continue;
            char buffer[512];
            const ssize_t n = read(terminal_, buffer, sizeof buffer);
            if (n <= 0) {
                hung_up_ = true;
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    std::string read_for(std::chrono::milliseconds limit) {
        return read_until([](const std::string&) { return false; }, limit);
    }
    std::string read_ending_with(const std::string& tail, std::chrono::milliseconds limit = 3s) {
        return read_until([&](const std::string& s) { return s.ends_with(tail); }, limit);
    }

    // Exit status after a signal (or on its own), within a time limit; -1 if it did not end.
    int wait_exit(std::optional<int> signal_number, std::chrono::milliseconds limit = 5s) {
        if (signal_number) kill(pid_, *signal_number);
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    std::string stderr_text() {
        std::string text;
        char buffer[512];
        pollfd fd{stderr_, POLLIN, 0};
        while (poll(&fd, 1, 100) > 0) {
            const ssize_t n = read(stderr_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

    pid_t pid() const { return pid_; }
    bool hung_up() const { return hung_up_; }

    // What the monitor shows after a reset: its banner, then it waits for a CR.
    std::string banner() { return read_ending_with("commands)" + kLineEnd); }

    // Downloads and starts a program as a user at a terminal would: CR for the prompt, "load t",
    // the file, the monitor's report and prompt a second after the end record, two bare CRs
    // (they only show prompts after a load) and "go 2400". Returns the monitor's dialogue up
    // to the echo of the go command.
    std::string download(const std::string& file) {
        type("\r");
        std::string dialogue = read_ending_with(">");
        type("load t\r");
        type(file);
        dialogue += read_ending_with(" bad" + kLineEnd + ">", 10s);
        type("\r");
        dialogue += read_ending_with(">");
        type("\r");
        dialogue += read_ending_with(">");
        type("go 2400\r");
        return dialogue + read_ending_with("go 2400" + kLineEnd);
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    int stderr_ = -1;
    int terminal_ = -1;
    bool hung_up_ = false;
    std::optional<int> status_;
};

class TempDir {
  public:
    TempDir() {
        char name[] = "/tmp/boardsim-test-XXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

TEST(BoardsimProcess, PrintsTheTerminalMakesTheLinkAndCleansUpOnSigterm) {
    TempDir dir;
    BoardProcess board({"--link", dir / "board"});
    const std::string path = board.first_line();
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << path;
    std::string target;
    for (int i = 0; i < 100 && target.empty(); ++i) {
        std::error_code error;
        target = std::filesystem::read_symlink(dir / "board", error).string();
        if (target.empty()) std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(target, path);
    ASSERT_TRUE(board.open_terminal(dir / "board"));
    EXPECT_NE(board.banner().find("CME11E9 monitor"), std::string::npos);
    board.type("\r");
    EXPECT_EQ(board.read_ending_with(">"), ">");
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir / "board")));
}

TEST(BoardsimProcess, BadOptionsExitWithStatusTwoAndSayWhy) {
    BoardProcess board({"--baud", "9600"});
    EXPECT_EQ(board.wait_exit(std::nullopt), 2);
    const std::string message = board.stderr_text();
    EXPECT_NE(message.find("the rate the program's BAUD register sets"), std::string::npos)
        << message;
    EXPECT_NE(message.find("--help"), std::string::npos) << message;

    BoardProcess help({"--help"});
    EXPECT_NE(help.first_line().find("Usage: boardsim"), std::string::npos);
    EXPECT_EQ(help.wait_exit(std::nullopt), 0);

    TempDir dir;
    std::ofstream(dir / "short.bin") << std::string(100, '\x01');
    BoardProcess short_rom({"--rom", dir / "short.bin"});
    EXPECT_EQ(short_rom.wait_exit(std::nullopt), 2);
    EXPECT_EQ(short_rom.stderr_text(), "boardsim: --rom " + (dir / "short.bin") +
                                           ": a ROM image is 8192 bytes of E000-FFFF or "
                                           "S-records; this file has 100 bytes\n");
}

TEST(BoardsimProcess, RunsTheExampleWhoseResponderServesTheWatchWindow) {
    TempDir dir;
    BoardProcess board({"--log", dir / "traffic.log"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.banner();
    const std::string dialogue = board.download(read_file(HALVANE_EXAMPLES_DIR "/counter.s19"));
    // The records are not echoed.
    EXPECT_NE(dialogue.find(">load t" + kLineEnd + "done: "), std::string::npos) << dialogue;
    const std::string prompt = kLineEnd + ">";
    EXPECT_NE(
        dialogue.find(" data records, 0 bad" + prompt + prompt + prompt + "go 2400" + kLineEnd),
        std::string::npos)
        << dialogue;

    auto request = [&](const std::string& text) { board.request(text); };
    request(read_request_text(0x2400));
    EXPECT_EQ(board.read_ending_with(kReplyEnd, 3s), reply_text(0x20));
    // Typed at once, the line paces it and the log shows it as one group however busy this
    // machine is.
    board.type(write_request_text(0x3000, 0x7F));
    request(read_request_text(0x3000));
    EXPECT_EQ(board.read_ending_with(kReplyEnd, 3s), reply_text(0x7F));
    // The program's counter: its high byte steps about 270 times a second.
    request(read_request_text(0x2402));
    const std::string first = board.read_ending_with(kReplyEnd, 3s);
    std::this_thread::sleep_for(100ms);
    request(read_request_text(0x2402));
    const std::string later = board.read_ending_with(kReplyEnd, 3s);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(later.size(), 4u);
    EXPECT_NE(later, first);
    // Stopped through its `run` flag, it stays where it is.
    request(write_request_text(0x2405, 0x00));
    request(read_request_text(0x2402));
    const std::string stopped = board.read_ending_with(kReplyEnd, 3s);
    std::this_thread::sleep_for(100ms);
    request(read_request_text(0x2402));
    EXPECT_EQ(board.read_ending_with(kReplyEnd, 3s), stopped);

    // SIGUSR1 is the reset button.
    kill(board.pid(), SIGUSR1);
    EXPECT_NE(board.banner().find("CME11E9 monitor"), std::string::npos);
    EXPECT_EQ(board.wait_exit(SIGINT), 0);

    const std::string log = read_file(dir / "traffic.log");
    EXPECT_NE(log.find("PC->board  \"" + write_request_text(0x3000, 0x7F) + "\""),
              std::string::npos)
        << log.substr(log.size() > 1500 ? log.size() - 1500 : 0);
    EXPECT_NE(log.find("board->PC  \"" + reply_text(0x7F) + "\""), std::string::npos);
    EXPECT_NE(log.find("reset: reset button"), std::string::npos);
}

TEST(BoardsimProcess, TracesTheProgramAndShowsItsReturnToTheMonitor) {
    TempDir dir;
    BoardProcess board({"--trace", dir / "run.trace"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.banner();
    // LDAA #42, SWI
    board.type("\rload t\rS106240086423FCE\rS9030000FC\r");
    board.read_ending_with(" bad" + kLineEnd + ">");
    board.type("go 2400\r");
    const std::string out = board.read_ending_with("S-0041 " + kLineEnd + ">");
    EXPECT_EQ(
        out, "go 2400" + kLineEnd + "P-2402 Y-0000 X-0000 A-42 B-00 C-D0 S-0041 " + kLineEnd + ">");
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);
    const std::string trace = read_file(dir / "run.trace");
    EXPECT_TRUE(trace.starts_with("2400  86")) << trace;
    EXPECT_NE(trace.find("\n2402  3F"), std::string::npos) << trace;
}

// The rate the PC sets on the terminal, read from the pseudo-terminal's other end, against the
// rate the program's responder switches to.
TEST(BoardsimProcess, TheLineRunsAtTheRatesSetOnTheTerminalAndInBaud) {
    BoardProcess board({});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.banner();
    board.download(read_file(HALVANE_EXAMPLES_DIR "/counter.s19"));
    board.request("=01");
    EXPECT_EQ(board.read_ending_with(kReplyEnd), "!01@");
    ASSERT_TRUE(board.set_rate(62'500));
    board.request(read_request_text(0x2400));
    EXPECT_EQ(board.read_ending_with(kReplyEnd), reply_text(0x20));
    // Back at 9600, a NUL reaches the program with a framing error and its responder follows.
    ASSERT_TRUE(board.set_rate(9600));
    board.request(std::string(1, '\0'));
    board.request(read_request_text(0x2400));
    EXPECT_EQ(board.read_ending_with(kReplyEnd), reply_text(0x20));
    // At 62 500 baud the monitor's banner, at 9600 after the reset, is NULs.
    ASSERT_TRUE(board.set_rate(62'500));
    kill(board.pid(), SIGUSR1);
    const std::string banner = board.read_for(500ms);
    EXPECT_GT(banner.size(), 80u);
    EXPECT_EQ(banner.find_first_not_of('\0'), std::string::npos) << banner;
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);
}

bool have_test_rom() {
    return !std::string(HALVANE_TEST_ROM).empty();
}

const std::string kRomBannerEnd = "(68HC11E9)\r\n";

TEST(BoardsimProcess, RunsAMonitorRomThatLoadsTheExampleAndKeepsItAcrossReset) {
    if (!have_test_rom()) GTEST_SKIP() << "m68hc11-as is not installed";
    TempDir dir;
    BoardProcess board({"--rom", HALVANE_TEST_ROM, "--log", dir / "traffic.log"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    EXPECT_NE(board.read_ending_with(kRomBannerEnd).find("TESTMON"), std::string::npos);
    board.type("\r");
    EXPECT_EQ(board.read_ending_with(">"), "\r\n>");
    board.type("load t\r");
    EXPECT_EQ(board.read_ending_with("\n"), "load t\r\n");
    // Typed right behind the file, the go command falls into the ROM's pause after S9.
    board.type(read_file(HALVANE_EXAMPLES_DIR "/counter.s19") + "\r\rgo 2400\r");
    EXPECT_EQ(board.read_ending_with("done\r\n>", 5s), "done\r\n>");
    EXPECT_EQ(board.read_for(300ms), "");
    board.type("go 2400\r");
    EXPECT_EQ(board.read_ending_with("\n"), "go 2400\r\n");

    // The example's responder answers, and its counter moves.
    board.request(read_request_text(0x2402));
    const std::string first = board.read_ending_with(kReplyEnd, 3s);
    std::this_thread::sleep_for(100ms);
    board.request(read_request_text(0x2402));
    const std::string later = board.read_ending_with(kReplyEnd, 3s);
    ASSERT_EQ(first.size(), 4u) << first;
    EXPECT_EQ(later.size(), 4u) << later;
    EXPECT_NE(later, first);

    // Reset restarts the ROM; the program is still in memory.
    kill(board.pid(), SIGUSR1);
    EXPECT_NE(board.read_ending_with(kRomBannerEnd).find("TESTMON"), std::string::npos);
    board.type("\r");
    EXPECT_EQ(board.read_ending_with(">"), "\r\n>");
    board.type("go 2400\r");
    EXPECT_EQ(board.read_ending_with("\n"), "go 2400\r\n");
    board.request(read_request_text(0x2400));
    EXPECT_EQ(board.read_ending_with(kReplyEnd, 3s), reply_text(0x20));
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);

    const std::string log = read_file(dir / "traffic.log");
    EXPECT_NE(log.find("power on: monitor ROM"), std::string::npos) << log.substr(0, 1500);
    EXPECT_NE(log.find("reset: reset button"), std::string::npos);
    EXPECT_NE(log.find("board->PC  \"done\\r\\n\""), std::string::npos);
}

TEST(BoardsimProcess, RomAsSRecordsIsTracedAndPe0StartsTheEepromsProgram) {
    if (!have_test_rom()) GTEST_SKIP() << "m68hc11-as is not installed";
    TempDir dir;
    {
        BoardProcess board({"--rom", HALVANE_TEST_ROM_S19, "--trace", dir / "rom.trace"});
        ASSERT_TRUE(board.open_terminal(board.first_line()));
        EXPECT_NE(board.read_ending_with(kRomBannerEnd).find("TESTMON"), std::string::npos);
        EXPECT_EQ(board.wait_exit(SIGTERM), 0);
        // The first instruction is the ROM's, at its reset vector: LDAA PORTE.
        EXPECT_TRUE(read_file(dir / "rom.trace").starts_with("E000  B6")) << dir / "rom.trace";
    }
    BoardProcess board(
        {"--rom", HALVANE_TEST_ROM, "--pe0", "1", "--eeprom", HALVANE_TEST_EEPROM_S19});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    EXPECT_EQ(board.read_ending_with("running\r\n"), "\r\nprogram in EEPROM running\r\n");
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);
}

TEST(BoardsimProcess, HangupAfterClosesTheLineAndEnds) {
    BoardProcess board({"--baud", "0", "--hangup-after", "2"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.banner();
    board.download(read_file(HALVANE_EXAMPLES_DIR "/counter.s19"));
    board.type(read_request_text(0x2400));
    EXPECT_EQ(board.read_ending_with(kReplyEnd, 1s), reply_text(0x20));
    board.type(read_request_text(0x2401));
    EXPECT_EQ(board.read_ending_with(kReplyEnd, 1s), reply_text(0x04));
    board.read_for(1s);
    EXPECT_TRUE(board.hung_up());
    EXPECT_EQ(board.wait_exit(std::nullopt), 0);
}

}  // namespace
