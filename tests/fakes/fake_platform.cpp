#include "fakes/fake_platform.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

namespace halvane::fakes {

struct FakeClock::FakeAlarm : Alarm {
    FakeAlarm(FakeClock& clock, std::function<void()> fired)
        : clock_(clock), fired_(std::move(fired)) {
        clock_.alarms_.push_back(this);
    }
    ~FakeAlarm() override { std::erase(clock_.alarms_, this); }
    FakeAlarm(const FakeAlarm&) = delete;
    FakeAlarm& operator=(const FakeAlarm&) = delete;
    void arm_at(std::int64_t when_ns) override {
        when_ = when_ns + (clock_.alarm_lateness_ns ? clock_.alarm_lateness_ns() : 0);
    }
    void disarm() override { when_ = -1; }
    bool armed() const override { return when_ >= 0; }

    FakeClock& clock_;
    std::function<void()> fired_;
    std::int64_t when_ = -1;
};

std::unique_ptr<Alarm> FakeClock::make_alarm(std::function<void()> fired) {
    return std::make_unique<FakeAlarm>(*this, std::move(fired));
}

void FakeClock::at_ms(std::int64_t ms, std::function<void()> action) {
    scheduled_.emplace(std::max(ms * kNanosPerMilli, now_), std::move(action));
}

int FakeClock::armed_alarms() const {
    return static_cast<int>(std::count_if(alarms_.begin(), alarms_.end(),
                                          [](const FakeAlarm* a) { return a->armed(); }));
}

std::int64_t FakeClock::next_event() const {
    std::int64_t next = scheduled_.empty() ? -1 : scheduled_.begin()->first;
    for (const FakeAlarm* alarm : alarms_) {
        if (!alarm->armed()) continue;
        const std::int64_t when = std::max(alarm->when_, now_);
        if (next < 0 || when < next) next = when;
    }
    return next;
}

// The test's own actions (the board) first, then the alarms that are due.
void FakeClock::run_event_at(std::int64_t when) {
    now_ = std::max(now_, when);
    while (!scheduled_.empty() && scheduled_.begin()->first <= now_) {
        auto action = std::move(scheduled_.begin()->second);
        scheduled_.erase(scheduled_.begin());
        action();
    }
    for (std::size_t i = 0; i < alarms_.size(); ++i) {
        FakeAlarm* alarm = alarms_[i];
        if (alarm->armed() && alarm->when_ <= now_) {
            alarm->when_ = -1;
            ++alarm_firings;
            alarm->fired_();
        }
    }
}

bool FakeClock::run_until(const std::function<bool()>& done, std::int64_t limit_ms) {
    const std::int64_t limit = now_ + limit_ms * kNanosPerMilli;
    while (!done()) {
        const std::int64_t next = next_event();
        if (next < 0 || next > limit) break;
        run_event_at(next);
    }
    return done();
}

void FakeClock::run_for(std::int64_t ms) {
    const std::int64_t end = now_ + ms * kNanosPerMilli;
    run_until([] { return false; }, ms);
    now_ = std::max(now_, end);
}

SerialPort::OpenResult FakeSerial::open() {
    ++opens;
    if (open_failure) return *open_failure;
    open_ = true;
    rate_ = 9600;
    opened_paths.push_back(device_path());
    return {true, "", false};
}

bool FakeSerial::write(std::string_view text) {
    if (!open_ || refuse_writes) return false;
    writes.emplace_back(text);
    write_ticks.push_back(clock ? clock->now_ms() : 0);
    write_ns.push_back(clock ? clock->now_ns() : 0);
    if (on_write) on_write(text);
    return true;
}

bool FakeSerial::set_rate(long baud) {
    if (!open_ || refused_rates.count(baud) > 0) return false;
    rate_ = baud;
    rates.push_back(baud);
    return true;
}

void FakeSerial::arrive(std::string_view text) {
    input_ += text;
    if (events.arrived) events.arrived();
}

void FakeSerial::fail(const std::string& error) {
    close();
    if (events.failed) events.failed(error);
}

std::string FakeSerial::written() const {
    std::string all;
    for (const auto& w : writes) all += w;
    return all;
}

void FakeMessageBox::show(std::string_view text) {
    shown.emplace_back(text);
    if (while_open) while_open();
}

bool FakeMessageBox::ask_yes_no(std::string_view text) {
    shown.emplace_back(text);
    if (while_open) while_open();
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

std::optional<std::string> FakeInputBox::ask(std::string_view prompt, std::string_view title) {
    prompts.emplace_back(prompt);
    titles.emplace_back(title);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
}

std::string FakeDialog::show_open(const FileDialogSettings& s) {
    open_settings.push_back(s);
    if (answers.empty()) return {};
    auto a = answers.front();
    answers.pop_front();
    return a;
}

std::string FakeDialog::show_save(const FileDialogSettings& s) {
    save_settings.push_back(s);
    if (answers.empty()) return {};
    auto a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<std::vector<bool>> FakeSymbolPicker::choose(std::string_view program_path,
                                                          const std::vector<ProgramSymbol>& symbols,
                                                          std::vector<bool> marks) {
    paths.emplace_back(program_path);
    offered.push_back(symbols);
    initial_marks.push_back(marks);
    if (cancel) return std::nullopt;
    if (change) change(marks);
    return marks;
}

std::optional<std::string> FakePortPicker::choose(const std::vector<SerialPortListing>& ports,
                                                  std::string_view current) {
    offered.push_back(ports);
    selected.emplace_back(current);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
}

Harness::Harness() : Harness("/tmp") {}

Harness::Harness(std::string initial_directory)
    : session(std::make_unique<app::BoardSession>(
          Platform{clock, serial, {message_box, input_box, dialog, &symbol_picker, &port_picker}},
          std::move(initial_directory))),
      grid(session->table()) {
    serial.clock = &clock;
    // Most tests speak the byte protocol; those of block reads allow them.
    session->link().set_block_reads_allowed(false);
    // Most tests pin down other behaviour on a line the link does not first ask about the
    // board; those of the board's state turn the checks on.
    session->link().set_state_checks(false);
    // The line stays at 9600 unless a test of the fast line allows it.
    session->link().set_fast_line_allowed(false);
    told.push_back(session->status().shown_changed.subscribe(
        [this](const std::string& text) { status.set_text(text); }));
    told.push_back(session->link().received().changed.subscribe(
        [this](const std::string& text) { text1.set_text(text); }));
    told.push_back(session->download().progress_changed.subscribe([this] {
        progress.max = session->download().progress_maximum();
        progress.val = session->download().progress_value();
        ++progress.value_sets;
    }));
    told.push_back(session->viewer().changed.subscribe([this] {
        const CompanionViewer& shown = session->viewer();
        viewer.current = static_cast<int>(shown.chosen());
        if (shown.loads() == viewer.loads) return;
        viewer.loads = shown.loads();
        viewer.plain = shown.content().rich ? std::string() : shown.content().plain_text;
        viewer.rich.reset();
        if (shown.content().rich) viewer.rich = shown.content().document;
    }));
    told.push_back(grid.reading_noted.subscribe(
        [this](const ReadingNotice& notice) { watch_view.reading_noted(notice); }));
}

// As the window on screen does: the session closes before what shows it goes.
Harness::~Harness() {
    session->close();
}

void open_past_line_reset(BoardLink& link, FakeClock& clock, FakeSerial& serial,
                          const std::function<bool()>& open) {
    bool reset = false;
    const Subscription settled =
        link.line_rate_settled.subscribe([&reset](long /*baud*/) { reset = true; });
    if (!open()) return;
    clock.run_until([&reset] { return reset; });
    // The NUL the open sends is left out of the records: tests of the fast line look for it.
    if (!serial.writes.empty() && serial.writes.front() == std::string(1, '\0')) {
        serial.writes.erase(serial.writes.begin());
        serial.write_ticks.erase(serial.write_ticks.begin());
        serial.write_ns.erase(serial.write_ns.begin());
    }
}

void Harness::load() {
    bool started = false;
    open_past_line_reset(session->link(), clock, serial,
                         [this, &started] { return started = session->start(); });
    if (!started) throw std::runtime_error("the window did not start");
}

void Harness::answer_loads() {
    serial.on_write = [this, board = serial.on_write,
                       line = std::make_shared<std::string>()](std::string_view text) {
        if (board) board(text);
        for (const char c : text) {
            if (c != '\r' && c != '\n') {
                *line += c;
                continue;
            }
            if (line->find("S9") != std::string::npos)
                clock.after_ms(1, [this] { serial.arrive("done\r\n>"); });
            line->clear();
        }
    };
}

void Harness::program_runs(const std::string& base_name) {
    session->download().program_started.notify(base_name);
}

void Harness::start_program() {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("halvane-fake-program-" + std::to_string(::getpid()) + ".s19");
    std::ofstream(path, std::ios::binary) << "S9030000FC\r\n";
    const auto board = serial.on_write;
    answer_loads();
    dialog.answers.push_back(path.string());
    session->download().open_program();
    clock.run_until(
        [this] { return session->link().gate_open() && !session->link().downloading(); });
    serial.on_write = board;
    std::filesystem::remove(path);
    if (!session->link().gate_open()) throw std::runtime_error("the program did not start");
    serial.writes.clear();
    serial.write_ticks.clear();
    serial.write_ns.clear();
    message_box.shown.clear();
    dialog.open_settings.clear();
}

}  // namespace halvane::fakes
