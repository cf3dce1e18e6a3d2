#pragma once

#include <string>

#include "grid/watch_table.h"
#include "platform/modal_dialogs.h"
#include "varmap/map_file.h"

namespace halvane {

// File > Save and File > Open Overlay: the grid to and from a variable map file of the user's
// choice; and the map beside a program that has just started.
class MapCommands {
  public:
    // `program_name` is the current program's name (the download's); Save proposes it.
    MapCommands(WatchTable& table, ModalDialogs& dialogs, const std::string& program_name);

    void save();
    void open_overlay();
    // Fills the grid from the map at `path`, if there is one; a missing map changes nothing.
    MapLoadResult load_program_map(const std::string& path);

  private:
    WatchTable& table_;
    ModalDialogs& dialogs_;
    const std::string& program_name_;
};

}  // namespace halvane
