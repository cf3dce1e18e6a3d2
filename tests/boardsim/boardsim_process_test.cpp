// Runs the real boardsim program and talks to it over its pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
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

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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

    bool open_terminal(const std::string& path) {
        terminal_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (terminal_ < 0) return false;
        termios t{};
        tcgetattr(terminal_, &t);
        cfmakeraw(&t);
        return tcsetattr(terminal_, TCSANOW, &t) == 0;
    }

    void type(const std::string& text) {
        ASSERT_EQ(write(terminal_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
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

    // Types the monitor dialogue of a download, with the window's pauses.
    void download(const std::string& file) {
        type("\r");
        std::this_thread::sleep_for(1ms);
        type("load t\r");
        std::this_thread::sleep_for(1ms);
        type(file);
        std::this_thread::sleep_for(5ms);
        type("\r");
        std::this_thread::sleep_for(5ms);
        type("\r");
        std::this_thread::sleep_for(5ms);
        type("go 2400\r");
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
    EXPECT_NE(board.read_ending_with(">").find("CME11E9 monitor"), std::string::npos);
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir / "board")));
}

TEST(BoardsimProcess, BadOptionsExitWithStatusTwoAndSayWhy) {
    BoardProcess board({"--baud", "fast"});
    EXPECT_EQ(board.wait_exit(std::nullopt), 2);
    const std::string message = board.stderr_text();
    EXPECT_NE(message.find("--baud needs a rate"), std::string::npos) << message;
    EXPECT_NE(message.find("--help"), std::string::npos) << message;

    BoardProcess help({"--help"});
    EXPECT_NE(help.first_line().find("Usage: boardsim"), std::string::npos);
    EXPECT_EQ(help.wait_exit(std::nullopt), 0);
}

TEST(BoardsimProcess, RunsTheExampleWhoseResponderServesTheWatchWindow) {
    TempDir dir;
    BoardProcess board({"--log", dir / "traffic.log"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.read_ending_with(">");
    board.download(read_file(HALVANE_EXAMPLES_DIR "/counter.s19"));
    const std::string dialogue = board.read_ending_with("go 2400\r\n");
    EXPECT_NE(dialogue.find(" data records, 0 bad\r\n>"), std::string::npos) << dialogue;

    // The window's pace: one character per millisecond.
    auto request = [&](const std::string& text) {
        for (char c : text) {
            board.type(std::string(1, c));
            std::this_thread::sleep_for(1ms);
        }
    };
    request("*2400");
    EXPECT_EQ(board.read_ending_with("@", 3s), "!20@");
    // Written at once, the line paces it, and the log shows it as one group however late a
    // loaded machine wakes the test between characters.
    board.type("*FFFF30007F");
    request("*3000");
    EXPECT_EQ(board.read_ending_with("@", 3s), "!7F@");
    // The program's counter: its high byte steps about 270 times a second.
    request("*2402");
    const std::string first = board.read_ending_with("@", 3s);
    std::this_thread::sleep_for(100ms);
    request("*2402");
    const std::string later = board.read_ending_with("@", 3s);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(later.size(), 4u);
    EXPECT_NE(later, first);
    // Stopped through its `run` flag, it stays where it is.
    request("*FFFF240500");
    request("*2402");
    const std::string stopped = board.read_ending_with("@", 3s);
    std::this_thread::sleep_for(100ms);
    request("*2402");
    EXPECT_EQ(board.read_ending_with("@", 3s), stopped);

    // SIGUSR1 is the reset button.
    kill(board.pid(), SIGUSR1);
    EXPECT_NE(board.read_ending_with(">").find("CME11E9 monitor"), std::string::npos);
    EXPECT_EQ(board.wait_exit(SIGINT), 0);

    const std::string log = read_file(dir / "traffic.log");
    EXPECT_NE(log.find("PC->board  \"*FFFF30007F\""), std::string::npos)
        << log.substr(log.size() > 1500 ? log.size() - 1500 : 0);
    EXPECT_NE(log.find("board->PC  \"!7F@\""), std::string::npos);
    EXPECT_NE(log.find("reset: reset button"), std::string::npos);
}

TEST(BoardsimProcess, TracesTheProgramAndShowsItsReturnToTheMonitor) {
    TempDir dir;
    BoardProcess board({"--trace", dir / "run.trace"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.read_ending_with(">");
    // LDAA #42, SWI
    board.type("load t\rS106240086423FCE\rS9030000FC\rgo 2400\r");
    const std::string out = board.read_ending_with("S-0041\r\n>");
    EXPECT_NE(out.find("program stopped: SWI at 2402\r\nP-2403 Y-0000 X-0000 A-42"),
              std::string::npos)
        << out;
    EXPECT_EQ(board.wait_exit(SIGTERM), 0);
    const std::string trace = read_file(dir / "run.trace");
    EXPECT_TRUE(trace.starts_with("2400  86")) << trace;
    EXPECT_NE(trace.find("\n2402  3F"), std::string::npos) << trace;
}

TEST(BoardsimProcess, HangupAfterClosesTheLineAndEnds) {
    BoardProcess board({"--baud", "0", "--hangup-after", "2"});
    ASSERT_TRUE(board.open_terminal(board.first_line()));
    board.read_ending_with(">");
    board.download(read_file(HALVANE_EXAMPLES_DIR "/counter.s19"));
    board.read_ending_with("go 2400\r\n");
    board.type("*2400");
    EXPECT_EQ(board.read_ending_with("@", 1s), "!20@");
    board.type("*2401");
    EXPECT_EQ(board.read_ending_with("@", 1s), "!04@");
    board.read_for(1s);
    EXPECT_TRUE(board.hung_up());
    EXPECT_EQ(board.wait_exit(std::nullopt), 0);
}

}  // namespace
