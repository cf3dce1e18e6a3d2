#pragma once

#include <string>

#include "dialogs/modal_dialogs.h"
#include "grid/watch_table.h"
#include "varmap/map_file.h"

namespace halvane {

// File > Save and File > Open Overlay: the grid to and from a variable map file of the user's
// choice; and the map beside a program that has just started.
class MapCommands {
  public:
    MapCommands(WatchTable& table, ModalDialogs& dialogs);

    void save();
    void open_overlay();
    // A program has started: Save proposes its base name from now on, and the grid is filled
    // from the map beside it, if there is one.
    MapLoadResult program_started(std::string base_name);
    // Fills the grid from the map at `path`, if there is one; a missing map changes nothing.
    MapLoadResult load_program_map(const std::string& path);

  private:
    WatchTable& table_;
    ModalDialogs& dialogs_;
    std::string program_name_;
};

}  // namespace halvane
