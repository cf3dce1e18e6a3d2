// The halvane program as a user starts it: its command line, and a port that cannot be
// opened. Run offscreen, where message boxes go to standard error.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include "fakes/fake_platform.h"
#include "varmap/map_file.h"

namespace {

struct Run {
    int exit_code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
    QByteArray out_bytes;
};

Run run_halvane(const QStringList& arguments, bool with_display = true,
                const QString& config_home = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!config_home.isEmpty()) env.insert("XDG_CONFIG_HOME", config_home);
    if (with_display) {
        env.insert("QT_QPA_PLATFORM", "offscreen");
    } else {
        env.remove("QT_QPA_PLATFORM");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
    }
    process.setProcessEnvironment(env);
    process.start(HALVANE_BINARY, arguments);
    Run run;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exit_code = process.exitCode();
    run.status = process.exitStatus();
    run.out_bytes = process.readAllStandardOutput();
    run.out = QString::fromLocal8Bit(run.out_bytes);
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

  private slots:
    void a_port_that_cannot_be_opened_ends_the_program_with_its_reason();
    void without_port_the_port_chosen_last_is_opened_and_port_wins();
    void version_and_help_need_no_display();
    void anything_else_on_the_command_line_is_refused();
    void a_map_from_symbols_is_what_file_save_writes_for_the_same_rows();
    void map_from_symbols_adds_code_symbols_on_request_and_stops_at_99_rows();
    void map_from_symbols_reports_files_it_cannot_use();
};

void ProgramTest::a_port_that_cannot_be_opened_ends_the_program_with_its_reason() {
    const Run run = run_halvane({"--port", "/dev/nonexistent"});
    QCOMPARE(run.status, QProcess::NormalExit);
    QVERIFY(run.exit_code != 0);
    QVERIFY2(run.err.contains("/dev/nonexistent"), qPrintable(run.err));
}

void ProgramTest::without_port_the_port_chosen_last_is_opened_and_port_wins() {
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkpath("halvane"));
    QFile settings(config.filePath("halvane/halvane.conf"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[General]\nserial_port=/dev/nonexistent-chosen-last\n");
    settings.close();

    const Run remembered = run_halvane({}, true, config.path());
    QVERIFY(remembered.exit_code != 0);
    QVERIFY2(remembered.err.contains("/dev/nonexistent-chosen-last"), qPrintable(remembered.err));

    const Run given = run_halvane({"--port", "/dev/nonexistent-given"}, true, config.path());
    QVERIFY(given.exit_code != 0);
    QVERIFY2(given.err.contains("/dev/nonexistent-given") &&
                 !given.err.contains("/dev/nonexistent-chosen-last"),
             qPrintable(given.err));
}

void ProgramTest::version_and_help_need_no_display() {
    const Run version = run_halvane({"--version"}, false);
    QCOMPARE(version.exit_code, 0);
    QVERIFY2(version.out.contains(HALVANE_VERSION), qPrintable(version.out));

    const Run help = run_halvane({"--help"}, false);
    QCOMPARE(help.exit_code, 0);
    QVERIFY(help.out.contains("--port <DEVICE>"));
    QVERIFY(help.out.contains("/dev/ttyS0"));
}

void ProgramTest::anything_else_on_the_command_line_is_refused() {
    QVERIFY(run_halvane({"--baud", "19200"}).exit_code != 0);
    QVERIFY(run_halvane({"program.s19"}).exit_code != 0);
    QVERIFY(run_halvane({"--port"}).exit_code != 0);
}

void ProgramTest::a_map_from_symbols_is_what_file_save_writes_for_the_same_rows() {
    const Run run = run_halvane({"--map-from-symbols", HALVANE_TEST_ELF_DIR "/labels.elf"}, false);
    QCOMPARE(run.exit_code, 0);
    QCOMPARE(run.err, QString());

    // The rows as a user would type them into the window, then File > Save.
    halvane::WatchTable grid;
    const std::vector<std::vector<std::string>> rows = {
        {"Address", "Description", "Hex Value", "Flag", "Dec Value"},
        {"3000", "counter", "", "D", ""},
        {"3001", "speed", "", "WD", ""},
        {"3003", "buffer[8 bytes]", "", "D", ""},
        {"300B", "flags", "", "D", ""},
        {"300C", "total", "", "WD", ""},
        {"300E", "scratch[3 bytes]", "", "D", ""}};
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (int col = 0; col < 5; ++col) grid.set_text(static_cast<int>(row), col, rows[row][col]);
    }
    QTemporaryDir folder;
    const std::string saved = folder.filePath("saved.csv").toStdString();
    QVERIFY(halvane::save_map_file(saved, grid).ok);
    QFile file(QString::fromStdString(saved));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(run.out_bytes, file.readAll());
}

void ProgramTest::map_from_symbols_adds_code_symbols_on_request_and_stops_at_99_rows() {
    const Run all = run_halvane(
        {"--map-from-symbols", HALVANE_TEST_ELF_DIR "/sized.elf", "--all-symbols"}, false);
    QCOMPARE(all.exit_code, 0);
    QStringList lines = all.out.split("\r\n");
    QCOMPARE(lines.size(), 101);  // the last line end is followed by nothing
    QCOMPARE(lines[1], QString(R"("2402","table[4 bytes]","","D","")"));
    QCOMPARE(lines[2], QString(R"("2406","start[6 bytes]","","D","")"));
    QCOMPARE(lines[3], QString(R"("3000","counter","","D","")"));

    const Run many = run_halvane({"--map-from-symbols", HALVANE_TEST_ELF_DIR "/many_symbols.elf"});
    QCOMPARE(many.exit_code, 0);
    lines = many.out.split("\r\n");
    QCOMPARE(lines.size(), 101);
    QCOMPARE(lines[99], QString(R"("3062","v98","","D","")"));
    QVERIFY2(many.err.contains("21 symbols were left out") && many.err.contains(" v99 ") &&
                 many.err.trimmed().endsWith(" v119"),
             qPrintable(many.err));
}

void ProgramTest::map_from_symbols_reports_files_it_cannot_use() {
    const QString missing = QDir::temp().filePath("no-such-program.elf");
    const QString code_only = HALVANE_TEST_ELF_DIR "/code_only.elf";
    const struct {
        QStringList arguments;
        QString error;
    } cases[] = {
        {{"--map-from-symbols", missing}, "halvane: There is no file " + missing + "\n"},
        {{"--map-from-symbols", code_only}, "halvane: " + code_only + " holds no data symbols\n"},
    };
    for (const auto& c : cases) {
        const Run run = run_halvane(c.arguments, false);
        QCOMPARE(run.exit_code, 1);
        QVERIFY2(run.err.startsWith(c.error), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }
    QCOMPARE(run_halvane({"--all-symbols"}).exit_code, 2);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "qt_program_test.moc"
