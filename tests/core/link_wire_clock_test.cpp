#include <gtest/gtest.h>

#include "link/wire_clock.h"

namespace halvane {
namespace {

constexpr std::int64_t kCharNs = 1'041'666;  // one character at 9600 baud, 8N1

TEST(WireClock, CharactersLeaveOnePerCharacterTime) {
    WireClock wire(9600);
    wire.written(10, 0);
    EXPECT_EQ(wire.pending(0), 10u);
    EXPECT_EQ(wire.pending(kCharNs * 4 + 1), 6u);
    EXPECT_EQ(wire.pending(kCharNs * 10 + 10), 0u);
}

TEST(WireClock, AnIdleLineStartsAfreshWithTheNextWrite) {
    WireClock wire(9600);
    wire.written(2, 0);
    wire.written(3, kCharNs * 100);  // long after the first two left
    EXPECT_EQ(wire.pending(kCharNs * 100), 3u);
}

TEST(WireClock, WritesWhileBusyQueueBehindEachOther) {
    WireClock wire(9600);
    wire.written(5, 0);
    wire.written(5, kCharNs * 2);
    EXPECT_EQ(wire.pending(kCharNs * 2), 8u);
}

TEST(WireClock, NoRateMeansNothingIsHeldBack) {
    WireClock wire(0);
    wire.written(100, 0);
    EXPECT_EQ(wire.pending(0), 0u);
}

}  // namespace
}  // namespace halvane
