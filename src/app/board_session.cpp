#include "app/board_session.h"

#include <utility>

#include "status/status_texts.h"

namespace halvane::app {

BoardSession::BoardSession(Platform platform, std::string initial_directory)
    : dialogs_(platform.clock, platform.boxes, std::move(initial_directory)),
      status_(platform.clock),
      link_(platform.serial_port, platform.clock),
      port_(link_, status_, dialogs_),
      console_(link_, status_),
      cells_({table_, link_, port_, status_, dialogs_, platform.clock}),
      download_({table_, link_, port_, status_, dialogs_, platform.clock}),
      debug_(link_, status_, platform.clock),
      viewer_(dialogs_),
      maps_(table_, dialogs_),
      symbols_(table_, status_, dialogs_),
      watch_({table_, link_, port_, status_, dialogs_, platform.clock}) {
    wire();
}

BoardSession::~BoardSession() {
    close();
}

// Who is told of what, in one place. A new subsystem adds its lines here.
void BoardSession::wire() {
    wiring_.push_back(link_.port_changed.subscribe([this](const BoardLink::PortEvent& event) {
        port_.port_changed(event);
        debug_.port_changed();
        watch_.port_changed(event);
    }));
    wiring_.push_back(link_.block_read_probe().given_up.subscribe(
        [this] { status_.show_failure(std::string(texts::kBlockReadsGivenUp)); }));
    wiring_.push_back(download_.program_started.subscribe(
        [this](const std::string& base_name) { program_started(base_name); }));
    port_.set_before_switch(
        [this](std::function<void()> go) { debug_.leave_board(std::move(go)); });
    download_.set_commands_before_go(
        [this](const std::string& base_name) { return debug_.program_downloading(base_name); });
    table_.set_read_filter([this](std::uint16_t first, std::span<std::uint8_t> bytes) {
        debug_.show_own_bytes(first, bytes);
    });
    wiring_.push_back(download_.line_changed.subscribe([this] { watch_.update(); }));
    wiring_.push_back(link_.board_state_changed.subscribe(
        [this](BoardState state) { board_state_changed(state); }));
    wiring_.push_back(link_.board_silent.subscribe(
        [this] { status_.set_program_status(std::string(texts::kBoardSilent)); }));
}

// The program statuses a download shows stay as they are; the monitor's states get their own.
void BoardSession::board_state_changed(BoardState state) {
    debug_.board_state_changed(state);
    watch_.update();
    // A check that ends while a download waits for the line: the download's status stays.
    if (link_.downloading()) return;
    const std::string& shown = status_.program_status();
    const bool shows_monitor = shown == texts::kAtMonitor || shown == texts::kBoardSilent ||
                               shown.starts_with(texts::kStoppedAt) ||
                               shown == texts::kAwaitingProgramFile;
    switch (state) {
        case BoardState::kAtMonitor:
            status_.set_program_status(std::string(texts::kAtMonitor));
            return;
        case BoardState::kStopped: {
            const std::uint16_t pc = link_.last_registers() ? link_.last_registers()->pc : 0;
            status_.set_program_status(debug_.stop_status(pc));
            return;
        }
        case BoardState::kRunning:
            if (shows_monitor) status_.set_program_status(std::string(texts::kProgramRunning));
            return;
        case BoardState::kUnknown:
            return;
    }
}

bool BoardSession::start() {
    if (!port_.open_at_start()) {
        close();
        return false;
    }
    status_.set_program_status(std::string(texts::kAwaitingProgramFile));
    link_.set_gate(false);
    return true;
}

void BoardSession::close() {
    dialogs_.window_closed();
    link_.close();
    watch_.close();
}

// The listing and the map are independent: a program without a listing still gets its map, and
// a rebuild may have moved variables the map still names by their old addresses.
void BoardSession::program_started(const std::string& base_name) {
    viewer_.program_started(base_name);
    symbols_.program_started(base_name, maps_.program_started(base_name));
}

}  // namespace halvane::app
