// halvane: downloads programs to a CME11E9 68HC11 board and watches its memory.
//
//   halvane [--port DEVICE]
//
// Without --port the first serial port (/dev/ttyS0) is used.
//
// Under a platform nobody can see (QT_QPA_PLATFORM=offscreen or minimal) message boxes
// are written to standard error instead of waiting for an answer that cannot come, so a
// start-up failure there ends the program with its message and a non-zero status.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <string>

#include "qt/tamrin_window.h"

namespace {

constexpr const char* kDefaultPort = "/dev/ttyS0";

void describe(QCommandLineParser& parser, QCommandLineOption& port) {
    parser.setApplicationDescription(
        QStringLiteral("Downloads programs to a CME11E9 68HC11 evaluation board and watches "
                       "the memory of the running program."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(port);
}

bool asks_for_text_only(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

// The folder the file dialogs start in: the examples beside the sources when running from
// the build tree, the installed examples, or the home folder.
std::string initial_directory() {
    QString folder = QStringLiteral(HALVANE_SOURCE_EXAMPLES);
    if (!QFileInfo(folder).isDir()) {
        folder = QDir(QCoreApplication::applicationDirPath())
                     .absoluteFilePath(QStringLiteral("../share/halvane/examples"));
    }
    if (!QFileInfo(folder).isDir()) folder = QDir::homePath();
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    return std::string(path.constData(), static_cast<std::size_t>(path.size()));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("halvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HALVANE_VERSION));
    QCommandLineOption port_option(
        QStringList{QStringLiteral("port")},
        QStringLiteral("Serial device of the board (default %1).").arg(QLatin1String(kDefaultPort)),
        QStringLiteral("DEVICE"), QLatin1String(kDefaultPort));

    // --help and --version need no display.
    if (asks_for_text_only(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describe(parser, port_option);
        parser.process(app);
        return 0;
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser, port_option);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "halvane: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        std::fprintf(stderr, "Usage: halvane [--port DEVICE]\n");
        return 2;
    }

    halvane::qt::TamrinWindow window(parser.value(port_option), initial_directory());
    const QString platform = QGuiApplication::platformName();
    window.dialog_gate().headless =
        platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    if (!window.load()) return 1;
    window.show();
    return app.exec();
}
