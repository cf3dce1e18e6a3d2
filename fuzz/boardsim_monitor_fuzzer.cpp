// The simulated board's monitor on an arbitrary character stream: command lines (md, mm, rm,
// br, t and the rest on the board's processor), "load t" and the S-record lines that follow it,
// the pause after the end record, with any line ends, backspaces, Ctrl-X and overlong lines.
// Each line is also given to the S-record parser directly, whose accepted records must be
// exactly what the line says.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/monitor.h"
#include "fuzz_check.h"
#include "srecord/srecord.h"

using namespace boardsim;
using halvane::parse_srecord;
using halvane::SRecord;
using halvane::SRecordError;
using halvane::SRecordParse;

namespace {

// A started program that ignores everything; the monitor's own behaviour is under test.
class IdleProgram : public RunningProgram {
  public:
    void receive(std::uint8_t, bool, Nanos) override {}
    void run_until(Nanos) override {}
    std::optional<Nanos> next_wakeup() const override { return std::nullopt; }
};

class CountingHost : public MonitorHost {
  public:
    void monitor_output(std::string_view text, Nanos) override {
        output_bytes += text.size();
        if (!text.empty()) at_line_start = text.back() == '\0' || text.back() == '\n';
    }
    RunningProgram& start_program(Nanos, std::optional<std::uint16_t>) override {
        ++programs_started;
        return program;
    }
    void board_reset(std::string_view, Nanos) override { ++resets; }
    void note(std::string_view, Nanos) override {}
    bool line_at_start() const override { return at_line_start; }

    IdleProgram program;
    std::size_t output_bytes = 0;
    unsigned programs_started = 0;
    unsigned resets = 0;
    bool at_line_start = true;
};

char kind_digit(SRecord::Kind kind) {
    switch (kind) {
        case SRecord::Kind::kHeader:
            return '0';
        case SRecord::Kind::kData:
            return '1';
        case SRecord::Kind::kCount:
            return '5';
        case SRecord::Kind::kEnd:
            return '9';
    }
    return '?';
}

// The line a record was read from, in upper case, without trailing blanks.
std::string encode(const SRecord& record) {
    std::string line = "S";
    line += kind_digit(record.kind);
    const auto count = static_cast<unsigned>(record.data.size() + 3);
    unsigned sum = count + (record.address >> 8) + (record.address & 0xFF);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%04X", count, record.address);
    line += hex;
    for (std::uint8_t byte : record.data) {
        std::snprintf(hex, sizeof hex, "%02X", byte);
        line += hex;
        sum += byte;
    }
    std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFFu);
    line += hex;
    return line;
}

void check_record_line(std::string_view line) {
    const SRecordParse parsed = parse_srecord(line);
    const auto* record = std::get_if<SRecord>(&parsed);
    if (record == nullptr) {
        FUZZ_CHECK(!std::get<SRecordError>(parsed).message.empty());
        return;
    }
    FUZZ_CHECK(record->data.size() <= 252);
    std::string expected(line);
    while (!expected.empty() && (expected.back() == ' ' || expected.back() == '\t'))
        expected.pop_back();
    for (char& c : expected) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    FUZZ_CHECK(encode(*record) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::size_t start = 0;
    std::size_t line_ends = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            check_record_line(text.substr(start, i - start));
            start = i + 1;
            if (i < text.size()) ++line_ends;
        }
    }

    // Building the processor (64 KiB of memory) for every input would cost most of the run:
    // one serves them all, reset with its RAM cleared and its EEPROM erased for each.
    static hc11::Board processor;
    static const std::vector<std::uint8_t> kZeros(hc11::board_map::EXTERNAL_RAM_END + 1, 0x00);
    static const std::vector<std::uint8_t> kErased(hc11::board_map::EEPROM_SIZE, 0xFF);
    processor.load(0x0000, kZeros);
    processor.load(hc11::board_map::EEPROM, kErased);
    processor.reset();
    CountingHost host;
    // A short pause after the end record, so that inputs of a few hundred characters reach
    // both the characters lost in it and the monitor reading again.
    Monitor monitor(processor, host,
                    MonitorSettings{.auto_reset = true, .end_of_load_pause = Nanos(20'000'000)});
    monitor.reset("power on", Nanos(0));
    std::int64_t at = 0;
    for (char c : text) {
        at += 1'041'666;
        // The deadline the monitor asks for comes before the character, as in the board's loop.
        if (const auto due = monitor.next_wakeup(); due && *due <= Nanos(at)) {
            monitor.run_until(*due);
        }
        monitor.receive(static_cast<std::uint8_t>(c), Nanos(at));
        monitor.run_until(Nanos(at));
    }
    // Every record counted ended with a line end; a line cannot be counted twice.
    const auto& load = monitor.last_load();
    FUZZ_CHECK(load.data_records + load.bad_records <= line_ends);
    FUZZ_CHECK(host.programs_started <= line_ends);
    // The echo and the messages stay in proportion to the input (banner and prompt per reset),
    // beyond what a command answers with: at most a dump of the whole memory.
    constexpr std::size_t kLongestAnswer = 4096 * 80;
    FUZZ_CHECK(host.output_bytes <=
               200 * (size + 1) + host.resets * 200 + line_ends * kLongestAnswer);
    return 0;
}
