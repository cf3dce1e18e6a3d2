// The monitor's replies as the link reads them: the transcript that cuts whatever the line
// brought into lines and prompts, and the parsers of the dump, modify and register lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "link/monitor_dialogue.h"

using namespace halvane::monitor;

namespace {

bool same_events(const std::vector<Transcript::Event>& a, const std::vector<Transcript::Event>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].line != b[i].line) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);

    // Lines never hold a line end or a NUL; where the text is cut makes no difference.
    Transcript whole;
    const std::vector<Transcript::Event> events = whole.feed(received);
    for (const Transcript::Event& event : events) {
        FUZZ_CHECK(event.line.size() <= Transcript::kLineLimit);
        FUZZ_CHECK(event.line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        if (event.kind == Transcript::Event::Kind::kPrompt) FUZZ_CHECK(event.line.empty());
    }
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    Transcript pieces;
    std::vector<Transcript::Event> in_pieces = pieces.feed(received.substr(0, cut));
    for (Transcript::Event& event : pieces.feed(received.substr(cut)))
        in_pieces.push_back(std::move(event));
    FUZZ_CHECK(same_events(events, in_pieces));
    FUZZ_CHECK(whole.partial_line() == pieces.partial_line());
    FUZZ_CHECK(Transcript::readable(received).find('\0') == std::string::npos);

    // Whatever a parser accepts, the board's own text for it is accepted as the same.
    if (const auto registers = parse_register_line(received)) {
        FUZZ_CHECK(parse_register_line(register_line_text(*registers)) == registers);
    }
    if (const auto dump = parse_dump_line(received)) {
        FUZZ_CHECK(dump->address % kDumpLineBytes == 0);
        FUZZ_CHECK(dump_line_start(dump->address) == dump->address);
    }
    if (const auto modify = parse_modify_prompt(received)) {
        FUZZ_CHECK(received.find_first_not_of(' ') != std::string_view::npos);
    }
    // A register line found in a line is the line's own end, whatever came before it.
    if (const auto found = find_register_line(received)) {
        FUZZ_CHECK(find_register_line("!2A@" + register_line_text(*found)) == found);
    }
    if (sub_prompt_waiting(received)) FUZZ_CHECK(!received.empty() && received.back() == ' ');
    if (starts_program(received)) {
        FUZZ_CHECK(received.find_first_not_of(' ') != std::string_view::npos);
    }
    return 0;
}
