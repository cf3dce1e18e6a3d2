#include "core/monitor.h"

#include <utility>
#include <variant>

#include "core/monitor_text.h"
#include "srecord/srecord.h"

namespace boardsim {
namespace {

using halvane::parse_srecord;
using halvane::SRecord;
using halvane::SRecordError;
using halvane::SRecordParse;

// A command line is short; an S-record line holds at most 255 bytes as hex plus its type.
constexpr std::size_t kMaxCommandLength = 80;
constexpr std::size_t kMaxRecordLength = 2 + 2 * 256 + 16;

bool blank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

Monitor::Monitor(hc11::Board& processor, MonitorHost& host, MonitorSettings settings)
    : processor_(processor),
      host_(host),
      settings_(settings),
      command_line_(kMaxCommandLength),
      load_line_(kMaxRecordLength),
      reset_watch_(kMaxCommandLength) {}

void Monitor::reset(std::string_view reason, Nanos at) {
    // The board's bytes back where breakpoints were, before the processor starts afresh.
    breakpoints_.take_out(processor_);
    host_.board_reset(reason, at);
    program_ = nullptr;
    modify_.reset();
    state_ = State::kAwaitingReturn;
    command_line_.clear();
    load_line_.clear();
    reset_watch_.clear();
    print(monitor_text::kBanner, at);
}

void Monitor::receive(std::uint8_t byte, Nanos at, bool framing_error) {
    if (state_ == State::kEndOfLoad && at >= reads_again_at_) report_load(reads_again_at_);
    const bool monitor_reads = state_ != State::kEndOfLoad && state_ != State::kRunning;
    // A NUL is padding, whoever sends it; a character sent at another rate reads as garbage.
    if (monitor_reads && (byte == '\0' || framing_error)) return;
    // The LF of a CR LF pair belongs to the line the CR ended, even when that line changed the
    // state (a "load t" that reset the board, the end record of a load without the pause).
    const bool after_cr = std::exchange(last_was_cr_, byte == '\r');
    if (monitor_reads && byte == '\n' && after_cr) {
        command_line_.forget_cr();
        load_line_.forget_cr();
        return;
    }
    switch (state_) {
        case State::kAwaitingReturn:
            if (byte == '\r') show_prompt(at);
            break;
        case State::kCommand:
            receive_command_char(byte, at);
            break;
        case State::kModifying:
            receive_modify_char(byte, at);
            break;
        case State::kLoading:
            receive_load_char(byte, at);
            break;
        case State::kEndOfLoad:
            receive_unread(at);
            break;
        case State::kRunning:
            receive_while_running(byte, framing_error, at);
            break;
    }
}

void Monitor::print_line(std::string_view text, Nanos at) {
    print(text, at);
    print(monitor_text::kLineEnd, at);
}

void Monitor::show_prompt(Nanos at) {
    state_ = State::kCommand;
    command_line_.clear();
    print(monitor_text::kPrompt, at);
}

void Monitor::echo(std::uint8_t byte, LineCollector::Fed fed, Nanos at) {
    switch (fed) {
        case LineCollector::Fed::kLineEnd:
            print(monitor_text::kLineEnd, at);
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
    if (byte == kCancelLine) {
        print(monitor_text::kLineEnd, at);
        show_prompt(at);
        return;
    }
    if (byte == 0x08 || byte == 0x7F) {
        if (command_line_.erase_last()) print("\b \b", at);
        return;
    }
    const auto fed = command_line_.feed(byte);
    echo(byte, fed, at);
    if (fed == LineCollector::Fed::kLineEnd) run_command(command_line_.take_line(), at);
}

void Monitor::receive_modify_char(std::uint8_t byte, Nanos at) {
    if (byte == kCancelLine) {
        // Abandoned: a value typed but not ended is not stored.
        modify_.reset();
        print(monitor_text::kLineEnd, at);
        show_prompt(at);
        return;
    }
    const ModifyPrompt::Reply reply = modify_->feed(byte);
    print(reply.text, at);
    if (!reply.finished) return;
    modify_.reset();
    show_prompt(at);
}

void Monitor::receive_load_char(std::uint8_t byte, Nanos at) {
    // Nothing of the records is echoed; only bad lines and the end of the load are reported.
    if (load_line_.feed(byte) != LineCollector::Fed::kLineEnd) return;
    const bool overflowed = load_line_.overflowed();
    load_line(load_line_.take_line(), overflowed, at);
}

void Monitor::load_line(const std::string& line, bool overflowed, Nanos at) {
    ++load_line_number_;
    // Blank lines between records (a file's last line end, a CR typed by hand) are harmless.
    if (blank(line)) return;

    const SRecordParse parsed =
        overflowed ? SRecordParse{SRecordError{.message = "line too long"}} : parse_srecord(line);
    if (const auto* error = std::get_if<SRecordError>(&parsed)) {
        ++load_.bad_records;
        const std::string message =
            "error: line " + std::to_string(load_line_number_) + ": " + error->message;
        print_line(message, at);
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
            for (std::uint8_t value : record.data) {
                if (!processor_.write(address++, value)) ++load_refused_bytes_;
            }
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
    if (load_refused_bytes_ > 0) {
        host_.note("monitor: " + std::to_string(load_refused_bytes_) +
                       " loaded bytes lie outside RAM and EEPROM and were not stored",
                   at);
    }
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
    print_line(summary, at);
    host_.note("monitor: load " + summary, at);
    show_prompt(at);
}

void Monitor::receive_while_running(std::uint8_t byte, bool framing_error, Nanos at) {
    if (program_) {
        program_->receive(byte, framing_error, at);
        take_over_if_finished();
        if (state_ != State::kRunning) return;
    }
    if (!settings_.auto_reset) return;
    // The watch stands for the user's hand on the reset button, not for the SCI: it reads the
    // line as sent, at whatever rate the program listens.
    if (reset_watch_.feed(byte) != LineCollector::Fed::kLineEnd) return;
    const std::string line = reset_watch_.take_line();
    const auto parsed = parse_command_line(line);
    if (!parsed || parsed->command != CommandLine::Command::kLoad ||
        parsed->arguments != std::vector<std::string>{"t"}) {
        return;
    }
    reset("\"load t\" received while the program ran (auto-reset)", at);
    // The command was typed before the reset; the monitor now takes it as typed after the CR
    // that its banner waits for.
    show_prompt(at);
    print(line, at);
    print(monitor_text::kLineEnd, at);
    run_command(line, at);
}

void Monitor::run_until(Nanos now) {
    if (state_ == State::kEndOfLoad && now >= reads_again_at_) report_load(reads_again_at_);
    if (!program_) return;
    program_->run_until(now);
    take_over_if_finished();
}

std::optional<Nanos> Monitor::next_wakeup() const {
    if (state_ == State::kEndOfLoad) return reads_again_at_;
    if (program_) return program_->next_wakeup();
    return std::nullopt;
}

}  // namespace boardsim
