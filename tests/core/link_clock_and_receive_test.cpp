#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace halvane {
namespace {

using fakes::Harness;

class DelayTest : public ::testing::Test {
  protected:
    void SetUp() override { h.load(); }
    Harness h;
    TamrinProbe probe{*h.window};
};

TEST_F(DelayTest, CountOfZeroOrLessRestartsTheCounterAndDispatchesNothing) {
    probe.set_timer_count(40);
    for (int count : {0, -1, -32768}) {
        EXPECT_TRUE(probe.delay(count));
        EXPECT_EQ(h.window->timer_count(), 0);
    }
    EXPECT_EQ(h.pump.dispatch_calls(), 0);
}

TEST_F(DelayTest, DelayOfOneEndsWithTheFirstTickAfterEntry) {
    probe.set_timer_count(7);
    EXPECT_TRUE(probe.delay(1));
    EXPECT_EQ(h.pump.now(), 1);
    EXPECT_EQ(h.window->timer_count(), 1);
}

TEST_F(DelayTest, DelayOfFiveHandlesFiveTicksAndRunsOtherEventsMeanwhile) {
    int user_events = 0;
    h.pump.after(2, [&] { ++user_events; });
    h.pump.after(3, [&] { h.serial.arrive("x"); });
    EXPECT_TRUE(probe.delay(5));
    EXPECT_EQ(h.pump.now(), 5);
    EXPECT_EQ(user_events, 1);
    EXPECT_EQ(h.serial.discards, 1);  // the gate is closed, the character was thrown away
}

TEST_F(DelayTest, NestedDelayRestartsTheSharedCountSoTheOuterWaitGrows) {
    h.pump.after(3, [&] { EXPECT_TRUE(probe.delay(2)); });
    EXPECT_TRUE(probe.delay(5));
    // Outer entry at 0; the inner delay restarts the count at tick 3 and ends at tick 5;
    // the outer one then needs five ticks counted from that restart.
    EXPECT_EQ(h.pump.now(), 3 + 5);
}

TEST_F(DelayTest, CounterKeepsCountingBetweenDelaysAndPastThe16BitLimit) {
    EXPECT_TRUE(probe.delay(1));
    for (int i = 0; i < 40000; ++i) h.window->Timer1_Timer();
    EXPECT_EQ(h.window->timer_count(), 40001);
    EXPECT_TRUE(probe.delay(5));
    EXPECT_EQ(h.window->timer_count(), 5);
}

TEST_F(DelayTest, ClosingTheWindowEndsTheWaitAtOnce) {
    h.pump.after(10, [&] { h.window->Form_Unload(); });
    EXPECT_FALSE(probe.delay(1'000'000));
    EXPECT_EQ(h.pump.now(), 10);
    EXPECT_FALSE(probe.delay(1));  // a wait begun after the close does not wait
    EXPECT_EQ(h.pump.now(), 10);
}

class ReceivePathTest : public ::testing::Test {
  protected:
    void SetUp() override { h.load(); }
    Harness h;
    TamrinProbe probe{*h.window};
};

TEST_F(ReceivePathTest, NothingReachesTheBufferWhileTheGateIsClosed) {
    h.serial.arrive("monitor echo\r\n>");
    EXPECT_EQ(h.text1.value, "");
    EXPECT_GE(h.serial.discards, 1);
}

TEST_F(ReceivePathTest, WithTheGateOpenEveryCharacterArrivesOnceAndInOrder) {
    probe.set_flag(1);
    h.serial.input_length = 1;  // as after a download: one character per read
    h.text1.set_text("old");
    h.serial.arrive("!3F@");
    h.serial.arrive("\r\nmore");
    EXPECT_EQ(h.text1.value, "old!3F@\r\nmore");
}

TEST_F(ReceivePathTest, ANoticeWithNothingWaitingLeavesTheBufferAlone) {
    probe.set_flag(1);
    h.text1.set_text("kept");
    const auto sets = h.text1.history.size();
    h.window->MSComm1_OnComm();
    EXPECT_EQ(h.text1.value, "kept");
    EXPECT_EQ(h.text1.history.size(), sets);
}

TEST_F(ReceivePathTest, TheBufferKeepsOnlyItsNewestCharacters) {
    probe.set_flag(1);
    h.text1.set_text(std::string(Tamrin::kReceiveBufferLimit - 2, 'a'));
    h.serial.arrive("XYZW");
    ASSERT_EQ(h.text1.value.size(), Tamrin::kReceiveBufferLimit);
    EXPECT_EQ(h.text1.value.substr(h.text1.value.size() - 4), "XYZW");
}

TEST_F(ReceivePathTest, ALostPortIsClosedAndReportedAndLaterNoticesAreHarmless) {
    h.window->serial_failed("Input/output error");
    EXPECT_FALSE(h.serial.is_open());
    EXPECT_EQ(h.status.value, "Status: Input/output error");
    h.window->MSComm1_OnComm();
    EXPECT_EQ(h.text1.value, "");
}

}  // namespace
}  // namespace halvane
