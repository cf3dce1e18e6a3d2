// Measures how fast characters cross the simulated board's line at its default pacing: a
// download to the monitor, the monitor's dump of memory, and memory reads one after another as
// the watch window makes them. At 9600 baud 8N1 a line carries 960 characters per second in
// each direction.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "e2e/board_process.h"
#include "link/wire_protocol.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads from `fd` until `tail` has arrived; returns the count of characters read, or -1 after
// ten seconds without it.
long read_until(int fd, const std::string& tail) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) continue;
        char buffer[1024];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return -1;
        got.append(buffer, static_cast<std::size_t>(n));
        if (got.find(tail) != std::string::npos) return static_cast<long>(got.size());
    }
    return -1;
}

std::string s1_record(unsigned address) {
    char line[64];
    unsigned sum = 0x13 + (address >> 8) + (address & 0xFF);
    std::string data;
    for (unsigned i = 0; i < 16; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", (address + i) & 0xFF);
        data += hex;
        sum += (address + i) & 0xFF;
    }
    std::snprintf(line, sizeof line, "S113%04X%s%02X\r\n", address, data.c_str(), ~sum & 0xFF);
    return line;
}

int fail(const char* why) {
    std::fprintf(stderr, "boardsim_bench: %s\n", why);
    return 1;
}

}  // namespace

int main() {
    // The loaded records are not a program: let the board answer reads by itself.
    halvane::e2e::BoardProcess board({"--builtin-responder"});
    const int fd = open(board.device().c_str(), O_RDWR | O_NOCTTY);
    if (board.device().empty() || fd < 0) return fail("boardsim did not start");
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    // The monitor's rate after a reset: at any other the board's characters arrive as NULs.
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    // The banner; the monitor's first prompt comes after a CR. Its lines end with CR LF NUL.
    const std::string line_end("\r\n\0", 3);
    read_until(fd, "commands)" + line_end);
    if (write(fd, "\r", 1) != 1 || read_until(fd, ">") < 0)
        return fail("the monitor did not show its prompt");

    // A download: 64 records of 16 bytes, written at once; the monitor reads them without an
    // echo, leaves the line unread for a second after the end record, then reports.
    std::string file;
    for (unsigned r = 0; r < 64; ++r) file += s1_record(0x2400 + 16 * r);
    file += "S9032400D8\r\n";
    const std::string load = "load t\r";
    auto start = Clock::now();
    if (write(fd, load.data(), load.size()) < 0 || write(fd, file.data(), file.size()) < 0)
        return fail("the download could not be written");
    if (read_until(fd, "bad" + line_end + ">") < 0)
        return fail("the monitor did not report the load");
    const double download_time = seconds_since(start) - 1.0;
    const auto sent = static_cast<double>(load.size() + file.size());
    std::printf(
        "download: %.0f characters in %.3f s after the board's one-second pause = %.0f "
        "characters/s (line limit 960)\n",
        sent, download_time, sent / download_time);

    // The monitor's dump of 1 KiB, 64 lines of 16 bytes: characters back as fast as the line
    // takes them.
    const std::string dump = "md 2400 27FF\r";
    start = Clock::now();
    if (write(fd, dump.data(), dump.size()) < 0) return fail("md could not be written");
    const long dumped = read_until(fd, line_end + ">");
    const double dump_time = seconds_since(start);
    if (dumped < 0) return fail("the monitor did not dump the memory");
    std::printf("memory dump: %ld characters back in %.3f s = %.0f characters/s (line limit 960)\n",
                dumped, dump_time, static_cast<double>(dumped) / dump_time);

    // Reads one after another: each waits for its reply, as the watch window does.
    const std::string go = "go 2400\r";
    if (write(fd, go.data(), go.size()) < 0) return fail("go could not be written");
    read_until(fd, "go 2400" + line_end);
    constexpr int kReads = 200;
    start = Clock::now();
    for (int i = 0; i < kReads; ++i) {
        const std::string request = halvane::wire::read_request_text(0x2402);
        if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()) ||
            read_until(fd, std::string(1, halvane::wire::kReplyEnd)) < 0)
            return fail("a read got no reply");
    }
    const double reads_time = seconds_since(start);
    std::printf(
        "sequential reads: %d in %.3f s = %.1f reads/s, %.0f characters/s both ways "
        "(9 character times each: at most 106.7 reads/s)\n",
        kReads, reads_time, kReads / reads_time, kReads * 9 / reads_time);

    close(fd);
    return board.stop() == 0 ? 0 : 1;
}
