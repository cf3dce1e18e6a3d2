// Programs assembled with m68hc11-as run to their SWI and leave known results in memory; the
// responder program answers the memory protocol through the SCI while its counter runs; the
// interrupt-driven responder of examples/ serves a main loop that works 50 ms per pass.
#include <fstream>
#include <iterator>

#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

class Programs : public CpuTest {
  protected:
    // Loads programs/<name>.bin at 2400 and starts it; false when it could not be read.
    bool start(const std::string& name) {
        std::ifstream file(std::string(HC11_PROGRAM_DIR) + "/" + name + ".bin", std::ios::binary);
        const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        if (image.empty()) return false;
        board.load(code_address, image);
        board.go(code_address);
        return true;
    }

    void run_to_swi() {
        const RunResult result = board.run_cycles(20'000'000);
        ASSERT_EQ(result.reason, StopReason::monitor);
        ASSERT_EQ(describe_monitor_entry(result.address), "SWI");
    }

    // Sends text down the line and runs the board long enough for it and a reply.
    std::string exchange(const std::string& request) {
        for (const char c : request) board.sci_receive(static_cast<std::uint8_t>(c));
        board.run_cycles((request.size() + 6) * board.sci().character_cycles());
        return transmitted();
    }

    void SetUp() override {
        if (!HC11_ASSEMBLER_FOUND) {
            GTEST_SKIP() << "m68hc11-as is not installed (Debian package binutils-m68hc1x)";
        }
    }
};

TEST_F(Programs, MultiplyAndDivide) {
    ASSERT_TRUE(start("mul_div"));
    run_to_swi();
    EXPECT_EQ(word_at(0x2407), 0x0626);  // 1234 x 5678 = 06260060
    EXPECT_EQ(word_at(0x2409), 0x0060);
    EXPECT_EQ(word_at(0x240B), 441);
    EXPECT_EQ(word_at(0x240D), 78);
    EXPECT_EQ(word_at(0x240F), 0x5555);
}

TEST_F(Programs, Checksums) {
    ASSERT_TRUE(start("checksum"));
    run_to_swi();
    EXPECT_EQ(word_at(0x2403), 0x7F80);  // i*7 runs through every byte value once
    unsigned sum1 = 0;
    unsigned sum2 = 0;
    for (const char c : std::string("HALVANE 68HC11")) {
        sum1 = (sum1 + static_cast<unsigned char>(c)) % 255;
        sum2 = (sum2 + sum1) % 255;
    }
    EXPECT_EQ(board.read(0x2405), sum2);
    EXPECT_EQ(board.read(0x2406), sum1);
    EXPECT_EQ(board.read(0x3000 + 37), 37 * 7 % 256);
}

TEST_F(Programs, BcdCounter) {
    ASSERT_TRUE(start("bcd_count"));
    run_to_swi();
    EXPECT_EQ(word_at(0x2405), 0x1234);
    EXPECT_EQ(word_at(0x2403), 0x0000);  // 1234 + 8766 = 10000 wraps to 0000
}

TEST_F(Programs, ResponderAnswersReadsAndTakesWrites) {
    ASSERT_TRUE(start("responder"));
    board.run_cycles(1000);
    EXPECT_EQ(exchange("*2405"), "!01@");
    EXPECT_EQ(exchange("*FFFF240542"), "");
    EXPECT_EQ(board.read(0x2405), 0x42);
    EXPECT_EQ(exchange("*2405"), "!42@");
    EXPECT_EQ(exchange("*FFFF30007e"), "");  // lower-case hex is not understood
    EXPECT_NE(board.read(0x3000), 0x7E);
}

TEST_F(Programs, ResponderCounterRunsAndFollowsTheWrittenStep) {
    ASSERT_TRUE(start("responder"));
    board.run_cycles(Board::e_clock_hz / 10);  // 100 ms: 24 ticks of 4.096 ms
    const std::uint16_t first = word_at(0x2403);
    EXPECT_EQ(first, 24);
    const std::string reply = exchange("*2404");  // low byte of the counter, over the line
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_GT(std::stoi(reply.substr(1, 2), nullptr, 16), 24);

    exchange("*FFFF240500");  // step 0: the counter stands still
    const std::uint16_t stopped = word_at(0x2403);
    board.run_cycles(Board::e_clock_hz / 10);
    EXPECT_EQ(word_at(0x2403), stopped);

    exchange("*FFFF24050A");  // step 10
    board.run_cycles(Board::e_clock_hz / 10);
    EXPECT_GE(word_at(0x2403), stopped + 230);
}

// busy_loop.s: a main loop that works 50 ms per pass with examples/responder_irq.s, which
// takes every character from the SCI interrupt. Requests arrive at full line speed.
TEST_F(Programs, InterruptResponderAnswersReadsAndTakesWritesInEitherCase) {
    ASSERT_TRUE(start("busy_irq_50ms"));
    board.run_cycles(1000);
    EXPECT_EQ(exchange("*2404"), "!5A@");
    EXPECT_EQ(exchange("*FFFF24047e"), "");
    EXPECT_EQ(board.read(0x2404), 0x7E);
    board.write(0x30AB, 0xC3);
    EXPECT_EQ(exchange("*30ab"), "!C3@");
    EXPECT_EQ(exchange("*ffff3000b1*3000"), "!B1@");  // a read straight after a write
    EXPECT_EQ(exchange("*9aBc"), "!FF@");             // no memory there: reads FF
}

TEST_F(Programs, InterruptResponderFallsBackIntoStepAfterNoise) {
    ASSERT_TRUE(start("busy_irq_50ms"));
    board.run_cycles(1000);
    EXPECT_EQ(exchange("q7\r@!2404"), "");          // no request without a '*'
    EXPECT_EQ(exchange("x1G*2404"), "!5A@");        // noise before the '*'
    EXPECT_EQ(exchange("*24G4"), "");               // a bad digit drops the request
    EXPECT_EQ(exchange("*FFFF24*FFFF240401"), "");  // a '*' starts over inside a request
    EXPECT_EQ(board.read(0x2404), 0x01);
    EXPECT_EQ(exchange("*2404"), "!01@");
}

TEST_F(Programs, InterruptResponderServesARequestSplitAcrossLongPasses) {
    ASSERT_TRUE(start("busy_irq_50ms"));
    board.run_cycles(1000);
    exchange("*24");
    board.run_cycles(Board::e_clock_hz / 8);  // 125 ms: more than two passes of the main loop
    EXPECT_EQ(exchange("04"), "!5A@");
    // The program kept its registers across every interrupt (it checks them while it works
    // and would stop with SWI) and kept counting its passes.
    const RunResult result = board.run_cycles(Board::e_clock_hz / 5);
    EXPECT_EQ(result.reason, StopReason::time_used) << describe_monitor_entry(result.address);
    EXPECT_GE(word_at(0x2402), 6);
}

TEST_F(Programs, PollingResponderLosesRequestsUnderTheSameMainLoop) {
    ASSERT_TRUE(start("busy_poll_5ms"));
    board.run_cycles(1000);
    EXPECT_EQ(exchange("*2404"), "");  // one character per 5 ms pass: the rest overrun the SCI
}

}  // namespace
}  // namespace hc11::testing
