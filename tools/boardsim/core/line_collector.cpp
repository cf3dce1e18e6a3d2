#include "core/line_collector.h"

#include <utility>

namespace boardsim {

LineCollector::Fed LineCollector::feed(std::uint8_t byte) {
    const bool after_cr = std::exchange(after_cr_, byte == '\r');
    if (byte == '\n' && after_cr) return Fed::kSwallowed;
    if (byte == '\r' || byte == '\n') return Fed::kLineEnd;
    if (line_.size() >= max_length_) {
        overflowed_ = true;
        return Fed::kOverflow;
    }
    line_.push_back(static_cast<char>(byte));
    return Fed::kStored;
}

std::string LineCollector::take_line() {
    std::string line = std::move(line_);
    line_.clear();
    overflowed_ = false;
    return line;
}

bool LineCollector::erase_last() {
    if (line_.empty()) return false;
    line_.pop_back();
    return true;
}

void LineCollector::clear() {
    line_.clear();
    overflowed_ = false;
    after_cr_ = false;
}

}  // namespace boardsim
