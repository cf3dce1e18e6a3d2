#include "hc11/output_compare.h"

#include "hc11/registers.h"

namespace hc11 {

namespace {

constexpr std::uint8_t flag_of(int index) {
    return static_cast<std::uint8_t>(0x80 >> index);
}

// OC2-OC5 drive PA6-PA3: the same bit as their flag.
constexpr std::uint8_t pin_of(int index) {
    return flag_of(index);
}

// TCTL1's two bits (OMx, OLx) for OC2-OC5: 00 off, 01 toggle, 10 clear, 11 set.
constexpr unsigned action_shift(int index) {
    return static_cast<unsigned>(2 * (OutputCompares::count - 1 - index));
}

constexpr std::uint8_t output_pins = 0xF8;  // PA7-PA3

}  // namespace

void OutputCompares::reset(const Timer& timer, std::uint64_t now) {
    PinObserver keep = std::move(on_pins_);
    *this = OutputCompares{};
    on_pins_ = std::move(keep);
    toc_.fill(0xFFFF);
    reschedule(timer, now);
}

std::uint8_t OutputCompares::controlled_pins() const {
    std::uint8_t pins = oc1m_ & output_pins;
    for (int i = 1; i < count; ++i) {
        if ((tctl1_ >> action_shift(i)) & 3) pins |= pin_of(i);
    }
    return pins;
}

std::uint8_t OutputCompares::read(std::uint8_t offset) const {
    switch (offset) {
        case reg::PORTA:
            return pins_;
        case reg::OC1M:
            return oc1m_;
        case reg::OC1D:
            return oc1d_;
        case reg::TCTL1:
            return tctl1_;
        case reg::TMSK1:
            return tmsk1_;
        case reg::TFLG1:
            return tflg1_;
        default:
            break;
    }
    if (offset >= reg::TOC1_HI && offset <= reg::TI4O5_LO) {
        const std::uint16_t value = toc_[static_cast<std::size_t>((offset - reg::TOC1_HI) / 2)];
        return static_cast<std::uint8_t>((offset & 1) ? value : value >> 8);
    }
    return 0;  // CFORC reads as zero
}

void OutputCompares::write(std::uint8_t offset, std::uint8_t value, const Timer& timer,
                           std::uint64_t now) {
    advance(timer, now);
    switch (offset) {
        case reg::PORTA: {
            const std::uint8_t free_pins =
                output_pins & static_cast<std::uint8_t>(~controlled_pins());
            const auto pins = static_cast<std::uint8_t>((pins_ & ~free_pins) | (value & free_pins));
            if (pins != pins_) {
                pins_ = pins;
                if (on_pins_) on_pins_(now, pins_);
            }
            return;
        }
        case reg::CFORC:
            act(value & flag_bits, now);
            return;
        case reg::OC1M:
            oc1m_ = value & output_pins;
            return;
        case reg::OC1D:
            oc1d_ = value & output_pins;
            return;
        case reg::TCTL1:
            tctl1_ = value;
            return;
        case reg::TMSK1:
            tmsk1_ = value;
            return;
        case reg::TFLG1:
            tflg1_ = static_cast<std::uint8_t>(tflg1_ & ~value);
            return;
        default:
            break;
    }
    if (offset >= reg::TOC1_HI && offset <= reg::TI4O5_LO) {
        const int index = (offset - reg::TOC1_HI) / 2;
        std::uint16_t& toc = toc_[static_cast<std::size_t>(index)];
        toc = (offset & 1) ? static_cast<std::uint16_t>((toc & 0xFF00) | value)
                           : static_cast<std::uint16_t>((toc & 0x00FF) | (value << 8));
        schedule(index, timer, now);
    }
}

void OutputCompares::set_oc5_enabled(bool enabled, const Timer& timer, std::uint64_t now) {
    if (enabled == oc5_enabled_) return;
    advance(timer, now);
    oc5_enabled_ = enabled;
    schedule(count - 1, timer, now);
}

void OutputCompares::reschedule(const Timer& timer, std::uint64_t now) {
    for (int i = 0; i < count; ++i) schedule(i, timer, now);
}

// The next compare is the first count after the present one whose low 16 bits match: a
// register written with the count it holds right now compares a whole wrap later.
void OutputCompares::schedule(int index, const Timer& timer, std::uint64_t now) {
    const auto i = static_cast<std::size_t>(index);
    if (index == count - 1 && !oc5_enabled_) {
        next_cycle_[i] = never;
        find_next_event();
        return;
    }
    const std::uint64_t present = timer.count_at(now);
    std::uint64_t next = (present & ~std::uint64_t{0xFFFF}) | toc_[i];
    if (next <= present) next += 0x10000;
    next_count_[i] = next;
    next_cycle_[i] = timer.cycle_of_count(next);
    find_next_event();
}

// Kept at hand: the board asks for it after every register access.
void OutputCompares::find_next_event() {
    next_event_ = never;
    for (const std::uint64_t at : next_cycle_) {
        if (at < next_event_) next_event_ = at;
    }
}

std::uint64_t OutputCompares::next_interrupt_event() const {
    std::uint64_t next = never;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t at = next_cycle_[static_cast<std::size_t>(i)];
        if ((tmsk1_ & flag_of(i)) && at < next) next = at;
    }
    return next;
}

void OutputCompares::advance(const Timer& timer, std::uint64_t now) {
    for (std::uint64_t at = next_event(); at <= now; at = next_event()) {
        std::uint8_t matched = 0;
        for (int i = 0; i < count; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (next_cycle_[k] != at) continue;
            matched |= flag_of(i);
            next_count_[k] += 0x10000;
            next_cycle_[k] = timer.cycle_of_count(next_count_[k]);
        }
        find_next_event();
        tflg1_ |= matched;
        act(matched, at);
    }
}

void OutputCompares::act(std::uint8_t compares, std::uint64_t at) {
    std::uint8_t pins = pins_;
    for (int i = 1; i < count; ++i) {
        if (!(compares & flag_of(i))) continue;
        switch ((tctl1_ >> action_shift(i)) & 3) {
            case 1:
                pins ^= pin_of(i);
                break;
            case 2:
                pins = static_cast<std::uint8_t>(pins & ~pin_of(i));
                break;
            case 3:
                pins |= pin_of(i);
                break;
            default:
                break;
        }
    }
    // OC1 acts last: at the same moment as another compare it has the last word on a pin.
    if (compares & flag_of(0)) pins = static_cast<std::uint8_t>((pins & ~oc1m_) | (oc1d_ & oc1m_));
    if (pins != pins_) {
        pins_ = pins;
        if (on_pins_) on_pins_(at, pins_);
    }
}

}  // namespace hc11
