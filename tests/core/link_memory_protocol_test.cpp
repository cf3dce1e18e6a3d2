#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "grid/row_operation.h"
#include "link/board_link.h"
#include "link/wire_protocol.h"

namespace halvane {
namespace {

using namespace wire;

TEST(WireProtocol, ReadRequestIsAStarAndFourAddressPositions) {
    EXPECT_EQ(read_request("0040"), (std::vector<std::string>{"*", "0", "0", "4", "0"}));
    EXPECT_EQ(read_request("41"), (std::vector<std::string>{"*", "4", "1", "", ""}));
    EXPECT_EQ(read_request("123456"), (std::vector<std::string>{"*", "1", "2", "3", "4"}));
}

TEST(WireProtocol, WriteRequestCarriesMarkerAddressAndValue) {
    std::string joined;
    for (const auto& c : write_request("3F", "0040")) joined += c;
    EXPECT_EQ(joined, "*FFFF00403F");
    EXPECT_EQ(write_request("3F", "0040").size(), kWriteRequestLength);
    const auto short_value = write_request("3", "0040");
    EXPECT_EQ(short_value.size(), kWriteRequestLength);
    EXPECT_EQ(short_value[10], "");
}

// The whole texts the simulated board and the tests build requests and replies with.
TEST(WireProtocol, WholeRequestAndReplyTextsAreUpperCaseHexBetweenTheMarks) {
    EXPECT_EQ(read_request_text(0x00ab), "*00AB");
    EXPECT_EQ(write_request_text(0xbeef, 0x0a), "*FFFFBEEF0A");
    EXPECT_EQ(write_request_text(0x0040, 0x3f).size(), kWriteRequestLength);
    EXPECT_EQ(reply_text(0xe7), "!E7@");
    EXPECT_EQ(reply_value(reply_text(0x05)), std::optional<std::string>("05"));
}

TEST(WireProtocol, ReplyValueIsBetweenTheLastMarkBeforeTheFirstEndAndThatEnd) {
    struct Case {
        const char* received;
        std::optional<std::string> value;
    };
    for (const Case& c : {
             Case{"!3F@", "3F"},
             Case{"xyz!3F@\r\n", "3F"},
             Case{"3F@", "3F"},  // no mark: everything before the end
             Case{"!@", ""},
             Case{"!3F", std::nullopt},
             Case{"", std::nullopt},
             Case{"Ready!\r\n!3F@", "3F"},  // the program printed before its reply
             Case{"!1!3F@", "3F"},
             Case{"ab@!3F@", "ab"},  // an end before any mark: never a negative length
             Case{"@!3F@", ""},
         }) {
        EXPECT_EQ(reply_value(c.received), c.value) << c.received;
    }
}

// One row's operation on a board link of its own, with the fake clock and port.
class RowOperationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        serial.clock = &clock;
        serial.open();
        link.set_gate(true);
        link.received().on_changed = [this](const std::string& text) { text1.set_text(text); };
    }
    void run(RowRequest request) {
        link.queue_user_job(std::make_unique<RowOperation>(
            std::move(request), [this](const RowResult& r) { result = r; }));
        clock.run();
    }
    fakes::FakeClock clock;
    fakes::FakeSerial serial;
    fakes::FakeText text1;
    BoardLink link{serial, clock};
    std::optional<RowResult> result;
};

TEST_F(RowOperationTest, ReadSendsOneCharacterPerTickAndTakesTheReply) {
    clock.at_ms(7, [&] { serial.arrive("!3F@"); });
    run({5, 1, 0x0040, false, std::nullopt});
    EXPECT_EQ(serial.writes, (std::vector<std::string>{"*", "0", "0", "4", "0"}));
    EXPECT_EQ(serial.write_ticks, (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, RowResult::Outcome::kOk);
    EXPECT_EQ(result->replies, std::vector<std::string>{"3F"});
    EXPECT_EQ(text1.value, "!3F@");
}

TEST_F(RowOperationTest, WriteThenReadBackIsPacedWithoutAGapAndWaitsForNoWriteReply) {
    clock.at_ms(40, [&] { serial.arrive("!3F@"); });
    run({1, 1, 0x0040, false, std::string("3F")});
    EXPECT_EQ(serial.written(), "*FFFF00403F*0040");
    for (std::size_t i = 0; i < serial.write_ticks.size(); ++i)
        EXPECT_EQ(serial.write_ticks[i], static_cast<std::int64_t>(i));
    EXPECT_EQ(result->replies, std::vector<std::string>{"3F"});
}

TEST_F(RowOperationTest, AWordJoinsHighAndLowByteAndEmptiesTheBufferBetweenThem) {
    clock.at_ms(6, [&] { serial.arrive("!12@junk"); });
    clock.at_ms(14, [&] { serial.arrive("!34@"); });
    run({1, 1, 0x2400, true, std::nullopt});
    EXPECT_EQ(serial.written(), "*2400*2401");
    EXPECT_EQ(serial.write_ticks[5], 6);  // the low byte's request follows the reply at once
    EXPECT_EQ(result->replies, (std::vector<std::string>{"12", "34"}));
    EXPECT_EQ(text1.value, "!34@");
}

TEST_F(RowOperationTest, LateWakeUpsNeverLetTwoCharactersGoWithinOneTick) {
    // Every other alarm comes 0.9 ms late, as on a loaded machine: pacing from the planned
    // times instead of the real ones would send the next character 0.1 ms later.
    bool late = false;
    clock.alarm_lateness_ns = [&] { return (late = !late) ? 900'000 : 0; };
    clock.at_ms(60, [&] { serial.arrive("!00@"); });
    clock.at_ms(70, [&] { serial.arrive("!00@"); });
    run({1, 1, 0x0040, true, std::string("1234")});
    ASSERT_EQ(serial.written(), "*FFFF004012*FFFF004134*0040*0041");
    for (std::size_t i = 1; i < serial.write_ns.size(); ++i)
        EXPECT_GE(serial.write_ns[i] - serial.write_ns[i - 1], kTickNs) << i;
}

TEST_F(RowOperationTest, NoiseEndedByAStrayAtIsNotTakenForTheReply) {
    // Were the noise taken, the real reply would stay on its way and land in the next read.
    clock.at_ms(6, [&] { serial.arrive("x#@"); });
    clock.at_ms(9, [&] { serial.arrive("!5A@"); });
    run({4, 1, 0x0040, false, std::nullopt});
    EXPECT_EQ(result->replies, std::vector<std::string>{"5A"});
    EXPECT_EQ(clock.now_ms(), 9);
}

TEST_F(RowOperationTest, NoReplyTimesOutOneSecondAfterTheLastCharactersTick) {
    run({2, 1, 0x0040, true, std::nullopt});
    EXPECT_EQ(result->outcome, RowResult::Outcome::kTimedOut);
    EXPECT_EQ(result->failed_address, 0x0040);
    EXPECT_EQ(clock.now_ms(), 5 + 1000);
    EXPECT_EQ(serial.written(), "*0040");  // a word's low byte is not asked for
}

TEST_F(RowOperationTest, WithTheGateClosedNothingReachesTheRowAndItTimesOut) {
    link.set_gate(false);
    clock.at_ms(7, [&] { serial.arrive("!3F@"); });
    run({1, 1, 0x0040, false, std::nullopt});
    EXPECT_EQ(result->outcome, RowResult::Outcome::kTimedOut);
    EXPECT_EQ(text1.value, "");
}

TEST_F(RowOperationTest, AQuietReadKeepsItsRepliesOutOfTheLogAndLeavesTheRestThere) {
    const auto quiet = [](bool word) {
        RowRequest request{1, 1, 0x2400, word, std::nullopt};
        request.quiet = true;
        return request;
    };
    link.received().append("earlier output ");
    clock.at_ms(6, [&] { serial.arrive("tick!1"); });
    clock.at_ms(7, [&] { serial.arrive("2@ tock"); });
    clock.at_ms(14, [&] { serial.arrive("!34@\r\n"); });
    run(quiet(true));
    EXPECT_EQ(result->replies, (std::vector<std::string>{"12", "34"}));
    EXPECT_EQ(text1.value, "earlier output tick tock\r\n");
    // A read that times out shows what came, reply-like or not.
    clock.at_ms(clock.now_ms() + 7, [&] { serial.arrive("!5"); });
    run(quiet(false));
    EXPECT_EQ(result->outcome, RowResult::Outcome::kTimedOut);
    EXPECT_EQ(text1.value, "earlier output tick tock\r\n!5");
}

}  // namespace
}  // namespace halvane
