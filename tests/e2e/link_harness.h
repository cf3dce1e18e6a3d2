#pragma once

// The window's logic on the real Qt event loop, clock and serial port, connected to a
// simulated board; the dialogs are the core tests' fakes, so a test can answer prompts and
// read cells without a screen.

#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "fakes/fake_platform.h"
#include "qt_adapters/qt_clock.h"
#include "qt_adapters/qt_serial_port.h"

namespace halvane::e2e {

struct LinkHarness {
    explicit LinkHarness(const std::string& device);
    ~LinkHarness();

    // Handles events for `duration` of real time (the board works meanwhile).
    void run_for(std::chrono::milliseconds duration);
    // Handles events until `done` holds or `limit` passes; returns `done()`.
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // Until the board link has nothing left to do (at most `limit`).
    bool settle(std::chrono::milliseconds limit = std::chrono::seconds(30));
    // File > Open on `path`, the reset box acknowledged; returns once the download has ended.
    void download(const std::string& path);

    qt::QtClock clock;
    qt::QtSerialPort serial;
    fakes::FakeMessageBox message_box;
    fakes::FakeInputBox input_box;
    fakes::FakeDialog dialog;
    std::unique_ptr<app::BoardSession> session;
    WatchTable& grid;
    fakes::FakeText status;

  private:
    Subscription shown_;
};

}  // namespace halvane::e2e
