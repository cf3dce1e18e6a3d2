#include <gtest/gtest.h>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "link/request_text.h"

namespace halvane {
namespace {

using fakes::Harness;

TEST(RequestText, ReadRequestIsAStarAndFourAddressPositions) {
    EXPECT_EQ(read_request("0040"), (std::vector<std::string>{"*", "0", "0", "4", "0"}));
    EXPECT_EQ(read_request("41"), (std::vector<std::string>{"*", "4", "1", "", ""}));
    EXPECT_EQ(read_request("123456"), (std::vector<std::string>{"*", "1", "2", "3", "4"}));
}

TEST(RequestText, WriteRequestCarriesMarkerAddressAndValue) {
    std::string joined;
    for (const auto& c : write_request("3F", "0040")) joined += c;
    EXPECT_EQ(joined, "*FFFF00403F");
    EXPECT_EQ(write_request("3F", "0040").size(), 11u);
    const auto short_value = write_request("3", "0040");
    EXPECT_EQ(short_value.size(), 11u);
    EXPECT_EQ(short_value[10], "");
}

TEST(RequestText, ReplyValueCases) {
    EXPECT_EQ(reply_value("!3F@"), "3F");
    EXPECT_EQ(reply_value("xyz!3F@\r\n"), "3F");
    EXPECT_EQ(reply_value("3F@"), "3F");
    EXPECT_EQ(reply_value("!@"), "");
    EXPECT_EQ(reply_value("!3F"), std::nullopt);
    EXPECT_EQ(reply_value(""), std::nullopt);
    EXPECT_EQ(reply_value("!1!3F@"), "1!3F");  // the first "!" opens the value
    // An "@" before any "!": everything before it, never a negative length.
    EXPECT_EQ(reply_value("ab@!3F@"), "ab");
    EXPECT_EQ(reply_value("@!3F@"), "");
}

class MemoryProtocolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        h.load();
        probe.set_flag(1);
        h.serial.input_length = 1;
    }
    Harness h;
    TamrinProbe probe{*h.window};
};

TEST_F(MemoryProtocolTest, ReadSendsOneCharacterPerTickAndStoresTheValueInItsRow) {
    fakes::ScriptedBoard board(h);
    board.memory[0x0040] = 0x3F;
    EXPECT_EQ(probe.read_mem("0040", 5), "ok");
    EXPECT_EQ(h.serial.writes, (std::vector<std::string>{"*", "0", "0", "4", "0"}));
    EXPECT_EQ(h.serial.write_ticks, (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(h.grid.text(5, 2), "3F");
}

TEST_F(MemoryProtocolTest, ShortAddressStillWaitsFiveTicks) {
    h.pump.at(7, [&] { h.serial.arrive("!00@"); });
    EXPECT_EQ(probe.read_mem("41", 1), "ok");
    EXPECT_EQ(h.serial.written(), "*41");
    EXPECT_GE(h.pump.now(), 5);
}

TEST_F(MemoryProtocolTest, WriteSendsElevenCharactersOneTickEachAndWaitsForNothing) {
    EXPECT_EQ(probe.write_mem("3F", "0040"), "ok");
    EXPECT_EQ(h.serial.written(), "*FFFF00403F");
    EXPECT_EQ(h.serial.writes.size(), 11u);
    EXPECT_EQ(h.pump.now(), 11);
}

TEST_F(MemoryProtocolTest, AnAtAlreadyInTheBufferEndsTheWaitWithTheOlderText) {
    h.text1.set_text("77@");
    EXPECT_EQ(probe.read_mem("0040", 3), "ok");
    EXPECT_EQ(h.grid.text(3, 2), "77");
}

TEST_F(MemoryProtocolTest, NoiseEndedByAStrayAtIsNotTakenForTheReply) {
    // Were the noise taken, the real reply would stay on its way and land in the next read.
    h.pump.at(6, [&] { h.serial.arrive("x#@"); });
    h.pump.at(9, [&] { h.serial.arrive("!5A@"); });
    EXPECT_EQ(probe.read_mem("0040", 4), "ok");
    EXPECT_EQ(h.grid.text(4, 2), "5A");
    EXPECT_EQ(h.pump.now(), 9);
}

TEST_F(MemoryProtocolTest, NoReplyTimesOutOneThousandTicksAfterTheLastCharacter) {
    h.grid.set_text(2, 2, "AA");
    EXPECT_EQ(probe.read_mem("0040", 2), "timed out");
    EXPECT_EQ(h.pump.now(), 5 + Tamrin::kReplyTimeoutTicks);
    EXPECT_EQ(h.grid.text(2, 2), "AA");
}

TEST_F(MemoryProtocolTest, ReadWithTheGateClosedTimesOutInsteadOfWaitingForEver) {
    probe.set_flag(0);
    fakes::ScriptedBoard board(h);
    EXPECT_EQ(probe.read_mem("0040", 1), "timed out");
    EXPECT_EQ(h.text1.value, "");
}

TEST_F(MemoryProtocolTest, PortLostDuringTheWaitEndsTheReadAtOnce) {
    h.pump.at(20, [&] { h.window->serial_failed("device removed"); });
    EXPECT_EQ(probe.read_mem("0040", 1), "port failed");
    EXPECT_EQ(h.pump.now(), 20);
    EXPECT_EQ(h.status.value, "Status: device removed");
}

TEST_F(MemoryProtocolTest, ClosingTheWindowDuringTheReplyWaitAbortsWithoutTouchingTheGrid) {
    h.grid.set_text(1, 2, "12");
    h.pump.at(50, [&] { h.window->Form_Unload(); });
    EXPECT_EQ(probe.read_mem("0040", 1), "aborted");
    EXPECT_EQ(h.grid.text(1, 2), "12");
    EXPECT_FALSE(h.serial.is_open());
}

}  // namespace
}  // namespace halvane
