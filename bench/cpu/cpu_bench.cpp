// Reports how fast the 68HC11 core runs (target: at least 20 million E cycles a second, ten
// times the real board) and how much of one host core it needs to run a program that polls
// the SCI at the real board's 2 MHz (target: under 10%).
//
//   cpu_bench [seconds of real-speed run, default 3]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "hc11/board.h"
#include "hc11/clock_pacer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Memory traffic, 8- and 16-bit arithmetic, indexed Y stores and branches.
const std::vector<std::uint8_t> busy_loop = {
    0x8E, 0x01, 0xFF,        // LDS #$01FF
    0xCE, 0x00, 0x00,        // outer: LDX #0
    0x18, 0xCE, 0x30, 0x00,  // LDY #$3000
    0x96, 0x40,              // inner: LDAA $40
    0x8B, 0x03,              // ADDA #3
    0x97, 0x40,              // STAA $40
    0x18, 0xA7, 0x00,        // STAA 0,Y
    0x08,                    // INX
    0x8C, 0x10, 0x00,        // CPX #$1000
    0x26, 0xF1,              // BNE inner
    0x20, 0xE8,              // BRA outer
};

// What a responder does while nobody talks to it: poll SCSR, with a real-time interrupt
// advancing a counter every 4.096 ms.
const std::vector<std::uint8_t> polling_responder = {
    0x8E, 0x01, 0xFF,  // LDS #$01FF
    0x86, 0x7E,        // LDAA #JMP
    0xB7, 0x00, 0xEB,  // STAA $00EB (RTI pseudo-vector)
    0xCE, 0x24, 0x30,  // LDX #tick
    0xFF, 0x00, 0xEC,  // STX $00EC
    0x86, 0x40,        // LDAA #RTII
    0xB7, 0x10, 0x24,  // STAA TMSK2
    0x0E,              // CLI
    0xF6, 0x10, 0x2E,  // poll: LDAB SCSR
    0xC5, 0x20,        // BITB #RDRF
    0x27, 0xF9,        // BEQ poll
    0xB6, 0x10, 0x2F,  // LDAA SCDR
    0x20, 0xF4,        // BRA poll
};
const std::vector<std::uint8_t> tick_handler = {
    0x86, 0x40,        // tick: LDAA #RTIF
    0xB7, 0x10, 0x25,  // STAA TFLG2
    0xFE, 0x24, 0x50,  // LDX counter
    0x08,              // INX
    0xFF, 0x24, 0x50,  // STX counter
    0x3B,              // RTI
};

// Loads the S1 records of the shipped example program; false when it is not there.
bool load_example(hc11::Board& board) {
    std::ifstream file(std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19");
    std::string line;
    bool loaded = false;
    while (std::getline(file, line)) {
        if (line.size() < 10 || line.compare(0, 2, "S1") != 0) continue;
        auto byte_at = [&](std::size_t i) {
            return static_cast<std::uint8_t>(std::stoi(line.substr(2 + 2 * i, 2), nullptr, 16));
        };
        const auto address = static_cast<std::uint16_t>(byte_at(1) << 8 | byte_at(2));
        std::vector<std::uint8_t> data;
        for (std::size_t i = 3; i < byte_at(0); ++i) data.push_back(byte_at(i));
        board.load(address, data);
        loaded = true;
    }
    return loaded;
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double flat_out(hc11::Board& board, std::uint64_t cycles) {
    board.go(0x2400);
    const auto start = Clock::now();
    const hc11::RunResult result = board.run_cycles(cycles);
    const double elapsed = seconds_since(start);
    if (result.reason != hc11::StopReason::time_used) {
        std::fprintf(stderr, "the benchmark program stopped early\n");
        std::exit(1);
    }
    return static_cast<double>(result.cycles) / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const double real_speed_seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    constexpr std::uint64_t flat_out_cycles = 200'000'000;  // 100 s of board time

    auto report = [](const char* name, double rate) {
        std::printf("%-22s %6.1f million E cycles/s (%.0fx the real board)\n", name, rate / 1e6,
                    rate / hc11::Board::e_clock_hz);
    };
    {
        hc11::Board board;
        board.load(0x2400, busy_loop);
        report("busy loop:", flat_out(board, flat_out_cycles));
    }
    {
        hc11::Board board;
        board.load(0x2400, polling_responder);
        board.load(0x2430, tick_handler);
        report("polling responder:", flat_out(board, flat_out_cycles));
    }
    hc11::Board example;
    const bool have_example = load_example(example);
    if (have_example) report("example counter.s19:", flat_out(example, flat_out_cycles));

    // At real speed, in slices every 5 ms as a host loop would run it: the example program
    // waiting for requests, or the polling responder when the example is not there.
    hc11::Board board;
    if (!have_example || !load_example(board)) {
        board.load(0x2400, polling_responder);
        board.load(0x2430, tick_handler);
    }
    board.go(0x2400);
    hc11::ClockPacer pacer(hc11::Board::e_clock_hz);
    const auto start = Clock::now();
    const double cpu_start = cpu_seconds();
    pacer.start(start);
    std::uint64_t simulated = 0;
    while (seconds_since(start) < real_speed_seconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        simulated += board.run_cycles(pacer.cycles_due(Clock::now())).cycles;
    }
    const double wall = seconds_since(start);
    const double cpu = cpu_seconds() - cpu_start;
    std::printf("%-22s %.2f s simulated in %.2f s, host CPU %.1f%% of one core (%s)\n",
                "real speed:", static_cast<double>(simulated) / hc11::Board::e_clock_hz, wall,
                100.0 * cpu / wall, have_example ? "counter.s19" : "polling responder");
    return 0;
}
