// The free-running counter, its prescaler, the overflow flag and the real-time interrupt.
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

}  // namespace
}  // namespace hc11::testing
