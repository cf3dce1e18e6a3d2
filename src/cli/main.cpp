// halvane-cli: downloads programs to a CME11E9 68HC11 board and reads, writes and watches the
// memory of the running program, from a shell or a script. `halvane-cli --help` lists the
// commands.
//
// This file is the program's only contact with Qt (Qt Core and Qt Serial Port: no display is
// needed): the event loop, the serial port, the clock, Ctrl-C and standard input. Everything
// else is the plain C++ beside it.

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/board_commands.h"
#include "cli/cli_arguments.h"
#include "cli/cli_help.h"
#include "cli/console.h"
#include "link/board_link.h"
#include "link/fast_line.h"
#include "link/serial_device.h"
#include "link/wire_protocol.h"
#include "qt_adapters/interrupt_notifier.h"
#include "qt_adapters/qt_clock.h"
#include "qt_adapters/qt_serial_port.h"
#include "qt_adapters/serial_port_list.h"
#include "qt_adapters/user_settings.h"
#include "symbols/symbol_map.h"

namespace cli = halvane::cli;

namespace {

using cli::ExitStatus;

int status_code(ExitStatus status) {
    return static_cast<int>(status);
}

// --reset-prompt: the download starts once Enter was pressed; standard input is watched by the
// event loop, so Ctrl-C still works meanwhile.
class EnterPrompt {
  public:
    EnterPrompt(cli::Console& console, std::function<void()> entered, std::function<void()> closed)
        : notifier_(STDIN_FILENO, QSocketNotifier::Read),
          console_(console),
          entered_(std::move(entered)),
          closed_(std::move(closed)) {
        std::fprintf(stderr, "%s: press Reset on the board, then Enter: ",
                     std::string(cli::kProgram).c_str());
        std::fflush(stderr);
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { readable(); });
    }

  private:
    void readable() {
        char bytes[256];
        const ssize_t got = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (got < 0) return;  // nothing to read after all: wait on
        const bool enter = std::string_view(bytes, static_cast<std::size_t>(got)).find('\n') !=
                           std::string_view::npos;
        if (got > 0 && !enter) return;
        notifier_.setEnabled(false);
        // The prompt's line ends: a terminal has echoed the Enter, other input does not.
        if (::isatty(STDIN_FILENO) != 1) std::fputc('\n', stderr);
        if (enter) {
            entered_();
        } else {
            console_.error("standard input ended before Enter; nothing was sent");
            closed_();
        }
    }

    QSocketNotifier notifier_;
    cli::Console& console_;
    std::function<void()> entered_;
    std::function<void()> closed_;
};

// The end of every command, Ctrl-C included: "=30" at the fast rate and its answer, then 9600.
// Should that not end within a second, closing the link sends "=30" unanswered.
void return_to_slow_line(halvane::BoardLink& link) {
    if (!link.line_fast() || !link.port_open()) return;
    const halvane::Subscription returned =
        link.line_rate_settled.subscribe([](long /*baud*/) { QCoreApplication::exit(0); });
    QTimer::singleShot(1000, [] { QCoreApplication::exit(0); });
    link.return_to_slow_line();
    QCoreApplication::exec();
}

int run_on_board(const cli::Arguments& a) {
    cli::Console console(stdout, stderr);
    cli::PreparedCommand prepared = cli::prepare_board_command(a, console);
    if (!prepared.ok) return status_code(ExitStatus::kUsage);

    const halvane::SerialDevice device =
        halvane::resolve_serial_device(halvane::qt::serial_port_to_open(a.port));
    halvane::qt::QtSerialPort port(QFile::decodeName(device.path.c_str()));
    port.set_shown_name(device.shown());
    halvane::qt::QtClock clock;
    halvane::BoardLink link(port, clock);
    link.set_block_reads_allowed(halvane::qt::block_reads_allowed());
    // read and write stay at 9600; watch agrees on the fast line unless told not to.
    link.set_fast_line_allowed(a.command == cli::Command::kWatch && !a.no_fast_line);
    link.set_fast_line_target(a.fast_line_rate == halvane::wire::kFastestLine.baud
                                  ? halvane::wire::kFastestLine
                                  : halvane::wire::kFastLine);
    long said_rate = 0;
    const halvane::Subscription rate_said =
        link.line_rate_settled.subscribe([&a, &console, &said_rate](long baud) {
            if (!a.verbose || baud == said_rate) return;
            said_rate = baud;
            console.error("line: " + halvane::line_rate_text(baud));
        });
    const halvane::SerialPort::OpenResult opened = link.open_port();
    if (!opened.ok) {
        console.error(cli::cannot_open_text(device.shown(), opened));
        return status_code(ExitStatus::kFailure);
    }
    // read, write and watch speak to the running program's responder at once.
    if (a.command != cli::Command::kDownload) link.set_gate(true);
    // A reader that goes away (`| head`) is seen as a failed write, not as a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);

    int status = 0;
    const std::unique_ptr<cli::BoardCommand> command =
        cli::make_board_command(a, std::move(prepared), link, clock, console,
                                ::isatty(STDERR_FILENO) == 1, [&status](ExitStatus s) {
                                    status = status_code(s);
                                    QCoreApplication::exit(status);
                                });
    const halvane::qt::InterruptNotifier interrupts([&command] { command->interrupt(); });
    std::unique_ptr<EnterPrompt> prompt;
    if (a.reset_prompt) {
        prompt = std::make_unique<EnterPrompt>(
            console, [&command] { command->start(); },
            [&status] {
                status = status_code(ExitStatus::kUsage);
                QCoreApplication::exit(status);
            });
    } else {
        QTimer::singleShot(0, [&command] { command->start(); });
    }
    QCoreApplication::exec();
    return_to_slow_line(link);
    link.close();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const cli::ParsedArguments parsed = cli::parse_arguments(args);
    const std::string program(cli::kProgram);
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), parsed.error.c_str());
        return status_code(ExitStatus::kUsage);
    }
    const cli::Arguments& a = parsed.arguments;
    switch (a.request) {
        case cli::Arguments::Request::kHelp:
            std::fputs(cli::help_text(a.command).c_str(), stdout);
            return status_code(ExitStatus::kSuccess);
        case cli::Arguments::Request::kVersion:
            std::printf("%s %s\n", program.c_str(), HALVANE_VERSION);
            return status_code(ExitStatus::kSuccess);
        case cli::Arguments::Request::kRun:
            break;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromStdString(program));
    QCoreApplication::setApplicationVersion(QStringLiteral(HALVANE_VERSION));
    switch (*a.command) {
        case cli::Command::kPorts:
            halvane::qt::print_serial_ports(program);
            return status_code(ExitStatus::kSuccess);
        case cli::Command::kMapFromSymbols:
            switch (halvane::print_map_from_symbols(a.operands.front(), a.all_symbols, program)) {
                case halvane::SymbolMapPrinting::kPrinted:
                    return status_code(ExitStatus::kSuccess);
                case halvane::SymbolMapPrinting::kNoMap:
                    return status_code(ExitStatus::kUsage);
                case halvane::SymbolMapPrinting::kNotWritten:
                    return status_code(ExitStatus::kFailure);
            }
            return status_code(ExitStatus::kFailure);
        default:
            return run_on_board(a);
    }
}
