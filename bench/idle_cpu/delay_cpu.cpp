// Reports the CPU the window uses inside a long delay (5000 ticks of the 1 ms timer), in
// percent of one core, and how many ticks a second the timer really delivered.
//
//   QT_QPA_PLATFORM=offscreen delay_cpu [ticks]

#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "fakes/fake_platform.h"  // TamrinProbe
#include "qt/tamrin_window.h"

namespace {

double cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const long ticks = argc > 1 ? std::atol(argv[1]) : 5000;
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
    ::close(slave);

    halvane::qt::TamrinWindow window(QString::fromLocal8Bit(name), "/tmp");
    window.dialog_gate().headless = true;
    if (!window.load()) return 1;
    window.show();
    QApplication::processEvents();

    halvane::TamrinProbe probe(window.logic());
    const double cpu_before = cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    probe.delay(ticks);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpu_seconds() - cpu_before;
    std::printf(
        "inside a delay of %ld ticks: %.2f%% of one core (%.2f s CPU in %.2f s, "
        "%.0f ticks a second)\n",
        ticks, 100.0 * cpu / elapsed, cpu, elapsed, ticks / elapsed);
    window.close();
    ::close(master);
    return 0;
}
