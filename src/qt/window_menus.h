#pragma once

class QMenuBar;

namespace halvane::qt {

// The window's menus, each item named for the tests and tools that find it. Keys without a
// character (function keys) are the only shortcuts: every character typed belongs to the grid.
void add_file_menu(QMenuBar& bar);
void add_watch_menu(QMenuBar& bar);
// The board itself: the console to its monitor (F12 puts the focus in it), and debugging:
// Toggle Breakpoint F9, Continue F8, Step F10, Run to Line F4, Pause F11, Breakpoints...
void add_board_menu(QMenuBar& bar);

}  // namespace halvane::qt
