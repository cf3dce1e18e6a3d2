#include "core/monitor.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>
#include <variant>

#include "srecord/srecord.h"
#include "text/hex_digits.h"

namespace boardsim {
namespace {

using halvane::parse_srecord;
using halvane::SRecord;
using halvane::SRecordError;
using halvane::SRecordParse;

// A command line is short; an S-record line holds at most 255 bytes as hex plus its type.
constexpr std::size_t kMaxCommandLength = 80;
constexpr std::size_t kMaxRecordLength = 2 + 2 * 256 + 16;

// Lower case, runs of blanks turned into one space, no blanks at either end.
std::string normalise(std::string_view line) {
    std::string out;
    bool blank = false;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank) out.push_back(' ');
        blank = false;
        out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return out;
}

std::string hex4(unsigned value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

// Keeps only printable characters of a line that goes into an error message.
std::string printable(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 20)) {
        out.push_back(std::isprint(static_cast<unsigned char>(c)) ? c : '?');
    }
    if (text.size() > 20) out += "...";
    return out;
}

}  // namespace

Monitor::Monitor(MemoryImage& memory, MonitorHost& host, MonitorSettings settings)
    : memory_(memory),
      host_(host),
      settings_(settings),
      command_line_(kMaxCommandLength),
      load_line_(kMaxRecordLength),
      reset_watch_(kMaxCommandLength) {}

void Monitor::reset(std::string_view reason, Nanos at) {
    host_.board_reset(reason, at);
    program_.reset();
    state_ = State::kAwaitingReturn;
    command_line_.clear();
    load_line_.clear();
    reset_watch_.clear();
    previous_command_.clear();
    print(kBanner, at);
}

void Monitor::receive(std::uint8_t byte, Nanos at) {
    if (state_ == State::kEndOfLoad && at >= reads_again_at_) report_load(reads_again_at_);
    // The LF of a CR LF pair belongs to the line the CR ended, even when that line changed the
    // state (a "load t" that reset the board, the end record of a load without the pause).
    const bool after_cr = std::exchange(last_was_cr_, byte == '\r');
    const bool monitor_reads =
        state_ == State::kAwaitingReturn || state_ == State::kCommand || state_ == State::kLoading;
    if (byte == '\n' && after_cr && monitor_reads) {
        command_line_.forget_cr();
        load_line_.forget_cr();
        return;
    }
    switch (state_) {
        case State::kAwaitingReturn:
            if (byte == '\r') {
                state_ = State::kCommand;
                print(kPrompt, at);
            }
            break;
        case State::kCommand:
            receive_command_char(byte, at);
            break;
        case State::kLoading:
            receive_load_char(byte, at);
            break;
        case State::kEndOfLoad:
            receive_unread(at);
            break;
        case State::kRunning:
        case State::kSilent:
            receive_while_running(byte, at);
            break;
    }
}

void Monitor::echo(std::uint8_t byte, LineCollector::Fed fed, Nanos at) {
    switch (fed) {
        case LineCollector::Fed::kLineEnd:
            print("\r\n", at);
            break;
        case LineCollector::Fed::kStored: {
            const char c = static_cast<char>(byte);
            print(std::string_view(&c, 1), at);
            break;
        }
        case LineCollector::Fed::kOverflow:
        case LineCollector::Fed::kSwallowed:
            break;
    }
}

void Monitor::receive_command_char(std::uint8_t byte, Nanos at) {
    if (byte == 0x08 || byte == 0x7F) {
        if (command_line_.erase_last()) print("\b \b", at);
        return;
    }
    const auto fed = command_line_.feed(byte);
    echo(byte, fed, at);
    if (fed == LineCollector::Fed::kLineEnd) run_command(command_line_.take_line(), at);
}

void Monitor::run_command(const std::string& typed, Nanos at) {
    const std::string line = normalise(typed).empty() ? previous_command_ : typed;
    const std::string command = normalise(line);
    if (command.empty()) {
        print(kPrompt, at);
        return;
    }
    previous_command_ = line;
    if (command == "load t") {
        state_ = State::kLoading;
        load_ = {};
        load_line_number_ = 0;
        load_line_.clear();
        host_.note("monitor: load t, reading S-records", at);
    } else if (command == "load" || command.starts_with("load ")) {
        print("error: only \"load t\" (load from this terminal) is available\r\n", at);
        print(kPrompt, at);
    } else if (command == "go" || command.starts_with("go ")) {
        run_go(command.size() > 2 ? std::string_view(command).substr(3) : "", at);
    } else {
        print("error: unknown command \"" + printable(line) + "\" (commands: load t, go ADDR)\r\n",
              at);
        print(kPrompt, at);
    }
}

void Monitor::run_go(std::string_view argument, Nanos at) {
    const bool valid = !argument.empty() && argument.size() <= 4 &&
                       std::all_of(argument.begin(), argument.end(), halvane::is_hex_digit);
    if (!valid) {
        print("error: go needs a hexadecimal address, for example: go 2400\r\n", at);
        print(kPrompt, at);
        return;
    }
    const auto address = static_cast<std::uint16_t>(std::stoul(std::string(argument), nullptr, 16));
    reset_watch_.clear();
    if (!memory_.is_loaded(address)) {
        state_ = State::kSilent;
        host_.note(
            "monitor: go " + hex4(address) + ": nothing was loaded there, the board stays silent",
            at);
        return;
    }
    state_ = State::kRunning;
    host_.note("monitor: go " + hex4(address) + ", program started", at);
    program_ = host_.start_program(address, at);
}

void Monitor::receive_load_char(std::uint8_t byte, Nanos at) {
    const auto fed = load_line_.feed(byte);
    echo(byte, fed, at);
    if (fed != LineCollector::Fed::kLineEnd) return;
    const bool overflowed = load_line_.overflowed();
    load_line(load_line_.take_line(), overflowed, at);
}

void Monitor::load_line(const std::string& line, bool overflowed, Nanos at) {
    ++load_line_number_;
    // Blank lines between records (a file's last line end, a CR typed by hand) are harmless.
    if (normalise(line).empty()) return;

    const SRecordParse parsed =
        overflowed ? SRecordParse{SRecordError{.message = "line too long"}} : parse_srecord(line);
    if (const auto* error = std::get_if<SRecordError>(&parsed)) {
        ++load_.bad_records;
        const std::string message =
            "error: line " + std::to_string(load_line_number_) + ": " + error->message;
        print(message + "\r\n", at);
        host_.note("monitor: " + message, at);
        return;
    }
    const auto& record = std::get<SRecord>(parsed);
    switch (record.kind) {
        case SRecord::Kind::kHeader:
        case SRecord::Kind::kCount:
            break;
        case SRecord::Kind::kData: {
            ++load_.data_records;
            std::uint16_t address = record.address;
            for (std::uint8_t value : record.data) memory_.load(address++, value);
            break;
        }
        case SRecord::Kind::kEnd:
            end_load(at);
            break;
    }
}

void Monitor::end_load(Nanos at) {
    // Nothing is left to repeat: a bare CR after a load only shows a new prompt.
    previous_command_.clear();
    if (settings_.end_of_load_pause <= Nanos{0}) {
        report_load(at);
        return;
    }
    state_ = State::kEndOfLoad;
    reads_again_at_ = at + settings_.end_of_load_pause;
    sci_holds_character_ = false;
    characters_overrun_ = 0;
}

void Monitor::receive_unread(Nanos at) {
    if (!sci_holds_character_) {
        sci_holds_character_ = true;
        return;
    }
    if (characters_overrun_++ == 0) {
        host_.note("monitor: not reading after the end record; characters are lost (overrun)", at);
    }
}

void Monitor::report_load(Nanos at) {
    if (state_ == State::kEndOfLoad) {
        host_.note("monitor: reading again after the end record: " +
                       std::string(sci_holds_character_ ? "1 character held and thrown away, "
                                                        : "nothing held, ") +
                       std::to_string(characters_overrun_) + " lost",
                   at);
        // The monitor saw none of those characters, line ends included.
        last_was_cr_ = false;
    }
    const std::string summary = "done: " + std::to_string(load_.data_records) + " data records, " +
                                std::to_string(load_.bad_records) + " bad";
    print(summary + "\r\n", at);
    print(kPrompt, at);
    host_.note("monitor: load " + summary, at);
    state_ = State::kCommand;
    command_line_.clear();
}

void Monitor::receive_while_running(std::uint8_t byte, Nanos at) {
    if (program_) {
        program_->receive(byte, at);
        take_over_if_finished();
        if (!program_) return;
    }
    if (!settings_.auto_reset) return;
    if (reset_watch_.feed(byte) != LineCollector::Fed::kLineEnd) return;
    const std::string line = reset_watch_.take_line();
    if (normalise(line) != "load t") return;
    reset("\"load t\" received while the program ran (auto-reset)", at);
    // The command was typed before the reset; the monitor now takes it as typed after the CR
    // that its banner waits for.
    state_ = State::kCommand;
    print(kPrompt, at);
    print(line, at);
    print("\r\n", at);
    run_command(line, at);
}

void Monitor::run_until(Nanos now) {
    if (state_ == State::kEndOfLoad && now >= reads_again_at_) report_load(reads_again_at_);
    if (!program_) return;
    program_->run_until(now);
    take_over_if_finished();
}

void Monitor::skip_stall(Nanos now) {
    if (program_) program_->skip_stall(now);
}

void Monitor::take_over_if_finished() {
    const std::optional<ProgramExit> exit = program_->finished();
    if (!exit) return;
    program_.reset();
    state_ = State::kCommand;
    command_line_.clear();
    last_was_cr_ = false;
    host_.note("monitor: " + exit->message.substr(0, exit->message.find('\r')), exit->at);
    print("\r\n" + exit->message + "\r\n", exit->at);
    print(kPrompt, exit->at);
}

std::optional<Nanos> Monitor::next_wakeup() const {
    if (state_ == State::kEndOfLoad) return reads_again_at_;
    if (program_) return program_->next_wakeup();
    return std::nullopt;
}

}  // namespace boardsim
