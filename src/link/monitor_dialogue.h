#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvane::monitor {

// The dialogue with the board's ROM monitor, as the board speaks it.
//
// Every line it prints ends with CR LF and one NUL (padding); its prompt is ">" at the start of
// a line, and it echoes what it is typed, so a command's echo follows the prompt on its line.
// A bare CR at the prompt repeats what its line buffer holds (after "g 2400" it starts the
// program again), so a host never sends one there. Ctrl-X at the prompt, or inside "mm" and "rm",
// throws the line away and prints a new prompt; a NUL at the prompt is ignored; a running
// program's responder ignores both. Ctrl-X is therefore the way to ask "is the monitor
// listening?".
inline constexpr char kCancelLine = '\x18';  // Ctrl-X
inline constexpr char kPrompt = '>';
inline constexpr char kPadding = '\0';
inline constexpr std::string_view kLineEnd = "\r";  // what a host ends a command with

// The commands, each as typed at the prompt, ending with its CR.
std::string memory_dump_command(std::uint16_t first, std::uint16_t last);  // "md 2400 240F\r"
std::string memory_modify_command(std::uint16_t address);                  // "mm 2402\r"
std::string go_command(std::optional<std::uint16_t> address);              // "g 2400\r", "g\r"
std::string trace_command(unsigned count);                                 // "t\r", "t 3\r"
std::string proceed_command();                                             // "p\r"
std::string register_command();                                            // "rm\r"
// "br -\r": every breakpoint out; "br 2424 2430\r": those in.
std::string clear_breakpoints_command();
std::string set_breakpoints_command(std::span<const std::uint16_t> addresses);
// A value typed at mm's or rm's sub-prompt, ending it ("3F\r"), or going on to the next byte or
// register ("3F ").
std::string sub_prompt_value(unsigned value, std::size_t digits, bool go_on);

// The monitor's dump line of `md`: "2400 20 04 12 34 ... FD  .. text ..". A dump always starts at
// a multiple of 16 and shows whole lines of 16 bytes.
inline constexpr std::size_t kDumpLineBytes = 16;
struct DumpLine {
    std::uint16_t address = 0;
    std::array<std::uint8_t, kDumpLineBytes> bytes{};
};
std::optional<DumpLine> parse_dump_line(std::string_view line);
// The first addresses of the dump lines `md first last` shows.
std::uint16_t dump_line_start(std::uint16_t address);

// What `mm ADDR` shows before it waits: "2402 00 " (the address and its value).
struct ModifyPrompt {
    std::uint16_t address = 0;
    std::uint8_t value = 0;
};
std::optional<ModifyPrompt> parse_modify_prompt(std::string_view line);

// The register line the monitor prints at every stop, after a trace step and for `rm`:
// "P-2424 Y-0000 X-2456 A-00 B-01 C-C4 S-01FF " (C the condition codes S X H I N Z V C).
struct Registers {
    std::uint16_t pc = 0;
    std::uint16_t y = 0;
    std::uint16_t x = 0;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    std::uint8_t ccr = 0;
    std::uint16_t sp = 0;
    bool operator==(const Registers&) const = default;
};
std::optional<Registers> parse_register_line(std::string_view line);
std::string register_line_text(const Registers& registers);  // without a line end
// A register line at the end of `line`, which may begin with what a program sent before it
// stopped ("!2A@P-2424 Y-...").
std::optional<Registers> find_register_line(std::string_view line);

// Whether the line the monitor waits on is a sub-prompt of mm ("2402 00 ") or rm ("P-2424 "):
// it waits for a value there, and only Ctrl-X, a value or CR ends it.
bool sub_prompt_waiting(std::string_view partial_line);
// Whether the command typed as `line` lets the program run ("g", "go 2400", "p"): the monitor
// shows no prompt until the program returns to it.
bool starts_program(std::string_view line);

// Follows what the monitor prints, one character at a time, as the link receives it: drops the
// NULs, cuts lines at CR or LF, and notes the prompt and the last register line. A prompt is a
// ">" that starts a line; it counts the moment it arrives, since the monitor then waits.
class Transcript {
  public:
    // Lines longer than this are cut; the monitor's own are short.
    static constexpr std::size_t kLineLimit = 256;

    struct Event {
        enum class Kind { kLine, kPrompt };
        Kind kind = Kind::kLine;
        // kLine: the line without its end and NULs; a line that began with the prompt keeps it
        // (">md 2400 2400" is the prompt and the echo of a command).
        std::string line;
    };

    // Feeds `text` and returns what it completed, in order.
    std::vector<Event> feed(std::string_view text);
    // The text of `text` as a person should read it: without the NULs.
    static std::string readable(std::string_view text);

    // The line begun and not ended yet (after a prompt: the echo typed so far).
    const std::string& partial_line() const { return line_; }
    void reset();

  private:
    std::string line_;
    bool after_cr_ = false;  // a CR ended the last line: an LF right after it ends nothing
};

}  // namespace halvane::monitor
