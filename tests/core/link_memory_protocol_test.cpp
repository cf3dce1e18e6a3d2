#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "grid/row_operation.h"
#include "link/board_link.h"
#include "link/monitor_dialogue.h"
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
    EXPECT_EQ(speed_request_text(kFastLine), "=01");
    EXPECT_EQ(speed_request_text(kFastestLine), "=00");
    EXPECT_EQ(speed_request_text(kSlowLine), "=30");
    EXPECT_EQ(speed_request_text(kFastLine).size(), kSpeedRequestLength);
}

// The monitor's lines as the board prints them, and lines that are not what they seem.
TEST(MonitorDialogue, LinesOfTheBoardParseAndOthersDoNot) {
    const auto registers =
        monitor::parse_register_line("P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF ");
    ASSERT_TRUE(registers);
    EXPECT_EQ(*registers, (monitor::Registers{0x2424, 0x0000, 0x2456, 0x00, 0x01, 0xC4, 0x01FF}));
    EXPECT_EQ(monitor::register_line_text(*registers),
              "P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF ");
    EXPECT_FALSE(monitor::parse_register_line("P-2424 Y-0000 X-2456 A-00 B-01 C-C4"));
    EXPECT_FALSE(monitor::parse_register_line("P-2424 "));  // rm's sub-prompt
    EXPECT_FALSE(monitor::parse_register_line("P-24G4 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF"));

    const auto dump = monitor::parse_dump_line(
        "2400 20 04 12 34 01 01 8E 01 FF BD 24 2C CC 00 00 FD   4     $,    ");
    ASSERT_TRUE(dump);
    EXPECT_EQ(dump->address, 0x2400);
    EXPECT_EQ(dump->bytes[2], 0x12);
    EXPECT_EQ(dump->bytes[15], 0xFD);
    EXPECT_FALSE(monitor::parse_dump_line("2402 00 "));                      // mm's prompt
    EXPECT_FALSE(monitor::parse_dump_line("2401 20 04 12 34 01 01 8E 01"));  // not a line start
    EXPECT_FALSE(monitor::parse_dump_line(">md 2400 2400"));

    const auto modify = monitor::parse_modify_prompt("2402 00 ");
    ASSERT_TRUE(modify);
    EXPECT_EQ(modify->address, 0x2402);
    EXPECT_EQ(modify->value, 0x00);
    EXPECT_FALSE(monitor::parse_modify_prompt("2402 00 12"));
    EXPECT_FALSE(monitor::parse_modify_prompt("2402"));

    // A stop's register line may follow what the program sent before it stopped.
    const auto after_output =
        monitor::find_register_line("!2A@P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF ");
    ASSERT_TRUE(after_output);
    EXPECT_EQ(after_output->pc, 0x2424);
    EXPECT_FALSE(monitor::find_register_line("P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF 12"));

    // The sub-prompts that wait for a value, and lines that only look like them.
    for (const char* waiting : {"2402 00 ", "P-2424 ", "A-00 ", "C-C4 "})
        EXPECT_TRUE(monitor::sub_prompt_waiting(waiting)) << waiting;
    EXPECT_FALSE(monitor::sub_prompt_waiting("2402 00"));
    EXPECT_FALSE(monitor::sub_prompt_waiting(">md 2400 "));

    for (const char* line : {"g", "go 2400", " G 2400", "p"})
        EXPECT_TRUE(monitor::starts_program(line)) << line;
    for (const char* line : {"", "md 2400", "t", "stopat 2424", "gx"})
        EXPECT_FALSE(monitor::starts_program(line)) << line;
}

TEST(MonitorDialogue, CommandsAreTypedAsAtATerminal) {
    const std::uint16_t breakpoints[] = {0x2424, 0x2430};
    EXPECT_EQ(monitor::memory_dump_command(0x2402, 0x2402), "md 2402 2402\r");
    EXPECT_EQ(monitor::memory_modify_command(0x102B), "mm 102B\r");
    EXPECT_EQ(monitor::go_command(0x2400), "g 2400\r");
    EXPECT_EQ(monitor::go_command(std::nullopt), "g\r");
    EXPECT_EQ(monitor::trace_command(1), "t\r");
    EXPECT_EQ(monitor::trace_command(3), "t 3\r");
    EXPECT_EQ(monitor::trace_command(0x1F), "t 1F\r");  // the monitor takes the count in hex
    EXPECT_EQ(monitor::set_breakpoints_command(breakpoints), "br 2424 2430\r");
    EXPECT_EQ(monitor::clear_breakpoints_command(), "br -\r");
    EXPECT_EQ(monitor::sub_prompt_value(0x3F, 2, true), "3F ");
    EXPECT_EQ(monitor::sub_prompt_value(0x2400, 4, false), "2400\r");
    EXPECT_EQ(monitor::dump_line_start(0x240F), 0x2400);
}

// The transcript cuts what arrives into lines at any split, drops the NULs and notes a prompt
// the moment it starts a line.
TEST(MonitorDialogue, TranscriptFindsLinesAndPromptsWhereverTheTextIsCut) {
    using Kind = monitor::Transcript::Event::Kind;
    const std::string stop =
        std::string("P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF \r\n\0>", 47) + "md 2400";
    for (std::size_t cut = 0; cut <= stop.size(); ++cut) {
        monitor::Transcript transcript;
        auto events = transcript.feed(std::string_view(stop).substr(0, cut));
        for (auto& event : transcript.feed(std::string_view(stop).substr(cut)))
            events.push_back(std::move(event));
        ASSERT_EQ(events.size(), 2u) << cut;
        EXPECT_EQ(events[0].kind, Kind::kLine);
        EXPECT_EQ(events[0].line, "P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF ");
        EXPECT_EQ(events[1].kind, Kind::kPrompt);
        EXPECT_EQ(transcript.partial_line(), ">md 2400");
    }
    monitor::Transcript transcript;
    const auto events = transcript.feed("a>b\r\rc\n\n>");
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].line, "a>b");  // a ">" inside a line is no prompt
    EXPECT_EQ(events[1].line, "");     // CR CR: an empty line
    EXPECT_EQ(events[2].line, "c");
    EXPECT_EQ(events[3].line, "");  // LF LF
    EXPECT_EQ(events[4].kind, Kind::kPrompt);
    EXPECT_EQ(monitor::Transcript::readable(std::string("ok\r\n\0>", 6)), "ok\r\n>");
}

// The value a reply carries, and whether it is the agreement to the speed request "=01".
TEST(WireProtocol, ReplyValueIsBetweenTheLastMarkBeforeTheFirstEndAndThatEnd) {
    struct Case {
        const char* received;
        std::optional<std::string> value;
        bool agrees_fast = false;
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
             Case{"!01@", "01", true},
             Case{"\xF8!01@", "01", true},  // after a character spoilt by the change of rate
             Case{"!0l@", "0l"},            // a digit spoilt on the line
             Case{"!00@", "00"},            // the agreement to another rate
             Case{"!001@", "001"},
             Case{"!1@", "1"},
         }) {
        EXPECT_EQ(reply_value(c.received), c.value) << c.received;
        EXPECT_EQ(c.value && speed_reply_agrees(*c.value, kFastLine), c.agrees_fast) << c.received;
    }
    EXPECT_TRUE(speed_reply_agrees("00", kFastestLine));
    EXPECT_TRUE(speed_reply_agrees("30", kSlowLine));
}

TEST(WireProtocol, BlockRequestAndReplyCarryTheBytesAndARunningSumCheck) {
    EXPECT_EQ(block_request_text(0x00ab, 32), "#00AB20");
    EXPECT_EQ(block_request_text(0xFFFF, 1), "#FFFF01");
    EXPECT_EQ(block_request_text(0x2402, 2).size(), kBlockRequestLength);
    // Worked by hand over 24 02 02 12 34: sums 24 26 28 3A 6E, sums of sums 24 4A 72 AC 1A.
    const std::vector<std::uint8_t> two = {0x12, 0x34};
    EXPECT_EQ(block_check(0x2402, two), 0x6E1A);
    EXPECT_EQ(block_reply_text(0x2402, two), "!12346E1A@");
    EXPECT_EQ(block_reply_text(0xFFFF, std::vector<std::uint8_t>{0xFF, 0x00}), "!FF00FFFB@");
    // The bytes in the other order, or from another address, give another check.
    EXPECT_NE(block_check(0x2402, std::vector<std::uint8_t>{0x34, 0x12}), 0x6E1A);
    EXPECT_NE(block_check(0x2403, two), 0x6E1A);
}

TEST(WireProtocol, BlockReplyParserTakesOnlyAWholeReplyWithItsRightCheck) {
    using P = BlockReply::Problem;
    struct Case {
        std::string_view value;
        std::size_t count;
        P problem;
    };
    for (const Case& c : {
             Case{"12346E1A", 2, P::kNone}, Case{"12346e1a", 2, P::kNone},  // lower case
             Case{"12346E1", 2, P::kWrongLength}, Case{"12346E1A0", 2, P::kWrongLength},
             Case{"12346E1A", 3, P::kWrongLength}, Case{"", 2, P::kWrongLength},
             Case{"12G46E1A", 2, P::kNotHex}, Case{"1234 E1A", 2, P::kNotHex},
             Case{"12346E1B", 2, P::kBadCheck},
             Case{"13346E1A", 2, P::kBadCheck},  // one bit flipped in the data
             Case{"12346E0A", 2, P::kBadCheck},  // one bit flipped in the check
             Case{"34126E1A", 2, P::kBadCheck},  // the bytes swapped
         }) {
        const BlockReply reply = parse_block_reply(c.value, 0x2402, c.count);
        EXPECT_EQ(reply.problem, c.problem) << c.value << " of " << c.count;
        const std::vector<std::uint8_t> bytes = c.problem == P::kNone
                                                    ? std::vector<std::uint8_t>{0x12, 0x34}
                                                    : std::vector<std::uint8_t>{};
        EXPECT_EQ(reply.bytes, bytes) << c.value;
    }
    EXPECT_EQ(parse_block_reply("12346E1A", 0x2403, 2).problem, P::kBadCheck);

    // The longest block, across the end of memory: every single flipped bit of its value is
    // refused, unless it only changes a letter digit's case.
    std::vector<std::uint8_t> block(kMaxBlockBytes);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 37);
    const std::string value = *reply_value(block_reply_text(0xFFF0, block));
    ASSERT_EQ(parse_block_reply(value, 0xFFF0, block.size()).bytes, block);
    for (std::size_t i = 0; i < value.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string spoilt = value;
            spoilt[i] = static_cast<char>(spoilt[i] ^ (1 << bit));
            const BlockReply reply = parse_block_reply(spoilt, 0xFFF0, block.size());
            if (reply.problem == P::kNone) {
                EXPECT_EQ(reply.bytes, block) << spoilt;
                EXPECT_EQ(bit, 5) << spoilt;
            }
        }
    }
}

// One row's operation on a board link of its own, with the fake clock and port.
class RowOperationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        serial.clock = &clock;
        serial.open();
        link.set_block_reads_allowed(false);
        link.set_gate(true);
        told = link.received().changed.subscribe(
            [this](const std::string& text) { text1.set_text(text); });
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
    Subscription told;
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
