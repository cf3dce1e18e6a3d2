// The free-running counter, its prescaler, the overflow flag, the real-time interrupt and the
// output compares with the port A pins they drive.
#include <array>
#include <utility>

#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using Timer = CpuTest;

constexpr std::initializer_list<std::uint8_t> idle_loop = {0x20, 0xFE};

TEST_F(Timer, CounterFollowsTheEClock) {
    start_program(idle_loop);
    const std::uint64_t c0 = board.cycles();
    const std::uint16_t t0 = word_at(0x100E);
    board.run_cycles(1000);
    EXPECT_EQ(static_cast<std::uint16_t>(word_at(0x100E) - t0), board.cycles() - c0);
}

TEST_F(Timer, PrescalerIsSetOnlyRightAfterReset) {
    board.write(0x1024, 0x03);  // divide by 16, within 64 cycles of reset
    EXPECT_EQ(board.read(0x1024), 0x03);
    start_program(idle_loop);
    board.run_cycles(16000);
    EXPECT_EQ(word_at(0x100E), board.cycles() / 16);

    // Once the monitor has started a program the bits are locked.
    board.reset();
    start_program(idle_loop);
    board.write(0x1024, 0x02);
    EXPECT_EQ(board.read(0x1024) & 0x03, 0);
}

TEST_F(Timer, OverflowFlagSetsAtWrapAndClearsByWritingOne) {
    start_program(idle_loop);
    board.run_cycles(0x10000 - board.cycles() - 10);
    EXPECT_EQ(board.read(0x1025) & 0x80, 0);
    board.run_cycles(20);
    EXPECT_EQ(board.read(0x1025) & 0x80, 0x80);
    board.write(0x1025, 0x40);  // another flag's bit: TOF stays
    EXPECT_EQ(board.read(0x1025) & 0x80, 0x80);
    board.write(0x1025, 0x80);
    EXPECT_EQ(board.read(0x1025) & 0x80, 0);
}

// A handler that clears the flag given and counts in $3000.
void install_counting_handler(Board& board, std::uint16_t vector_address, std::uint8_t flag) {
    const std::uint16_t slot = pseudo_vector_for(vector_address);
    board.load(slot, std::vector<std::uint8_t>{0x7E, 0x24, 0x80});
    board.load(0x2480, std::vector<std::uint8_t>{0x86, flag,        // LDAA #flag
                                                 0xB7, 0x10, 0x25,  // STAA TFLG2
                                                 0x7C, 0x30, 0x00,  // INC $3000
                                                 0x3B});            // RTI
}

TEST_F(Timer, OverflowInterruptEveryWrap) {
    install_counting_handler(board, vector::TOF, 0x80);
    start_program({0x86, 0x80, 0xB7, 0x10, 0x24, 0x0E, 0x20, 0xFE});  // TOI, CLI, BRA *
    board.run_cycles(3 * 0x10000 + 100);
    EXPECT_EQ(board.read(0x3000), 3);
}

TEST_F(Timer, RealTimeInterruptAtTheRateOfRtr) {
    install_counting_handler(board, vector::RTI, 0x40);
    start_program({0x86, 0x40, 0xB7, 0x10, 0x24, 0x0E, 0x20, 0xFE});  // RTII, CLI, BRA *
    board.run_cycles(200000);  // 100 ms: 4.096 ms per interrupt
    EXPECT_EQ(board.read(0x3000), 24);

    board.write(0x3000, 0);
    board.write(0x1026, 0x01);  // 8.19 ms
    board.run_cycles(200000);
    EXPECT_EQ(board.read(0x3000), 12);
}

TEST_F(Timer, WaitSleepsUntilTheNextInterrupt) {
    install_counting_handler(board, vector::RTI, 0x40);
    start_program({0x86, 0x40, 0xB7, 0x10, 0x24, 0x0E,  // RTII, CLI
                   0x3E,                                // WAI
                   0x20, 0xFD});                        // BRA to WAI
    std::uint64_t instructions = 0;
    board.set_trace([&](const TraceRecord&) { ++instructions; });
    board.run_cycles(8192 * 10 + 100);
    EXPECT_EQ(board.read(0x3000), 10);
    // Set-up, then per interrupt the pseudo-vector's JMP, the handler's four, BRA and WAI:
    // no spinning while asleep.
    EXPECT_EQ(instructions, 4u + 10u * 7);
}

// The output compares, one case per behaviour. The program idles with interrupts on; the host
// sets the registers, arms the compares `compare_in` cycles ahead (0: left alone) and runs.
// Every output compare's handler clears its flag and logs its number in order.
struct CompareCase {
    const char* behaviour;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> writes;
    std::array<std::uint16_t, 5> compare_in;  // OC1 ... OC5
    std::uint64_t run;
    std::uint8_t port_a;
    std::uint8_t tflg1;
    std::string handlers;
};

const std::vector<CompareCase> compare_cases = {
    {"a compare sets its flag at its cycle, not before", {}, {0, 100, 0, 0, 0}, 90, 0x00, 0x00, ""},
    {"a compare sets its flag and changes no pin", {}, {0, 100, 0, 0, 0}, 110, 0x00, 0x40, ""},
    {"every compare has its flag", {}, {100, 100, 100, 100, 100}, 110, 0x00, 0xF8, ""},
    {"OC5 is off while PACTL selects input capture 4",
     {{0x1026, 0x04}},
     {0, 0, 0, 0, 100},
     110,
     0x00,
     0x00,
     ""},
    {"an enabled compare interrupts through its vector, and writing a one clears the flag",
     {{0x1022, 0x20}},
     {0, 0, 100, 0, 0},
     200,
     0x00,
     0x00,
     "3"},
    {"a disabled compare does not interrupt",
     {{0x1022, 0xD8}},
     {0, 0, 100, 0, 0},
     200,
     0x00,
     0x20,
     ""},
    {"at the same moment OC1 goes first and OC5 last",
     {{0x1022, 0xF8}},
     {100, 100, 100, 100, 100},
     400,
     0x00,
     0x00,
     "12345"},
    {"HPRIO's PSEL raises one compare above the others",
     {{0x1022, 0xF8}, {0x103C, 0x2E}},
     {100, 100, 100, 100, 100},
     400,
     0x00,
     0x00,
     "41235"},
    {"OC2 toggles PA6", {{0x1020, 0x40}}, {0, 100, 0, 0, 0}, 110, 0x40, 0x40, ""},
    {"OC3 sets PA5", {{0x1020, 0x30}}, {0, 0, 100, 0, 0}, 110, 0x20, 0x20, ""},
    {"OC4 clears PA4", {{0x1000, 0x10}, {0x1020, 0x08}}, {0, 0, 0, 100, 0}, 110, 0x00, 0x10, ""},
    {"OC5 toggles PA3", {{0x1020, 0x01}}, {0, 0, 0, 0, 100}, 110, 0x08, 0x08, ""},
    {"no action leaves the pin to the program",
     {{0x1000, 0x40}},
     {0, 100, 0, 0, 0},
     110,
     0x40,
     0x40,
     ""},
    {"OC1 drives the pins OC1M selects to OC1D's levels",
     {{0x1000, 0x30}, {0x100C, 0xA0}, {0x100D, 0xD8}},
     {100, 0, 0, 0, 0},
     110,
     0x90,
     0x80,
     ""},
    {"OC1 has the last word on a pin at the same moment",
     {{0x1020, 0xC0}, {0x100C, 0x40}, {0x100D, 0x00}},
     {100, 100, 0, 0, 0},
     110,
     0x00,
     0xC0,
     ""},
    {"CFORC forces the pin actions without a flag",
     {{0x1020, 0x41}, {0x100B, 0x48}},
     {0, 0, 0, 0, 0},
     10,
     0x48,
     0x00,
     ""},
    {"CFORC forces OC1's levels",
     {{0x100C, 0x08}, {0x100D, 0x08}, {0x100B, 0x80}},
     {0, 0, 0, 0, 0},
     10,
     0x08,
     0x00,
     ""},
    {"a program's PORTA write drives only the pins no compare controls",
     {{0x1020, 0x40}, {0x100C, 0x80}, {0x1000, 0xFF}},
     {0, 0, 0, 0, 0},
     10,
     0x38,
     0x00,
     ""},
};

TEST_F(Timer, OutputCompares) {
    for (const CompareCase& c : compare_cases) {
        board.reset();
        for (int i = 0; i < 5; ++i) {
            const auto base = static_cast<std::uint16_t>(0x2480 + 0x20 * i);
            install_handler(static_cast<std::uint16_t>(vector::OC1 - 2 * i), base);
            board.load(base, std::vector<std::uint8_t>{
                                 0x86, static_cast<std::uint8_t>(0x80 >> i),  // LDAA #flag
                                 0xB7, 0x10, 0x23,                            // STAA TFLG1
                                 0x86, static_cast<std::uint8_t>('1' + i),    // LDAA #n
                                 0xFE, 0x30, 0x00,                            // LDX log
                                 0xA7, 0x00,                                  // STAA 0,X
                                 0x08,                                        // INX
                                 0xFF, 0x30, 0x00,                            // STX log
                                 0x3B});                                      // RTI
        }
        board.load(0x3000, std::vector<std::uint8_t>{0x30, 0x10});
        start_program({0x0E, 0x20, 0xFE});  // CLI, BRA *
        board.run_cycles(10);
        for (const auto& [address, value] : c.writes) board.write(address, value);
        for (int i = 0; i < 5; ++i) {
            if (c.compare_in[static_cast<std::size_t>(i)] == 0) continue;
            const auto at = static_cast<std::uint16_t>(word_at(0x100E) +
                                                       c.compare_in[static_cast<std::size_t>(i)]);
            const auto address = static_cast<std::uint16_t>(0x1016 + 2 * i);
            board.write(address, static_cast<std::uint8_t>(at >> 8));
            board.write(static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(at));
        }
        board.run_cycles(c.run);
        std::string handlers;
        for (std::uint16_t a = 0x3010; a < word_at(0x3000); ++a)
            handlers += static_cast<char>(board.read(a));
        EXPECT_EQ(board.read(0x1000), c.port_a) << c.behaviour;
        EXPECT_EQ(board.read(0x1023), c.tflg1) << c.behaviour;
        EXPECT_EQ(handlers, c.handlers) << c.behaviour;
    }
}

// A program that toggles PA6 from OC2's interrupt every 1000 E cycles and sleeps in WAI between:
// the pin changes exactly 1000 cycles apart, and the processor executes nothing while asleep.
TEST_F(Timer, CompareInterruptTogglesThePinOnItsExactCycle) {
    install_handler(vector::OC2, 0x2480);
    board.load(0x2480, std::vector<std::uint8_t>{0xFC, 0x10, 0x18,  // LDD TOC2
                                                 0xC3, 0x03, 0xE8,  // ADDD #1000
                                                 0xFD, 0x10, 0x18,  // STD TOC2
                                                 0x86, 0x40,        // LDAA #OC2F
                                                 0xB7, 0x10, 0x23,  // STAA TFLG1
                                                 0x3B});            // RTI
    start_program({0x86, 0x40, 0xB7, 0x10, 0x20,  // LDAA #40, STAA TCTL1: OC2 toggles PA6
                   0xB7, 0x10, 0x22,              // STAA TMSK1: OC2's interrupt
                   0x0E,                          // CLI
                   0x3E,                          // WAI
                   0x20, 0xFD});                  // BRA to WAI
    std::vector<std::uint64_t> edges;
    board.set_port_a_observer([&](std::uint64_t cycle, std::uint8_t pins) {
        edges.push_back(cycle);
        EXPECT_EQ(pins, edges.size() % 2 ? 0x40 : 0x00);
    });
    std::uint64_t instructions = 0;
    board.set_trace([&](const TraceRecord&) { ++instructions; });
    board.run_cycles(0x10000 + 20 * 1000 + 100);  // TOC2 starts at FFFF: the first edge then
    ASSERT_EQ(edges.size(), 21u);
    EXPECT_EQ(edges.front(), 0xFFFFu);
    for (std::size_t i = 1; i < edges.size(); ++i) EXPECT_EQ(edges[i] - edges[i - 1], 1000u) << i;
    // Set-up, then per interrupt the pseudo-vector's JMP, the handler's six, BRA and WAI.
    EXPECT_EQ(instructions, 5u + 21u * 9);
}

// A waiting processor needs the board again only for an interrupt it enabled or the SCI.
TEST_F(Timer, OnlyEnabledInterruptsAndTheSciWakeAWaitingProcessor) {
    EXPECT_EQ(board.next_peripheral_event(), 8192u);  // the real-time tick sets its flag
    EXPECT_EQ(board.next_wake_event(), hc11::Timer::never);
    board.write(0x1018, 0x03);  // TOC2 = 03E8: count 1000
    board.write(0x1019, 0xE8);
    board.write(0x1022, 0x40);  // OC2's interrupt
    EXPECT_EQ(board.next_wake_event(), 1000u);
    board.write(0x1022, 0x00);
    board.write(0x1024, 0x40);  // RTII
    EXPECT_EQ(board.next_wake_event(), 8192u);
    board.sci_send('x');
    EXPECT_EQ(board.next_wake_event(), 2080u);
}

// While the monitor holds the processor the timer runs on: compares act on their pins and set
// their flags, but no interrupt is taken until the program runs again.
TEST_F(Timer, HeldProcessorsComparesActButTakeNoInterrupt) {
    install_handler(vector::OC2, 0x2480);
    board.load(0x2480, std::vector<std::uint8_t>{0x86, 0x40, 0xB7, 0x10, 0x23,  // clear OC2F
                                                 0x7C, 0x30, 0x00, 0x3B});      // INC $3000, RTI
    start_program({0x86, 0x40, 0xB7, 0x10, 0x20,                                // OC2 toggles PA6
                   0xB7, 0x10, 0x22,                                            // OC2's interrupt
                   0x0E, 0x20, 0xFE});                                          // CLI, BRA *
    board.run_cycles(20);
    std::vector<std::uint64_t> edges;
    board.set_port_a_observer([&](std::uint64_t cycle, std::uint8_t) { edges.push_back(cycle); });
    board.hold(3 * 0x10000);
    EXPECT_EQ(edges, (std::vector<std::uint64_t>{0xFFFF, 0x1FFFF, 0x2FFFF}));
    EXPECT_EQ(board.read(0x1023) & 0x40, 0x40);
    EXPECT_EQ(board.read(0x3000), 0);
    board.run_cycles(100);
    EXPECT_EQ(board.read(0x3000), 1);
}

}  // namespace
}  // namespace hc11::testing
