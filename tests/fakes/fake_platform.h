#pragma once

// Deterministic fakes of the platform interfaces. Time is a tick counter that only
// the fake pump advances: every wait_and_dispatch() is one tick, delivered to the
// window, followed by whatever the test scheduled for that tick.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/platform.h"

namespace halvane::fakes {

class FakePump : public EventPump {
  public:
    void wait_and_dispatch() override;

    // Runs `action` when the clock reaches `tick` (absolute), or at the next tick
    // when that has passed.
    void at(std::int64_t tick, std::function<void()> action);
    // Runs `action` `ticks` ticks from now (at least one).
    void after(std::int64_t ticks, std::function<void()> action) {
        at(now_ + (ticks < 1 ? 1 : ticks), std::move(action));
    }

    std::int64_t now() const { return now_; }
    int dispatch_calls() const { return dispatch_calls_; }
    // Stops runaway waits: a test fails rather than hanging.
    std::int64_t tick_limit = 1'000'000;
    // Where ticks go; set by the harness.
    std::function<void()> on_tick;

  private:
    std::int64_t now_ = 0;
    int dispatch_calls_ = 0;
    std::multimap<std::int64_t, std::function<void()>> scheduled_;
};

class FakeTimer : public TickTimer {
  public:
    void set_interval_ms(int interval) override { interval_ms = interval; }
    void set_enabled(bool on) override { enabled = on; }
    int interval_ms = 0;
    bool enabled = false;
};

class FakeSerial : public SerialPort {
  public:
    OpenResult open() override;
    void close() override { open_ = false; }
    bool is_open() const override { return open_; }
    std::string device_name() const override { return device; }
    bool write(std::string_view text) override;
    std::size_t output_pending() override { return pending_output; }
    std::string read_input() override;
    void discard_input() override {
        input_.clear();
        ++discards;
    }
    void set_input_mode_text() override { settings.push_back("InputMode=0"); }
    void set_input_length(int length) override {
        input_length = length;
        settings.push_back("InputLen=" + std::to_string(length));
    }
    void set_receive_threshold(int t) override {
        settings.push_back("RThreshold=" + std::to_string(t));
    }
    void set_send_threshold(int t) override {
        settings.push_back("SThreshold=" + std::to_string(t));
    }

    // Characters arrive from the board; the window is notified while any waits,
    // as the real adapter does.
    void arrive(std::string_view text);
    // Puts characters in the input queue without a notice.
    void queue_input(std::string_view text) { input_ += text; }

    std::string written() const;  // everything written, concatenated
    std::string device = "/dev/fake0";
    std::optional<OpenResult> open_failure;
    std::vector<std::string> writes;                 // one entry per write call
    std::vector<std::int64_t> write_ticks;           // the pump's clock at each write
    std::vector<std::string> settings;               // download settings in the order applied
    std::function<void(std::string_view)> on_write;  // a scripted board
    std::size_t pending_output = 0;
    int input_length = 0;
    int discards = 0;
    int opens = 0;
    bool refuse_writes = false;
    Tamrin* window = nullptr;
    const FakePump* clock = nullptr;

  private:
    bool open_ = false;
    std::string input_;
};

class FakeGrid : public GridView {
  public:
    std::string text(int row, int col) const override { return cells.at(index(row, col)); }
    void set_text(int row, int col, std::string_view t) override {
        cells.at(index(row, col)) = std::string(t);
    }
    int row() const override { return row_; }
    int col() const override { return col_; }
    void set_row(int r) override { row_ = r; }
    void set_col(int c) override { col_ = c; }
    void set_col_width_twips(int col, int twips) override {
        widths.at(col) = twips;
        ++width_sets;
    }

    std::array<std::string, kRows * kCols> cells{};
    std::array<int, kCols> widths{};
    int width_sets = 0;

  private:
    static std::size_t index(int row, int col) {
        if (row < 0 || row >= kRows || col < 0 || col >= kCols)
            throw std::out_of_range("grid cell");
        return static_cast<std::size_t>(row * kCols + col);
    }
    int row_ = 1;
    int col_ = 0;
};

class FakeText : public TextControl {
  public:
    std::string text() const override { return value; }
    void set_text(std::string_view t) override {
        value = std::string(t);
        history.push_back(value);
    }
    std::string value;
    std::vector<std::string> history;
};

class FakeProgress : public ProgressBar {
  public:
    float maximum() const override { return max; }
    void set_maximum(float m) override { max = m; }
    float value() const override { return val; }
    void set_value(float v) override {
        val = v;
        ++value_sets;
    }
    float max = 100;
    float val = 0;
    int value_sets = 0;
};

class FakeOptions : public OptionGroup {
  public:
    int selected() const override { return current; }
    void select(int option) override { current = option; }
    int current = 1;
};

class FakeMessageBox : public MessageBox {
  public:
    void show(std::string_view text) override;
    std::vector<std::string> shown;
    std::function<void()> while_open;  // runs while the box is "open"
};

class FakeInputBox : public InputBox {
  public:
    std::optional<std::string> ask(std::string_view prompt, std::string_view title) override;
    std::deque<std::optional<std::string>> answers;  // next answers; empty: cancel
    std::vector<std::string> prompts;
    std::vector<std::string> titles;
};

class FakeDialog : public FileDialog {
  public:
    std::string show_open(const FileDialogSettings& s) override;
    std::string show_save(const FileDialogSettings& s) override;
    std::deque<std::string> answers;  // next chosen paths; empty deque: cancel
    std::vector<FileDialogSettings> open_settings;
    std::vector<FileDialogSettings> save_settings;
};

class FakeViewer : public Viewer {
  public:
    void show_plain(std::string_view t) override {
        plain = std::string(t);
        rich.reset();
        ++loads;
    }
    void show_rich(const RichDocument& d) override {
        rich = d;
        plain.clear();
        ++loads;
    }
    void set_font_face(std::string_view f) override { face = std::string(f); }
    std::string plain;
    std::optional<RichDocument> rich;
    std::string face;
    int loads = 0;
};

class FakeSymbolPicker : public SymbolPicker {
  public:
    std::optional<std::vector<bool>> choose(std::string_view program_path,
                                            const std::vector<ProgramSymbol>& symbols,
                                            std::vector<bool> marks) override;
    // How the next showing ends: with OK on the marks it was given after `change` has
    // toggled some, or cancelled.
    bool cancel = false;
    std::function<void(std::vector<bool>&)> change;
    std::vector<std::string> paths;
    std::vector<std::vector<ProgramSymbol>> offered;
    std::vector<std::vector<bool>> initial_marks;
};

// The window with every fake wired to it, as the Qt layer wires the real ones.
struct Harness {
    Harness();
    explicit Harness(std::string initial_directory);

    FakePump pump;
    FakeTimer timer;
    FakeSerial serial;
    FakeGrid grid;
    FakeText text1;
    FakeText status;
    FakeProgress progress;
    FakeOptions options;
    FakeMessageBox message_box;
    FakeInputBox input_box;
    FakeDialog dialog;
    FakeViewer viewer;
    FakeSymbolPicker symbol_picker;
    std::unique_ptr<Tamrin> window;

    // Form_Load, expecting success.
    void load();
};

}  // namespace halvane::fakes

namespace halvane {
// Reaches the window's private procedures and state for tests.
class TamrinProbe {
  public:
    explicit TamrinProbe(Tamrin& w) : w_(w) {}
    bool delay(std::int64_t ticks) { return w_.delay(ticks) == Tamrin::Wait::kDone; }
    void get_input() { w_.get_input(); }
    // "ok", "timed out", "aborted" or "port failed".
    std::string read_mem(std::string_view address, int row) {
        return name(w_.read_mem(address, row));
    }
    std::string write_mem(std::string_view value, std::string_view address) {
        return name(w_.write_mem(value, address));
    }
    std::string send_s19(std::string& failure) { return name(w_.send_s19(failure)); }
    void set_flag(std::int16_t f) { w_.flag_ = f; }
    void set_s19_file_name(std::string name) { w_.s19_file_name_ = std::move(name); }
    void set_timer_count(std::int64_t c) { w_.timer_count_ = c; }

  private:
    static std::string name(Tamrin::Exchange e);
    Tamrin& w_;
};
}  // namespace halvane
