#include "debug/debug_session.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "debug/armed_reads.h"
#include "debug/breakpoints_command.h"
#include "debug/continue_step.h"
#include "link/register_job.h"
#include "status/status_texts.h"
#include "symbols/code_place.h"
#include "text/hex_digits.h"

namespace halvane {

namespace {

// A command as MonitorCommandJob takes it: without its CR.
std::string without_line_end(std::string typed) {
    if (typed.ends_with(monitor::kLineEnd)) typed.resize(typed.size() - monitor::kLineEnd.size());
    return typed;
}

// Sets `flag` for as long as it lives.
class Raised {
  public:
    explicit Raised(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) {}
    ~Raised() { flag_ = was_; }
    Raised(const Raised&) = delete;
    Raised& operator=(const Raised&) = delete;

  private:
    bool& flag_;
    bool was_;
};

}  // namespace

DebugSession::DebugSession(BoardLink& link, StatusLine& status, Clock& clock)
    : link_(link),
      status_(status),
      left_alarm_(clock.make_alarm([this] {
          if (auto left = std::exchange(left_, nullptr)) left();
      })),
      clock_(clock) {
    list_subscription_ = list_.changed.subscribe([this] { list_changed(); });
}

std::vector<std::string> DebugSession::program_downloading(const std::string& base_name) {
    {
        Raised quiet(quiet_);
        list_.use_program(std::make_shared<const DebugProgram>(read_debug_program(base_name)));
    }
    // A new program run: its responder is asked about "%%" again.
    pause_unanswered_ = false;
    pausing_ = false;
    go_on_ = false;
    undo_ = nullptr;
    table_due_ = false;
    armed_.clear();
    changed.notify();
    if (list_.table().empty() && !table_written_) return {};
    table_written_ = true;
    armed_ = list_.table();
    return list_.table_commands();
}

void DebugSession::board_state_changed(BoardState state) {
    if (state == BoardState::kStopped) {
        registers_ = link_.last_registers();
        // A pause made to change the table that meets the program stopping on its own (at a
        // breakpoint, at an SWI of its own) leaves it there, as the user's stop it is; only
        // leaving the board lets it go on whatever stopped it.
        if (go_on_ && !left_ && registers_ && stopped_on_its_own(registers_->pc)) go_on_ = false;
        // Whatever stopped it, the temporary breakpoint goes (the table follows below); not at
        // a pause made only to write the table, after which it goes on at once.
        if (!go_on_) list_.program_stopped();
        pausing_ = false;
        undo_ = nullptr;
        if (table_due_) write_table();
        if (std::exchange(go_on_, false)) go_on_after_stop();
        changed.notify();
        return;
    }
    if (registers_) {
        registers_.reset();
        changed.notify();
    }
}

void DebugSession::port_changed() {
    armed_.clear();
    table_written_ = false;
    table_due_ = false;
    pausing_ = false;
    go_on_ = false;
    pause_unanswered_ = false;
    registers_.reset();
    changed.notify();
}

void DebugSession::list_changed() {
    changed.notify();
    if (quiet_) return;
    if (list_.table() == armed_) {
        table_due_ = false;
        return;
    }
    table_due_ = true;
    if (link_.downloading()) return;  // the download writes it before the program starts
    if (monitor_listens(link_.board_state())) {
        write_table();
        return;
    }
    if (link_.board_state() == BoardState::kRunning) begin_pause(true);
}

void DebugSession::write_table() {
    for (std::string& typed : list_.table_commands()) queue_command(std::move(typed));
    armed_ = list_.table();
    table_written_ = true;
    table_due_ = false;
}

void DebugSession::queue_command(std::string typed, MonitorCommandJob::Done done) {
    link_.queue_user_job(
        std::make_unique<MonitorCommandJob>(without_line_end(std::move(typed)), std::move(done)));
}

// A change while the program runs: refused once its responder is known not to pause it.
bool DebugSession::refused_while_running(std::string_view what) {
    if (link_.board_state() != BoardState::kRunning || !pause_unanswered_) return false;
    refuse(std::string(texts::kResponderCannotPause) + std::string(what));
    return true;
}

void DebugSession::refuse(std::string text) {
    status_.show_failure(std::move(text));
}

void DebugSession::toggle_line(int listing_line) {
    if (refused_while_running("no breakpoint changed while it runs")) return;
    if (auto refusal = list_.toggle_line(listing_line)) {
        refuse(std::move(*refusal));
        return;
    }
    if (pausing_) undo_ = [this, listing_line] { list_.toggle_line(listing_line); };
}

void DebugSession::add(std::string_view symbol_or_address) {
    if (refused_while_running("no breakpoint changed while it runs")) return;
    if (auto refusal = list_.add(symbol_or_address)) refuse(std::move(*refusal));
}

void DebugSession::remove(std::uint16_t address) {
    if (refused_while_running("no breakpoint changed while it runs")) return;
    list_.remove(address);
}

void DebugSession::edit_breakpoints(BreakpointEditor& editor) {
    if (refused_while_running("no breakpoint changed while it runs")) return;
    halvane::edit_breakpoints(list_, editor);
}

void DebugSession::continue_program() {
    if (!stopped() || !registers_) {
        refuse(std::string(texts::kNotStopped));
        return;
    }
    const DebugProgram* program = list_.program();
    const ProgramImage none;
    const ContinueStep how =
        continue_step(registers_->pc, armed_, program != nullptr ? program->image : none);
    // Leaving the board, it may be left once the program goes on.
    queue_command(how.command(), [this](const MonitorReply& /*reply*/) { board_left(); });
}

// The pause was for a change of the table, or for leaving the board: the program goes on.
bool DebugSession::stopped_on_its_own(std::uint16_t pc) const {
    if (std::find(armed_.begin(), armed_.end(), pc) != armed_.end()) return true;
    const DebugProgram* program = list_.program();
    return program && program->image.byte_at(pc) == kSwiOpcode;
}

void DebugSession::go_on_after_stop() {
    if (left_) {
        queue_command(monitor::clear_breakpoints_command());
        armed_.clear();
    }
    continue_program();
}

void DebugSession::step() {
    if (!stopped()) {
        refuse(std::string(texts::kNotStopped));
        return;
    }
    queue_command(monitor::trace_command(1), [this](const MonitorReply& reply) {
        if (reply.registers) registers_learnt(reply.registers);
    });
}

void DebugSession::run_to_line(int listing_line) {
    const BoardState state = link_.board_state();
    if (state != BoardState::kRunning && state != BoardState::kStopped) {
        refuse(std::string(texts::kNotRunning));
        return;
    }
    if (refused_while_running("no Run to Line while it runs")) return;
    if (auto refusal = list_.run_to_line(listing_line)) {
        refuse(std::move(*refusal));
        return;
    }
    if (pausing_) undo_ = [this] { list_.program_stopped(); };
    // Stopped, the table has been written: the program goes on to the line.
    if (state == BoardState::kStopped) continue_program();
}

void DebugSession::pause() {
    if (link_.board_state() != BoardState::kRunning) {
        refuse(std::string(link_.board_state() == BoardState::kStopped ? texts::kStoppedAt
                                                                       : texts::kNotRunning) +
               (stopped() && registers_ ? hex_text(registers_->pc, 4) : std::string()));
        return;
    }
    if (refused_while_running("no Pause")) return;
    begin_pause(false);
}

void DebugSession::begin_pause(bool go_on) {
    if (pausing_) {
        go_on_ = go_on_ || go_on;
        return;
    }
    pausing_ = true;
    go_on_ = go_on;
    link_.queue_user_job(
        std::make_unique<PauseJob>([this](PauseJob::Outcome outcome) { pause_ended(outcome); }));
}

void DebugSession::pause_ended(PauseJob::Outcome outcome) {
    switch (outcome) {
        case PauseJob::Outcome::kStopSeen:
            return;  // the stop's prompt follows: board_state_changed goes on from there
        case PauseJob::Outcome::kNotRunning:
            pausing_ = false;
            if (table_due_ && monitor_listens(link_.board_state())) write_table();
            if (std::exchange(go_on_, false) && stopped()) go_on_after_stop();
            return;
        case PauseJob::Outcome::kNotAnswered: {
            pause_unanswered_ = true;
            pausing_ = false;
            go_on_ = false;
            // The change the pause was for cannot reach the board: it is taken back.
            if (auto undo = std::exchange(undo_, nullptr)) {
                Raised quiet(quiet_);
                undo();
            }
            table_due_ = list_.table() != armed_;
            status_.show_failure(std::string(texts::kPauseNotAnswered));
            if (left_) {
                status_.show_failure(std::string(texts::kBreakpointsLeftSet));
                board_left();
            }
            return;
        }
        case PauseJob::Outcome::kCancelled:
        case PauseJob::Outcome::kPortFailed:
            pausing_ = false;
            go_on_ = false;
            undo_ = nullptr;
            board_left();
            return;
    }
}

void DebugSession::change_register(Register reg, unsigned value) {
    if (!stopped()) {
        refuse(std::string(texts::kNotStopped));
        return;
    }
    RegisterJob::Change change{register_letter(reg), value, register_digits(reg)};
    link_.queue_user_job(std::make_unique<RegisterJob>(
        change, [this](const std::optional<monitor::Registers>& registers) {
            if (!registers) {
                refuse(std::string(texts::kRegisterNotChanged));
                return;
            }
            registers_learnt(registers);
        }));
}

void DebugSession::registers_learnt(const std::optional<monitor::Registers>& registers) {
    registers_ = registers;
    if (registers_ && stopped()) status_.set_program_status(stop_status(registers_->pc));
    changed.notify();
}

bool DebugSession::leaves_breakpoints() const {
    const BoardState state = link_.board_state();
    return !armed_.empty() && (state == BoardState::kRunning || state == BoardState::kStopped) &&
           link_.port_open();
}

void DebugSession::leave_board(std::function<void()> done) {
    if (!leaves_breakpoints()) {
        if (done) done();
        return;
    }
    if (link_.board_state() == BoardState::kRunning && pause_unanswered_) {
        refuse(std::string(texts::kBreakpointsLeftSet));
        if (done) done();
        return;
    }
    left_ = std::move(done);
    if (link_.board_state() == BoardState::kRunning) {
        begin_pause(true);
        return;
    }
    // Stopped, it stays as the user left it, with an empty table.
    armed_.clear();
    queue_command(monitor::clear_breakpoints_command(),
                  [this](const MonitorReply& /*reply*/) { board_left(); });
}

// Whoever waits to leave the board is told once the job that let it go has returned: the port
// may close then.
void DebugSession::board_left() {
    if (left_) left_alarm_->arm_at(clock_.now_ns());
}

std::optional<int> DebugSession::stop_line() const {
    const DebugProgram* program = list_.program();
    if (!registers_ || program == nullptr) return std::nullopt;
    return program->map.line_of(registers_->pc);
}

std::string DebugSession::stop_status(std::uint16_t pc) const {
    const DebugProgram* program = list_.program();
    const std::string place = program != nullptr ? code_place(program->symbols, pc) : std::string();
    return std::string(texts::kStoppedAt) + hex_text(pc, 4) +
           (place.empty() ? "" : " (" + place + ")");
}

void DebugSession::show_own_bytes(std::uint16_t first, std::span<std::uint8_t> read) const {
    const DebugProgram* program = list_.program();
    if (program == nullptr || armed_.empty() || link_.board_state() != BoardState::kRunning) return;
    halvane::show_own_bytes(first, read, armed_, program->image);
}

}  // namespace halvane
