// The example's interrupt-driven responder on the 68HC11 core, with no PC and no host timing
// in the way: Get All over the example's rows (examples/counter.csv) as an ideal PC makes it,
// each request sent at line speed the moment the previous reply has ended. Reports the time
// against the wire time of the same characters (target: at most 1.05) and how long the SCI
// handler keeps interrupts masked, in E cycles (one E cycle is 0.5 us at 2 MHz). Then the
// handler's per-character path (its longest run for a character that is not the last of a
// request: at 62 500 baud it must stay under one character time, 320 E cycles) and what a
// pause ("%%") costs, from the interrupt to the monitor's SWI slot.
//
//   responder_bench [--fast-line] [PROGRAM.s19 [MAP.csv]]
//       (default: the shipped example and its map; --fast-line: all of it at 62 500 baud, after
//       the speed request "=01")
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "hc11/board.h"
#include "srecord/srecord.h"

namespace {

constexpr std::uint16_t kSciPseudoVector = 0x00C4;
constexpr std::uint64_t kInterruptEntryCycles = 14;
constexpr std::uint64_t kRtiCycles = 12;
constexpr std::uint16_t kSwiPseudoVector = 0x00F4;

bool load_s19(hc11::Board& board, const std::string& path) {
    const auto records = halvane::read_data_records(path);
    if (!records) return false;
    for (const halvane::SRecord& record : *records) board.load(record.address, record.data);
    return true;
}

// The byte addresses Get All reads for the map's rows: two for a word row (flag W).
std::vector<std::string> addresses_read(const std::string& map_path) {
    std::ifstream file(map_path);
    std::vector<std::string> addresses;
    std::string line;
    std::getline(file, line);  // the heading row
    while (std::getline(file, line)) {
        if (line.size() < 7 || line[1] == '"') continue;
        const std::string address = line.substr(1, 4);
        addresses.push_back(address);
        const std::size_t flag_start = line.rfind("\",\"", line.rfind("\",\"") - 1);
        if (line.find('W', flag_start) != std::string::npos) {
            char next[5];
            std::snprintf(next, sizeof next, "%04X",
                          (std::stoi(address, nullptr, 16) + 1) & 0xFFFF);
            addresses.emplace_back(next);
        }
    }
    return addresses;
}

// Follows the trace for the runs of the handler that starts at the SCI pseudo-vector.
class HandlerWatch {
  public:
    void see(const hc11::TraceRecord& record) {
        if (record.pc == kSciPseudoVector) {
            start_ = record.cycle - kInterruptEntryCycles;
            if (start_ != last_end_) stretch_start_ = start_;
            inside_ = true;
            ++runs_;
        }
        if (inside_ && record.prefix == 0 && record.opcode == 0x3B) {  // RTI
            last_end_ = record.cycle + kRtiCycles;
            longest_run_ = std::max(longest_run_, last_end_ - start_);
            longest_stretch_ = std::max(longest_stretch_, last_end_ - stretch_start_);
            inside_ = false;
        }
    }
    std::uint64_t runs() const { return runs_; }
    std::uint64_t longest_run() const { return longest_run_; }
    std::uint64_t longest_stretch() const { return longest_stretch_; }

  private:
    bool inside_ = false;
    std::uint64_t start_ = 0;
    std::uint64_t stretch_start_ = 0;
    std::uint64_t last_end_ = 0;
    std::uint64_t runs_ = 0;
    std::uint64_t longest_run_ = 0;
    std::uint64_t longest_stretch_ = 0;
};

}  // namespace

// Sends `text` at line speed and runs until the SCI and its handler are done with it.
void send(hc11::Board& board, const std::string& text, std::size_t reply_length = 0) {
    for (const char c : text) board.sci_receive(static_cast<std::uint8_t>(c));
    board.run_cycles((text.size() + reply_length + 4) * board.sci().character_cycles());
}

int main(int argc, char** argv) {
    const std::string examples = HALVANE_EXAMPLES_DIR;
    const bool fast_line = argc > 1 && std::string(argv[1]) == "--fast-line";
    if (fast_line) {
        --argc;
        ++argv;
    }
    const std::string program = argc > 1 ? argv[1] : examples + "/counter.s19";
    const std::string map = argc > 2 ? argv[2] : examples + "/counter.csv";
    hc11::Board board;
    if (!load_s19(board, program)) {
        std::fprintf(stderr, "responder_bench: cannot read %s\n", program.c_str());
        return 1;
    }
    const std::vector<std::string> addresses = addresses_read(map);
    if (addresses.empty()) {
        std::fprintf(stderr, "responder_bench: no rows in %s\n", map.c_str());
        return 1;
    }
    HandlerWatch watch;
    HandlerWatch* watching = &watch;
    std::uint64_t pause_start = 0;
    std::uint64_t pause_cycles = 0;
    board.set_trace([&](const hc11::TraceRecord& record) {
        if (record.pc == kSciPseudoVector) pause_start = record.cycle - kInterruptEntryCycles;
        if (record.pc == kSwiPseudoVector) pause_cycles = record.cycle - pause_start;
        watching->see(record);
    });
    std::string reply;
    std::uint64_t reply_end = 0;
    board.set_transmit_handler([&](std::uint8_t byte) {
        reply += static_cast<char>(byte);
        if (byte == '@') reply_end = board.cycles();
    });
    board.go(0x2400);
    board.run_cycles(hc11::Board::e_clock_hz / 100);  // 10 ms to set up
    if (fast_line) {
        send(board, "=01", 4);
        board.run_cycles(1000);
        if (reply != "!01@" || board.sci().character_cycles() != 320) {
            std::fprintf(stderr, "responder_bench: no change to 62 500 baud (got \"%s\")\n",
                         reply.c_str());
            return 1;
        }
    }

    const std::uint64_t character = board.sci().character_cycles();
    constexpr int kPasses = 20;
    std::uint64_t elapsed = 0;
    std::uint64_t slowest = 0;
    int reads = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
        for (const std::string& address : addresses) {
            const std::uint64_t sent = board.cycles();
            reply.clear();
            reply_end = 0;
            for (const char c : "*" + address) board.sci_receive(static_cast<std::uint8_t>(c));
            while (reply_end == 0 && board.cycles() - sent < 20 * character) board.run_cycles(20);
            if (reply_end == 0 || reply.size() != 4) {
                std::fprintf(stderr, "responder_bench: no reply to *%s (got \"%s\")\n",
                             address.c_str(), reply.c_str());
                return 1;
            }
            elapsed += reply_end - sent;
            slowest = std::max(slowest, reply_end - sent);
            ++reads;
        }
    }
    // Every character of these but the last: the handler's path while a request comes in.
    HandlerWatch per_character;
    watching = &per_character;
    // A speed request keeps the line's rate.
    for (const char* request : {"*2402", "#240220", "*FFFF240501", fast_line ? "=01" : "=30"}) {
        const std::string text = request;
        send(board, text.substr(0, text.size() - 1));
        watching = &watch;
        send(board, text.substr(text.size() - 1), 70);
        watching = &per_character;
    }
    watching = &watch;
    send(board, "%%");

    const double wire = static_cast<double>(reads) * 9.0 * static_cast<double>(character);
    std::printf(
        "Get All over %zu reads (%s), %d times: %.4f s of board time, wire time %.4f s, "
        "ratio %.4f (target <= 1.05); slowest read %.3f character times of 9\n",
        addresses.size(), map.c_str(), kPasses, static_cast<double>(elapsed) / 2e6, wire / 2e6,
        static_cast<double>(elapsed) / wire,
        static_cast<double>(slowest) / static_cast<double>(character));
    std::printf(
        "SCI handler: %llu runs, longest %llu E cycles (%.1f us); longest stretch with "
        "interrupts masked by it %llu E cycles (%.1f us); one character is %llu\n",
        static_cast<unsigned long long>(watch.runs()),
        static_cast<unsigned long long>(watch.longest_run()),
        static_cast<double>(watch.longest_run()) / 2.0,
        static_cast<unsigned long long>(watch.longest_stretch()),
        static_cast<double>(watch.longest_stretch()) / 2.0,
        static_cast<unsigned long long>(character));
    std::printf(
        "Per-character path (every character of a request but its last): longest run %llu E "
        "cycles (%.1f us)\n",
        static_cast<unsigned long long>(per_character.longest_run()),
        static_cast<double>(per_character.longest_run()) / 2.0);
    if (pause_cycles == 0) {
        std::printf("Pause (%%%%): the program did not reach the monitor's SWI slot\n");
    } else {
        std::printf(
            "Pause (%%%%): %llu E cycles from the second %%'s interrupt to the monitor's SWI "
            "slot\n",
            static_cast<unsigned long long>(pause_cycles));
    }
    return 0;
}
