#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grid/row_operation.h"
#include "grid/session_parts.h"
#include "notify/signal.h"
#include "watch/link_health.h"
#include "watch/sweep_recorder.h"
#include "watch/variable_samples.h"

namespace halvane {

// The Watch menu: Live Refresh reads the watched rows over and over while a program runs and
// keeps figures of how the line keeps up, every value read is kept for the plot, and a
// recording writes each sweep to a file.
class LiveWatch {
  public:
    explicit LiveWatch(SessionParts parts);
    ~LiveWatch();
    LiveWatch(const LiveWatch&) = delete;
    LiveWatch& operator=(const LiveWatch&) = delete;

    // `interval_seconds` is from the start of one sweep to the start of the next (0: as fast
    // as the line allows).
    void set_live_refresh(bool on);
    void set_interval(double interval_seconds);
    void start_recording();
    void stop_recording();
    // The sweep runs while Live Refresh is on and a program runs, never during a download:
    // told whenever one of those may have changed.
    void update();
    // The port was lost or switched: a recording ends with a lost port.
    void port_changed(const BoardLink::PortEvent& event);
    // The window closes (after the link): the recording is closed and nothing more wakes.
    void close();

    bool live_refresh() const { return live_refresh_; }
    bool sweeping() const { return parts_.link.source_running(BoardLink::Source::kSweep); }
    bool recording() const { return recorder_ != nullptr; }
    // The seconds of the watch's clock (the plot's time and the recording's).
    double seconds() const;
    // The Hex Value's tooltip of `row`: when it was last read, or that the read failed.
    std::string age_text(int row) const;
    VariableSamples& samples() { return samples_; }
    // While the sweep runs, its figures ("9.8 sweeps/s, 0 time-outs", see link_health_text)
    // and their tooltip (how the sweep is set up); both empty otherwise. Renewed at most twice
    // a second.
    const std::string& figures_text() const { return figures_; }
    const std::string& figures_tooltip() const { return figures_tooltip_; }

    // Told when a recording starts and stops (the menu offers Stop Recording only meanwhile).
    Signal<bool> recording_changed;
    // Told when the figures or their tooltip changed.
    Signal<> figures_changed;

  private:
    void sweep_row_done(const RowResult& result);
    void sweep_completed();
    void tick();
    void renew_figures(double now);

    SessionParts parts_;
    VariableSamples samples_;

    bool live_refresh_ = false;
    std::int64_t interval_ns_ = 0;
    RecentSweeps recent_sweeps_;
    long long timeouts_ = 0;
    std::string figures_;
    std::string figures_tooltip_;
    // What the sweep under way has read of each variable.
    std::map<VariableId, std::optional<ColumnReading>> sweep_readings_;
    std::unique_ptr<SweepRecorder> recorder_;
    std::vector<VariableId> recorded_;  // the recording's columns
    // Twice a second while the sweep or a recording runs: the live figures and the flush.
    std::unique_ptr<Alarm> ticker_;
};

}  // namespace halvane
