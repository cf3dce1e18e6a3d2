// The live watch's marks on the grid and the status: change highlight, value age, link health.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "watch/change_highlight.h"
#include "watch/link_health.h"
#include "watch/value_age.h"

namespace halvane {
namespace {

TEST(ChangeHighlight, FadesFromFullToNothingWithinASecond) {
    const struct {
        double changed_at, now, strength;
    } cases[] = {
        {10, 10, 1}, {10, 10.25, 0.75}, {10, 10.5, 0.5},
        {10, 11, 0}, {10, 500, 0},      {10, 9, 1},  // a clock read before the change: still full
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(highlight_strength(c.changed_at, c.now), c.strength)
            << c.changed_at << " " << c.now;
    }
}

TEST(ValueAge, SaysHowLongAgoInTheCoarsestUsefulUnit) {
    const struct {
        double read_at, now;
        const char* text;
    } cases[] = {
        {100, 100.3, "read 0.3 s ago"},
        {2.0, 2.3, "read 0.3 s ago"},  // 0.29999... from the subtraction
        {100, 109.99, "read 9.9 s ago"},
        {100, 110, "read 10 s ago"},
        {100, 159.9, "read 59 s ago"},
        {100, 160, "read 1 min 0 s ago"},
        {100, 3699.5, "read 59 min 59 s ago"},
        {100, 3700, "read 1 h 0 min ago"},
        {0, 7325, "read 2 h 2 min ago"},
        {100, 99, "read 0.0 s ago"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(value_age_text(c.read_at, false, c.now), c.text) << c.now - c.read_at;
    }
}

TEST(ValueAge, AFailedReadSaysSoWithTheAgeOfTheLastGoodOne) {
    EXPECT_EQ(value_age_text(std::nullopt, true, 50), "last read failed");
    EXPECT_EQ(value_age_text(37.5, true, 50), "last read failed; last good read 12 s ago");
    EXPECT_EQ(value_age_text(std::nullopt, false, 50), "");
}

TEST(LinkHealth, CountsSweepsPerSecondOverTheRecentWindow) {
    RecentSweeps sweeps;
    EXPECT_EQ(sweeps.per_second(0), 0);
    sweeps.completed(0.1);
    EXPECT_DOUBLE_EQ(sweeps.per_second(0.1), 1 / kSweepRateWindowSeconds);
    for (int i = 2; i <= 200; ++i) sweeps.completed(i * 0.1);  // ten a second for 20 s
    EXPECT_NEAR(sweeps.per_second(20.0), 10.0, 1e-9);
    EXPECT_NEAR(sweeps.per_second(20.05), 10.0, 1e-9);  // between two sweeps

    // The line stalls: the rate falls at once and reaches nothing after the window.
    const double one_second_later = sweeps.per_second(21.0);
    EXPECT_LT(one_second_later, 9.0);
    EXPECT_GT(one_second_later, sweeps.per_second(23.0));
    EXPECT_EQ(sweeps.per_second(25.1), 0);

    // Slow sweeps, two seconds apart.
    RecentSweeps slow;
    for (int i = 1; i <= 5; ++i) slow.completed(i * 2.0);
    EXPECT_NEAR(slow.per_second(10.5), 0.5, 1e-9);
}

TEST(LinkHealth, TextGivesTheRateToATenthAndTheTimeOuts) {
    EXPECT_EQ(link_health_text(9.84, 0), "9.8 sweeps/s, 0 time-outs");
    EXPECT_EQ(link_health_text(21.3, 1), "21.3 sweeps/s, 1 time-out");
    EXPECT_EQ(link_health_text(0, 12), "0.0 sweeps/s, 12 time-outs");
}

TEST(LinkHealth, TooltipTellsWhatTheFiguresCountAndTheIntervalAndRowsOfTheSweep) {
    EXPECT_EQ(link_health_tooltip({0, 5}),
              "Sweeps a second over the last 5 s, reads without reply since Live Refresh was "
              "turned on\nInterval: as fast as the line allows\nRows swept: 5\nbyte reads\n"
              "Line: 9600 baud");
    EXPECT_TRUE(
        link_health_tooltip({0.5, 99, true, 0, 62500})
            .ends_with("\nInterval: 0.5 s\nRows swept: 99\nblock reads\nLine: 62 500 baud"));
    EXPECT_TRUE(link_health_tooltip({2, 1, true, 3, 125000})
                    .ends_with("\nInterval: 2 s\nRows swept: 1\nblock reads, 3 replies refused by "
                               "their check\nLine: 125 000 baud"));
}

}  // namespace
}  // namespace halvane
