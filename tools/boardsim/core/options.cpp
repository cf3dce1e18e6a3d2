#include "core/options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>

namespace boardsim {

const char* const kUsage =
    R"(Usage: boardsim [OPTION]...
A simulated CME11E9 68HC11 board on a pseudo-terminal. Prints the terminal's
device path as its first line, then serves until interrupted (Ctrl-C, SIGTERM).

The board runs its monitor as the real board does. After a reset it prints
its banner and waits for a carriage return (CR) before its first prompt ">".
Every line it prints ends with CR LF NUL. Its commands, taken by their first
letters: md ADDR [ADDR] (show memory), mm ADDR (change memory), rm [REGISTER]
(change registers), br [ADDR]... (four breakpoints; br -ADDR, br -), g [ADDR]
(run the program from ADDR or from P), p (go on from a breakpoint), t [N]
(trace N instructions), stopat ADDR (trace to ADDR), load t (read S-records,
not echoed) and help. A bare CR repeats the last command (after a load it
only shows a new prompt); Ctrl-X throws away the line typed so far. After the
end record of a load the monitor leaves the line unread for one second: of
what arrives meanwhile the SCI keeps the first character, which is then
thrown away, and loses the rest; then the monitor prints
"done: N data records, M bad" and its prompt.

By default a 68HC11 processor executes the downloaded program at the real
board's 2 MHz, with the SCI on the terminal, so the program's own responder
answers the watch window ("*AAAA" -> "!HH@", "*FFFFAAAAHH" stores HH at
AAAA, "#AAAANN" -> the NN bytes from AAAA and a check); a program without one
leaves the board silent, as a real board would. The processor and its memory
stay the same from one go to the next, and its timer and SCI run on while
the monitor has it. When the program reaches a breakpoint or executes SWI
(or enters the monitor some other way) the monitor prints its registers and
its prompt again. SIGUSR1 presses reset; so does a "load t" line while a
program runs, which then loads as if typed after the reset and its CR.

The line runs at the rate the SCI's BAUD register sets: 9600 baud after a
reset (BAUD = 30), then whatever the program writes there (BAUD = 01 is
62500 baud). The monitor talks through the SCI too, at the rate the program
left. What the PC sends takes the time of the rate set on the terminal
(9600 when boardsim creates it; a program on the PC sets its own, custom
rates included), which boardsim reads every time it wakes. When that rate
and the SCI's differ by more than 3 %, each character from the PC reaches
the SCI with a framing error, and each one from the board reaches the PC as
a NUL, as Linux passes a character with a framing error.

With --rom FILE there is no simulated monitor: the processor runs that monitor
ROM from its reset vector at the same 2 MHz, talking through the same SCI, so
the dialogue, its timing and its commands are the ROM's own. The processor's
memory is the board's: a loaded program stays there across go, across its
return to the monitor and across reset (kill -USR1 PID). The line belongs to
the ROM, so "load t" never resets the board.

  --link PATH         also make PATH a symbolic link to the terminal
                      (removed on exit)
  --rom FILE          run the monitor ROM image FILE: 8192 bytes of E000-FFFF,
                      or S-records inside that range (with the reset vector)
  --pe0 0|1           the level of pin PE0 (default 0); at 1 a monitor ROM
                      starts the program in EEPROM (B600) instead of itself;
                      needs --rom
  --eeprom FILE       the EEPROM's contents at power-on: 512 bytes of
                      B600-B7FF, or S-records inside it; needs --rom
  --builtin-responder instead of running the program, answer the memory
                      requests in the board itself (for programs without a
                      responder, and for tests)
  --count ADDR        count the 16-bit word at hex ADDR up ten times a second
                      while a program runs; implies --builtin-responder
  --baud 0            no pacing: every character passes at once and the two
                      rates are not compared (the processor's SCI still takes
                      characters at its own rate). No other value is taken:
                      the program's BAUD register sets the rate
  --no-auto-reset     ignore "load t" while a program runs (only SIGUSR1
                      resets the board; always so with --rom)
  --fast-load         report a load at once after its end record, without
                      the monitor's one-second pause (for quick demos)
  --usb-latency MS    hold the board's output as a USB-serial adapter does:
                      pass it to the PC only when 62 characters wait or MS
                      milliseconds after the first one waiting (1 to 255;
                      default 0: no adapter, nothing is held)
  --log FILE          write every character received and sent, with times
                      (the monitor's dialogue and the program's traffic)
  --trace FILE        write one line per executed instruction: address,
                      opcode, registers, cycle count (large: about 35 MB
                      for each second the program, or the ROM, runs)
Faults, for testing error handling:
  --no-reply          never send a reply
  --reply-delay MS    send each reply MS milliseconds late
  --drop-every N      swallow every N-th reply
  --garbage           noise before each reply, now and then a stray '@'
  --hangup-after N    close the line after N requests
  --corrupt-every N   flip the lowest bit of every N-th character the board
                      sends (monitor, program or built-in responder alike)
  --help              show this text and exit
)";

namespace {

std::optional<std::uint64_t> parse_number(const std::string& text, int base, std::uint64_t min,
                                          std::uint64_t max) {
    std::string_view digits = text;
    if (base == 16 && (digits.starts_with("0x") || digits.starts_with("0X")))
        digits.remove_prefix(2);
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc() || end != digits.data() + digits.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

}  // namespace

std::variant<Options, OptionError> parse_options(const std::vector<std::string>& args) {
    Options options;
    FaultOptions& faults = options.board.faults;
    bool pe0_given = false;

    using Setter = std::function<std::optional<std::string>(const std::string&)>;
    auto number = [](std::uint64_t min, std::uint64_t max, int base, auto store,
                     std::string what) -> Setter {
        return [=](const std::string& text) -> std::optional<std::string> {
            const auto value = parse_number(text, base, min, max);
            if (!value) return what + ", not \"" + text + "\"";
            store(*value);
            return std::nullopt;
        };
    };
    // A path, which may not be empty.
    auto path = [](std::optional<std::string>& store, std::string what) -> Setter {
        return [&store, what](const std::string& text) -> std::optional<std::string> {
            if (text.empty()) return what;
            store = text;
            return std::nullopt;
        };
    };
    const std::map<std::string, Setter> with_value = {
        {"--link", path(options.link_path, "needs a path")},
        {"--log", path(options.log_path, "needs a file name")},
        {"--trace", path(options.trace_path, "needs a file name")},
        {"--rom", path(options.rom_path, "needs a file name")},
        {"--eeprom", path(options.eeprom_path, "needs a file name")},
        {"--pe0",
         [&](const std::string& text) -> std::optional<std::string> {
             if (text != "0" && text != "1") return "needs 0 or 1, not \"" + text + "\"";
             options.board.pe0 = text == "1";
             pe0_given = true;
             return std::nullopt;
         }},
        {"--count", number(
                        0, 0xFFFF, 16,
                        [&](std::uint64_t v) {
                            options.board.counter_address = static_cast<std::uint16_t>(v);
                            options.board.runner = ProgramRunner::kBuiltinResponder;
                        },
                        "needs a hexadecimal address from 0 to FFFF")},
        {"--baud",
         [&](const std::string& text) -> std::optional<std::string> {
             if (text != "0") {
                 return "takes only 0 (no pacing), not \"" + text +
                        "\": the line runs at the rate the program's BAUD register sets";
             }
             options.board.paced = false;
             return std::nullopt;
         }},
        {"--usb-latency",
         number(
             0, 255, 10,
             [&](std::uint64_t v) { options.board.usb_latency = std::chrono::milliseconds(v); },
             "needs milliseconds from 0 to 255")},
        {"--reply-delay",
         number(
             0, 3'600'000, 10,
             [&](std::uint64_t v) { faults.reply_delay = std::chrono::milliseconds(v); },
             "needs milliseconds from 0 to 3600000")},
        {"--drop-every",
         number(
             1, UINT32_MAX, 10,
             [&](std::uint64_t v) { faults.drop_every = static_cast<std::uint32_t>(v); },
             "needs a count of at least 1")},
        {"--hangup-after",
         number(
             1, UINT32_MAX, 10,
             [&](std::uint64_t v) { faults.hangup_after = static_cast<std::uint32_t>(v); },
             "needs a count of at least 1")},
        {"--corrupt-every",
         number(
             1, UINT32_MAX, 10,
             [&](std::uint64_t v) { faults.corrupt_every = static_cast<std::uint32_t>(v); },
             "needs a count of at least 1")},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--no-auto-reset", [&] { options.board.auto_reset = false; }},
        {"--fast-load", [&] { options.board.fast_load = true; }},
        {"--builtin-responder", [&] { options.board.runner = ProgramRunner::kBuiltinResponder; }},
        {"--no-reply", [&] { faults.no_reply = true; }},
        {"--garbage", [&] { faults.garbage = true; }},
        {"--help", [&] { options.help = true; }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inline_value;
        if (const auto equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            inline_value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (inline_value) return OptionError{name + " takes no value"};
            flag->second();
            continue;
        }
        const auto option = with_value.find(name);
        if (option == with_value.end()) return OptionError{"unknown option \"" + args[i] + "\""};
        if (!inline_value) {
            if (i + 1 >= args.size()) return OptionError{name + " needs a value"};
            inline_value = args[++i];
        }
        if (auto problem = option->second(*inline_value)) return OptionError{name + " " + *problem};
    }
    // Only a monitor ROM looks at the pin and starts the EEPROM's program; and it starts
    // programs itself, so the board cannot answer for them.
    if (options.rom_path && options.board.runner == ProgramRunner::kBuiltinResponder) {
        return OptionError{"--builtin-responder and --count do not go with --rom"};
    }
    if (!options.rom_path) {
        if (pe0_given) return OptionError{"--pe0 needs --rom: the simulated monitor ignores PE0"};
        if (options.eeprom_path) return OptionError{"--eeprom needs --rom"};
    }
    return options;
}

}  // namespace boardsim
