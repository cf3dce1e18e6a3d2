#include "core/paced_wire.h"

#include <gtest/gtest.h>

#include "board_driver.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;

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

TEST(BoardPacing, ARequestAndItsReplyTakeNineCharacterTimes) {
    BoardConfig config;  // 9600 baud
    config.runner = ProgramRunner::kBuiltinResponder;
    testing::BoardDriver driver(config);
    driver.start_program();
    driver.wait(2s);  // the dialogue's echoes have drained
    const Nanos sent = driver.now();
    EXPECT_EQ(driver.send("*2400"), "");
    std::string reply;
    Nanos last{0};
    while (reply.size() < 4 && driver.now() < sent + 1s) {
        const std::string more = driver.wait(100us);
        if (!more.empty()) last = driver.now();
        reply += more;
    }
    EXPECT_EQ(reply, "!20@");
    const Nanos char_time = PacedWire::char_time_for_baud(9600);
    EXPECT_GE(last - sent, 9 * char_time);
    EXPECT_LT(last - sent, 9 * char_time + 100us);
}

}  // namespace
}  // namespace boardsim
