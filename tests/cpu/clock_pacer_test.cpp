// Wall-clock time into E-clock cycles for running the board at its real speed.
#include "hc11/clock_pacer.h"

#include <gtest/gtest.h>

namespace hc11::testing {
namespace {

using namespace std::chrono_literals;

TEST(ClockPacer, OwesTwoThousandCyclesPerMillisecond) {
    ClockPacer pacer(2'000'000);
    const ClockPacer::clock::time_point t0{};
    pacer.start(t0);
    EXPECT_EQ(pacer.cycles_due(t0 + 1ms), 2000u);
    EXPECT_EQ(pacer.cycles_due(t0 + 6ms), 10000u);
}

TEST(ClockPacer, KeepsFractionsOfACycle) {
    ClockPacer pacer(2'000'000);
    ClockPacer::clock::time_point t{};
    pacer.start(t);
    std::uint64_t total = 0;
    for (int i = 0; i < 1000; ++i) {
        t += 300ns;  // 0.6 cycles each
        total += pacer.cycles_due(t);
    }
    EXPECT_EQ(total, 600u);
}

TEST(ClockPacer, MakesUpOnlyALimitedPause) {
    ClockPacer pacer(2'000'000, 100ms);
    const ClockPacer::clock::time_point t0{};
    pacer.start(t0);
    EXPECT_EQ(pacer.cycles_due(t0 + 10s), 200'000u);
    EXPECT_EQ(pacer.cycles_due(t0 + 10s + 1ms), 2000u);
}

}  // namespace
}  // namespace hc11::testing
