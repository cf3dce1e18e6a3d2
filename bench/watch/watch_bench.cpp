// The live watch's parts under an hour of samples at the line's full rate, on a simulated clock:
// the example's five rows swept over and over (the 16-bit count is two reads), every value
// through the watch table into the plot's samples (all rows checked, the 600 s window) and every
// sweep into a recording. Prints
// the growth of the resident memory and the plot's redraws per simulated second; then runs
// the plot for some seconds of real time at the same rate and prints its CPU use.
//
//   watch_bench [--samples N] [--real-seconds S]

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/process_cpu.h"
#include "grid/watch_table.h"
#include "qt/live_plot_window.h"
#include "watch/sweep_recorder.h"
#include "watch/variable_samples.h"

namespace {

using halvane::ColumnReading;
using halvane::VariableSamples;
using halvane::WatchTable;
using halvane::qt::LivePlotWindow;

// A read is 5 characters out and 4 back at 960 characters a second.
constexpr double kReadSeconds = 9.0 / 960.0;

struct WatchedRow {
    int row;
    const char* description;
    bool word;
};

const WatchedRow kRows[] = {
    {1, "count: 16-bit counter, counts up in the main loop", true},
    {2, "step: added to count on every pass (write to change the pace)", false},
    {3, "run: flag, 00 stops the counter, anything else runs it", false},
    {4, "BAUD: SCI baud rate register (30 = 9600 baud)", false},
    {5, "SCCR2: SCI control 2 (0C = transmitter and receiver on)", false},
};

long resident_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

std::string hex_text(unsigned value, bool word) {
    char text[8];
    std::snprintf(text, sizeof text, word ? "%04X" : "%02X", value);
    return text;
}

unsigned value_of(const WatchedRow& row, long sweep) {
    if (row.word) return static_cast<unsigned>(sweep * 37 % 65536);
    return static_cast<unsigned>((sweep / (row.row * 10) + row.row) % 256);
}

// The rows as the table holds them, each a variable of its own.
void fill_rows(WatchTable& table) {
    for (const WatchedRow& row : kRows) {
        table.set_text(row.row, halvane::kAddressCol, hex_text(0x2400u + row.row * 2u, true));
        table.set_text(row.row, halvane::kDescriptionCol, row.description);
        table.set_text(row.row, halvane::kFlagCol, row.word ? "WD" : "D");
    }
}

// A read of `row` that gave `value`, as the link hands it to the table.
void note_read(WatchTable& table, const WatchedRow& row, unsigned value, double seconds) {
    const std::string digits = hex_text(value, row.word);
    std::vector<std::string> replies = {digits.substr(0, 2)};
    if (row.word) replies.push_back(digits.substr(2));
    table.note_reading(row.row, table.variable(row.row), replies, seconds);
}

void check_every_row(LivePlotWindow& plot) {
    auto* list = plot.findChild<QListWidget*>("plot_rows");
    for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Checked);
}

struct RealTimeRun {
    double seconds = 0;
    double samples_per_second = 0;
    double redraws_per_second = 0;
    double cpu_percent = 0;
};

// Samples at the line's rate from a timer for `seconds` of real time, the plot's clock real.
RealTimeRun run_in_real_time(QApplication& app, bool shown, double seconds) {
    WatchTable table;
    fill_rows(table);
    VariableSamples samples_of_rows(table);
    LivePlotWindow plot(samples_of_rows);
    plot.resize(1000, 600);
    if (shown) plot.show();
    check_every_row(plot);
    QElapsedTimer clock;
    clock.start();
    std::size_t next_row = 0;
    long sweeps = 0;
    long samples = 0;
    QTimer reads;
    reads.setTimerType(Qt::PreciseTimer);
    reads.setInterval(static_cast<int>(kReadSeconds * 1000));
    QObject::connect(&reads, &QTimer::timeout, [&] {
        const WatchedRow& row = kRows[next_row];
        note_read(table, row, value_of(row, sweeps), clock.elapsed() / 1000.0);
        ++samples;
        if (++next_row == std::size(kRows)) {
            next_row = 0;
            ++sweeps;
        }
    });
    const long long redraws_before = plot.redraw_count();
    const double cpu_before = halvane::bench::cpu_seconds();
    clock.restart();
    reads.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    RealTimeRun run;
    run.seconds = clock.elapsed() / 1000.0;
    run.samples_per_second = samples / run.seconds;
    run.redraws_per_second = (plot.redraw_count() - redraws_before) / run.seconds;
    run.cpu_percent = 100 * (halvane::bench::cpu_seconds() - cpu_before) / run.seconds;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    long target_samples = 360'000;
    double real_seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--samples") target_samples = std::atol(argv[i + 1]);
        if (option == "--real-seconds") real_seconds = std::atof(argv[i + 1]);
    }

    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("watch_bench_" + std::to_string(getpid()) + ".csv");
    std::vector<std::string> names;
    for (const WatchedRow& row : kRows) names.push_back(row.description);

    double now = 0;
    WatchTable table;
    fill_rows(table);
    VariableSamples samples_of_rows(table);
    LivePlotWindow plot(samples_of_rows);
    plot.set_clock([&now] { return now; });
    plot.resize(1000, 600);
    plot.show();
    check_every_row(plot);
    app.processEvents();
    const long rss_before = resident_kib();

    halvane::OpenedRecordFile opened = halvane::open_record_file(file.string());
    if (!opened.sink) {
        std::fprintf(stderr, "cannot create %s: %s\n", file.c_str(), opened.error_text.c_str());
        return 1;
    }
    halvane::SweepRecorder recorder(std::move(opened.sink), file.string(), names, now);

    QElapsedTimer wall;
    wall.start();
    long samples = 0;
    long sweeps = 0;
    long long redraws_at_second = plot.redraw_count();
    long long busiest_second = 0;
    double next_second = 1;
    std::vector<std::optional<ColumnReading>> readings(std::size(kRows));
    const auto start_wall_clock = std::chrono::system_clock::now();
    while (samples < target_samples) {
        for (std::size_t i = 0; i < std::size(kRows); ++i) {
            const WatchedRow& row = kRows[i];
            now += row.word ? 2 * kReadSeconds : kReadSeconds;
            const unsigned value = value_of(row, sweeps);
            note_read(table, row, value, now);
            readings[i] = ColumnReading{hex_text(value, row.word), value};
            ++samples;
            app.processEvents();
            if (now >= next_second) {
                busiest_second = std::max(busiest_second, plot.redraw_count() - redraws_at_second);
                redraws_at_second = plot.redraw_count();
                next_second += 1;
            }
        }
        ++sweeps;
        const auto wall_clock =
            start_wall_clock + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                   std::chrono::duration<double>(now));
        if (!recorder.record_sweep(now, wall_clock, readings)) {
            std::fprintf(stderr, "%s\n", recorder.failure().c_str());
            return 1;
        }
    }
    recorder.close();
    const long rss_after = resident_kib();
    const double elapsed = wall.elapsed() / 1000.0;

    std::printf("simulated: %.0f s, %ld samples, %ld sweeps recorded (%.1f MB file)\n", now,
                samples, sweeps, std::filesystem::file_size(file) / 1e6);
    std::printf("took %.1f s of real time\n", elapsed);
    std::printf("RSS: %.1f MB before, %.1f MB after, growth %.1f MB (target < 20 MB)\n",
                rss_before / 1024.0, rss_after / 1024.0, (rss_after - rss_before) / 1024.0);
    std::printf(
        "plot redraws: %lld in all, %.1f per simulated second on average, %lld in the "
        "busiest simulated second (target <= 30)\n",
        plot.redraw_count(), static_cast<double>(plot.redraw_count()) / now, busiest_second);
    std::filesystem::remove(file);

    if (real_seconds <= 0) return 0;
    // The same rate in real time, on the real clock: what the plot costs while it is open, and
    // while it is closed and only keeps its samples.
    for (const bool shown : {false, true}) {
        const RealTimeRun run = run_in_real_time(app, shown, real_seconds);
        std::printf(
            "real time, plot %s: %.1f s at %.0f samples/s, %.1f redraws a second, CPU "
            "%.1f%% of one core\n",
            shown ? "open  " : "closed", run.seconds, run.samples_per_second,
            run.redraws_per_second, run.cpu_percent);
    }
    return 0;
}
