#pragma once

#include <cstddef>
#include <vector>

namespace halvane {

// One value of a watched row and when it was read, in seconds of the watch's clock.
struct Sample {
    double seconds = 0;
    double value = 0;
};

// The newest samples of one row, oldest first, for a plot.
//
// At most `capacity` samples are kept; a push into a full ring drops the oldest, so memory
// stays bounded however long the watch runs. The storage grows only as far as the samples
// need: a row read a few times a second holds a few thousand samples over the longest plot
// window, not the full capacity.
//
// Times are expected in the order they were read; a sample older than the newest is stored at
// the newest time, so the ring stays sorted by time and `first_since` can search it.
class SampleRing {
  public:
    // The line carries at most about 107 reads a second (a read is 5 characters out and 4 back
    // at 960 characters a second), so a row read alone at full speed gets 64 000 samples in
    // 600 s, the longest plot window: 2^16 covers that.
    static constexpr std::size_t kDefaultCapacity = 65536;

    explicit SampleRing(std::size_t capacity = kDefaultCapacity);

    void push(Sample sample);
    // Drops the samples read before `seconds` (those no plot window reaches any more).
    void drop_before(double seconds);
    void clear();

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t capacity() const { return capacity_; }
    // Index 0 is the oldest sample, size() - 1 the newest.
    const Sample& operator[](std::size_t index) const {
        return storage_[(head_ + index) % storage_.size()];
    }
    const Sample& newest() const { return (*this)[size_ - 1]; }
    // The index of the oldest sample read at or after `seconds` (size() when there is none).
    std::size_t first_since(double seconds) const;

  private:
    void grow();

    std::size_t capacity_;
    std::vector<Sample> storage_;
    std::size_t head_ = 0;  // where the oldest sample is
    std::size_t size_ = 0;
};

}  // namespace halvane
