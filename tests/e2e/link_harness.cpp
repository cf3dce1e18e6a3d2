#include "e2e/link_harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace halvane::e2e {

LinkHarness::LinkHarness(const std::string& device)
    : serial(QString::fromStdString(device)),
      session(std::make_unique<app::BoardSession>(
          Platform{clock, serial, {message_box, input_box, dialog}}, HALVANE_EXAMPLES_DIR)),
      grid(session->table()) {
    shown_ = session->status().shown_changed.subscribe(
        [this](const std::string& text) { status.set_text(text); });
}

LinkHarness::~LinkHarness() {
    session->close();
}

void LinkHarness::run_for(std::chrono::milliseconds duration) {
    run_until([] { return false; }, duration);
}

bool LinkHarness::run_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    // The test looks at `done` every few milliseconds; the window itself never polls.
    QTimer look;
    look.start(2);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

bool LinkHarness::settle(std::chrono::milliseconds limit) {
    return run_until([this] { return session->link().idle(); }, limit);
}

void LinkHarness::download(const std::string& path) {
    dialog.answers.push_back(path);
    session->download().open_program();
    run_until([this] { return !session->link().downloading(); }, std::chrono::seconds(120));
}

}  // namespace halvane::e2e
