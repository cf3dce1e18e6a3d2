#include "core/monitor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "board_driver.h"
#include "core/monitor_text.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using testing::BoardDriver;
using testing::kLineEnd;
using testing::s1_record;
using State = Monitor::State;

const std::string kBanner(monitor_text::kBanner);

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
    EXPECT_EQ(driver.send("load t\r"), "load t" + kLineEnd);
    EXPECT_EQ(state(), State::kLoading);
    // Nothing of the records comes back. After the end record the monitor takes a second
    // before it answers.
    std::size_t data_records = 0;
    for (std::size_t at = file.find("S1"); at != std::string::npos;
         at = file.find("\nS1", at + 1)) {
        ++data_records;
    }
    EXPECT_EQ(driver.send(file), "");
    EXPECT_EQ(state(), State::kEndOfLoad);
    EXPECT_EQ(driver.wait(999ms), "");
    EXPECT_EQ(driver.wait(1ms),
              "done: " + std::to_string(data_records) + " data records, 0 bad" + kLineEnd + ">");
    EXPECT_EQ(driver.send("\r"), kLineEnd + ">");
    EXPECT_EQ(driver.send("\r"), kLineEnd + ">");
    EXPECT_EQ(driver.send("go 2400\r"), "go 2400" + kLineEnd);
    EXPECT_EQ(state(), State::kRunning);
    EXPECT_EQ(driver.board().processor().read(0x2400), 0x20);
    EXPECT_EQ(driver.board().processor().read(0x2401), 0x04);  // the branch over the variables
    EXPECT_EQ(driver.board().processor().read(0x2404), 0x01);  // step
}

TEST_F(MonitorDialogue, WhatArrivesInTheSecondAfterTheEndRecordIsLost) {
    std::ostringstream log_text;
    TrafficLog log(log_text, 2ms);
    BoardDriver logged(BoardDriver::builtin_unpaced(), &log);
    logged.board().power_on(logged.now());
    logged.send("\rload t\r" + s1_record(0x2400, "20FE") + "\r\n");
    // The closing lines a hurried host sends straight after the file: the SCI keeps the LF
    // and loses the rest, and the monitor throws the LF away.
    EXPECT_EQ(logged.send("S9032400D8\r\n\r\rgo 2400\r"), "");
    EXPECT_EQ(logged.wait(1s), "done: 1 data records, 0 bad" + kLineEnd + ">");
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
    EXPECT_EQ(driver.wait(500ms), "done: 0 data records, 0 bad" + kLineEnd + ">");
    EXPECT_EQ(driver.send("o 2400\r"),
              "o 2400" + kLineEnd + "error: unknown command \"o\" (help lists the commands)" +
                  kLineEnd + ">");
}

TEST_F(MonitorDialogue, EveryLineEndStyleEndsOneLine) {
    EXPECT_EQ(driver.send("\r\n"), kLineEnd + ">");
    EXPECT_EQ(driver.send("\n"), kLineEnd + ">");
    EXPECT_EQ(driver.send("LOAD   T\n"), "LOAD   T" + kLineEnd);
    const std::string records = s1_record(0x3000, "AA") + "\r" + s1_record(0x3001, "BB") + "\n" +
                                s1_record(0x3002, "CC") + "\r\n" + "S9030000FC";
    driver.send(records);
    EXPECT_EQ(state(), State::kLoading);
    EXPECT_EQ(driver.send("\r"), "");
    EXPECT_EQ(driver.wait(1s), "done: 3 data records, 0 bad" + kLineEnd + ">");
    EXPECT_EQ(driver.board().processor().read(0x3001), 0xBB);
    EXPECT_EQ(driver.board().processor().read(0x3002), 0xCC);
}

TEST_F(MonitorDialogue, BadRecordsAreReportedAndTheLoadGoesOn) {
    driver.send("load t\r");
    EXPECT_EQ(driver.send("S1043000AAFF\r"),
              "error: line 1: bad checksum FF, should be 21" + kLineEnd);
    EXPECT_EQ(driver.send("hello\r"), "error: line 2: not an S-record" + kLineEnd);
    // Binary junk is rejected like any malformed line.
    EXPECT_EQ(driver.send("\x01\xFES1\r"), "error: line 3: not an S-record" + kLineEnd);
    EXPECT_EQ(driver.send(std::string(600, 'F') + "\r"), "error: line 4: line too long" + kLineEnd);
    driver.send(s1_record(0x3000, "55") + "\r");
    EXPECT_EQ(driver.send("S9030000FC\r"), "");
    EXPECT_EQ(driver.wait(1s), "done: 1 data records, 4 bad" + kLineEnd + ">");
    EXPECT_EQ(driver.board().monitor().last_load().bad_records, 4u);
    EXPECT_EQ(driver.board().processor().read(0x3000), 0x55);
    EXPECT_EQ(driver.board().processor().read(0x3001), 0x00);
}

TEST_F(MonitorDialogue, WithoutAnEndRecordTheBoardKeepsLoadingUntilTheNextDownload) {
    driver.send("load t\r");
    driver.send(s1_record(0x2400, "01") + "\r\n\r\r");
    // The closing dialogue of the window arrives as records; the go is refused as one.
    EXPECT_EQ(driver.send("go 2400\r"), "error: line 4: not an S-record" + kLineEnd);
    EXPECT_EQ(state(), State::kLoading);
    // The next download's "load t" is a bad line too, then its records load normally.
    driver.send("\rload t\r" + s1_record(0x2400, "02") + "\r\n");
    EXPECT_EQ(driver.send("S9030000FC\r\n"), "");
    EXPECT_EQ(driver.wait(1s), "done: 2 data records, 2 bad" + kLineEnd + ">");
    EXPECT_EQ(driver.board().processor().read(0x2400), 0x02);
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
    const std::string prompt = kLineEnd + ">";
    EXPECT_EQ(driver.send("load t\rS9032400D8\r\n\r\r"),
              "load t" + kLineEnd + "done: 0 data records, 0 bad" + prompt + prompt + prompt);
    EXPECT_EQ(state(), State::kCommand);
    EXPECT_FALSE(driver.board().next_event());
}

TEST(MonitorReset, LoadTWhileTheProgramRunsResetsTheBoardFirst) {
    BoardDriver driver;
    driver.start_program();
    ASSERT_EQ(driver.board().monitor().state(), State::kRunning);
    // The window's download starts with CR and "load t" CR, exactly as after a reset.
    EXPECT_EQ(driver.send("\r"), "");
    EXPECT_EQ(driver.send("load t\r"), kBanner + ">load t" + kLineEnd);
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

TEST(MonitorReset, MemoryKeepsTheProgramAcrossAReset) {
    BoardDriver driver;
    driver.start_program();
    driver.board().press_reset(driver.now());
    driver.send("\rgo 2400\r");
    EXPECT_EQ(driver.board().monitor().state(), State::kRunning);
    EXPECT_EQ(driver.send("*2400"), "!20@");
}

// The monitor's dialogue as a terminal shows it, on the processor. Each case starts at power-on;
// each step types its text (or presses reset) and lets 20 ms pass, and the board must have
// answered exactly so by then. In answers "\n" stands for the monitor's line end (CR LF NUL),
// "{banner}" and "{help}" for those texts.
const std::string kPressReset = "<reset>";

struct Step {
    std::string typed;
    std::string answer;
};

struct Dialogue {
    const char* name;
    std::vector<Step> steps;
};

std::string expand(std::string_view answer) {
    std::string out;
    for (char c : answer) {
        if (c == '\n') {
            out += kLineEnd;
        } else {
            out += c;
        }
    }
    for (const auto& [token, text] : {std::pair{"{banner}"s, kBanner},
                                      std::pair{"{help}"s, std::string(monitor_text::kHelp)}}) {
        for (std::size_t at; (at = out.find(token)) != std::string::npos;) {
            out.replace(at, token.size(), text);
        }
    }
    return out;
}

// LDAA #42, LDAB #01, LDX #2456, LDS #01FF, then at 240A: INCA, INCB, SWI, BRA 240A.
const std::string kProgram =
    "load t\r" + s1_record(0x2400, "8642C601CE24568E01FF4C5C3F20FB") + "\rS9030000FC\r";
const std::string kLoaded = "load t\ndone: 1 data records, 0 bad\n>";
// The bytes of the board's own example line at 2400.
const std::string kBytes =
    "load t\r" + s1_record(0x2400, "2004123401018E01FFBD242CCC0000FD") + "\rS9030000FC\r";

const Dialogue kDialogues[] = {
    {"after a reset the banner waits for a CR, Ctrl-X and NUL included",
     {
         {"", "{banner}"},
         {"go 2400\n\x18md 2400\0"s, ""},
         {"\r", ">"},
         {"\r", "\n>"},  // nothing to repeat after power-on
     }},
    {"commands by their first letters, errors, Ctrl-X and NUL at the prompt, backspace",
     {
         {"", "{banner}"},
         {"\r", ">"},
         {"he\r", "he\n{help}>"},
         {"m 2400\r", "m 2400\nerror: unknown command \"m\" (help lists the commands)\n>"},
         {"md\r", "md\nerror: md takes an address, or two with the second not below the first\n>"},
         {"md 2410 2400\r",
          "md 2410 2400\nerror: md takes an address, or two with the second not below the "
          "first\n>"},
         {"mm 12345\r", "mm 12345\nerror: mm takes one address\n>"},
         {"t 100\r", "t 100\nerror: t takes a count of instructions from 1 to FF\n>"},
         {"stopat\r", "stopat\nerror: stopat takes one address\n>"},
         {"p 2400\r", "p 2400\nerror: p takes no address: it goes on from P\n>"},
         {"g x\r", "g x\nerror: go takes an address, or none to go on from P\n>"},
         {"load s\r", "load s\nerror: only \"load t\" (load from this terminal) is available\n>"},
         {"md 2400\x18", "md 2400\n>"},  // Ctrl-X throws the line away
         {"\0"s, ""},                    // a NUL is ignored
         {"\r", "\nerror: only \"load t\" (load from this terminal) is available\n>"},
         {"gp\b\x7F\x7F", "gp\b \b\b \b"},
         // Nothing loaded there: the RAM's zeros are an opcode the chip traps.
         {"\x18g 3000\r",
          "\n>g 3000\nprogram stopped: illegal opcode at 3000\n"
          "P-3000 Y-0000 X-0000 A-00 B-00 C-D0 S-0041 \n>"},
     }},
    {"a bare CR repeats the command the buffer holds, across a reset but not after a load",
     {
         {"", "{banner}"},
         {"\rhelp\r", ">help\n{help}>"},
         {kPressReset, "{banner}"},
         {"\r", ">"},
         {"\r", "\n{help}>"},
         {kProgram, kLoaded},
         {"\r", "\n>"},
         {"\r\n", "\n>"},
     }},
    {"md shows whole lines of 16 bytes; mm changes bytes; Ctrl-X abandons mm",
     {
         {"", "{banner}"},
         {"\r", ">"},
         {kBytes, kLoaded},
         {"md 2402 2402\r",
          "md 2402 2402\n2400 20 04 12 34 01 01 8E 01 FF BD 24 2C CC 00 00 FD "
          "   4      $,    \n>"},
         {"MD 240F 2410\r",
          "MD 240F 2410\n2400 20 04 12 34 01 01 8E 01 FF BD 24 2C CC 00 00 FD "
          "   4      $,    \n2410 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00                 \n>"},
         {"mm 2402\r", "mm 2402\n2402 12 "},
         {"4a ", "4a 34 "},  // stored; the next byte shown
         {" ", " 01 "},      // moves on without storing
         {"5\r", "5\n>"},
         {"mm 2405\r", "mm 2405\n2405 01 "},
         {"77\x18", "77\n>"},  // abandoned: nothing stored
         {"mm 2406\r", "mm 2406\n2406 8E "},
         {"\r", "\n>"},
         {"md 2400\r",
          "md 2400\n2400 20 04 4A 34 05 01 8E 01 FF BD 24 2C CC 00 00 FD "
          "  J4      $,    \n>"},
     }},
    {"rm shows the registers and changes them one after another; Ctrl-X abandons rm",
     {
         {"", "{banner}"},
         {"\r", ">"},
         {"rm\r", "rm\nP-2400 Y-0000 X-0000 A-00 B-00 C-D0 S-0041 \nP-2400 "},
         {"2500 ", "2500 Y-0000 "},
         {"12 ", "12 X-0000 "},
         {" ", " A-00 "},
         {"4\r", "4\n>"},
         {"rm x\r", "rm x\nP-2500 Y-0012 X-0000 A-04 B-00 C-D0 S-0041 \nX-0000 "},
         {"FFFF\x18", "FFFF\n>"},
         {"rm S\r", "rm S\nP-2500 Y-0012 X-0000 A-04 B-00 C-D0 S-0041 \nS-0041 "},
         {"1FF ", "1FF P-2500 "},
         {"\r", "\n>"},
         {"rm b\r", "rm b\nP-2500 Y-0012 X-0000 A-04 B-00 C-D0 S-01FF \nB-00 "},
         {"\r", "\n>"},
         {"rm q\r", "rm q\nerror: rm takes one of the registers P, Y, X, A, B, C, S\n>"},
     }},
    {"br keeps four breakpoints and refuses what it cannot hold",
     {
         {"", "{banner}"},
         {"\r", ">"},
         {"br\r", "br\n0000 0000 0000 0000 \n>"},
         {"br 2424 2430\r", "br 2424 2430\n2424 2430 0000 0000 \n>"},
         {"br 2424 b600 3000 3001\r",
          "br 2424 b600 3000 3001\nerror: the four breakpoint places are taken\n"
          "2424 2430 B600 3000 \n>"},
         {"br -2430\r", "br -2430\n2424 0000 B600 3000 \n>"},
         {"br e000\r", "br e000\nerror: no RAM or EEPROM at E000 to hold a breakpoint\n>"},
         {"br 1000\r", "br 1000\nerror: no RAM or EEPROM at 1000 to hold a breakpoint\n>"},
         {"br -zz\r",
          "br -zz\nerror: br takes addresses to set, -ADDR to remove one, or - to remove all\n>"},
         {"br -\r", "br -\n0000 0000 0000 0000 \n>"},
     }},
    {"a breakpoint stops the program, g stops there again, p goes on, its own SWI stops it",
     {
         {"", "{banner}"},
         {"\r", ">"},
         {kProgram, kLoaded},
         {"br 240A\r", "br 240A\n240A 0000 0000 0000 \n>"},
         {"g 2400\r", "g 2400\nP-240A Y-0000 X-2456 A-42 B-01 C-D0 S-01FF \n>"},
         // The program's own byte (INCA), not the SWI the breakpoint was.
         {"md 240A\r",
          "md 240A\n2400 86 42 C6 01 CE 24 56 8E 01 FF 4C 5C 3F 20 FB 00 "
          " B   $V   L\\?   \n>"},
         {"g\r", "g\nP-240A Y-0000 X-2456 A-42 B-01 C-D0 S-01FF \n>"},
         {"p\r", "p\nP-240C Y-0000 X-2456 A-43 B-02 C-D0 S-01FF \n>"},
         // g from the program's own SWI executes it again; so does a bare CR.
         {"go\r", "go\nP-240C Y-0000 X-2456 A-43 B-02 C-D0 S-01FF \n>"},
         {"\r", "\nP-240C Y-0000 X-2456 A-43 B-02 C-D0 S-01FF \n>"},
     }},
    {"t traces one instruction or N, stopat traces to an address, both past breakpoints",
     {
         {"", "{banner}"},
         {"\r", ">"},
         {kProgram, kLoaded},
         {"br 240A 240B\r", "br 240A 240B\n240A 240B 0000 0000 \n>"},
         {"t\r", "t\nOP- 86 42\nP-2402 Y-0000 X-0000 A-42 B-00 C-D0 S-0041 \n>"},
         {"t 3\r",
          "t 3\nOP- C6 01\nP-2404 Y-0000 X-0000 A-42 B-01 C-D0 S-0041 \n"
          "OP- CE 24 56\nP-2407 Y-0000 X-2456 A-42 B-01 C-D0 S-0041 \n"
          "OP- 8E 01 FF\nP-240A Y-0000 X-2456 A-42 B-01 C-D0 S-01FF \n>"},
         {"t 2\r",
          "t 2\nOP- 4C\nP-240B Y-0000 X-2456 A-43 B-01 C-D0 S-01FF \n"
          "OP- 5C\nP-240C Y-0000 X-2456 A-43 B-02 C-D0 S-01FF \n>"},
         // The program's own SWI: traced, it stops where it is.
         {"t\r", "t\nOP- 3F\nP-240C Y-0000 X-2456 A-43 B-02 C-D0 S-01FF \n>"},
         {"rm\r", "rm\nP-240C Y-0000 X-2456 A-43 B-02 C-D0 S-01FF \nP-240C "},
         {"240D\r", "240D\n>"},
         {"stopat 240C\r", "stopat 240C\nP-240C Y-0000 X-2456 A-44 B-03 C-D0 S-01FF \n>"},
     }},
    {"t shows each instruction's bytes, prefixes and operands included",
     {
         {"", "{banner}"},
         {"\r", ">"},
         // LDY #1234, LDX 0,Y, CPD #0001, BSET 0,Y #80, BRSET 0,X #01 (not taken).
         {"load t\r" + s1_record(0x2400, "18CE1234CDEE001A830001181C00801E0001FE") +
              "\rS9030000FC\r",
          kLoaded},
         {"t 5\r",
          "t 5\nOP- 18 CE 12 34\nP-2404 Y-1234 X-0000 A-00 B-00 C-D0 S-0041 \n"
          "OP- CD EE 00\nP-2407 Y-1234 X-0000 A-00 B-00 C-D4 S-0041 \n"
          "OP- 1A 83 00 01\nP-240B Y-1234 X-0000 A-00 B-00 C-D9 S-0041 \n"
          "OP- 18 1C 00 80\nP-240F Y-1234 X-0000 A-00 B-00 C-D9 S-0041 \n"
          "OP- 1E 00 01 FE\nP-2413 Y-1234 X-0000 A-00 B-00 C-D9 S-0041 \n>"},
     }},
};

TEST(MonitorCommands, EachCommandAnswersAsTheBoardsMonitorDoes) {
    BoardConfig config = BoardDriver::processor(false);
    config.fast_load = true;
    for (const Dialogue& dialogue : kDialogues) {
        BoardDriver driver(config);
        driver.board().power_on(driver.now());
        for (std::size_t i = 0; i < dialogue.steps.size(); ++i) {
            const Step& step = dialogue.steps[i];
            std::string out;
            if (step.typed == kPressReset) {
                driver.board().press_reset(driver.now());
            } else {
                out = driver.send(step.typed);
            }
            out += driver.wait(20ms);
            EXPECT_EQ(out, expand(step.answer)) << dialogue.name << ", step " << i + 1;
        }
    }
}

}  // namespace
}  // namespace boardsim
