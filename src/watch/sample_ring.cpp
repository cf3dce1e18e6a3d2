#include "watch/sample_ring.h"

#include <algorithm>

namespace halvane {

SampleRing::SampleRing(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {}

void SampleRing::push(Sample sample) {
    if (size_ > 0 && sample.seconds < newest().seconds) sample.seconds = newest().seconds;
    if (size_ == storage_.size() && storage_.size() < capacity_) grow();
    if (size_ == storage_.size()) {
        // Full at its capacity: the newest takes the oldest's place.
        storage_[head_] = sample;
        head_ = (head_ + 1) % storage_.size();
        return;
    }
    storage_[(head_ + size_) % storage_.size()] = sample;
    ++size_;
}

// Doubles the storage (up to the capacity), the samples moved to its start in order.
void SampleRing::grow() {
    const std::size_t new_size =
        std::min(capacity_, std::max<std::size_t>(16, storage_.size() * 2));
    std::vector<Sample> larger;
    larger.reserve(new_size);
    for (std::size_t i = 0; i < size_; ++i) larger.push_back((*this)[i]);
    larger.resize(new_size);
    storage_ = std::move(larger);
    head_ = 0;
}

void SampleRing::drop_before(double seconds) {
    const std::size_t dropped = first_since(seconds);
    if (dropped == 0) return;
    size_ -= dropped;
    head_ = size_ == 0 ? 0 : (head_ + dropped) % storage_.size();
}

void SampleRing::clear() {
    storage_ = {};
    head_ = 0;
    size_ = 0;
}

std::size_t SampleRing::first_since(double seconds) const {
    std::size_t low = 0;
    std::size_t high = size_;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if ((*this)[mid].seconds < seconds) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

}  // namespace halvane
