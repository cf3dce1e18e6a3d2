#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_driver.h"
#include "link/wire_protocol.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using testing::BoardDriver;
namespace wire = halvane::wire;
using halvane::wire::block_reply_text;
using halvane::wire::block_request_text;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;

BoardDriver started_with(FaultOptions faults, bool paced = false) {
    BoardConfig config = BoardDriver::builtin_unpaced();
    config.paced = paced;
    config.faults = faults;
    BoardDriver driver(config);
    driver.start_program();
    driver.wait(1s);
    return driver;
}

TEST(Faults, NoReplySwallowsEveryReplyButWritesStillWork) {
    BoardDriver driver = started_with({.no_reply = true});
    EXPECT_EQ(driver.send(read_request_text(0x2400)), "");
    EXPECT_EQ(driver.send(write_request_text(0x2400, 0x0A)), "");
    EXPECT_EQ(driver.board().processor().read(0x2400), 0x0A);
    EXPECT_EQ(driver.wait(1s), "");
}

TEST(Faults, DropEveryNthReply) {
    BoardDriver driver = started_with({.drop_every = 3});
    std::string out;
    for (int i = 0; i < 7; ++i) out += driver.send(read_request_text(0x2400)) + "|";
    const std::string reply = reply_text(0x20);
    EXPECT_EQ(out, reply + "|" + reply + "||" + reply + "|" + reply + "||" + reply + "|");
}

TEST(Faults, ReplyDelayHoldsTheReplyBackAndKeepsTheOrder) {
    BoardDriver driver = started_with({.reply_delay = 50ms});
    EXPECT_EQ(driver.send(read_request_text(0x2400)), "");
    EXPECT_EQ(driver.wait(49ms), "");
    EXPECT_EQ(driver.send(read_request_text(0x2401)), "");
    EXPECT_EQ(driver.wait(1ms), reply_text(0x20));
    EXPECT_EQ(driver.wait(48ms), "");
    EXPECT_EQ(driver.wait(1ms), reply_text(0x04));
    // A reset forgets replies still held back.
    driver.send(read_request_text(0x2400));
    EXPECT_EQ(driver.send("\rload t\r").find(wire::kReplyStart), std::string::npos);
    EXPECT_EQ(driver.wait(1s), "");
}

TEST(Faults, GarbageComesBeforeTheReplyAndSometimesAStrayEndMark) {
    BoardDriver driver = started_with({.garbage = true});
    int stray_end_marks = 0;
    for (int i = 0; i < 40; ++i) {
        const std::string out = driver.send(read_request_text(0x2400));
        ASSERT_GT(out.size(), 4u);
        ASSERT_EQ(out.substr(out.size() - 4), reply_text(0x20));
        const std::string noise = out.substr(0, out.size() - 4);
        EXPECT_EQ(noise.find_first_of(std::string{wire::kReplyStart, wire::kRequestStart}),
                  std::string::npos)
            << noise;
        if (noise.find(wire::kReplyEnd) != std::string::npos) ++stray_end_marks;
    }
    EXPECT_GT(stray_end_marks, 0);
    EXPECT_LT(stray_end_marks, 40);
    EXPECT_EQ(driver.send(write_request_text(0x2400, 0x0A)), "");  // writes stay unanswered
}

TEST(Faults, HangupAfterNRequestsOnceTheLastAnswerHasGone) {
    BoardDriver driver = started_with({.hangup_after = 3}, true);
    driver.send(read_request_text(0x2400));
    driver.send(write_request_text(0x2401, 0x00));
    EXPECT_FALSE(driver.board().hung_up());
    driver.send(read_request_text(0x2400));
    EXPECT_FALSE(driver.board().hung_up());
    // The third request is complete after 21 character times; its reply is still on the wire.
    EXPECT_EQ(driver.wait(22ms), reply_text(0x20));
    EXPECT_FALSE(driver.board().hung_up());
    EXPECT_EQ(driver.wait(10ms), reply_text(0x20));
    EXPECT_TRUE(driver.board().hung_up());
}

TEST(Faults, CorruptEveryFlipsTheLowestBitOfEveryNthCharacterWhoeverSendsIt) {
    auto banner = [](std::uint32_t every) {
        BoardConfig config = BoardDriver::builtin_unpaced();
        config.faults.corrupt_every = every;
        BoardDriver driver(config);
        driver.board().power_on(driver.now());
        return driver.wait(10ms);
    };
    std::string flipped = banner(0);
    ASSERT_FALSE(flipped.empty());
    for (char& c : flipped) c = static_cast<char>(c ^ 0x01);
    EXPECT_EQ(banner(1), flipped);  // the monitor's characters

    // The responder's replies, counted on from the monitor's dialogue before them; the block
    // reply's check refuses every reply that was hit.
    BoardDriver driver = started_with({.corrupt_every = 13});
    const std::vector<std::uint8_t> bytes = {0x20, 0x04};  // the program at 2400
    const std::string clean = block_reply_text(0x2400, bytes);
    std::string sent;
    for (int i = 0; i < 20; ++i) {
        const std::string reply = driver.send(block_request_text(0x2400, 2));
        const auto value = wire::reply_value(reply);
        const bool accepted = value && wire::parse_block_reply(*value, 0x2400, 2).problem ==
                                           wire::BlockReply::Problem::kNone;
        EXPECT_EQ(accepted, reply == clean) << reply;
        sent += reply;
    }
    ASSERT_EQ(sent.size(), 20 * clean.size());
    std::vector<std::size_t> spoilt;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] == clean[i % clean.size()]) continue;
        EXPECT_EQ(sent[i] ^ clean[i % clean.size()], 0x01) << i;
        spoilt.push_back(i);
    }
    ASSERT_GE(spoilt.size(), 15u);
    for (std::size_t k = 1; k < spoilt.size(); ++k) EXPECT_EQ(spoilt[k] - spoilt[k - 1], 13u);
}

TEST(Faults, RequestsBeforeTheProgramRunsDoNotCount) {
    BoardConfig config = BoardDriver::builtin_unpaced();
    config.faults.hangup_after = 1;
    BoardDriver driver(config);
    driver.board().power_on(driver.now());
    driver.send(read_request_text(0x2400) + read_request_text(0x2400) + "\r");
    EXPECT_FALSE(driver.board().hung_up());
}

}  // namespace
}  // namespace boardsim
