#pragma once

// The window's logic on the real Qt event loop, tick timer and serial port, connected
// to a simulated board; the grid, dialogs and viewer are the core tests' fakes, so a
// test can answer prompts and read cells without a screen.

#include <QString>
#include <chrono>
#include <functional>
#include <memory>

#include "fakes/fake_platform.h"
#include "qt/qt_event_pump.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_tick_timer.h"

namespace halvane::e2e {

struct LinkHarness {
    explicit LinkHarness(const std::string& device);

    // Handles events for `duration` of real time (the board works meanwhile).
    void run_for(std::chrono::milliseconds duration);
    // Handles events until `done` holds or `limit` passes; returns `done()`.
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // File > Open on `path`, the reset box acknowledged; then waits until the board has
    // worked through the download.
    void download(const std::string& path);

    qt::QtEventPump pump;
    qt::QtTickTimer timer;
    qt::QtSerialPort serial;
    fakes::FakeGrid grid;
    fakes::FakeText text1;
    fakes::FakeText status;
    fakes::FakeProgress progress;
    fakes::FakeOptions options;
    fakes::FakeMessageBox message_box;
    fakes::FakeInputBox input_box;
    fakes::FakeDialog dialog;
    fakes::FakeViewer viewer;
    std::unique_ptr<Tamrin> window;
};

}  // namespace halvane::e2e
