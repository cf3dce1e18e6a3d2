#include "link/board_console.h"

#include <memory>
#include <utility>

#include "link/paced_request.h"
#include "status/status_texts.h"

namespace halvane {

namespace {
// A console line: to the monitor as a command, or to the program as typed, as the link knows the
// board when the line's turn comes.
class ConsoleLine : public LineJob {
  public:
    using Refused = std::function<void()>;
    ConsoleLine(std::string line, MonitorCommandJob::Done done, Refused refused)
        : line_(std::move(line)), done_(std::move(done)), refused_(std::move(refused)) {}

    void start(Line& line) override {
        if (monitor_listens(line.board_state())) {
            command_ = std::make_unique<MonitorCommandJob>(line_, std::move(done_));
            command_->start(line);
            return;
        }
        if (holds_request_start(line_)) {
            finished_ = true;
            if (refused_) refused_();
            return;
        }
        typing_.start(request_positions(line_ + std::string(monitor::kLineEnd)));
        type_next(line);
    }
    void woke(Line& line) override {
        if (command_) {
            command_->woke(line);
        } else if (!finished_ && typing_.tick_over(line)) {
            type_next(line);
        }
    }
    void received(Line& line, std::string_view text) override {
        if (command_) command_->received(line, text);
    }
    void stop(std::string_view port_error) override {
        if (command_) command_->stop(port_error);
        finished_ = true;
    }
    void abandon() override {
        if (command_) command_->abandon();
        finished_ = true;
    }
    bool finished() const override { return command_ ? command_->finished() : finished_; }
    bool reads_memory() const override { return false; }

  private:
    void type_next(Line& line) {
        if (typing_.all_sent() || !typing_.send_next(line)) finished_ = true;
    }

    std::string line_;
    MonitorCommandJob::Done done_;
    Refused refused_;
    std::unique_ptr<MonitorCommandJob> command_;
    PacedRequest typing_;
    bool finished_ = false;
};
}  // namespace

bool holds_request_start(std::string_view line) {
    return line.find_first_of(BoardConsole::kRequestStarts) != std::string_view::npos;
}

BoardConsole::BoardConsole(BoardLink& link, StatusLine& status) : link_(link), status_(status) {}

bool BoardConsole::enter(const std::string& line) {
    shown_ = history_.size();
    if (line.empty()) return false;
    remember(line);
    if (link_.board_state() == BoardState::kRunning && holds_request_start(line)) {
        refuse();
        return false;
    }
    link_.queue_user_job(std::make_unique<ConsoleLine>(
        line, [this](const MonitorReply& reply) { typed_done(reply); }, [this] { refuse(); }));
    return true;
}

void BoardConsole::remember(const std::string& line) {
    if (history_.empty() || history_.back() != line) history_.push_back(line);
    if (history_.size() > kHistoryLines) history_.pop_front();
    shown_ = history_.size();
}

std::optional<std::string> BoardConsole::recall_older() {
    if (shown_ == 0) return std::nullopt;
    return history_[--shown_];
}

std::optional<std::string> BoardConsole::recall_newer() {
    if (shown_ >= history_.size()) return std::nullopt;
    ++shown_;
    return shown_ == history_.size() ? std::string() : history_[shown_];
}

void BoardConsole::refuse() {
    status_.show_failure(std::string(texts::kConsoleRefused));
}

void BoardConsole::typed_done(const MonitorReply& reply) {
    if (reply.outcome == MonitorReply::Outcome::kNoAnswer)
        status_.show_failure(std::string(texts::kMonitorSilent));
    if (reply.outcome == MonitorReply::Outcome::kAnswered) status_.exchange_succeeded();
    answered.notify(reply);
}

}  // namespace halvane
