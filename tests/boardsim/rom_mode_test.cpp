// The board running a monitor ROM (the test monitor, tests/boardsim/rom) instead of the simulated
// monitor, driven by a clock the test moves; and the ROM and EEPROM image files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "board_driver.h"
#include "core/memory_file.h"
#include "core/processor_program.h"
#include "link/wire_protocol.h"

namespace boardsim {
namespace {

using namespace std::chrono_literals;
using halvane::wire::read_request_text;
using halvane::wire::reply_text;
using halvane::wire::write_request_text;
using testing::BoardDriver;
using testing::s1_record;
const std::string kReplyEnd(1, halvane::wire::kReplyEnd);

const Nanos kChar = PacedWire::char_time_for_baud(9600);
const std::string kBanner = "\r\nTESTMON 1.0, a test monitor for the CME11E9 (68HC11E9)\r\n";

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class RomMode : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(HALVANE_TEST_ROM).empty()) {
            GTEST_SKIP() << "m68hc11-as is not installed (Debian package binutils-m68hc1x)";
        }
        const auto rom = read_rom_image(read_file(HALVANE_TEST_ROM));
        ASSERT_TRUE(std::holds_alternative<hc11::RomImage>(rom));
        config.rom = std::get<hc11::RomImage>(rom);
    }

    // Powers the board on and answers the banner with CR; returns everything up to the prompt.
    std::string power_on() {
        driver = std::make_unique<BoardDriver>(config);
        driver->board().power_on(driver->now());
        std::string out = driver->wait(100ms);
        out += driver->send("\r");
        out += driver->wait(10ms);
        return out;
    }
    // Sends text and waits until the board has answered `until` (at most `limit`).
    std::string exchange(const std::string& text, const std::string& until,
                         Nanos limit = std::chrono::seconds(3)) {
        std::string out = driver->send(text);
        const Nanos end = driver->now() + limit;
        while (out.find(until) == std::string::npos && driver->now() < end) {
            out += driver->wait(1ms);
        }
        return out;
    }

    BoardConfig config = BoardDriver::processor();
    std::unique_ptr<BoardDriver> driver;
};

TEST_F(RomMode, TheRomGreetsLoadsWithItsOneSecondPauseAndStartsTheProgram) {
    EXPECT_EQ(power_on(), kBanner + "\r\n>");
    EXPECT_EQ(exchange("\r", ">"), "\r\n>");  // a bare CR: a new prompt only
    const std::string file = read_file(HALVANE_EXAMPLES_DIR "/counter.s19");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(exchange("load t\r", "\n"), "load t\r\n");

    // The window of old sends the go command right behind the file: it lands in the pause.
    const Nanos sent = driver->now();
    const std::string typed = file + "\r\rgo 2400\r";
    std::string out = driver->send(typed);
    const std::size_t s9_end = file.find("S9032400D8") + 10;
    const Nanos s9_arrived = sent + kChar * static_cast<std::int64_t>(s9_end);
    Nanos done_at{0};
    while (out.find("done") == std::string::npos && driver->now() < sent + 5s) {
        out += driver->wait(1ms);
        done_at = driver->now();
    }
    out += exchange("", ">");
    EXPECT_EQ(out, "done\r\n>");
    EXPECT_GE(done_at - s9_arrived, 1s);
    EXPECT_LE(done_at - s9_arrived, 1s + 10 * kChar);
    EXPECT_EQ(driver->wait(200ms), "");  // the go command was lost

    EXPECT_EQ(exchange("go 2400\r", "\n"), "go 2400\r\n");
    EXPECT_EQ(exchange(read_request_text(0x2400), kReplyEnd), reply_text(0x20));
    // The line belongs to the program: "load t" does not reset the board.
    EXPECT_EQ(exchange("load t\r", "\n", 50ms), "");
    EXPECT_EQ(exchange(read_request_text(0x2401), kReplyEnd), reply_text(0x04));
}

TEST_F(RomMode, BadRecordsAreCountedAndReportedAtTheEnd) {
    power_on();
    const std::string records = s1_record(0x2400, "8642") + "\r\n" +  // good
                                "S1052400864211\r\n" +                // bad checksum
                                "hello\r\n" +                         // not a record
                                s1_record(0x2402, "3F") + "\r\n" + "S9030000FC\r\n";
    exchange("load t\r", "\n");
    EXPECT_EQ(exchange(records, ">"), "error: 2 bad records\r\n>");
    // The good records were stored: LDAA #42, SWI.
    EXPECT_EQ(exchange("go 2400\r", "S"), "go 2400\r\n\r\nprogram stopped: S");
    EXPECT_EQ(exchange("", ">"), "WI at 2402\r\n>");
}

TEST_F(RomMode, AnInterruptWithoutAHandlerReturnsToThePrompt) {
    power_on();
    // LDAA #40, STAA TMSK2 (RTII), CLI, BRA *: the RTI finds only the ROM's pseudo-vector.
    exchange("load t\r", "\n");
    exchange(s1_record(0x2500, "8640B710240E20FE") + "\r\nS9030000FC\r\n", ">");
    const std::string out = exchange("go 2500\r", ">", 100ms);
    EXPECT_EQ(out,
              "go 2500\r\n\r\nprogram stopped: interrupt without a handler, program at 2506\r\n>");
}

TEST_F(RomMode, TheRomTracesOneInstructionAtATimeThroughOutputCompare5) {
    power_on();
    // LDAA #01, LDAB #02, MUL (ten cycles), LDX #1234, INY (prefixed), SWI.
    exchange("load t\r", "\n");
    exchange(s1_record(0x2500, "8601C6023DCE123418083F") + "\r\nS9030000FC\r\n", ">");
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"t 2500", "P-2502 Y-0000 X-0000 A-01 B-00 C-C0 S-0041"},
        {"t", "P-2504 Y-0000 X-0000 A-01 B-02 C-C0 S-0041"},
        {"t", "P-2505 Y-0000 X-0000 A-00 B-02 C-C0 S-0041"},
        {"t", "P-2508 Y-0000 X-1234 A-00 B-02 C-C0 S-0041"},
        {"t", "P-250A Y-0001 X-1234 A-00 B-02 C-C0 S-0041"},
    };
    for (const auto& [command, registers] : steps) {
        EXPECT_EQ(exchange(command + "\r", ">"), command + "\r\n" + registers + "\r\n>");
    }
    EXPECT_EQ(exchange("t\r", ">"), "t\r\n\r\nprogram stopped: SWI at 250A\r\n>");
}

TEST_F(RomMode, FaultOptionsSpoilTheProgramsReplies) {
    config.faults.drop_every = 2;
    power_on();
    exchange("load t\r", "\n");
    exchange(read_file(HALVANE_EXAMPLES_DIR "/counter.s19"), ">");
    exchange("go 2400\r", "\n");
    EXPECT_EQ(exchange(read_request_text(0x2400), kReplyEnd), reply_text(0x20));
    EXPECT_EQ(exchange(read_request_text(0x2400), kReplyEnd, 50ms), "");
    EXPECT_EQ(exchange(read_request_text(0x2400), kReplyEnd), reply_text(0x20));
}

TEST(RomImageFile, RawImagesAndSRecordsInsideTheRegion) {
    std::string raw(0x2000, '\x01');
    raw[0x1FFE] = '\xE0';
    const auto image = read_rom_image(raw);
    ASSERT_TRUE(std::holds_alternative<hc11::RomImage>(image));
    EXPECT_EQ(std::get<hc11::RomImage>(image)[0x1FFE], 0xE0);

    const auto records = read_rom_image("S00600004844521B\r\n" + s1_record(0xE000, "20FE") +
                                        "\r\n" + s1_record(0xFFFE, "E000") + "\nS903E0001C\n");
    ASSERT_TRUE(std::holds_alternative<hc11::RomImage>(records));
    const hc11::RomImage& rom = std::get<hc11::RomImage>(records);
    EXPECT_EQ(rom[0], 0x20);
    EXPECT_EQ(rom[1], 0xFE);
    EXPECT_EQ(rom[2], 0xFF);  // not in the file: erased
    EXPECT_EQ(rom[0x1FFE], 0xE0);

    const auto eeprom = read_eeprom_image(s1_record(0xB7FF, "12") + "\r\n");
    ASSERT_TRUE(std::holds_alternative<hc11::EepromImage>(eeprom));
    EXPECT_EQ(std::get<hc11::EepromImage>(eeprom)[0x1FF], 0x12);
}

TEST(RomImageFile, MistakesAreExplained) {
    auto rom_error = [](const std::string& contents) {
        const auto image = read_rom_image(contents);
        return std::holds_alternative<std::string>(image) ? std::get<std::string>(image) : "";
    };
    EXPECT_EQ(rom_error(std::string(8191, '\0')),
              "a ROM image is 8192 bytes of E000-FFFF or S-records; this file has 8191 bytes");
    EXPECT_EQ(rom_error(""),
              "a ROM image is 8192 bytes of E000-FFFF or S-records; this file has 0 bytes");
    EXPECT_EQ(rom_error(s1_record(0xFFFE, "E000") + "\r\nS1052400864211\r\n"),
              "line 2: bad checksum 11, should be 0E");
    EXPECT_EQ(rom_error(s1_record(0xDFFF, "0102") + "\n"),
              "line 1: data at DFFF lies outside the ROM (E000-FFFF)");
    EXPECT_EQ(rom_error(s1_record(0xE000, "20FE") + "\nS903E0001C\n"),
              "the S-records leave out the reset vector (FFFE-FFFF)");
    EXPECT_EQ(rom_error("S903E0001C\n"), "the S-records hold no data (no S1 record)");
    const auto eeprom = read_eeprom_image(s1_record(0xB800, "01") + "\n");
    ASSERT_TRUE(std::holds_alternative<std::string>(eeprom));
    EXPECT_EQ(std::get<std::string>(eeprom),
              "line 1: data at B800 lies outside the EEPROM (B600-B7FF)");
}

}  // namespace
}  // namespace boardsim
