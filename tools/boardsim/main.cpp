// boardsim: a simulated CME11E9 board on a pseudo-terminal.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "core/board.h"
#include "core/memory_file.h"
#include "core/options.h"
#include "core/traffic_log.h"
#include "event_loop.h"
#include "pty_line.h"

namespace {

boardsim::SignalFlags signal_flags;

void on_stop(int) {
    signal_flags.stop = 1;
}
void on_reset(int) {
    signal_flags.reset = 1;
}

void install_signal_handlers() {
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGUSR1);
    // Blocked except while the event loop sleeps, so a signal always wakes it.
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = on_stop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = on_reset;
    sigaction(SIGUSR1, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// Points `link` at the terminal. An old symbolic link there (left by a killed run) is replaced;
// anything else is left alone.
bool make_link(const std::string& link, const std::string& target) {
    struct stat info {};
    if (lstat(link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            std::fprintf(stderr, "boardsim: --link %s: exists and is not a symbolic link\n",
                         link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "boardsim: --link %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

// Reads a --rom or --eeprom file into `image`; says why not on stderr.
template <typename Image, typename Reader>
bool read_image_file(const char* option, const std::string& path, Reader read,
                     std::optional<Image>& image) {
    // Far more than any S-record file of 8 KiB holds; protects against a device given by mistake.
    constexpr std::streamsize kMaxSize = 1 << 20;
    std::ifstream file(path, std::ios::binary);
    std::string contents(static_cast<std::size_t>(kMaxSize) + 1, '\0');
    if (file) file.read(contents.data(), kMaxSize + 1);
    if (!file && !file.eof()) {
        std::fprintf(stderr, "boardsim: %s %s: cannot read the file\n", option, path.c_str());
        return false;
    }
    contents.resize(static_cast<std::size_t>(file.gcount()));
    if (file.gcount() > kMaxSize) {
        std::fprintf(stderr, "boardsim: %s %s: the file is far too large for an image\n", option,
                     path.c_str());
        return false;
    }
    auto read_image = read(contents);
    if (const auto* error = std::get_if<std::string>(&read_image)) {
        std::fprintf(stderr, "boardsim: %s %s: %s\n", option, path.c_str(), error->c_str());
        return false;
    }
    image = std::get<Image>(read_image);
    return true;
}

void remove_link(const std::string& link, const std::string& target) {
    char points_to[4096];
    const ssize_t n = readlink(link.c_str(), points_to, sizeof points_to - 1);
    if (n < 0) return;
    points_to[n] = '\0';
    if (target == points_to) unlink(link.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = boardsim::parse_options(args);
    if (const auto* error = std::get_if<boardsim::OptionError>(&parsed)) {
        std::fprintf(stderr, "boardsim: %s\nTry 'boardsim --help' for the options.\n",
                     error->message.c_str());
        return 2;
    }
    auto options = std::get<boardsim::Options>(parsed);
    if (options.help) {
        std::fputs(boardsim::kUsage, stdout);
        return 0;
    }
    if (options.rom_path &&
        !read_image_file("--rom", *options.rom_path, boardsim::read_rom_image, options.board.rom)) {
        return 2;
    }
    if (options.eeprom_path &&
        !read_image_file("--eeprom", *options.eeprom_path, boardsim::read_eeprom_image,
                         options.board.eeprom)) {
        return 2;
    }

    std::ofstream log_file;
    std::unique_ptr<boardsim::TrafficLog> log;
    if (options.log_path) {
        log_file.open(*options.log_path, std::ios::out | std::ios::trunc);
        if (!log_file) {
            std::fprintf(stderr, "boardsim: --log %s: cannot open the file for writing\n",
                         options.log_path->c_str());
            return 2;
        }
        // A pause of more than two milliseconds ends a group: longer than a character at 9600
        // baud, the slowest rate the board's programs use.
        log = std::make_unique<boardsim::TrafficLog>(log_file, std::chrono::milliseconds(2));
    }

    std::ofstream trace_file;
    if (options.trace_path) {
        trace_file.open(*options.trace_path, std::ios::out | std::ios::trunc);
        if (!trace_file) {
            std::fprintf(stderr, "boardsim: --trace %s: cannot open the file for writing\n",
                         options.trace_path->c_str());
            return 2;
        }
    }

    install_signal_handlers();
    std::string error;
    auto line = boardsim::PtyLine::open(error);
    if (!line) {
        std::fprintf(stderr, "boardsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", line->path().c_str());
    std::fflush(stdout);
    if (options.link_path && !make_link(*options.link_path, line->path())) return 1;

    boardsim::Board board(options.board, log.get(), options.trace_path ? &trace_file : nullptr);
    const int status = boardsim::serve(*line, board, signal_flags);
    if (options.link_path) remove_link(*options.link_path, line->path());
    return status;
}
