#include "core/options.h"

#include <gtest/gtest.h>

namespace boardsim {
namespace {

Options parsed(const std::vector<std::string>& args) {
    auto result = parse_options(args);
    if (auto* error = std::get_if<OptionError>(&result)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Options>(result);
}

std::string error_of(const std::vector<std::string>& args) {
    auto result = parse_options(args);
    if (auto* error = std::get_if<OptionError>(&result)) return error->message;
    ADD_FAILURE() << "accepted";
    return {};
}

TEST(Options, DefaultsArePacedAutoResettingAndFaultFree) {
    const Options options = parsed({});
    EXPECT_TRUE(options.board.paced);
    EXPECT_TRUE(options.board.auto_reset);
    EXPECT_FALSE(options.board.fast_load);
    EXPECT_EQ(options.board.usb_latency, Nanos{0});
    EXPECT_FALSE(options.board.counter_address);
    EXPECT_FALSE(options.board.faults.any());
    EXPECT_EQ(options.board.runner, ProgramRunner::kProcessor);
    EXPECT_FALSE(options.trace_path);
    EXPECT_FALSE(options.link_path);
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.rom_path);
    EXPECT_FALSE(options.board.pe0);
}

TEST(Options, EveryOptionIsUnderstoodInBothSpellings) {
    const Options options = parsed(
        {"--link", "/tmp/board", "--count=2402", "--baud", "0", "--no-auto-reset", "--fast-load",
         "--usb-latency=16", "--no-reply", "--reply-delay=250", "--drop-every", "3", "--garbage",
         "--hangup-after", "7", "--log", "traffic.txt", "--trace=run.trace", "--help"});
    EXPECT_EQ(options.link_path, "/tmp/board");
    EXPECT_EQ(options.board.counter_address, 0x2402);
    EXPECT_FALSE(options.board.paced);
    EXPECT_FALSE(options.board.auto_reset);
    EXPECT_TRUE(options.board.fast_load);
    EXPECT_EQ(options.board.usb_latency, std::chrono::milliseconds(16));
    EXPECT_TRUE(options.board.faults.no_reply);
    EXPECT_EQ(options.board.faults.reply_delay, std::chrono::milliseconds(250));
    EXPECT_EQ(options.board.faults.drop_every, 3u);
    EXPECT_TRUE(options.board.faults.garbage);
    EXPECT_EQ(options.board.faults.hangup_after, 7u);
    EXPECT_EQ(parsed({"--corrupt-every", "40"}).board.faults.corrupt_every, 40u);
    EXPECT_TRUE(parsed({"--corrupt-every=1"}).board.faults.any());
    EXPECT_EQ(options.log_path, "traffic.txt");
    EXPECT_EQ(options.trace_path, "run.trace");
    EXPECT_EQ(options.board.runner, ProgramRunner::kBuiltinResponder);  // --count implies it
    EXPECT_TRUE(options.help);
    EXPECT_EQ(parsed({"--count", "0xffff"}).board.counter_address, 0xFFFF);
    const Options rom = parsed({"--rom", "monitor.bin", "--pe0=1", "--eeprom", "eeprom.s19"});
    EXPECT_EQ(rom.rom_path, "monitor.bin");
    EXPECT_EQ(rom.eeprom_path, "eeprom.s19");
    EXPECT_TRUE(rom.board.pe0);
    EXPECT_FALSE(parsed({"--rom=monitor.s19", "--pe0", "0"}).board.pe0);
    const Options builtin = parsed({"--builtin-responder"});
    EXPECT_EQ(builtin.board.runner, ProgramRunner::kBuiltinResponder);
    EXPECT_FALSE(builtin.board.counter_address);
}

TEST(Options, MistakesAreExplained) {
    EXPECT_EQ(error_of({"--speed", "9600"}), "unknown option \"--speed\"");
    EXPECT_EQ(error_of({"--baud"}), "--baud needs a value");
    // The program's BAUD register sets the line's rate: only pacing can be turned off.
    for (const std::string rate : {"9600", "62500", "fast"}) {
        EXPECT_EQ(error_of({"--baud", rate}),
                  "--baud takes only 0 (no pacing), not \"" + rate +
                      "\": the line runs at the rate the program's BAUD register sets");
    }
    EXPECT_EQ(error_of({"--count", "10000"}),
              "--count needs a hexadecimal address from 0 to FFFF, not \"10000\"");
    EXPECT_EQ(error_of({"--drop-every", "0"}),
              "--drop-every needs a count of at least 1, not \"0\"");
    EXPECT_EQ(error_of({"--hangup-after=0"}),
              "--hangup-after needs a count of at least 1, not \"0\"");
    EXPECT_EQ(error_of({"--corrupt-every", "0"}),
              "--corrupt-every needs a count of at least 1, not \"0\"");
    EXPECT_EQ(error_of({"--garbage=yes"}), "--garbage takes no value");
    EXPECT_EQ(error_of({"--usb-latency", "256"}),
              "--usb-latency needs milliseconds from 0 to 255, not \"256\"");
    EXPECT_EQ(error_of({"--link="}), "--link needs a path");
    EXPECT_EQ(error_of({"--trace"}), "--trace needs a value");
    EXPECT_EQ(error_of({"--builtin-responder=1"}), "--builtin-responder takes no value");
    EXPECT_EQ(error_of({"2402"}), "unknown option \"2402\"");
    EXPECT_EQ(error_of({"--rom", "m.bin", "--pe0", "high"}), "--pe0 needs 0 or 1, not \"high\"");
    EXPECT_EQ(error_of({"--pe0", "1"}), "--pe0 needs --rom: the simulated monitor ignores PE0");
    EXPECT_EQ(error_of({"--eeprom", "e.s19"}), "--eeprom needs --rom");
    EXPECT_EQ(error_of({"--rom="}), "--rom needs a file name");
    EXPECT_EQ(error_of({"--rom", "m.bin", "--count", "2402"}),
              "--builtin-responder and --count do not go with --rom");
}

}  // namespace
}  // namespace boardsim
