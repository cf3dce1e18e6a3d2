#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "watch/axis_range.h"
#include "watch/plot_points.h"
#include "watch/sample_ring.h"

namespace halvane {
namespace {

std::vector<double> values(const SampleRing& ring) {
    std::vector<double> out;
    for (std::size_t i = 0; i < ring.size(); ++i) out.push_back(ring[i].value);
    return out;
}

std::vector<double> values(const std::vector<Sample>& samples) {
    std::vector<double> out;
    for (const Sample& sample : samples) out.push_back(sample.value);
    return out;
}

TEST(SampleRing, KeepsTheNewestInOrderOnceFull) {
    SampleRing ring(5);
    for (int i = 0; i < 3; ++i) ring.push({i * 0.1, static_cast<double>(i)});
    EXPECT_EQ(values(ring), (std::vector<double>{0, 1, 2}));
    // Past its capacity (and across the growth of its storage) the oldest go first.
    for (int i = 3; i < 38; ++i) ring.push({i * 0.1, static_cast<double>(i)});
    EXPECT_EQ(ring.size(), 5u);
    EXPECT_EQ(values(ring), (std::vector<double>{33, 34, 35, 36, 37}));
    EXPECT_EQ(ring.newest().value, 37);
}

TEST(SampleRing, FindsAndDropsByTimeAcrossTheWrap) {
    SampleRing ring(8);
    for (int i = 0; i < 13; ++i) ring.push({static_cast<double>(i), static_cast<double>(i)});
    // Holds 5 to 12, its oldest part at the end of its storage.
    EXPECT_EQ(ring.first_since(0), 0u);
    EXPECT_EQ(ring.first_since(7), 2u);  // a sample exactly at the time is included
    EXPECT_EQ(ring.first_since(7.5), 3u);
    EXPECT_EQ(ring.first_since(13), 8u);

    ring.drop_before(9.5);
    EXPECT_EQ(values(ring), (std::vector<double>{10, 11, 12}));
    ring.push({13, 13});
    EXPECT_EQ(values(ring), (std::vector<double>{10, 11, 12, 13}));
    ring.drop_before(100);
    EXPECT_TRUE(ring.empty());
    // A sample stamped before the newest is kept at the newest time, so the order holds.
    ring.push({14, 14});
    ring.push({12, 15});
    EXPECT_EQ(ring.first_since(14), 0u);
    EXPECT_EQ(ring.newest().seconds, 14);
}

TEST(PlotPoints, AFewSamplesAreDrawnAsTheyAre) {
    SampleRing ring;
    for (int i = 0; i < 20; ++i) ring.push({static_cast<double>(i), i * 10.0});
    std::vector<Sample> points{{99, 99}};  // replaced, not appended to
    plot_points(ring, 5, 9, 100, points);
    EXPECT_EQ(values(points), (std::vector<double>{50, 60, 70, 80, 90}));
    EXPECT_EQ(points.front().seconds, 5);
}

TEST(PlotPoints, ManySamplesGiveEachColumnItsLowAndHighInOrder) {
    SampleRing ring;
    // 1000 samples a second for 10 s of a sawtooth, with one spike up and one down.
    for (int i = 0; i < 10000; ++i) {
        double value = i % 100;
        if (i == 4321) value = 5000;
        if (i == 7654) value = -5000;
        ring.push({i / 1000.0, value});
    }
    std::vector<Sample> points;
    plot_points(ring, 0, 10, 200, points);
    EXPECT_LE(points.size(), 400u);
    EXPECT_GE(points.size(), 200u);
    double low = 0;
    double high = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) {
            EXPECT_LT(points[i - 1].seconds, points[i].seconds);
        }
        low = std::min(low, points[i].value);
        high = std::max(high, points[i].value);
    }
    EXPECT_EQ(high, 5000);
    EXPECT_EQ(low, -5000);
}

TEST(AxisRange, HoldsTheValuesWithRoundTicks) {
    const AxisRange bytes = nice_axis_range(0, 255);
    EXPECT_EQ(bytes.min, 0);
    EXPECT_EQ(bytes.max, 300);
    EXPECT_EQ(bytes.ticks, 7);
    const AxisRange words = nice_axis_range(0, 65535);
    EXPECT_EQ(words.max, 70000);
    EXPECT_EQ(words.ticks, 8);

    for (const auto& [low, high] : {std::pair{3.0, 4.0},
                                    {17.0, 17.0},
                                    {-12.0, 977.0},
                                    {0.0, 0.0},
                                    {12345.0, 12400.0},
                                    {1.0, 65535.0}}) {
        const AxisRange range = nice_axis_range(low, high);
        EXPECT_LE(range.min, low);
        EXPECT_GE(range.max, high);
        EXPECT_LT(range.min, range.max);
        EXPECT_GE(range.ticks, 5) << low << " " << high;
        EXPECT_LE(range.ticks, 13) << low << " " << high;
        // 1, 2 or 5 times a power of ten.
        const double step = (range.max - range.min) / (range.ticks - 1);
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                    std::abs(mantissa - 5) < 1e-6)
            << step;
    }
}

}  // namespace
}  // namespace halvane
