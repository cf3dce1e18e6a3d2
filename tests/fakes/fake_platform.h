#pragma once

// Deterministic fakes of the platform interfaces. Time is the fake clock's: it moves only
// when a test runs it, from one event (an alarm of the window's, an action the test
// scheduled) to the next.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "platform/platform.h"

namespace halvane::fakes {

// Time moves only when a test runs it: events happen in time order, each at its own moment.
// Alarms armed by the logic and actions the test schedules (a board's reply) are the events.
class FakeClock : public Clock {
  public:
    std::int64_t now_ns() const override { return now_; }
    std::unique_ptr<Alarm> make_alarm(std::function<void()> fired) override;

    std::int64_t now_ms() const { return now_ / kNanosPerMilli; }
    // Runs `action` at `ms` (absolute), or, when that has passed, at the present moment.
    void at_ms(std::int64_t ms, std::function<void()> action);
    void after_ms(std::int64_t ms, std::function<void()> action) {
        at_ms(now_ms() + ms, std::move(action));
    }
    // Runs events until `done` holds, nothing is left to happen, or `limit_ms` more have passed.
    // Returns `done()`.
    bool run_until(const std::function<bool()>& done, std::int64_t limit_ms = 60'000);
    // Runs every event of the next `ms` and leaves the clock `ms` later.
    void run_for(std::int64_t ms);
    // Runs until nothing is left to happen (at most `limit_ms`).
    void run(std::int64_t limit_ms = 60'000) {
        run_until([] { return false; }, limit_ms);
    }

    int armed_alarms() const;
    int alarm_firings = 0;
    // How late each alarm fires after its time, asked when it is armed (a loaded machine).
    std::function<std::int64_t()> alarm_lateness_ns;

  private:
    struct FakeAlarm;
    // The time of the next event, or -1.
    std::int64_t next_event() const;
    void run_event_at(std::int64_t when);

    std::int64_t now_ = 0;
    std::vector<FakeAlarm*> alarms_;
    std::multimap<std::int64_t, std::function<void()>> scheduled_;
};

class FakeSerial : public SerialPort {
  public:
    OpenResult open() override;
    void close() override {
        if (open_) ++closes;
        open_ = false;
    }
    bool is_open() const override { return open_; }
    std::string device_name() const override { return device; }
    std::string device_path() const override { return path.empty() ? device : path; }
    void set_device(std::string new_path, std::string shown_name) override {
        if (open_) throw std::logic_error("set_device on an open port");
        path = std::move(new_path);
        device = std::move(shown_name);
    }
    bool write(std::string_view text) override;
    std::size_t output_pending() override { return pending_output; }
    std::string take_input() override { return std::exchange(input_, std::string()); }

    // Characters arrive from the board; the window gets the notice at once.
    void arrive(std::string_view text);

    std::string written() const;        // everything written, concatenated
    std::string device = "/dev/fake0";  // the name messages use
    std::string path;                   // the device opened; empty: `device`
    std::optional<OpenResult> open_failure;
    std::vector<std::string> opened_paths;           // one entry per successful open
    std::vector<std::string> writes;                 // one entry per write call
    std::vector<std::int64_t> write_ticks;           // the clock in ms at each write
    std::vector<std::int64_t> write_ns;              // the clock in ns at each write
    std::function<void(std::string_view)> on_write;  // a scripted board
    std::size_t pending_output = 0;
    int opens = 0;
    int closes = 0;
    bool refuse_writes = false;
    Tamrin* window = nullptr;
    // Where the notice goes when no window listens (a board link on its own).
    std::function<void()> on_notice;
    const FakeClock* clock = nullptr;

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

class FakeText : public TextView {
  public:
    void set_text(std::string_view t) override {
        value = std::string(t);
        history.push_back(value);
    }
    std::string value;
    std::vector<std::string> history;
};

class FakeProgress : public ProgressBar {
  public:
    void set_maximum(float m) override { max = m; }
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
    bool ask_yes_no(std::string_view text) override;
    std::vector<std::string> shown;    // every text, questions included
    std::deque<bool> answers;          // next answers to questions; empty: No
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

class FakeWatchView : public WatchView {
  public:
    void show_change(int row) override { changes.push_back(row); }
    void show_read_failed(int row, bool failed) override { failed_rows[row] = failed; }
    void add_sample(int row, double seconds, double value) override {
        samples.push_back({row, seconds, value});
    }
    struct Sample {
        int row;
        double seconds;
        double value;
    };
    std::vector<int> changes;
    std::map<int, bool> failed_rows;
    std::vector<Sample> samples;
};

class FakePortPicker : public SerialPortPicker {
  public:
    std::vector<SerialPortListing> ports() override { return listed; }
    std::optional<std::string> choose(const std::vector<SerialPortListing>& ports,
                                      std::string_view current) override;
    std::vector<SerialPortListing> listed;
    std::deque<std::optional<std::string>> answers;  // next answers; empty: cancel
    std::vector<std::vector<SerialPortListing>> offered;
    std::vector<std::string> selected;  // the current port at each showing
    std::vector<std::string> remembered;
    void remember(std::string_view device) override { remembered.emplace_back(device); }
};

// The window with every fake wired to it, as the Qt layer wires the real ones.
struct Harness {
    Harness();
    explicit Harness(std::string initial_directory);

    FakeClock clock;
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
    FakeWatchView watch_view;
    FakePortPicker port_picker;
    std::unique_ptr<Tamrin> window;

    // Form_Load, expecting success.
    void load();
    // From now on the board's monitor confirms every load: a while after a line with an end
    // record ("S9") it answers "done" and its prompt.
    void answer_loads();
    // Downloads a program of one end record, the monitor confirming the load, so that a
    // program runs and its replies reach the window. The records of it are then cleared.
    void start_program();
};

}  // namespace halvane::fakes

namespace halvane {
// Sets the window's state where a test needs a starting point no handler gives.
class TamrinProbe {
  public:
    explicit TamrinProbe(Tamrin& w) : w_(w) {}
    void set_s19_file_name(std::string name) { w_.s19_file_name_ = std::move(name); }

  private:
    Tamrin& w_;
};
}  // namespace halvane
