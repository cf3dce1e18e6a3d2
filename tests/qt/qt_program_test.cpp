// The halvane program as a user starts it: its command line, and a port that cannot be
// opened. Run offscreen, where message boxes go to standard error.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace {

struct Run {
    int exit_code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

Run run_halvane(const QStringList& arguments, bool with_display = true) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
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
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

  private slots:
    void a_port_that_cannot_be_opened_ends_the_program_with_its_reason();
    void version_and_help_need_no_display();
    void anything_else_on_the_command_line_is_refused();
};

void ProgramTest::a_port_that_cannot_be_opened_ends_the_program_with_its_reason() {
    const Run run = run_halvane({"--port", "/dev/nonexistent"});
    QCOMPARE(run.status, QProcess::NormalExit);
    QVERIFY(run.exit_code != 0);
    QVERIFY2(run.err.contains("/dev/nonexistent"), qPrintable(run.err));
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

QTEST_GUILESS_MAIN(ProgramTest)
#include "qt_program_test.moc"
