// halvane: downloads programs to a CME11E9 68HC11 board and watches its memory.
//
//   halvane [--port DEVICE]
//   halvane --list-ports
//   halvane --map-from-symbols PROGRAM.elf [--all-symbols]
//
// Without --port the port chosen last in File > Serial Port is used, or, before any was
// chosen, the first serial port (/dev/ttyS0). DEVICE may be a path
// (/dev/ttyUSB0, /dev/ttyACM0, a /dev/serial/by-id/... link), a bare name in /dev (ttyUSB0)
// or a COM name: COM1 is /dev/ttyS0, COM2 /dev/ttyS1, and so on.
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
#include <optional>
#include <string>

#include "link/serial_device.h"
#include "qt/halvane_window.h"
#include "qt_adapters/qt_serial_port.h"
#include "qt_adapters/serial_port_list.h"
#include "qt_adapters/user_settings.h"
#include "symbols/symbol_map.h"

namespace {

const QCommandLineOption kListPorts(QStringList{QStringLiteral("list-ports")},
                                    QStringLiteral("Print the serial ports this system knows, one "
                                                   "per line, and what they are where known (for "
                                                   "a USB adapter also its latency timer)."));

const QCommandLineOption kMapFromSymbols(
    QStringList{QStringLiteral("map-from-symbols")},
    QStringLiteral("Write a variable map of the data symbols of PROGRAM.elf (the linked "
                   "program) to standard output, as File > Save writes it."),
    QStringLiteral("PROGRAM.elf"));

const QCommandLineOption kAllSymbols(
    QStringList{QStringLiteral("all-symbols")},
    QStringLiteral("With --map-from-symbols: add the symbols in code sections."));

void describe(QCommandLineParser& parser, QCommandLineOption& port) {
    parser.setApplicationDescription(
        QStringLiteral("Downloads programs to a CME11E9 68HC11 evaluation board and watches "
                       "the memory of the running program."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(port);
    parser.addOption(kListPorts);
    parser.addOption(kMapFromSymbols);
    parser.addOption(kAllSymbols);
}

bool asks_for_text_only(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version" || arg == "--list-ports" || arg.starts_with("--map-from-symbols")) {
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
        QStringLiteral("Serial device of the board (default: the port chosen last in File > "
                       "Serial Port, before that %1).")
            .arg(QLatin1String(halvane::qt::kFirstSerialPort)),
        QStringLiteral("DEVICE"));

    // --help and --version need no display.
    if (asks_for_text_only(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describe(parser, port_option);
        parser.process(app);
        if (parser.isSet(kMapFromSymbols)) {
            if (!parser.positionalArguments().isEmpty()) {
                std::fprintf(stderr, "halvane: unexpected argument '%s'\n",
                             qPrintable(parser.positionalArguments().constFirst()));
                return 2;
            }
            const halvane::SymbolMapPrinting printed = halvane::print_map_from_symbols(
                QFile::encodeName(parser.value(kMapFromSymbols)).toStdString(),
                parser.isSet(kAllSymbols), "halvane");
            return printed == halvane::SymbolMapPrinting::kPrinted ? 0 : 1;
        }
        if (parser.isSet(kListPorts)) halvane::qt::print_serial_ports("halvane");
        return 0;
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describe(parser, port_option);
    parser.process(app);
    if (parser.isSet(kAllSymbols)) {
        std::fprintf(stderr, "halvane: --all-symbols goes with --map-from-symbols\n");
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "halvane: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().constFirst()));
        std::fprintf(stderr, "Usage: halvane [--port DEVICE]\n");
        return 2;
    }

    // --port always wins over the port remembered from File > Serial Port.
    const std::string port = halvane::qt::serial_port_to_open(
        parser.isSet(port_option)
            ? std::optional(QFile::encodeName(parser.value(port_option)).toStdString())
            : std::nullopt);
    const halvane::SerialDevice device = halvane::resolve_serial_device(port);
    halvane::qt::HalvaneWindow window(QFile::decodeName(device.path.c_str()), initial_directory());
    window.serial_port().set_shown_name(device.shown());
    const QString platform = QGuiApplication::platformName();
    window.dialog_gate().headless =
        platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    if (!window.start()) return 1;
    window.keep_in_user_settings();
    window.show();
    return app.exec();
}
