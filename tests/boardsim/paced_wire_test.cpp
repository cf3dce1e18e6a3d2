#include "core/paced_wire.h"

#include <gtest/gtest.h>

#include "board_driver.h"
#include "core/usb_adapter.h"
#include "link/wire_protocol.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;

TEST(PacedWire, At9600BaudEachCharacterTakesTenBitTimes) {
    EXPECT_EQ(PacedWire::char_time_for_baud(9600), Nanos{1'041'666});
    EXPECT_EQ(PacedWire::char_time_for_baud(115200), Nanos{86'805});
    EXPECT_EQ(PacedWire::char_time_for_baud(0), Nanos{0});
}

TEST(PacedWire, CharactersQueueInOrderOneCharacterTimeApart) {
    PacedWire wire(1ms);
    wire.push('a', 0ms);
    wire.push('b', 0ms);
    wire.push('c', 5ms);  // the line was idle again
    EXPECT_FALSE(wire.pop_arrived(999us));
    EXPECT_EQ(wire.pop_arrived(1ms)->byte, 'a');
    EXPECT_EQ(wire.next_arrival(), Nanos{2ms});
    const auto b = wire.pop_arrived(10ms);
    EXPECT_EQ(b->byte, 'b');
    EXPECT_EQ(b->at, Nanos{2ms});
    EXPECT_EQ(wire.pop_arrived(10ms)->at, Nanos{6ms});
    EXPECT_TRUE(wire.empty());
}

TEST(PacedWire, WithoutPacingCharactersPassAtOnce) {
    PacedWire wire(0ns);
    for (int i = 0; i < 1000; ++i) wire.push(static_cast<std::uint8_t>(i), 3ms);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(wire.pop_arrived(3ms)->byte, static_cast<std::uint8_t>(i));
}

TEST(PacedWire, DroppingKeepsTheCharacterAlreadyOnTheWire) {
    PacedWire wire(1ms);
    for (char c : std::string("abcd")) wire.push(static_cast<std::uint8_t>(c), 0ms);
    wire.drop_waiting(500us);
    EXPECT_EQ(wire.size(), 1u);
    wire.push('z', 500us);
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
    BoardConfig config;  // 9600 baud
    config.runner = ProgramRunner::kBuiltinResponder;
    testing::BoardDriver driver(config);
    driver.start_program();
    driver.wait(2s);  // the dialogue's echoes have drained
    const Nanos sent = driver.now();
    EXPECT_EQ(driver.send(read_request_text(0x2400)), "");
    std::string reply;
    Nanos last{0};
    while (reply.size() < 4 && driver.now() < sent + 1s) {
        const std::string more = driver.wait(100us);
        if (!more.empty()) last = driver.now();
        reply += more;
    }
    EXPECT_EQ(reply, reply_text(0x20));
    const Nanos char_time = PacedWire::char_time_for_baud(9600);
    EXPECT_GE(last - sent, 9 * char_time);
    EXPECT_LT(last - sent, 9 * char_time + 100us);
}

TEST(BoardPacing, AUsbAdapterHandsTheReplyOverOneLatencyAfterItsFirstCharacter) {
    BoardConfig config;  // 9600 baud
    config.runner = ProgramRunner::kBuiltinResponder;
    config.usb_latency = 16ms;
    testing::BoardDriver driver(config);
    driver.start_program();
    driver.wait(2s);
    const Nanos char_time = PacedWire::char_time_for_baud(9600);
    EXPECT_EQ(driver.send(read_request_text(0x2400)), "");
    // Five characters of request; the reply's first has crossed the line a character later.
    EXPECT_EQ(driver.wait(6 * char_time + 16ms - 1us), "");
    EXPECT_EQ(driver.wait(1us), reply_text(0x20));
    EXPECT_FALSE(driver.board().next_event());
}

}  // namespace
}  // namespace boardsim
