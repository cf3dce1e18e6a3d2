#include "hc11/sci.h"

#include "hc11/registers.h"

namespace hc11 {

using namespace sci_bits;

namespace {
constexpr std::uint64_t baud_prescale[4] = {1, 3, 4, 13};  // SCP1:SCP0
}

void Sci::reset() {
    TransmitHandler keep = std::move(on_transmit_);
    *this = Sci{};
    on_transmit_ = std::move(keep);
}

std::uint64_t Sci::bit_cycles() const {
    return 16 * baud_prescale[(baud_ >> 4) & 3] * (std::uint64_t{1} << (baud_ & 7));
}

std::uint64_t Sci::character_cycles() const {
    return bit_cycles() * ((sccr1_ & M) ? 11 : 10);
}

std::uint8_t Sci::peek(std::uint8_t offset) const {
    switch (offset) {
        case 0x2B:
            return baud_;
        case 0x2C:
            return sccr1_;
        case 0x2D:
            return sccr2_;
        case 0x2E:
            return scsr_;
        default:
            return receive_data_;
    }
}

std::uint8_t Sci::read(std::uint8_t offset, std::uint64_t now) {
    advance(now);
    if (offset == 0x2E) {
        seen_in_status_ = scsr_;
    } else if (offset == 0x2F) {
        const std::uint8_t clearable = seen_in_status_ & (RDRF | IDLE | OR | NF | FE);
        scsr_ = static_cast<std::uint8_t>(scsr_ & ~clearable);
        seen_in_status_ = static_cast<std::uint8_t>(seen_in_status_ & ~clearable);
    }
    return peek(offset);
}

void Sci::write(std::uint8_t offset, std::uint8_t value, std::uint64_t now) {
    advance(now);
    switch (offset) {
        case 0x2B:
            baud_ = value;
            break;
        case 0x2C:
            sccr1_ = value;
            break;
        case 0x2D: {
            const bool transmitter_enabled = (value & TE) && !(sccr2_ & TE);
            sccr2_ = value;
            if (transmitter_enabled && transmit_done_ == never) {
                // Enabling the transmitter sends one idle character first.
                shifting_preamble_ = true;
                transmit_done_ = now + character_cycles();
                scsr_ = static_cast<std::uint8_t>(scsr_ & ~TC);
            }
            break;
        }
        case 0x2E:
            break;  // read-only
        default: {
            transmit_data_ = value;
            data_from_outbox_ = false;
            const std::uint8_t clearable = seen_in_status_ & (TDRE | TC);
            if (clearable & TDRE) {
                scsr_ = static_cast<std::uint8_t>(scsr_ & ~clearable);
                seen_in_status_ = static_cast<std::uint8_t>(seen_in_status_ & ~clearable);
                start_transmitter(now);
            }
            break;
        }
    }
}

void Sci::start_transmitter(std::uint64_t now) {
    if (transmit_done_ != never || (scsr_ & TDRE) || !(sccr2_ & TE)) return;
    shifting_ = transmit_data_;
    shifting_preamble_ = false;
    shifting_from_outbox_ = data_from_outbox_;
    scsr_ |= TDRE;
    transmit_done_ = now + character_cycles();
}

void Sci::send(std::uint8_t byte, std::uint64_t now) {
    advance(now);
    outbox_.push_back(byte);
    load_from_outbox(now);
}

void Sci::load_from_outbox(std::uint64_t now) {
    while (!outbox_.empty() && (scsr_ & TDRE)) {
        transmit_data_ = outbox_.front();
        data_from_outbox_ = true;
        outbox_.pop_front();
        scsr_ = static_cast<std::uint8_t>(scsr_ & ~(TDRE | TC));
        start_transmitter(now);
    }
}

std::vector<std::uint8_t> Sci::program_characters_unsent() const {
    std::vector<std::uint8_t> unsent;
    if (transmit_done_ != never && !shifting_preamble_ && !shifting_from_outbox_) {
        unsent.push_back(shifting_);
    }
    if (!(scsr_ & TDRE) && !data_from_outbox_) unsent.push_back(transmit_data_);
    return unsent;
}

void Sci::receive(std::uint8_t byte, std::uint64_t now) {
    advance(now);
    line_.push_back(byte);
    if (receive_done_ == never) receive_done_ = now + character_cycles();
}

void Sci::receive_complete(std::uint8_t byte, std::uint64_t now, std::uint8_t errors) {
    advance(now);
    deliver(byte, now, errors & (NF | FE));
}

void Sci::finish_reception(std::uint64_t at) {
    const std::uint8_t byte = line_.front();
    line_.pop_front();
    deliver(byte, at);
    receive_done_ = line_.empty() ? never : at + character_cycles();
}

void Sci::deliver(std::uint8_t byte, std::uint64_t at, std::uint8_t errors) {
    if (sccr2_ & RE) {
        if (scsr_ & RDRF) {
            scsr_ |= OR;  // the program did not read in time: the new character is lost
        } else {
            receive_data_ = byte;
            scsr_ = static_cast<std::uint8_t>((scsr_ & ~(NF | FE)) | RDRF | errors);
        }
        idle_at_ = at + character_cycles();
    }
}

void Sci::advance(std::uint64_t now) {
    while (transmit_done_ <= now || receive_done_ <= now || idle_at_ <= now) {
        const std::uint64_t at = next_event();
        if (at == transmit_done_) {
            transmit_done_ = never;
            if (!shifting_preamble_ && on_transmit_) on_transmit_(shifting_);
            start_transmitter(at);
            load_from_outbox(at);
            if (transmit_done_ == never) scsr_ |= TC;
        } else if (at == receive_done_) {
            finish_reception(at);
        } else {
            idle_at_ = never;
            if (receive_done_ == never && (sccr2_ & RE)) scsr_ |= IDLE;
        }
    }
}

std::uint64_t Sci::next_event() const {
    std::uint64_t next = transmit_done_;
    if (receive_done_ < next) next = receive_done_;
    if (idle_at_ < next) next = idle_at_;
    return next;
}

bool Sci::interrupt_pending() const {
    const std::uint8_t control = sccr2_;
    return ((control & TIE) && (scsr_ & TDRE)) || ((control & TCIE) && (scsr_ & TC)) ||
           ((control & RIE) && (scsr_ & (RDRF | OR))) || ((control & ILIE) && (scsr_ & IDLE));
}

}  // namespace hc11
