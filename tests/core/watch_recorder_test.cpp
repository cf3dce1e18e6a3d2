// Recording sweeps to a file: the lines, the buffering and what a failing file does.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "fakes/test_files.h"
#include "watch/sweep_recorder.h"
#include "watch/wall_clock_text.h"

namespace halvane {
namespace {

using fakes::FileSizeLimit;
using fakes::read_bytes;
using fakes::TempFolder;
using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;
using std::chrono::sys_days;

// 2024-03-01 22:59:58.250 UTC.
const auto kWall = sys_days{std::chrono::year{2024} / 3 / 1} + hours(22) + minutes(59) +
                   seconds(58) + milliseconds(250);

// Keeps each write it is given.
class CapturingSink : public RecordSink {
  public:
    explicit CapturingSink(std::vector<std::string>& writes) : writes_(writes) {}
    bool write(std::string_view bytes) override {
        writes_.emplace_back(bytes);
        return true;
    }
    bool close() override { return true; }
    std::string error_text() const override { return {}; }

  private:
    std::vector<std::string>& writes_;
};

// Local time is a fixed zone, five and a half hours ahead of UTC, for one test.
class FixedTimeZone {
  public:
    FixedTimeZone() {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        setenv("TZ", "<+0530>-5:30", 1);
        tzset();
    }
    ~FixedTimeZone() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

using Readings = std::vector<std::optional<ColumnReading>>;

TEST(WallClockText, WritesLocalTimeWithItsOffsetFromUtc) {
    EXPECT_EQ(wall_clock_text(kWall + std::chrono::microseconds(999), minutes(-180)),
              "2024-03-01T19:59:58.250-03:00");
    // Into the next day, from a leap year's 29 February.
    EXPECT_EQ(wall_clock_text(kWall - hours(24), minutes(90)), "2024-03-01T00:29:58.250+01:30");
    FixedTimeZone zone;
    EXPECT_EQ(local_wall_clock_text(kWall), "2024-03-02T04:29:58.250+05:30");
}

TEST(SweepRecorder, WritesAHeaderAndOneLinePerSweep) {
    FixedTimeZone zone;
    std::vector<std::string> writes;
    SweepRecorder recorder(std::make_unique<CapturingSink>(writes), "rec.csv",
                           {"count", "say \"hi\", twice", "2405"}, 100.0);
    ASSERT_EQ(writes.size(), 1u);  // the header at once
    recorder.record_sweep(
        100.0626, kWall,
        Readings{ColumnReading{"002A", 42}, ColumnReading{"FF", 255}, ColumnReading{"01", 1}});
    // A failed read leaves both of its fields empty.
    recorder.record_sweep(
        112.5, kWall + milliseconds(12437),
        Readings{ColumnReading{"002B", 43}, std::nullopt, ColumnReading{"00", 0}});
    recorder.record_sweep(112.6, kWall, Readings{std::nullopt, std::nullopt, std::nullopt});
    EXPECT_TRUE(recorder.close());
    std::string file;
    for (const std::string& write : writes) file += write;
    EXPECT_EQ(file,
              "seconds,time,\"count hex\",\"count dec\",\"say \"\"hi\"\", twice hex\","
              "\"say \"\"hi\"\", twice dec\",\"2405 hex\",\"2405 dec\"\r\n"
              "0.063,2024-03-02T04:29:58.250+05:30,002A,42,FF,255,01,1\r\n"
              "12.500,2024-03-02T04:30:10.687+05:30,002B,43,,,00,0\r\n"
              "12.600,2024-03-02T04:29:58.250+05:30,,,,,,\r\n");
}

TEST(SweepRecorder, WritesAtMostAboutOnceASecondAndEverythingOnClose) {
    std::vector<std::string> writes;
    SweepRecorder recorder(std::make_unique<CapturingSink>(writes), "rec.csv", {"count"}, 0);
    const Readings one{ColumnReading{"01", 1}};
    for (int i = 1; i <= 9; ++i) recorder.record_sweep(i * 0.1, kWall, one);
    EXPECT_EQ(writes.size(), 1u);
    EXPECT_TRUE(recorder.flush_if_due(0.95));
    EXPECT_EQ(writes.size(), 1u);
    recorder.record_sweep(1.0, kWall, one);  // a second after the header
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(std::count(writes[1].begin(), writes[1].end(), '\n'), 10);

    // With no sweep coming, the timer's call writes the line within the second.
    recorder.record_sweep(1.2, kWall, one);
    EXPECT_TRUE(recorder.flush_if_due(2.0));
    EXPECT_EQ(writes.size(), 3u);
    recorder.record_sweep(2.1, kWall, one);
    EXPECT_TRUE(recorder.close());
    EXPECT_EQ(writes.size(), 4u);
}

TEST(SweepRecorder, AFullDiskStopsTheRecordingAndSaysWhy) {
    TempFolder folder;
    EXPECT_EQ(open_record_file(folder.file("missing/rec.csv")).sink, nullptr);
    const std::string path = folder.file("rec.csv");
    OpenedRecordFile opened = open_record_file(path);
    ASSERT_NE(opened.sink, nullptr) << opened.error_text;
    SweepRecorder recorder(std::move(opened.sink), path, {"count"}, 0);
    const Readings one{ColumnReading{"01", 1}};
    double now = 0;
    {
        FileSizeLimit full_after(4096);
        while (recorder.record_sweep(now, kWall, one) && now < 1000) now += 0.1;
    }
    EXPECT_LT(now, 1000);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(recorder.failure(), "Recording to " + path + " stopped.\nFile too large.");
    const std::string written = read_bytes(path);
    EXPECT_EQ(written.rfind("seconds,time,\"count hex\",\"count dec\"\r\n", 0), 0u);
    // Nothing more is written once it has stopped.
    EXPECT_FALSE(recorder.record_sweep(now + 5, kWall, one));
    EXPECT_FALSE(recorder.close());
    EXPECT_EQ(read_bytes(path), written);
}

}  // namespace
}  // namespace halvane
