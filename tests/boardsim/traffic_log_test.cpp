#include "core/traffic_log.h"

#include <gtest/gtest.h>

#include <sstream>

#include "board_driver.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using Direction = TrafficLog::Direction;

TEST(TrafficLogFormat, ShowsTimeDirectionTextAndHex) {
    EXPECT_EQ(TrafficLog::format_group(Direction::kReceived, "*2402", 1'412'345'999ns),
              "        1.412345  PC->board  \"*2402\"                  2A 32 34 30 32");
    EXPECT_EQ(
        TrafficLog::format_group(Direction::kSent, std::string("!\r\n\"\\\x01\xFF", 7), 0ns),
        "        0.000000  board->PC  \"!\\r\\n\\\"\\\\\\x01\\xFF\"      21 0D 0A 22 5C 01 FF");
    EXPECT_EQ(TrafficLog::format_note("reset: power on", 2s),
              "        2.000000  ---------  reset: power on");
}

TEST(TrafficLogGrouping, EachDirectionGroupsUntilAPauseALineEndOrSixteenCharacters) {
    std::ostringstream out;
    {
        TrafficLog log(out, 2ms);
        for (char c : std::string("abc\r\nd")) log.byte(Direction::kReceived, c, 0ms);
        log.byte(Direction::kSent, 'x', 1ms);  // an echo does not split the other direction
        log.byte(Direction::kReceived, 'e', 1ms);
        log.byte(Direction::kReceived, 'f', 10ms);  // after a pause
        for (int i = 0; i < 17; ++i) log.byte(Direction::kSent, 'z', 20ms);
    }
    EXPECT_EQ(out.str(),
              "        0.000000  PC->board  \"abc\\r\\n\"                61 62 63 0D 0A\n"
              "        0.000000  PC->board  \"de\"                     64 65\n"
              "        0.001000  board->PC  \"x\"                      78\n"
              "        0.010000  PC->board  \"f\"                      66\n"
              "        0.020000  board->PC  \"zzzzzzzzzzzzzzzz\"       7A 7A 7A 7A 7A 7A 7A 7A 7A "
              "7A 7A 7A 7A 7A 7A 7A\n"
              "        0.020000  board->PC  \"z\"                      7A\n");
}

TEST(TrafficLogGrouping, ABoardSessionLogsEveryByteAndTheMonitorsNotes) {
    std::ostringstream out;
    {
        TrafficLog log(out, 2ms);
        testing::BoardDriver driver(testing::BoardDriver::builtin_unpaced(), &log);
        driver.start_program();
        driver.wait(10ms);
        driver.send("*2400");
        driver.wait(10ms);
    }
    const std::string text = out.str();
    EXPECT_NE(text.find("---------  reset: power on"), std::string::npos);
    EXPECT_NE(text.find("---------  monitor: load done: 1 data records, 0 bad"), std::string::npos);
    EXPECT_NE(text.find("---------  monitor: go 2400, program started"), std::string::npos);
    EXPECT_NE(text.find("PC->board  \"*2400\""), std::string::npos);
    EXPECT_NE(text.find("board->PC  \"!20@\""), std::string::npos);
}

}  // namespace
}  // namespace boardsim
