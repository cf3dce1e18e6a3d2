#include "fakes/fake_platform.h"

namespace halvane::fakes {

void FakePump::wait_and_dispatch() {
    ++dispatch_calls_;
    if (now_ >= tick_limit)
        throw std::runtime_error("fake pump: tick limit reached, a wait never ended");
    ++now_;
    if (on_tick) on_tick();
    while (!scheduled_.empty() && scheduled_.begin()->first <= now_) {
        auto action = std::move(scheduled_.begin()->second);
        scheduled_.erase(scheduled_.begin());
        action();
    }
}

void FakePump::at(std::int64_t tick, std::function<void()> action) {
    scheduled_.emplace(tick <= now_ ? now_ + 1 : tick, std::move(action));
}

SerialPort::OpenResult FakeSerial::open() {
    ++opens;
    if (open_failure) return *open_failure;
    open_ = true;
    return {true, "", false};
}

bool FakeSerial::write(std::string_view text) {
    if (!open_ || refuse_writes) return false;
    writes.emplace_back(text);
    write_ticks.push_back(clock ? clock->now() : 0);
    if (on_write) on_write(text);
    return true;
}

std::string FakeSerial::read_input() {
    std::size_t n =
        input_length <= 0 ? input_.size() : std::min<std::size_t>(input_.size(), input_length);
    std::string out = input_.substr(0, n);
    input_.erase(0, n);
    return out;
}

void FakeSerial::arrive(std::string_view text) {
    input_ += text;
    while (!input_.empty() && window) {
        std::size_t before = input_.size();
        window->MSComm1_OnComm();
        if (input_.size() == before) break;
    }
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

Harness::Harness() : Harness("/tmp") {}

Harness::Harness(std::string initial_directory) {
    window = std::make_unique<Tamrin>(
        Platform{pump, timer, serial, grid, text1, status, progress, options, message_box,
                 input_box, dialog, viewer, &symbol_picker},
        std::move(initial_directory));
    serial.window = window.get();
    serial.clock = &pump;
    pump.on_tick = [this] { window->Timer1_Timer(); };
}

void Harness::load() {
    if (!window->Form_Load()) throw std::runtime_error("Form_Load failed");
}

}  // namespace halvane::fakes

namespace halvane {
std::string TamrinProbe::name(Tamrin::Exchange e) {
    switch (e) {
        case Tamrin::Exchange::kOk:
            return "ok";
        case Tamrin::Exchange::kRefused:
            return "refused";
        case Tamrin::Exchange::kTimedOut:
            return "timed out";
        case Tamrin::Exchange::kAborted:
            return "aborted";
        case Tamrin::Exchange::kPortFailed:
            return "port failed";
    }
    return "?";
}
}  // namespace halvane
