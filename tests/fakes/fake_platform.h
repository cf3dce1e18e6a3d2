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
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/board_session.h"
#include "platform/breakpoint_editor.h"
#include "platform/platform.h"
#include "viewer/rich_document.h"

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
    void set_events(Events e) override { events = std::move(e); }
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
    void discard_output() override {
        ++discards;
        discarded += pending_output;
        pending_output = 0;
    }
    std::string take_input() override { return std::exchange(input_, std::string()); }
    long rate() const override { return rate_; }
    bool set_rate(long baud) override;

    // Characters arrive from the board; the link is told at once.
    void arrive(std::string_view text);
    // The line fails (the adapter is unplugged): the port closes and the link is told.
    void fail(const std::string& error);

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
    int discards = 0;
    std::size_t discarded = 0;  // characters thrown away by discard_output
    bool refuse_writes = false;
    std::set<long> refused_rates;  // rates the device cannot make
    std::vector<long> rates;       // every rate set, in order
    Events events;
    const FakeClock* clock = nullptr;

  private:
    bool open_ = false;
    long rate_ = 9600;
    std::string input_;
};

// A text the window shows (the status line, the receive box), and every text it showed.
class FakeText {
  public:
    void set_text(std::string_view t) {
        value = std::string(t);
        history.push_back(value);
    }
    std::string value;
    std::vector<std::string> history;
};

class FakeProgress {
  public:
    float max = 100;
    float val = 0;
    int value_sets = 0;
};

// The viewer and its option buttons as the window shows them.
class FakeViewer {
  public:
    int selected() const { return current; }
    std::string plain;
    std::optional<RichDocument> rich;
    int loads = 0;
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

// Board > Breakpoints... as a user works it: `user` types and clicks while the list is open.
class FakeBreakpointEditor : public BreakpointEditor {
  public:
    void edit(BreakpointRequests& requests) override {
        ++showings;
        if (user) user(requests);
    }
    std::function<void(BreakpointRequests&)> user;
    int showings = 0;
};

// The live watch's marks as the grid shows them, and every value read.
class FakeWatchView {
  public:
    void reading_noted(const ReadingNotice& notice) {
        if (notice.changed) changes.push_back(notice.row);
        if (notice.newly_failed || notice.recovered) failed_rows[notice.row] = notice.failed;
        if (notice.value) samples.push_back({notice.row, notice.seconds, double(*notice.value)});
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

// Runs `open` (which opens the link's port, true when it did) and the clock until the NUL every
// open sends has gone (3 ms); that NUL is left out of `serial`'s records.
void open_past_line_reset(BoardLink& link, FakeClock& clock, FakeSerial& serial,
                          const std::function<bool()>& open);

// The session with the board on every fake, and what the window would show of it, bound as the
// Qt window binds its widgets.
struct Harness {
    Harness();
    explicit Harness(std::string initial_directory);
    ~Harness();

    FakeClock clock;
    FakeSerial serial;
    FakeMessageBox message_box;
    FakeInputBox input_box;
    FakeDialog dialog;
    FakeSymbolPicker symbol_picker;
    FakePortPicker port_picker;
    std::unique_ptr<app::BoardSession> session;
    WatchTable& grid;
    // What the window shows.
    FakeText text1;
    FakeText status;
    FakeProgress progress;
    FakeViewer viewer;
    FakeViewer& options = viewer;
    FakeWatchView watch_view;
    // What the window is told, as it is told.
    std::vector<Subscription> told;

    // Starts the window, expecting success, once the NUL every open sends has gone (3 ms).
    void load();
    // From now on the board's monitor confirms every load: a while after a line with an end
    // record ("S9") it answers "done" and its prompt.
    void answer_loads();
    // Downloads a program of one end record, the monitor confirming the load, so that a
    // program runs and its replies reach the window. The records of it are then cleared.
    void start_program();
    // A program with `base_name` runs, as a download that ended with it running tells it.
    void program_runs(const std::string& base_name);
};

}  // namespace halvane::fakes
