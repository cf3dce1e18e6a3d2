#include "core/paced_wire.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "board_driver.h"
#include "core/monitor_text.h"
#include "core/usb_adapter.h"
#include "link/wire_protocol.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;
using testing::BoardDriver;

// The PC's port at 9600 baud, and the board's SCI after a reset (BAUD = 30): 16 x 13 E cycles a
// bit, 9615 baud. The two agree within 3 %.
const Nanos kPcChar = PacedWire::char_time_for_baud(9600);
const Nanos kBoardChar = 2080 * ProcessorProgram::kCycle;
// BAUD = 01: 62 500 baud, 320 E cycles a character.
const Nanos kFastChar = 320 * ProcessorProgram::kCycle;

TEST(PacedWire, At9600BaudEachCharacterTakesTenBitTimes) {
    EXPECT_EQ(PacedWire::char_time_for_baud(9600), Nanos{1'041'666});
    EXPECT_EQ(PacedWire::char_time_for_baud(115200), Nanos{86'805});
    EXPECT_EQ(PacedWire::char_time_for_baud(0), Nanos{0});
}

// 10 000 baud: one millisecond a character.
constexpr double kMillisecondRate = 10'000;

TEST(PacedWire, CharactersQueueInOrderOneCharacterTimeApart) {
    PacedWire wire;
    wire.push('a', 0ms, kMillisecondRate);
    wire.push('b', 0ms, kMillisecondRate);
    wire.push('c', 5ms, kMillisecondRate);  // the line was idle again
    EXPECT_FALSE(wire.pop_arrived(999us));
    EXPECT_EQ(wire.pop_arrived(1ms)->byte, 'a');
    EXPECT_EQ(wire.next_arrival(), Nanos{2ms});
    const auto b = wire.pop_arrived(10ms);
    EXPECT_EQ(b->byte, 'b');
    EXPECT_EQ(b->at, Nanos{2ms});
    EXPECT_EQ(wire.pop_arrived(10ms)->at, Nanos{6ms});
    EXPECT_TRUE(wire.empty());
    // Each character takes the time of the rate it was sent at, and arrives with it.
    wire.push('d', 10ms, kMillisecondRate / 4);
    wire.push('e', 10ms, kMillisecondRate);
    EXPECT_EQ(wire.pop_arrived(20ms)->at, Nanos{14ms});
    const auto e = wire.pop_arrived(20ms);
    EXPECT_EQ(e->at, Nanos{15ms});
    EXPECT_EQ(e->rate, kMillisecondRate);
}

TEST(PacedWire, WithoutPacingCharactersPassAtOnce) {
    PacedWire wire;
    for (int i = 0; i < 1000; ++i) wire.push(static_cast<std::uint8_t>(i), 3ms, 0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(wire.pop_arrived(3ms)->byte, static_cast<std::uint8_t>(i));
}

TEST(PacedWire, DroppingKeepsTheCharacterAlreadyOnTheWire) {
    PacedWire wire;
    for (char c : std::string("abcd"))
        wire.push(static_cast<std::uint8_t>(c), 0ms, kMillisecondRate);
    wire.drop_waiting(500us);
    EXPECT_EQ(wire.size(), 1u);
    wire.push('z', 500us, kMillisecondRate);
    EXPECT_EQ(wire.pop_arrived(5ms)->byte, 'a');
    EXPECT_EQ(wire.pop_arrived(5ms)->at, Nanos{2ms});
}

std::string text_of(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

TEST(UsbAdapter, AShortReplyWaitsForTheLatencyTimerStartedByItsFirstCharacter) {
    UsbAdapter adapter(16ms);
    adapter.push('!', 0ms);
    adapter.push('2', 1ms);
    EXPECT_EQ(adapter.next_delivery(), Nanos{16ms});
    EXPECT_EQ(text_of(adapter.take_delivered(15ms)), "");
    adapter.push('0', 15ms);
    EXPECT_EQ(text_of(adapter.take_delivered(16ms)), "!20");
    EXPECT_FALSE(adapter.next_delivery());
    // A character that comes after the timer ran out starts the next one.
    adapter.push('@', 17ms);
    adapter.push('!', 40ms);
    EXPECT_EQ(text_of(adapter.take_delivered(40ms)), "@");
    EXPECT_EQ(adapter.next_delivery(), Nanos{56ms});
    EXPECT_FALSE(adapter.empty());
}

TEST(UsbAdapter, SixtyTwoCharactersGoAtOnce) {
    UsbAdapter adapter(16ms);
    for (int i = 0; i < 61; ++i) adapter.push('a', i * 100us);
    EXPECT_EQ(adapter.take_delivered(6100us).size(), 0u);
    adapter.push('b', 6100us);
    EXPECT_EQ(text_of(adapter.take_delivered(6100us)), std::string(61, 'a') + "b");
    adapter.push('c', 6200us);
    EXPECT_EQ(adapter.next_delivery(), Nanos{6200us + 16ms});
}

TEST(UsbAdapter, WithoutLatencyNothingIsHeld) {
    UsbAdapter adapter(0ms);
    adapter.push('x', 3ms);
    EXPECT_FALSE(adapter.next_delivery());
    EXPECT_EQ(text_of(adapter.take_delivered(3ms)), "x");
    EXPECT_TRUE(adapter.empty());
}

TEST(BoardPacing, ARequestAndItsReplyTakeNineCharacterTimes) {
    BoardConfig config;  // paced
    config.runner = ProgramRunner::kBuiltinResponder;
    BoardDriver driver(config);
    driver.start_program();
    driver.wait(2s);  // the dialogue's echoes have drained
    EXPECT_EQ(driver.send(read_request_text(0x2400)), "");
    // Five characters at the PC's rate, then the built-in responder's four at the SCI's, from
    // the SCI's next E cycle.
    EXPECT_EQ(driver.wait(5 * kPcChar + 4 * kBoardChar - 1ns), reply_text(0x20).substr(0, 3));
    EXPECT_EQ(driver.wait(ProcessorProgram::kCycle), reply_text(0x20).substr(3));
}

TEST(BoardPacing, AUsbAdapterHandsTheReplyOverOneLatencyAfterItsFirstCharacter) {
    BoardConfig config;  // paced
    config.runner = ProgramRunner::kBuiltinResponder;
    config.usb_latency = 16ms;
    BoardDriver driver(config);
    driver.start_program();
    driver.wait(2s);
    EXPECT_EQ(driver.send(read_request_text(0x2400)), "");
    // Five characters of request; the reply's first has crossed the line a character later.
    EXPECT_EQ(driver.wait(5 * kPcChar + kBoardChar + 16ms - 1ns), "");
    EXPECT_EQ(driver.wait(ProcessorProgram::kCycle), reply_text(0x20));
    EXPECT_FALSE(driver.board().next_event());
}

std::string example_records() {
    std::ifstream in(HALVANE_EXAMPLES_DIR "/counter.s19", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LineRate, TheMonitorTalksThroughTheSciAtTheRateBaudSets) {
    BoardDriver driver(BoardDriver::processor());
    driver.board().power_on(driver.now());
    const std::string banner(monitor_text::kBanner);
    EXPECT_EQ(driver.wait(kBoardChar * static_cast<std::int64_t>(banner.size()) - 1ns),
              banner.substr(0, banner.size() - 1));
    EXPECT_EQ(driver.wait(1ns), banner.substr(banner.size() - 1));
    // BAUD = 01 (mm 102B): the rest of the dialogue goes at 62 500 baud, on both sides.
    driver.send("\rmm 102B\r");
    std::string out;
    driver.wait_for(out, "102B 30 ");
    driver.send("01\r");
    driver.wait(20ms);
    driver.board().set_pc_rate(62'500, driver.now());
    EXPECT_EQ(driver.send("md 2400\r"), "");
    EXPECT_EQ(driver.wait(8 * kFastChar - 1ns), "md 240");
    EXPECT_EQ(driver.wait(1ns), "0");
}

// The example's responder switches to 62 500 baud on "=01", and back to 9600 on a character
// received with a framing error.
TEST(LineRate, AProgramThatSetsBaudToOneTalksAt62500) {
    std::ostringstream log_text;
    TrafficLog log(log_text, 2ms);
    BoardDriver driver(BoardDriver::processor(), &log);
    driver.start(example_records());
    driver.wait(20ms);
    EXPECT_EQ(driver.send("=01"), "");
    EXPECT_EQ(driver.wait(3 * kPcChar + 4 * kBoardChar + 200us), "!01@");
    driver.board().set_pc_rate(62'500, driver.now());
    // The request's characters reach the SCI at the PC's new rate, and the reply leaves at the
    // SCI's: nine characters of 160 us (at 9600 baud they take 9.4 ms), and the handler's
    // snapshot of the memory after the request's last character.
    EXPECT_EQ(driver.send(read_request_text(0x2404)), "");
    EXPECT_EQ(driver.wait(6 * kFastChar), "");
    EXPECT_EQ(driver.wait(3 * kFastChar + 200us), reply_text(0x01));
    // A NUL sent at 9600 reaches the program's SCI with a framing error: its responder goes
    // back to 9600.
    driver.board().set_pc_rate(9600, driver.now());
    EXPECT_EQ(driver.send(std::string(1, '\0')), "");
    driver.wait(2 * kPcChar);
    EXPECT_EQ(driver.board().processor().read(0x102B), 0x30);
    EXPECT_EQ(driver.send(read_request_text(0x2404)), "");
    EXPECT_EQ(driver.wait(5 * kPcChar + 4 * kBoardChar + 200us), reply_text(0x01));
    log.flush();
    EXPECT_NE(log_text.str().find("line: the board's SCI at 62500 baud, the PC at 62500 baud"),
              std::string::npos)
        << log_text.str();
    EXPECT_NE(log_text.str().find("line: the board's SCI at 62500 baud, the PC at 9600 baud (more "
                                  "than 3 % apart: the SCI receives framing errors, the PC NULs)"),
              std::string::npos);
}

TEST(LineRate, RatesMoreThanThreePercentApartGiveTheMonitorGarbageAndThePcNuls) {
    BoardDriver driver(BoardDriver::processor());
    driver.board().set_pc_rate(62'500, driver.now());
    driver.board().power_on(driver.now());
    const std::size_t banner_size = monitor_text::kBanner.size();
    EXPECT_EQ(driver.wait(1s), std::string(banner_size, '\0'));
    // The CR the banner waits for arrives with a framing error: no prompt.
    EXPECT_EQ(driver.send("\r"), "");
    EXPECT_EQ(driver.wait(10ms), "");
    EXPECT_EQ(driver.board().monitor().state(), Monitor::State::kAwaitingReturn);
    // 57 600 baud is 8 % off, and just as wrong; 9500 is within 3 % of the SCI's 9615.
    driver.board().set_pc_rate(57'600, driver.now());
    EXPECT_EQ(driver.send("\r"), "");
    EXPECT_EQ(driver.wait(10ms), "");
    driver.board().set_pc_rate(9500, driver.now());
    EXPECT_EQ(driver.send("\r"), "");
    EXPECT_EQ(driver.wait(10ms), ">");
}

TEST(LineRate, WithoutPacingTheRatesAreNotCompared) {
    BoardDriver driver(BoardDriver::processor(false));
    driver.board().set_pc_rate(62'500, driver.now());
    driver.board().power_on(driver.now());
    EXPECT_EQ(driver.send("\r"), std::string(monitor_text::kBanner) + ">");
}

}  // namespace
}  // namespace boardsim
