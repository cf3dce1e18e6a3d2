#include "debug/program_image.h"

namespace halvane {

namespace {
constexpr std::size_t kAddressSpace = 0x10000;
}  // namespace

ProgramImage::ProgramImage(std::span<const SRecord> records) {
    for (const SRecord& record : records) {
        if (record.kind != SRecord::Kind::kData || record.data.empty()) continue;
        if (known_.empty()) {
            bytes_.assign(kAddressSpace, 0);
            known_.assign(kAddressSpace, false);
        }
        // The monitor's address counter wraps at the top of memory, and so do these.
        std::uint16_t address = record.address;
        for (const std::uint8_t byte : record.data) {
            bytes_[address] = byte;
            known_[address] = true;
            ++address;
        }
    }
}

std::optional<std::uint8_t> ProgramImage::byte_at(std::uint16_t address) const {
    if (known_.empty() || !known_[address]) return std::nullopt;
    return bytes_[address];
}

}  // namespace halvane
