#include "e2e/link_harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace halvane::e2e {

LinkHarness::LinkHarness(const std::string& device) : serial(QString::fromStdString(device)) {
    window = std::make_unique<Tamrin>(Platform{pump, timer, serial, grid, text1, status, progress,
                                               options, message_box, input_box, dialog, viewer},
                                      HALVANE_EXAMPLES_DIR);
    Tamrin* logic = window.get();
    timer.on_tick = [logic] { logic->Timer1_Timer(); };
    serial.on_notice = [logic] { logic->MSComm1_OnComm(); };
    serial.on_failure = [logic](const std::string& error) { logic->serial_failed(error); };
}

void LinkHarness::run_for(std::chrono::milliseconds duration) {
    run_until([] { return false; }, duration);
}

bool LinkHarness::run_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count()) pump.wait_and_dispatch();
    return done();
}

void LinkHarness::download(const std::string& path) {
    dialog.answers.push_back(path);
    window->file_open_Click();
}

}  // namespace halvane::e2e
