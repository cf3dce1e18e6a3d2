#pragma once

#include "dialogs/modal_dialogs.h"
#include "grid/watch_table.h"
#include "link/board_link.h"
#include "link/port_session.h"
#include "platform/clock.h"
#include "status/status_line.h"

namespace halvane {

// The parts of a session with one board that the commands on the board's memory and the
// download share: the table they read into, the link and the port they go through, the status
// line and the dialogs they report on, and the clock.
struct SessionParts {
    WatchTable& table;
    BoardLink& link;
    PortSession& port;
    StatusLine& status;
    ModalDialogs& dialogs;
    Clock& clock;
};

}  // namespace halvane
