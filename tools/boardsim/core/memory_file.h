#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "hc11/board.h"

namespace boardsim {

// Reads the contents of a ROM or EEPROM image file, as the user gave it with --rom or --eeprom:
// either the raw bytes of the whole region (8192 bytes for E000-FFFF, 512 for B600-B7FF) or
// Motorola S-records whose data lies inside the region. Bytes the records leave out read FF, as
// in an erased part; a ROM's records must hold its reset vector (FFFE-FFFF). The error is a
// sentence for the user, without the file's name.
std::variant<hc11::RomImage, std::string> read_rom_image(std::string_view contents);
std::variant<hc11::EepromImage, std::string> read_eeprom_image(std::string_view contents);

}  // namespace boardsim
