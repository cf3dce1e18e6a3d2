#include "core/breakpoint_table.h"

#include <algorithm>

#include "core/monitor_text.h"

namespace boardsim {

bool BreakpointTable::add(std::uint16_t address) {
    if (std::find(places_.begin(), places_.end(), address) != places_.end()) return true;
    const auto free = std::find(places_.begin(), places_.end(), 0);
    if (free == places_.end()) return false;
    *free = address;
    return true;
}

void BreakpointTable::remove(std::uint16_t address) {
    std::replace(places_.begin(), places_.end(), address, std::uint16_t{0});
}

void BreakpointTable::clear() {
    places_.fill(0);
}

bool BreakpointTable::can_hold(std::uint16_t address) {
    const hc11::Region region = hc11::MemoryMap::region_of(address);
    return address != 0 && (region == hc11::Region::ram || region == hc11::Region::eeprom);
}

std::string BreakpointTable::text() const {
    std::string out;
    for (std::uint16_t address : places_) out += monitor_text::hex4(address) + " ";
    return out;
}

void BreakpointTable::insert(hc11::Board& memory) {
    if (inserted_) return;
    for (std::size_t i = 0; i < kPlaces; ++i) {
        if (places_[i] == 0) continue;
        program_bytes_[i] = memory.read(places_[i]);
        memory.write(places_[i], kSwi);
    }
    inserted_ = true;
}

void BreakpointTable::take_out(hc11::Board& memory) {
    if (!inserted_) return;
    for (std::size_t i = 0; i < kPlaces; ++i) {
        if (places_[i] != 0) memory.write(places_[i], program_bytes_[i]);
    }
    inserted_ = false;
}

}  // namespace boardsim
