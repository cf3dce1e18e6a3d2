#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_driver.h"
#include "core/request_parser.h"
#include "link/wire_protocol.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using halvane::wire::block_reply_text;
using halvane::wire::block_request_text;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;
using testing::BoardDriver;

class Responder : public ::testing::Test {
  protected:
    void SetUp() override { driver.start_program(); }
    BoardDriver driver;
};

TEST_F(Responder, ReadsAnswerWithTwoUpperCaseDigitsBetweenTheMarks) {
    driver.board().processor().write(0x0040, 0x3F);
    driver.board().processor().write(0x7BCD, 0xE7);
    EXPECT_EQ(driver.send(read_request_text(0x0040)), reply_text(0x3F));
    EXPECT_EQ(driver.send("*7bcd"), reply_text(0xE7));
    EXPECT_EQ(driver.send("*ABCD"), reply_text(0xFF));  // no memory there on the board
    EXPECT_EQ(driver.send(read_request_text(0x2400)), reply_text(0x20));
    EXPECT_EQ(driver.send(read_request_text(0x102B)),
              reply_text(0x30));  // the SCI as the monitor left it
}

TEST_F(Responder, WritesStoreTheByteAndAnswerNothing) {
    EXPECT_EQ(driver.send(write_request_text(0x0040, 0x3F)), "");
    EXPECT_EQ(driver.board().processor().read(0x0040), 0x3F);
    EXPECT_EQ(driver.send("*ffff0041a5"), "");
    EXPECT_EQ(driver.send(read_request_text(0x0041)), reply_text(0xA5));
}

TEST_F(Responder, RequestsArrivingOneCharacterAtATimeAreAnsweredAfterTheLast) {
    driver.board().processor().write(0x1234, 0x5A);
    std::string out;
    for (char c : std::string("*123")) out += driver.send(std::string(1, c));
    EXPECT_EQ(out, "");
    EXPECT_EQ(driver.send("4"), reply_text(0x5A));
}

TEST_F(Responder, AStarAlwaysStartsAfreshAfterGarbage) {
    driver.board().processor().write(0x2402, 0x12);
    EXPECT_EQ(driver.send("xyz*24*2402"), reply_text(0x12));
    EXPECT_EQ(driver.send("*24G2*2402"), reply_text(0x12));
    EXPECT_EQ(driver.send("*FFFF24*2402"), reply_text(0x12));     // half a write, then a read
    EXPECT_EQ(driver.send("*FFFF2402Z*2402"), reply_text(0x12));  // a write spoilt in its value
    EXPECT_EQ(driver.board().processor().read(0x2402), 0x12);
    EXPECT_EQ(driver.send("!@\r\n0123"), "");
}

TEST_F(Responder, AddressFFFFCannotBeReadBecauseItIntroducesAWrite) {
    EXPECT_EQ(driver.send("*FFFF"), "");
    EXPECT_EQ(driver.send("0040"), "");
    EXPECT_EQ(driver.send("77"), "");
    EXPECT_EQ(driver.board().processor().read(0x0040), 0x77);
}

// The bytes of memory from `address` up, wrapping from FFFF to 0000.
std::vector<std::uint8_t> bytes_at(hc11::Board& memory, unsigned address, unsigned count) {
    std::vector<std::uint8_t> bytes;
    for (unsigned i = 0; i < count; ++i)
        bytes.push_back(memory.read(static_cast<std::uint16_t>(address + i)));
    return bytes;
}

TEST_F(Responder, BlockReadsAnswerWithTheBytesFromTheAddressUpAndTheirCheck) {
    hc11::Board& memory = driver.board().processor();
    for (unsigned i = 0; i < 0x40; ++i) memory.write(static_cast<std::uint16_t>(0x3000 + i), i * 7);
    memory.write(0xFFFE, 0xE1);
    memory.write(0xFFFF, 0xF2);
    memory.write(0x0000, 0x03);
    struct Case {
        std::string request;
        unsigned address;
        unsigned count;
    };
    for (const Case& c : {
             Case{"#300001", 0x3000, 1}, Case{"#300302", 0x3003, 2}, Case{"#300020", 0x3000, 32},
             Case{"#301f1F", 0x301F, 31},         // either case
             Case{"#FFFF01", 0xFFFF, 1},          // FFFF, which the byte read cannot reach
             Case{"#FFFE03", 0xFFFE, 3},          // wraps round to 0000
             Case{"xy@!#30*#300002", 0x3000, 2},  // noise, and a '*' or '#' starts afresh
         }) {
        EXPECT_EQ(driver.send(c.request), block_reply_text(static_cast<std::uint16_t>(c.address),
                                                           bytes_at(memory, c.address, c.count)))
            << c.request;
    }
}

TEST_F(Responder, MalformedBlockReadsGetNoAnswerAndTheByteReadWorksRightAfter) {
    driver.board().processor().write(0x3000, 0x5A);
    for (const char* request :
         {"#300000", "#300021", "#3000FF", "#30G001", "#3000 1", "#30000", "#FFFF0"}) {
        EXPECT_EQ(driver.send(request), "") << request;
        EXPECT_EQ(driver.send(read_request_text(0x3000)), reply_text(0x5A)) << request;
    }
}

TEST(ResponderCounter, TheCountedWordGoesUpTenTimesASecondHighByteFirst) {
    BoardConfig config = BoardDriver::builtin_unpaced();
    config.counter_address = 0x2402;
    BoardDriver driver(config);
    driver.start_program();
    EXPECT_EQ(driver.send(read_request_text(0x2403)), reply_text(0x00));
    driver.wait(350ms);
    EXPECT_EQ(driver.send(read_request_text(0x2403)), reply_text(0x03));
    driver.send(write_request_text(0x2402, 0x00) + write_request_text(0x2403, 0xFF));
    driver.wait(100ms);
    EXPECT_EQ(driver.send(read_request_text(0x2402) + read_request_text(0x2403)),
              reply_text(0x01) + reply_text(0x00));
}

TEST(ResponderCounter, NothingCountsBeforeTheProgramStarts) {
    BoardConfig config = BoardDriver::builtin_unpaced();
    config.counter_address = 0x2402;
    BoardDriver driver(config);
    driver.board().power_on(driver.now());
    driver.send("\r");
    driver.wait(1s);
    EXPECT_EQ(driver.board().processor().read(0x2403), 0);
    driver.send("go 2400\r");
    driver.wait(1s);
    EXPECT_EQ(driver.board().processor().read(0x2403), 10);
}

TEST(ResponderCounter, ALongStallIsCaughtUpAtOnce) {
    BoardConfig config = BoardDriver::builtin_unpaced();
    config.counter_address = 0x2402;
    BoardDriver driver(config);
    driver.start_program();
    driver.send("");
    driver.board().advance(driver.now() + std::chrono::hours(2));
    // 72000 steps: the word wraps around and keeps the remainder.
    EXPECT_EQ(
        driver.board().processor().read(0x2402) << 8 | driver.board().processor().read(0x2403),
        72000 % 65536);
}

TEST(RequestParserStream, YieldsEachRequestOnce) {
    RequestParser parser;
    std::vector<MemoryRequest> seen;
    // A lone "*" between two requests, a block read of 00 bytes before the last.
    for (char c : read_request_text(0x0040) + write_request_text(0x0041, 0xFE) + "*" +
                      read_request_text(0x2402) + "#000000" + block_request_text(0xFFFF, 32)) {
        if (auto r = parser.feed(static_cast<std::uint8_t>(c))) seen.push_back(*r);
    }
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].kind, MemoryRequest::Kind::kRead);
    EXPECT_EQ(seen[0].address, 0x0040);
    EXPECT_EQ(seen[1].kind, MemoryRequest::Kind::kWrite);
    EXPECT_EQ(seen[1].address, 0x0041);
    EXPECT_EQ(seen[1].value, 0xFE);
    EXPECT_EQ(seen[2].address, 0x2402);
    EXPECT_EQ(seen[3].kind, MemoryRequest::Kind::kBlockRead);
    EXPECT_EQ(seen[3].address, 0xFFFF);
    EXPECT_EQ(seen[3].count, 32);
}

}  // namespace
}  // namespace boardsim
