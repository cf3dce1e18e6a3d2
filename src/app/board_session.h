#pragma once

#include <string>
#include <vector>

#include "debug/debug_session.h"
#include "dialogs/modal_dialogs.h"
#include "download/program_download.h"
#include "grid/cell_commands.h"
#include "grid/watch_table.h"
#include "link/board_console.h"
#include "link/board_link.h"
#include "link/port_session.h"
#include "notify/signal.h"
#include "platform/platform.h"
#include "status/status_line.h"
#include "symbols/symbol_import.h"
#include "varmap/map_commands.h"
#include "viewer/companion_viewer.h"
#include "watch/live_watch.h"

namespace halvane::app {

// The application's session with one board: it creates every subsystem, each with its own state
// and commands, and does all the wiring between them. A front end (the window, a test) shows
// their state and hands the user's commands to them, and wires nothing between them.
//
// All work runs on the UI thread and no command waits: exchanges with the board are jobs of the
// board link, which runs them as time passes and characters arrive. Only the modal dialogs hold
// a command up, and the link goes on working while one is open.
class BoardSession {
  public:
    // `initial_directory` is the folder where the file dialogs start.
    BoardSession(Platform platform, std::string initial_directory);
    ~BoardSession();
    BoardSession(const BoardSession&) = delete;
    BoardSession& operator=(const BoardSession&) = delete;

    // Opens the serial port and shows the first status. False when the port could not be
    // opened: the reason has been shown, and the program must end with a non-zero status.
    bool start();
    // The session ends: every job of the link ends, nothing more is sent, the port closes,
    // no dialog shows any more.
    void close();

    ModalDialogs& dialogs() { return dialogs_; }
    StatusLine& status() { return status_; }
    BoardLink& link() { return link_; }
    PortSession& port() { return port_; }
    BoardConsole& console() { return console_; }
    WatchTable& table() { return table_; }
    CellCommands& cells() { return cells_; }
    ProgramDownload& download() { return download_; }
    DebugSession& debug() { return debug_; }
    CompanionViewer& viewer() { return viewer_; }
    MapCommands& maps() { return maps_; }
    SymbolImport& symbols() { return symbols_; }
    LiveWatch& watch() { return watch_; }

  private:
    void wire();
    void program_started(const std::string& base_name);
    void board_state_changed(BoardState state);

    // In the order they are made: each is given only those before it.
    ModalDialogs dialogs_;
    StatusLine status_;
    BoardLink link_;
    PortSession port_;
    BoardConsole console_;
    WatchTable table_;
    CellCommands cells_;
    ProgramDownload download_;
    DebugSession debug_;
    CompanionViewer viewer_;
    MapCommands maps_;
    SymbolImport symbols_;
    LiveWatch watch_;
    std::vector<Subscription> wiring_;
};

}  // namespace halvane::app
