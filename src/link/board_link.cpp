#include "link/board_link.h"

#include <algorithm>
#include <utility>

#include "link/board_state_check.h"

namespace halvane {

namespace {
// Marks a call into a job or a source. Work queued from inside one (a job's callback) starts
// once the call has returned.
class Depth {
  public:
    explicit Depth(int& depth) : depth_(depth) { ++depth_; }
    ~Depth() { --depth_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;

  private:
    int& depth_;
};
}  // namespace

BoardLink::BoardLink(SerialPort& port, Clock& clock)
    : port_(port), clock_(clock), alarm_(clock.make_alarm([this] { alarm_fired(); })) {
    port_.set_events(
        {[this] { input_waiting(); }, [this](const std::string& error) { port_failed(error); }});
}

BoardLink::~BoardLink() {
    alarm_->disarm();
    port_.set_events({});
}

SerialPort::OpenResult BoardLink::open_port() {
    probe_.forget();
    const SerialPort::OpenResult opened = port_.open();
    if (opened.ok) {
        fast_line_.port_opened();
        line_rate_changed.notify(port_.rate());
        ask_board_state(true);
    }
    return opened;
}

void BoardLink::set_gate(bool open) {
    // A program has just started.
    if (open && !gate_) {
        probe_.forget();
        fast_line_.new_run();
    }
    gate_ = open;
}

ReadWay BoardLink::read_way() const {
    if (monitor_listens(state_)) return ReadWay::kMonitor;
    return block_reads() ? ReadWay::kBlocks : ReadWay::kBytes;
}

void BoardLink::set_state(BoardState state) {
    if (state == state_) return;
    // A program that starts again is a new run for the probe, and what it prints is shown.
    if (state == BoardState::kRunning) {
        // A stopped program that goes on is the same run: what the probe found still holds.
        if (state_ != BoardState::kStopped || downloading()) probe_.forget();
        gate_ = true;
    }
    if (state != BoardState::kRunning) stop_seen_ = false;
    state_ = state;
    board_state_changed.notify(state);
}

// The state becomes unknown; a check answers it before the next job that needs it, or at once.
void BoardLink::ask_board_state(bool at_once) {
    transcript_.reset();
    prompt_fresh_ = false;
    set_state(BoardState::kUnknown);
    check_due_ = true;
    check_at_once_ = check_at_once_ || at_once;
    after_event();
}

void BoardLink::reply_missing() {
    // While fast, the fall back goes first: the check that follows runs at 9600.
    fast_line_.reply_failed();
    if (!downloading()) ask_board_state(false);
}

void BoardLink::block_read_ended(BlockReadEnd end) {
    // A block lost on the fast line says nothing of block reads: they count again at 9600.
    if (end != BlockReadEnd::kAnswered && fast_line_.reply_failed()) return;
    probe_.block_read_ended(end);
}

bool BoardLink::follow_board(std::string_view text) {
    // Whoever is told of a change may queue work: it starts once the text has been handed on.
    Depth outer(depth_);
    bool stopped_job = false;
    for (monitor::Transcript::Event& event : transcript_.feed(text)) {
        if (event.kind == monitor::Transcript::Event::Kind::kLine) {
            const std::optional<monitor::Registers> registers =
                monitor::find_register_line(event.line);
            if (!registers) continue;
            last_registers_ = registers;
            if (state_ != BoardState::kRunning || downloading() || stop_seen_) continue;
            // The program returned to the monitor: what was asked of it gets no answer.
            stop_seen_ = true;
            if (current_ && !current_->finished()) {
                Depth depth(depth_);
                current_->stop("");
                stopped_job = true;
            }
            continue;
        }
        if (stop_seen_) {
            stop_seen_ = false;
            line_to_clear_ = true;
            set_state(BoardState::kStopped);
        }
    }
    prompt_fresh_ = transcript_.partial_line() == std::string(1, monitor::kPrompt);
    return stopped_job;
}

SerialPort::OpenResult BoardLink::switch_port(std::string path, std::string shown_name) {
    // Nothing of a job on the old device may go to the new one.
    end_every_job("");
    leave_fast_line_now();
    port_.close();
    probe_.forget();
    port_.set_device(std::move(path), std::move(shown_name));
    const SerialPort::OpenResult opened = port_.open();
    if (opened.ok) {
        fast_line_.port_opened();
        line_rate_changed.notify(port_.rate());
        ask_board_state(true);
    } else {
        set_state(BoardState::kUnknown);
    }
    port_changed.notify(PortEvent{true, opened.ok ? std::string() : opened.error_text, false});
    return opened;
}

void BoardLink::input_waiting() {
    const std::string text = port_.take_input();
    if (text.empty() || closed_) return;
    const bool job_reads_monitor = current_ && current_->reads_monitor();
    // A withholding job hands on what it does not keep once it has finished.
    const bool withheld =
        current_ && current_receives_ && !current_->finished() && current_->withholds_replies();
    // The monitor's answers are shown too, once the board is known to listen; never its NULs.
    const bool shown = gate_ || state_ != BoardState::kUnknown;
    if (shown && !job_reads_monitor && !withheld)
        received_.append(monitor::Transcript::readable(text));
    follow_board(text);
    const bool job_receives = current_ && current_receives_ && !current_->finished();
    if (job_receives) {
        Depth depth(depth_);
        current_->received(*this, text);
    }
    // The board sends at 9600 under a fast line (a Reset's banner): the fall back, then a check.
    if (fast_line_.slow_characters_seen(text)) ask_board_state(false);
    after_event();
}

void BoardLink::port_failed(const std::string& error) {
    if (closed_) return;
    const bool was_downloading = downloading();
    port_.close();
    end_every_job(error);
    set_state(BoardState::kUnknown);
    check_due_ = false;
    check_at_once_ = false;
    port_changed.notify(PortEvent{false, error, was_downloading});
}

// Ends the job in flight and every job that waits, with `error` (empty for a cancel); the link
// stays open for what comes next.
void BoardLink::end_every_job(std::string_view error) {
    if (closed_) return;
    {
        Depth depth(depth_);
        if (current_ && !current_->finished()) current_->stop(error);
    }
    std::deque<std::unique_ptr<LineJob>> waiting = std::move(user_jobs_);
    user_jobs_.clear();
    if (after_probe_) waiting.push_front(std::move(after_probe_));
    stop_all(waiting, error);
    after_event();
}

void BoardLink::queue_user_job(std::unique_ptr<LineJob> job) {
    if (closed_) return;
    user_jobs_.push_back(std::move(job));
    after_event();
}

void BoardLink::queue_download(std::unique_ptr<LineJob> job) {
    if (closed_) return;
    download_ = std::move(job);
    download_queued_ = true;
    after_event();
}

bool BoardLink::start_source(Source source, std::unique_ptr<JobSource> rows) {
    if (closed_ || sources_[index(source)]) return false;
    sources_[index(source)] = std::move(rows);
    after_event();
    return true;
}

void BoardLink::stop_source(Source source) {
    std::unique_ptr<JobSource> rows = std::move(sources_[index(source)]);
    {
        Depth depth(depth_);
        if (rows && !rows->finished()) rows->dropped();
    }
    after_event();
}

bool BoardLink::memory_traffic() const {
    const bool row_in_flight = current_ && !current_is_download_;
    return row_in_flight || after_probe_ || !user_jobs_.empty() || sources_[0] || sources_[1];
}

bool BoardLink::idle() const {
    if (closed_) return true;
    return !current_ && !after_probe_ && user_jobs_.empty() && !download_queued_ && !sources_[0] &&
           !sources_[1] && !return_due_;
}

void BoardLink::return_to_slow_line() {
    if (closed_ || !fast_line_.fast()) return;
    drop_memory_jobs();
    return_due_ = true;
    after_event();
}

void BoardLink::leave_fast_line_now() {
    const std::string text = fast_line_.return_text();
    if (text.empty() || !port_.is_open()) return;
    port_.write(text);
    fast_line_.rate_set(wire::kSlowLine.baud);
}

void BoardLink::drop_memory_jobs() {
    std::deque<std::unique_ptr<LineJob>> waiting = std::move(user_jobs_);
    user_jobs_.clear();
    if (after_probe_) waiting.push_front(std::move(after_probe_));
    {
        Depth depth(depth_);
        for (auto& job : waiting) job->stop("");
    }
    drop_sources();
    after_event();
}

void BoardLink::cancel_download() {
    std::unique_ptr<LineJob> queued = std::move(download_);
    download_queued_ = false;
    const bool in_flight = current_ && current_is_download_ && !current_->finished();
    {
        Depth depth(depth_);
        if (queued) queued->stop("");
        if (in_flight) current_->stop("");
    }
    // What the download handed over may not reach the monitor after all.
    if (in_flight && port_.is_open()) port_.discard_output();
    after_event();
}

void BoardLink::close() {
    if (closed_) return;
    closed_ = true;
    {
        Depth depth(depth_);
        if (current_) current_->abandon();
        if (after_probe_) after_probe_->abandon();
        for (auto& job : user_jobs_) job->abandon();
        if (download_) download_->abandon();
    }
    after_probe_.reset();
    user_jobs_.clear();
    download_.reset();
    download_queued_ = false;
    return_due_ = false;
    drop_sources();
    alarm_->disarm();
    leave_fast_line_now();
    port_.close();
}

// Ends every job that waits, with `error` (empty for a cancel).
void BoardLink::stop_all(std::deque<std::unique_ptr<LineJob>>& waiting, std::string_view error) {
    std::unique_ptr<LineJob> queued_download = std::move(download_);
    download_queued_ = false;
    {
        Depth depth(depth_);
        for (auto& job : waiting) job->stop(error);
        if (queued_download) queued_download->stop(error);
    }
    drop_sources();
}

void BoardLink::drop_sources() {
    for (auto& rows : sources_) {
        std::unique_ptr<JobSource> dropped = std::move(rows);
        Depth depth(depth_);
        if (dropped && !dropped->finished()) dropped->dropped();
    }
    source_retry_ns_ = -1;
}

bool BoardLink::write(std::string_view text) {
    if (closed_ || !port_.is_open()) return false;
    // Whatever the board does with it, the prompt no longer waits on a line of its own.
    prompt_fresh_ = false;
    return port_.write(text);
}

bool BoardLink::set_rate(long baud) {
    const long before = port_.rate();
    if (closed_ || !port_.is_open() || !port_.set_rate(baud)) return false;
    fast_line_.rate_set(baud);
    if (baud != before) line_rate_changed.notify(baud);
    return true;
}

std::size_t BoardLink::output_pending() {
    return port_.is_open() ? port_.output_pending() : 0;
}

// Called by the job in flight, from inside one of its own calls: the alarm is armed once
// that call has returned.
void BoardLink::wake_at(std::int64_t when_ns) {
    job_wake_ns_ = when_ns;
}

void BoardLink::alarm_fired() {
    if (closed_) return;
    const std::int64_t now = clock_.now_ns();
    if (current_ && job_wake_ns_ >= 0 && job_wake_ns_ <= now && !current_->finished()) {
        job_wake_ns_ = -1;
        Depth depth(depth_);
        current_->woke(*this);
    }
    if (source_retry_ns_ >= 0 && source_retry_ns_ <= now) source_retry_ns_ = -1;
    after_event();
}

void BoardLink::after_event() {
    if (depth_ > 0 || closed_) return;
    for (auto& rows : sources_) {
        if (rows && rows->finished()) rows.reset();
    }
    for (;;) {
        if (current_ && current_->finished()) end_current_job();
        if (current_) break;
        start_next_job();
        if (!current_) break;
    }
    rearm();
}

void BoardLink::end_current_job() {
    if (current_->withholds_replies() && (gate_ || state_ != BoardState::kUnknown))
        received_.append(monitor::Transcript::readable(current_->released_text()));
    // A download that did not start the program leaves the monitor in a state nobody knows.
    if (current_is_download_ && state_ != BoardState::kRunning) {
        transcript_.reset();
        prompt_fresh_ = false;
        set_state(BoardState::kUnknown);
        check_due_ = true;
    }
    current_.reset();
    current_is_download_ = false;
    job_wake_ns_ = -1;
    if (std::exchange(current_is_rate_job_, false)) line_rate_settled.notify(port_.rate());
}

bool BoardLink::probe_due() const {
    const bool program_runs = gate_ || state_ == BoardState::kRunning;
    return program_runs && !monitor_listens(state_) && block_reads_allowed_ && probe_.due() &&
           port_.is_open();
}

// A check runs when the state is unknown for a reason, before the first job that needs it (every
// memory job chooses its way by it), or at once for a new port; never while a stop is being
// printed.
bool BoardLink::check_needed() const {
    if (!state_checks_ || !check_due_ || !port_.is_open() || stop_seen_) return false;
    if (check_at_once_ || after_probe_ || !user_jobs_.empty()) return true;
    const std::int64_t now = clock_.now_ns();
    return std::any_of(sources_.begin(), sources_.end(),
                       [now](const auto& rows) { return rows && rows->has_job(now); });
}

void BoardLink::start_check() {
    check_at_once_ = false;
    start(std::make_unique<BoardStateCheck>([this](BoardState found) {
              check_due_ = false;
              if (found == BoardState::kRunning) probe_.forget();
              set_state(found);
              if (found == BoardState::kUnknown) board_silent.notify();
          }),
          false);
}

// Takes the next job in order and starts it; the job may write its first character now. The
// first memory job of a program run waits for the block read probe.
void BoardLink::start_next_job() {
    if (start_rate_job(fast_line_.first_job(rate_situation()))) return;
    if (std::exchange(return_due_, false) && fast_line_.fast()) {
        start_rate_job(fast_line_.make_return());
        return;
    }
    std::unique_ptr<LineJob> next;
    bool is_download = false;
    if (download_queued_) {
        next = std::move(download_);
        download_queued_ = false;
        is_download = true;
    } else if (stop_seen_) {
        // The monitor is printing the stop; nothing goes until its prompt.
        return;
    } else if (check_needed()) {
        start_check();
        return;
    } else if (fast_line_.agreement_due(rate_situation())) {
        start_rate_job(fast_line_.make_agreement());
        return;
    } else if (after_probe_) {
        next = std::move(after_probe_);
    } else if (!user_jobs_.empty()) {
        next = std::move(user_jobs_.front());
        user_jobs_.pop_front();
    } else {
        const std::int64_t now = clock_.now_ns();
        if (probe_due() && std::any_of(sources_.begin(), sources_.end(), [now](const auto& rows) {
                return rows && rows->has_job(now);
            })) {
            start_probe();
            return;
        }
        source_retry_ns_ = -1;
        for (auto& rows : sources_) {
            if (!rows) continue;
            std::int64_t retry = 0;
            {
                Depth depth(depth_);
                next = rows->next_job(now, retry, read_way());
            }
            if (rows->finished()) rows.reset();
            if (next) break;
            if (retry > 0 && (source_retry_ns_ < 0 || retry < source_retry_ns_))
                source_retry_ns_ = retry;
        }
    }
    if (!next) return;
    if (!is_download && check_needed()) {
        after_probe_ = std::move(next);
        start_check();
        return;
    }
    if (!is_download && next->reads_memory() && probe_due()) {
        after_probe_ = std::move(next);
        start_probe();
        return;
    }
    if (!is_download && next->reads_memory()) {
        FastLine::Situation now = rate_situation();
        now.memory_job_waiting = true;
        if (fast_line_.agreement_due(now)) {
            after_probe_ = std::move(next);
            start_rate_job(fast_line_.make_agreement());
            return;
        }
    }
    start(std::move(next), is_download);
}

FastLine::Situation BoardLink::rate_situation() const {
    FastLine::Situation now;
    now.port_open = port_.is_open();
    now.program_runs = (gate_ || state_ == BoardState::kRunning) && !monitor_listens(state_);
    now.block_reads = block_reads() && !probe_.due();
    now.download_waiting = download_queued_;
    now.memory_job_waiting = memory_job_waiting();
    return now;
}

bool BoardLink::memory_job_waiting() const {
    if ((after_probe_ && after_probe_->reads_memory()) ||
        std::any_of(user_jobs_.begin(), user_jobs_.end(),
                    [](const auto& job) { return job->reads_memory(); }))
        return true;
    const std::int64_t now = clock_.now_ns();
    return std::any_of(sources_.begin(), sources_.end(),
                       [now](const auto& rows) { return rows && rows->has_job(now); });
}

// A rate job hears the board whatever the gate: its replies never reach the receive log.
bool BoardLink::start_rate_job(std::unique_ptr<LineJob> job) {
    if (!job) return false;
    start(std::move(job), false);
    current_receives_ = true;
    current_is_rate_job_ = true;
    return true;
}

void BoardLink::start_probe() {
    start(probe_.make_request(), false);
}

void BoardLink::start(std::unique_ptr<LineJob> job, bool is_download) {
    current_ = std::move(job);
    current_is_download_ = is_download;
    current_is_rate_job_ = false;
    // Before a program runs, only what speaks to the monitor hears the board.
    current_receives_ = gate_ || current_->reads_monitor() || monitor_listens(state_);
    job_wake_ns_ = -1;
    Depth depth(depth_);
    current_->start(*this);
}

void BoardLink::rearm() {
    std::int64_t when = -1;
    if (current_ && job_wake_ns_ >= 0) when = job_wake_ns_;
    if (!current_ && source_retry_ns_ >= 0) when = source_retry_ns_;
    if (when >= 0) {
        alarm_->arm_at(when);
    } else if (alarm_->armed()) {
        alarm_->disarm();
    }
}

}  // namespace halvane
