// Programs assembled with m68hc11-as run to their SWI and leave known results in memory; the
// responder program answers the memory protocol through the SCI while its counter runs; the
// responders of examples/ serve main loops that work a long time per pass, hand the program to
// the monitor on a pause and (the interrupt-driven one) change the line's speed.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "cpu_fixture.h"
#include "link/wire_protocol.h"
#include "text/hex_digits.h"

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

    // Sends text down the line and runs the board long enough for it and a reply of
    // `reply_length` characters.
    std::string exchange(const std::string& request, std::size_t reply_length = 4) {
        for (const char c : request) board.sci_receive(static_cast<std::uint8_t>(c));
        board.run_cycles((request.size() + reply_length + 2) * board.sci().character_cycles());
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

// Both responders of examples/ in busy_loop.s: the interrupt-driven one under passes of 5 ms,
// the polling one called once per pass of 0.8 ms, within the character time it needs.
class BothResponders : public Programs, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        Programs::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(start(GetParam()));
        board.run_cycles(1000);
        for (unsigned i = 0; i < 0x40; ++i)
            board.write(static_cast<std::uint16_t>(0x3000 + i), static_cast<std::uint8_t>(i * 11));
    }

    // The reply to a block read of memory as it is now.
    std::string block_reply(std::uint16_t address, std::size_t count) const {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < count; ++i)
            bytes.push_back(board.read(static_cast<std::uint16_t>(address + i)));
        return halvane::wire::block_reply_text(address, bytes);
    }
    std::string block_exchange(std::uint16_t address, std::size_t count) {
        return exchange(halvane::wire::block_request_text(address, count), 2 * count + 6);
    }
    std::string byte_reply(std::uint16_t address) const {
        return halvane::wire::reply_text(board.read(address));
    }

    bool polling() const { return std::string(GetParam()).find("poll") != std::string::npos; }

    // The registers SWI (or an interrupt) stacked below SP, as the monitor reads them.
    Registers stacked_frame() const {
        Registers frame;
        const std::uint16_t sp = r.sp;
        frame.ccr = board.read(static_cast<std::uint16_t>(sp + 1));
        frame.b = board.read(static_cast<std::uint16_t>(sp + 2));
        frame.a = board.read(static_cast<std::uint16_t>(sp + 3));
        frame.x = word_at(static_cast<std::uint16_t>(sp + 4));
        frame.y = word_at(static_cast<std::uint16_t>(sp + 6));
        frame.pc = word_at(static_cast<std::uint16_t>(sp + 8));
        frame.sp = static_cast<std::uint16_t>(sp + 9);
        return frame;
    }

    // What the board's monitor does between a stop and its "g": it prints for a while with
    // interrupts masked (here: BRA * at 3F00), then returns into the program with `frame`.
    void monitor_then_go(Registers frame, std::uint16_t pc) {
        board.load(0x3F00, std::vector<std::uint8_t>{0x20, 0xFE});
        r.ccr |= ccr::I;
        board.cpu().start_at(0x3F00);
        board.run_cycles(10 * board.sci().character_cycles());
        frame.pc = pc;
        r = frame;
    }
};

INSTANTIATE_TEST_SUITE_P(Examples, BothResponders,
                         ::testing::Values("busy_irq_5ms", "busy_poll_800us"));

TEST_P(BothResponders, BlockReadsCarryTheBytesFromTheAddressUpAndTheirCheck) {
    for (const auto& [address, count] : std::vector<std::pair<std::uint16_t, std::size_t>>{
             {0x3000, 1}, {0x3005, 2}, {0x3000, 32}, {0xFFFE, 4}}) {  // FFFF, then on at 0000
        EXPECT_EQ(block_exchange(address, count), block_reply(address, count))
            << halvane::hex_text(address, 4) << " " << count;
    }
    EXPECT_EQ(exchange("#300a03", 12), block_reply(0x300A, 3));  // lower case
    EXPECT_EQ(exchange("*3005"), byte_reply(0x3005));
}

TEST_P(BothResponders, MalformedRequestsGetNoAnswerAndTheByteProtocolWorksRightAfter) {
    for (const char* bad : {"#300000", "#300021", "#3000FF", "#30G001", "#3000x1", "#300"}) {
        EXPECT_EQ(exchange(std::string(bad) + "*3005"), byte_reply(0x3005)) << bad;
        EXPECT_EQ(exchange(std::string(bad) + "*FFFF300577"), "") << bad;
        EXPECT_EQ(board.read(0x3005), 0x77) << bad;
        board.write(0x3005, 0x37);
    }
    EXPECT_EQ(exchange("x1G@!#300002", 10), block_reply(0x3000, 2));  // noise before the '#'
    EXPECT_EQ(exchange("*30#300002", 10), block_reply(0x3000, 2));    // a '#' starts afresh
    EXPECT_EQ(exchange("#FFFF"), "");  // a block may start at FFFF: no write follows
    EXPECT_EQ(exchange("01", 8), block_reply(0xFFFF, 1));
}

TEST_P(BothResponders, ARequestSplitAcrossLongPassesIsAnswered) {
    EXPECT_EQ(exchange("#30"), "");
    board.run_cycles(Board::e_clock_hz / 8);  // 125 ms: many passes of the main loop
    EXPECT_EQ(exchange("0020", 70), block_reply(0x3000, 32));
    const RunResult result = board.run_cycles(Board::e_clock_hz / 20);
    EXPECT_EQ(result.reason, StopReason::time_used) << describe_monitor_entry(result.address);
}

TEST_P(BothResponders, TheBlockIsMemoryAsItWasWhenTheRequestsLastDigitArrived) {
    const std::string expected = block_reply(0x3000, 32);
    const std::uint16_t passes_before = word_at(0x2402);
    for (const char c : halvane::wire::block_request_text(0x3000, 32))
        board.sci_receive(static_cast<std::uint8_t>(c));
    std::string reply;
    for (int i = 0; i < 1000 && reply.empty(); ++i) {
        board.run_cycles(100);
        reply += transmitted();
    }
    ASSERT_EQ(reply, "!");
    board.write(0x301F, 0x5A);  // the program changes its last byte while the reply goes out
    board.run_cycles(72 * board.sci().character_cycles());
    reply += transmitted();
    EXPECT_EQ(reply, expected);
    // The polling responder sends one character per call and never waits for the line: the
    // main loop went on passing meanwhile, with interrupts masked as it had them.
    if (std::string(GetParam()).find("poll") != std::string::npos) {
        EXPECT_GT(word_at(0x2402) - passes_before, 60);
        EXPECT_NE(board.regs().ccr & ccr::I, 0);
    }
}

// "%%" hands the program to the monitor as SWI would: with no handler in the SWI slot the board
// stops for the monitor, and the frame is the program's own, its PC one past where it was.
TEST_P(BothResponders, APauseHandsTheProgramToTheMonitorAndGoGoesOn) {
    for (const char c : std::string("%%")) board.sci_receive(static_cast<std::uint8_t>(c));
    const RunResult result = board.run_cycles(20 * board.sci().character_cycles());
    ASSERT_EQ(result.reason, StopReason::monitor);
    EXPECT_EQ(describe_monitor_entry(result.address), "SWI");
    const Registers frame = stacked_frame();
    const auto where = static_cast<std::uint16_t>(frame.pc - 1);
    EXPECT_EQ(frame.y, 0x5566);  // the main loop's own
    EXPECT_EQ(
        frame.sp,
        0x01FF);  // the program's stack as it was (the call's return address is the frame's PC)
    if (polling()) {
        // Where resp_poll returns to, right after its JSR, with interrupts masked as they were.
        EXPECT_EQ(board.read(static_cast<std::uint16_t>(where - 3)), 0xBD);
        EXPECT_NE(frame.ccr & ccr::I, 0);
    } else {
        // The instruction the interrupt found, in the work loop, with the loop's registers.
        EXPECT_GE(where, 0x2405);
        EXPECT_LT(where, 0x2440);
        EXPECT_EQ(frame.a, 0xA5);
        EXPECT_EQ(frame.b, 0x3C);
        EXPECT_EQ(frame.ccr & ccr::I, 0);
    }

    const std::uint16_t passes = word_at(0x2402);
    monitor_then_go(frame, where);
    EXPECT_EQ(exchange("*2404"), "!5A@");
    const RunResult after = board.run_cycles(Board::e_clock_hz / 20);
    EXPECT_EQ(after.reason, StopReason::time_used) << describe_monitor_entry(after.address);
    EXPECT_GT(word_at(0x2402), passes);
}

TEST_P(BothResponders, APauseDuringAReplyLeavesNothingOfItForAfterTheProgramGoesOn) {
    const std::string reply = block_reply(0x3000, 32);
    for (const char c : halvane::wire::block_request_text(0x3000, 32) + "%%")
        board.sci_receive(static_cast<std::uint8_t>(c));
    const RunResult result = board.run_cycles(40 * board.sci().character_cycles());
    ASSERT_EQ(result.reason, StopReason::monitor);
    const Registers frame = stacked_frame();
    monitor_then_go(frame, static_cast<std::uint16_t>(frame.pc - 1));
    const std::string before = transmitted();
    EXPECT_GE(before.size(), 2u);
    EXPECT_LT(before.size(), reply.size());
    EXPECT_EQ(before, reply.substr(0, before.size()));
    board.run_cycles(80 * board.sci().character_cycles());
    EXPECT_EQ(transmitted(), "");
    EXPECT_EQ(exchange("*3005"), byte_reply(0x3005));
}

TEST_P(BothResponders, APercentSignFollowedByAnythingElseIsNoPause) {
    for (const char* text : {"%*3005", "%x%*3005", "%3%*3005", "*3%0%*3005"}) {
        EXPECT_EQ(exchange(text), byte_reply(0x3005)) << text;
    }
    EXPECT_EQ(board.run_cycles(Board::e_clock_hz / 100).reason, StopReason::time_used);
}

// "=BB" on the interrupt-driven responder: the reply at the present rate, BAUD written once its
// last character has left the line, and every way back to 9600.
class SpeedRequest : public Programs {
  protected:
    void SetUp() override {
        Programs::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(start("busy_irq_5ms"));
        board.run_cycles(1000);
    }
    std::uint8_t baud() const { return board.read(0x102B); }

    // Sends "=01" and runs until the reply's '@' has left the line; the reply as it came.
    std::string switch_to_62500() {
        for (const char c : std::string("=01")) board.sci_receive(static_cast<std::uint8_t>(c));
        std::string reply;
        while (reply.find('@') == std::string::npos && reply.size() < 8) {
            board.run_cycles(10);
            reply += transmitted();
        }
        return reply;
    }
};

TEST_F(SpeedRequest, TheReplyGoesAtThePresentRateAndBaudChangesAfterItsLastCharacter) {
    std::vector<std::uint64_t> sent_at;
    std::string reply;
    board.set_transmit_handler([&](std::uint8_t byte) {
        sent_at.push_back(board.cycles());
        reply += static_cast<char>(byte);
    });
    for (const char c : std::string("=01")) board.sci_receive(static_cast<std::uint8_t>(c));
    while (reply.find('@') == std::string::npos && board.cycles() < 100'000) board.run_cycles(10);
    ASSERT_EQ(reply, "!01@");
    EXPECT_GT(sent_at.back() - sent_at.front(), 2 * 2080u);  // 9600 baud
    EXPECT_EQ(baud(), 0x30);
    board.run_cycles(200);
    EXPECT_EQ(baud(), 0x01);
    EXPECT_EQ(board.sci().character_cycles(), 320u);  // 62 500 baud
}

TEST_F(SpeedRequest, AtTheFastRateEveryRequestIsServedAndEachCharacterTakesLessThanItsTime) {
    ASSERT_EQ(switch_to_62500(), "!01@");
    board.run_cycles(200);
    ASSERT_EQ(baud(), 0x01);
    for (unsigned i = 0; i < 0x20; ++i)
        board.write(static_cast<std::uint16_t>(0x3000 + i), 0x11 * i);

    // The handler's runs, from interrupt entry to the end of its RTI.
    std::vector<std::uint64_t> runs;
    std::uint64_t entered = 0;
    board.set_trace([&](const TraceRecord& record) {
        if (record.pc == 0x00C4) entered = record.cycle - Cpu::interrupt_cycles;
        if (record.opcode == 0x3B && entered != 0) {
            runs.push_back(record.cycle + 12 - entered);
            entered = 0;
        }
    });
    // Every character of these but the last of a read: the per-character path.
    EXPECT_EQ(exchange("*FFFF300077", 0), "");
    EXPECT_EQ(exchange("#300", 0), "");
    EXPECT_EQ(exchange("*30", 0), "");
    ASSERT_GE(runs.size(), 16u);
    EXPECT_LT(*std::max_element(runs.begin(), runs.end()), 320u);
    board.set_trace(nullptr);

    EXPECT_EQ(board.read(0x3000), 0x77);
    EXPECT_EQ(exchange("05"), halvane::wire::reply_text(0x55));
    std::vector<std::uint8_t> block;
    for (unsigned i = 0; i < 0x20; ++i)
        block.push_back(board.read(static_cast<std::uint16_t>(0x3000 + i)));
    // The reply starts after the snapshot, which takes more than two character times here.
    EXPECT_EQ(exchange(halvane::wire::block_request_text(0x3000, 32), 74),
              halvane::wire::block_reply_text(0x3000, block));
    EXPECT_EQ(baud(), 0x01);
}

TEST_F(SpeedRequest, ThePlainRateComesBackOnAFramingErrorAFailedRequestAndEquals30) {
    ASSERT_EQ(switch_to_62500(), "!01@");
    board.run_cycles(200);
    board.sci_receive_complete(0x00, sci_bits::FE);  // a NUL sent at 9600
    board.run_cycles(200);
    EXPECT_EQ(baud(), 0x30);
    EXPECT_EQ(exchange("*2404"), "!5A@");

    ASSERT_EQ(switch_to_62500(), "!01@");
    board.run_cycles(200);
    board.sci_receive_complete('*', sci_bits::NF);
    board.run_cycles(200);
    EXPECT_EQ(baud(), 0x30);

    ASSERT_EQ(switch_to_62500(), "!01@");
    board.run_cycles(200);
    EXPECT_EQ(exchange("#30G0"), "");  // fails to parse
    EXPECT_EQ(baud(), 0x30);

    ASSERT_EQ(switch_to_62500(), "!01@");
    board.run_cycles(200);
    EXPECT_EQ(exchange("=30"), "!30@");  // answered at the fast rate, then back
    EXPECT_EQ(baud(), 0x30);
    EXPECT_EQ(exchange("*2404"), "!5A@");
}

TEST_F(Programs, ThePollingResponderIgnoresASpeedRequest) {
    ASSERT_TRUE(start("busy_poll_800us"));
    board.run_cycles(1000);
    EXPECT_EQ(exchange("=01"), "");
    board.run_cycles(10 * board.sci().character_cycles());
    EXPECT_EQ(board.read(0x102B), 0x30);
    EXPECT_EQ(exchange("*2404"), "!5A@");
    EXPECT_EQ(exchange("=*2404"), "!5A@");
}

}  // namespace
}  // namespace hc11::testing
