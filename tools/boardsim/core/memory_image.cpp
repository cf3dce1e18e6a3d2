#include "core/memory_image.h"

namespace boardsim {

void MemoryImage::load(std::uint16_t address, std::uint8_t value) {
    bytes_[address] = value;
    loaded_.set(address);
}

}  // namespace boardsim
