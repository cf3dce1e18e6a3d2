// The downloaded program executed by the processor behind the board's serial line.
#include "core/processor_program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "board_driver.h"
#include "link/wire_protocol.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;
using testing::BoardDriver;
using testing::kLineEnd;
using testing::s1_record;

const Nanos kChar = PacedWire::char_time_for_baud(9600);
const std::string kEnd = "\rS9030000FC\r";

std::string example_records(const char* name = "counter.s19") {
    std::ifstream in(std::string(HALVANE_EXAMPLES_DIR "/") + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sends a request and returns what came back within the time a reply takes on the line.
std::string request(BoardDriver& driver, const std::string& text) {
    std::string out = driver.send(text);
    out += driver.wait(kChar * static_cast<std::int64_t>(text.size() + 4) + 1ms);
    return out;
}

class ExampleOnProcessor : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string records = example_records();
        ASSERT_FALSE(records.empty());
        driver.start(records);
        driver.wait(20ms);
    }
    unsigned read_byte(unsigned address) {
        const std::string reply =
            request(driver, read_request_text(static_cast<std::uint16_t>(address)));
        EXPECT_EQ(reply.size(), 4u) << reply;
        return reply.size() == 4 ? std::stoul(reply.substr(1, 2), nullptr, 16) : 0;
    }
    unsigned read_word(unsigned address) {
        return read_byte(address) << 8 | read_byte(address + 1);
    }
    void write_byte(unsigned address, unsigned value) {
        EXPECT_EQ(request(driver, write_request_text(static_cast<std::uint16_t>(address),
                                                     static_cast<std::uint8_t>(value))),
                  "");
    }

    BoardDriver driver{BoardDriver::processor()};
};

TEST_F(ExampleOnProcessor, ItsResponderAnswersReadsAndStoresWrites) {
    EXPECT_EQ(request(driver, read_request_text(0x2404)), reply_text(0x01));
    EXPECT_EQ(request(driver, read_request_text(0x2400)), reply_text(0x20));
    EXPECT_EQ(request(driver, "*102b"), reply_text(0x30));  // BAUD as the program's sci_init set it
    EXPECT_EQ(request(driver, write_request_text(0x3000, 0x5A)), "");
    EXPECT_EQ(request(driver, read_request_text(0x3000)), reply_text(0x5A));
    EXPECT_EQ(request(driver, "xy*30*3000"), reply_text(0x5A));  // a '*' starts afresh after noise
}

TEST_F(ExampleOnProcessor, TheReplyEndsFourCharacterTimesAfterTheRequest) {
    EXPECT_EQ(driver.send(read_request_text(0x2404)), "");
    // Five characters of request, then the program's four, each as the SCI finishes it.
    EXPECT_EQ(driver.wait(kChar * 17 / 2), reply_text(0x01).substr(0, 3));
    EXPECT_EQ(driver.wait(kChar), reply_text(0x01).substr(3));
}

TEST_F(ExampleOnProcessor, TheCounterCountsAndFollowsRunAndStep) {
    const unsigned high = read_byte(0x2402);
    driver.wait(50ms);
    EXPECT_NE(read_byte(0x2402), high);

    write_byte(0x2405, 0x00);
    const unsigned stopped = read_word(0x2402);
    driver.wait(50ms);
    EXPECT_EQ(read_word(0x2402), stopped);

    // Running for exactly the time of one write request: with step 10 it counts 16 times as far.
    auto counted_in_one_request = [&] {
        const unsigned before = read_word(0x2402);
        write_byte(0x2405, 0x01);
        write_byte(0x2405, 0x00);
        return (read_word(0x2402) - before) & 0xFFFF;
    };
    const unsigned slow = counted_in_one_request();
    write_byte(0x2404, 0x10);
    const unsigned fast = counted_in_one_request();
    EXPECT_GT(slow, 100u);
    EXPECT_NEAR(fast, 16 * slow, 32);
}

TEST_F(ExampleOnProcessor, AStallOfTheHostIsNotReplayed) {
    // Two hours of board time would take minutes to simulate; the program loses them instead.
    driver.jump(driver.now() + 2h);
    EXPECT_EQ(request(driver, read_request_text(0x2404)), reply_text(0x01));
}

TEST(ProcessorLine, AnUnpacedLineIsPacedByTheProgramsSci) {
    BoardDriver driver(BoardDriver::processor(false));
    driver.start(example_records());
    driver.wait(20ms);
    // Everything arrives at once, and the SCI takes it in at the rate the program set.
    EXPECT_EQ(driver.send(read_request_text(0x2404)), "");
    EXPECT_EQ(driver.wait(20ms), reply_text(0x01));
    EXPECT_EQ(driver.send(write_request_text(0x3000, 0x7E) + read_request_text(0x3000)), "");
    EXPECT_EQ(driver.wait(30ms), reply_text(0x7E));
}

TEST(ProcessorLine, FaultOptionsSpoilTheProgramsReplies) {
    BoardConfig config = BoardDriver::processor();
    config.faults.drop_every = 2;
    BoardDriver dropping(config);
    dropping.start(example_records());
    std::string out;
    for (int i = 0; i < 4; ++i) out += request(dropping, read_request_text(0x2404)) + "|";
    EXPECT_EQ(out, reply_text(0x01) + "||" + reply_text(0x01) + "||");

    config = BoardDriver::processor();
    config.faults.reply_delay = 30ms;
    BoardDriver delaying(config);
    delaying.start(example_records());
    EXPECT_EQ(request(delaying, read_request_text(0x2404)), "");
    EXPECT_EQ(delaying.wait(30ms), reply_text(0x01));
}

TEST(ProcessorExit, SwiReturnsToTheMonitorWithTheProgramsRegisters) {
    BoardDriver driver(BoardDriver::processor(false));
    // LDX #1234, LDAA #42, SWI
    driver.start(s1_record(0x2400, "CE123486423F") + kEnd);
    // P is the SWI's own address.
    const std::string stopped = "P-2405 Y-0000 X-1234 A-42 B-00 C-D0 S-0041 " + kLineEnd + ">";
    // The core catches up with the clock in slices of up to ProcessorProgram::kQuantum.
    EXPECT_EQ(driver.wait(5ms), stopped);
    EXPECT_EQ(driver.board().monitor().state(), Monitor::State::kCommand);
    // The stopped processor stands still: the board has no reason to wake up.
    EXPECT_FALSE(driver.board().next_event());
    // The monitor has the line again: a second go runs the program afresh.
    EXPECT_EQ(driver.send("go 2400\r"), "go 2400" + kLineEnd);
    EXPECT_EQ(driver.wait(5ms), stopped);
    // A bare CR repeats the go.
    EXPECT_EQ(driver.send("\r"), kLineEnd);
    EXPECT_EQ(driver.wait(5ms), stopped);
}

TEST(ProcessorExit, WhatTheProgramLeftInTheSciLeavesBeforeTheMonitorsReport) {
    BoardDriver driver(BoardDriver::processor());
    // 'o' and 'k', each as soon as TDRE allows, then SWI: both are still in the SCI at the stop.
    std::string out =
        driver.start(s1_record(0x2400, "B6102E2AFB866FB7102FB6102E2AFB866BB7102F3F") + kEnd);
    out += driver.wait(60ms);
    EXPECT_TRUE(out.ends_with("go 2400" + kLineEnd + "ok" + kLineEnd +
                              "P-2414 Y-0000 X-0000 A-6B B-00 C-D0 S-0041 " + kLineEnd + ">"))
        << out;
}

TEST(ProcessorExit, TrapsStrayInterruptsAndJumpsIntoTheRomSayWhereTheProgramWas) {
    auto stop_message = [](const std::string& code) {
        BoardDriver driver(BoardDriver::processor(false));
        driver.start(s1_record(0x2400, code) + kEnd);
        const std::string out = driver.wait(20ms);
        return out.substr(0, out.find(kLineEnd));
    };
    EXPECT_EQ(stop_message("0100"), "program stopped: illegal opcode at 2401");  // NOP, TEST
    // LDAA #40, STAA TMSK2 (RTII), CLI, BRA *
    EXPECT_EQ(stop_message("8640B710240E20FE"),
              "program stopped: real-time interrupt without a handler (the program was at 2406)");
    EXPECT_EQ(stop_message("7EE000"), "program stopped: jump into the monitor at E000");
}

TEST(ProcessorSilence, WithoutAResponderOrAfterStopNothingAnswers) {
    BoardDriver looping(BoardDriver::processor());
    looping.start(s1_record(0x2400, "20FE") + kEnd);  // BRA *
    EXPECT_EQ(request(looping, read_request_text(0x2400)), "");
    EXPECT_EQ(looping.wait(50ms), "");
    EXPECT_EQ(looping.board().monitor().state(), Monitor::State::kRunning);

    BoardDriver stopped(BoardDriver::processor());
    stopped.start(s1_record(0x2400, "860006CF") + kEnd);  // LDAA #0, TAP (S clear), STOP
    EXPECT_EQ(request(stopped, read_request_text(0x2400)), "");
    EXPECT_EQ(stopped.wait(50ms), "");
    // Halted clocks cost nothing: the board has no reason to wake up.
    EXPECT_FALSE(stopped.board().next_event());
}

// A program asleep in WAI needs the board only when an interrupt it enabled comes due.
TEST(ProcessorSleep, AProgramInWaiWakesTheBoardOnlyForItsInterrupts) {
    BoardDriver idle(BoardDriver::processor());
    idle.start(s1_record(0x2400, "0E3E20FD") + kEnd);  // CLI, WAI, BRA to WAI
    idle.wait(20ms);
    EXPECT_FALSE(idle.board().next_event());

    // The square wave: one output compare interrupt every 5 ms, and the board wakes for each.
    BoardDriver driver(BoardDriver::processor());
    driver.start(example_records("square_wave.s19"));
    driver.wait(20ms);
    const unsigned edges_before =
        std::stoul(request(driver, read_request_text(0x2403)).substr(1, 2), nullptr, 16);
    int wakes = 0;
    const Nanos end = driver.now() + 500ms;
    for (auto next = driver.board().next_event(); next && *next < end;
         next = driver.board().next_event()) {
        EXPECT_EQ(driver.jump(*next), "");
        ++wakes;
    }
    EXPECT_NEAR(wakes, 100, 1);
    const unsigned edges_after =
        std::stoul(request(driver, read_request_text(0x2403)).substr(1, 2), nullptr, 16);
    // A hundred edges in the half second, and about two while the second request was on the line.
    EXPECT_NEAR((edges_after - edges_before) & 0xFF, 102u, 1u);
}

TEST(ProcessorTrace, EveryExecutedInstructionIsALine) {
    std::ostringstream trace;
    BoardDriver driver(BoardDriver::processor(false), nullptr, &trace);
    driver.start(s1_record(0x2400, "CE123486423F") + kEnd);
    driver.wait(5ms);
    std::istringstream lines(trace.str());
    std::vector<std::string> seen;
    for (std::string line; std::getline(lines, line);) seen.push_back(line.substr(0, 8));
    // The last is the SWI's pseudo-vector, a JMP into the monitor.
    EXPECT_EQ(seen, (std::vector<std::string>{"2400  CE", "2403  86", "2405  3F", "00F4  7E"}));
    EXPECT_NE(trace.str().find("X=1234"), std::string::npos);
}

TEST(ProcessorLoad, BytesOutsideRamAndEepromAreNotedInTheLog) {
    std::ostringstream out;
    {
        TrafficLog log(out, 2ms);
        BoardDriver driver(BoardDriver::processor(false), &log);
        driver.start(s1_record(0x2400, "20FE") + "\r" + s1_record(0x9000, "0102") + kEnd);
        driver.wait(1ms);
    }
    EXPECT_NE(out.str().find("monitor: 2 loaded bytes lie outside RAM and EEPROM"),
              std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace boardsim
