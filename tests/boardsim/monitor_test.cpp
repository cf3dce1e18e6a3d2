#include "core/monitor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "board_driver.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using testing::BoardDriver;
using testing::s1_record;
using State = Monitor::State;

const std::string kBanner(Monitor::kBanner);

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class MonitorDialogue : public ::testing::Test {
  protected:
    explicit MonitorDialogue(BoardConfig config = BoardDriver::builtin_unpaced())
        : driver(config) {}
    void SetUp() override {
        driver.board().power_on(driver.now());
        ASSERT_EQ(driver.send(""), kBanner);
        ASSERT_EQ(driver.send("\r"), ">");
    }
    State state() { return driver.board().monitor().state(); }

    BoardDriver driver;
};

TEST_F(MonitorDialogue, DownloadOfTheExampleAsAUserTypesIt) {
    const std::string file = read_file(HALVANE_EXAMPLES_DIR "/counter.s19");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(driver.send("load t\r"), "load t\r\n");
    EXPECT_EQ(state(), State::kLoading);
    // Every character comes back; each line end is echoed as CR LF. After the end record the
    // monitor takes a second before it answers.
    std::size_t data_records = 0;
    for (std::size_t at = file.find("S1"); at != std::string::npos;
         at = file.find("\nS1", at + 1)) {
        ++data_records;
    }
    EXPECT_EQ(driver.send(file), file);
    EXPECT_EQ(state(), State::kEndOfLoad);
    EXPECT_EQ(driver.wait(999ms), "");
    EXPECT_EQ(driver.wait(1ms),
              "done: " + std::to_string(data_records) + " data records, 0 bad\r\n>");
    EXPECT_EQ(driver.send("\r"), "\r\n>");
    EXPECT_EQ(driver.send("\r"), "\r\n>");
    EXPECT_EQ(driver.send("go 2400\r"), "go 2400\r\n");
    EXPECT_EQ(state(), State::kRunning);
    EXPECT_EQ(driver.board().memory().read(0x2400), 0x20);
    EXPECT_EQ(driver.board().memory().read(0x2401), 0x04);  // the branch over the variables
    EXPECT_EQ(driver.board().memory().read(0x2404), 0x01);  // step
}

TEST_F(MonitorDialogue, WhatArrivesInTheSecondAfterTheEndRecordIsLost) {
    std::ostringstream log_text;
    TrafficLog log(log_text, 2ms);
    BoardDriver logged(BoardDriver::builtin_unpaced(), &log);
    logged.board().power_on(logged.now());
    logged.send("\rload t\r" + s1_record(0x2400, "20FE") + "\r\n");
    // The closing lines a hurried host sends straight after the file: the SCI keeps the LF
    // and loses the rest, and the monitor throws the LF away.
    EXPECT_EQ(logged.send("S9032400D8\r\n\r\rgo 2400\r"), "S9032400D8\r\n");
    EXPECT_EQ(logged.wait(1s), "done: 1 data records, 0 bad\r\n>");
    EXPECT_EQ(logged.board().monitor().state(), State::kCommand);
    log.flush();
    EXPECT_NE(log_text.str().find(
                  "monitor: reading again after the end record: 1 character held and thrown away, "
                  "10 lost"),
              std::string::npos)
        << log_text.str();

    // The character the SCI kept is not the start of the next command either.
    driver.send("load t\rS9030000FC\r");
    driver.wait(500ms);
    EXPECT_EQ(driver.send("g"), "");
    EXPECT_EQ(driver.wait(500ms), "done: 0 data records, 0 bad\r\n>");
    EXPECT_EQ(driver.send("o 2400\r"),
              "o 2400\r\nerror: unknown command \"o 2400\" (commands: load t, go ADDR)\r\n>");
}

TEST_F(MonitorDialogue, ABareCrRepeatsThePreviousCommandButNotALoad) {
    const std::string unknown =
        "error: unknown command \"md 2400\" (commands: load t, go ADDR)\r\n>";
    // Nothing to repeat after a reset.
    EXPECT_EQ(driver.send("\r"), "\r\n>");
    EXPECT_EQ(driver.send("md 2400\r"), "md 2400\r\n" + unknown);
    EXPECT_EQ(driver.send("\r"), "\r\n" + unknown);
    EXPECT_EQ(driver.send(" \n"), " \r\n" + unknown);
    // After a load the command buffer holds nothing to repeat, however often CR comes.
    driver.send("load t\rS9030000FC\r");
    driver.wait(1s);
    EXPECT_EQ(driver.send("\r"), "\r\n>");
    EXPECT_EQ(driver.send("\r\n"), "\r\n>");
    EXPECT_EQ(driver.send("\r"), "\r\n>");
    EXPECT_EQ(state(), State::kCommand);
    // Until another command is typed.
    EXPECT_EQ(driver.send("load s\r").substr(8),
              "error: only \"load t\" (load from this terminal) is available\r\n>");
    EXPECT_EQ(driver.send("\r").substr(2),
              "error: only \"load t\" (load from this terminal) is available\r\n>");
}

TEST_F(MonitorDialogue, EveryLineEndStyleEndsOneLine) {
    EXPECT_EQ(driver.send("\r\n"), "\r\n>");
    EXPECT_EQ(driver.send("\n"), "\r\n>");
    EXPECT_EQ(driver.send("LOAD   T\n"), "LOAD   T\r\n");
    const std::string records = s1_record(0x3000, "AA") + "\r" + s1_record(0x3001, "BB") + "\n" +
                                s1_record(0x3002, "CC") + "\r\n" + "S9030000FC";
    driver.send(records);
    EXPECT_EQ(state(), State::kLoading);
    EXPECT_EQ(driver.send("\r"), "\r\n");
    EXPECT_EQ(driver.wait(1s), "done: 3 data records, 0 bad\r\n>");
    EXPECT_EQ(driver.board().memory().read(0x3001), 0xBB);
    EXPECT_EQ(driver.board().memory().read(0x3002), 0xCC);
}

TEST_F(MonitorDialogue, BadRecordsAreReportedAndTheLoadGoesOn) {
    driver.send("load t\r");
    EXPECT_EQ(driver.send("S1043000AAFF\r"),
              "S1043000AAFF\r\nerror: line 1: bad checksum FF, should be 21\r\n");
    EXPECT_EQ(driver.send("hello\r"), "hello\r\nerror: line 2: not an S-record\r\n");
    // Binary junk is echoed as it came and rejected like any malformed line.
    const std::string junk("\x01\xFE\x00S1", 5);
    EXPECT_EQ(driver.send(junk + "\r"), junk + "\r\nerror: line 3: not an S-record\r\n");
    EXPECT_EQ(driver.send(std::string(600, 'F') + "\r").substr(530),
              std::string("\r\nerror: line 4: line too long\r\n"));
    driver.send(s1_record(0x3000, "55") + "\r");
    EXPECT_EQ(driver.send("S9030000FC\r"), "S9030000FC\r\n");
    EXPECT_EQ(driver.wait(1s), "done: 1 data records, 4 bad\r\n>");
    EXPECT_EQ(driver.board().monitor().last_load().bad_records, 4u);
    EXPECT_EQ(driver.board().memory().read(0x3000), 0x55);
    EXPECT_FALSE(driver.board().memory().is_loaded(0x3001));
}

TEST_F(MonitorDialogue, WithoutAnEndRecordTheBoardKeepsLoadingUntilTheNextDownload) {
    driver.send("load t\r");
    driver.send(s1_record(0x2400, "01") + "\r\n\r\r");
    // The closing dialogue of the window arrives as records; the go is refused as one.
    EXPECT_EQ(driver.send("go 2400\r"), "go 2400\r\nerror: line 4: not an S-record\r\n");
    EXPECT_EQ(state(), State::kLoading);
    // The next download's "load t" is a bad line too, then its records load normally.
    driver.send("\rload t\r" + s1_record(0x2400, "02") + "\r\n");
    EXPECT_EQ(driver.send("S9030000FC\r\n"), "S9030000FC\r\n");
    EXPECT_EQ(driver.wait(1s), "done: 2 data records, 2 bad\r\n>");
    EXPECT_EQ(driver.board().memory().read(0x2400), 0x02);
}

class FastLoadMonitor : public MonitorDialogue {
  protected:
    static BoardConfig fast_load() {
        BoardConfig config = BoardDriver::builtin_unpaced();
        config.fast_load = true;
        return config;
    }
    FastLoadMonitor() : MonitorDialogue(fast_load()) {}
};

TEST_F(FastLoadMonitor, AnswersAtOnceAndReadsWhatFollowsTheEndRecord) {
    EXPECT_EQ(driver.send("load t\rS9032400D8\r\n\r\r"),
              "load t\r\nS9032400D8\r\ndone: 0 data records, 0 bad\r\n>\r\n>\r\n>");
    EXPECT_EQ(state(), State::kCommand);
    EXPECT_FALSE(driver.board().next_event());
}

TEST_F(MonitorDialogue, OtherCommandsGetAnErrorAndAPrompt) {
    EXPECT_EQ(driver.send("md 2400\r"),
              "md 2400\r\nerror: unknown command \"md 2400\" (commands: load t, go ADDR)\r\n>");
    EXPECT_EQ(driver.send("load s\r"),
              "load s\r\nerror: only \"load t\" (load from this terminal) is available\r\n>");
    EXPECT_EQ(driver.send("go\r"),
              "go\r\nerror: go needs a hexadecimal address, for example: go 2400\r\n>");
    EXPECT_EQ(driver.send("go 12345\r").substr(10),
              "error: go needs a hexadecimal address, for example: go 2400\r\n>");
    EXPECT_EQ(state(), State::kCommand);
}

TEST_F(MonitorDialogue, BackspaceEditsTheCommandLine) {
    EXPECT_EQ(driver.send("gp\b"), "gp\b \b");
    EXPECT_EQ(driver.send("\x7F\x7F\x7F"), "\b \b");
    EXPECT_EQ(driver.send("go 3000\r"), "go 3000\r\n");
    EXPECT_EQ(state(), State::kSilent);
}

TEST_F(MonitorDialogue, GoWhereNothingWasLoadedLeavesTheBoardSilent) {
    driver.send("go 2400\r");
    EXPECT_EQ(state(), State::kSilent);
    EXPECT_EQ(driver.send("*2400*FFFF24000A\r\n"), "");
    EXPECT_EQ(driver.wait(std::chrono::seconds(1)), "");
}

TEST(MonitorReset, LoadTWhileTheProgramRunsResetsTheBoardFirst) {
    BoardDriver driver;
    driver.start_program();
    ASSERT_EQ(driver.board().monitor().state(), State::kRunning);
    // The window's download starts with CR and "load t" CR, exactly as after a reset.
    EXPECT_EQ(driver.send("\r"), "");
    EXPECT_EQ(driver.send("load t\r"), kBanner + ">load t\r\n");
    EXPECT_EQ(driver.board().monitor().state(), State::kLoading);
}

TEST(MonitorReset, WithoutAutoResetOnlyTheButtonResets) {
    BoardConfig config = BoardDriver::builtin_unpaced();
    config.auto_reset = false;
    BoardDriver driver(config);
    driver.start_program();
    EXPECT_EQ(driver.send("load t\r"), "");
    EXPECT_EQ(driver.board().monitor().state(), State::kRunning);
    driver.board().press_reset(driver.now());
    EXPECT_EQ(driver.send(""), kBanner);
    EXPECT_EQ(driver.board().monitor().state(), State::kAwaitingReturn);
}

TEST(MonitorReset, TheBannerWaitsForACrBeforeThePrompt) {
    BoardDriver driver;
    driver.board().power_on(driver.now());
    EXPECT_EQ(driver.send(""), kBanner);
    // Nothing but CR gets the prompt; what comes before it is not a command.
    EXPECT_EQ(driver.send("go 2400\n"), "");
    EXPECT_EQ(driver.wait(1s), "");
    EXPECT_EQ(driver.board().monitor().state(), State::kAwaitingReturn);
    EXPECT_EQ(driver.send("\r\n"), ">");
    EXPECT_EQ(driver.send("\r"), "\r\n>");
}

TEST(MonitorReset, ASilentBoardIsResetByLoadTToo) {
    BoardDriver driver;
    driver.board().power_on(driver.now());
    driver.send("\rgo 4000\r");
    EXPECT_EQ(driver.send("Load T\r\n"), kBanner + ">Load T\r\n");
}

TEST(MonitorReset, MemoryKeepsTheProgramAcrossAReset) {
    BoardDriver driver;
    driver.start_program();
    driver.board().press_reset(driver.now());
    driver.send("\rgo 2400\r");
    EXPECT_EQ(driver.board().monitor().state(), State::kRunning);
    EXPECT_EQ(driver.send("*2400"), "!20@");
}

}  // namespace
}  // namespace boardsim
