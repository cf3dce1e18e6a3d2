// The serial communications interface, with the line's real timing: a character takes ten (or,
// with M set, eleven) bit times at the rate BAUD selects, both ways.
//
// Flags clear as on the chip: RDRF, OR, IDLE, NF and FE by a read of SCSR that saw them set
// followed by a read of SCDR; TDRE and TC by a read of SCSR that saw them set followed by a write
// to SCDR. A write to SCDR without that read loads the data register but sends nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <vector>

namespace hc11 {

class Sci {
  public:
    static constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();

    using TransmitHandler = std::function<void(std::uint8_t)>;

    void reset();
    void set_transmit_handler(TransmitHandler handler) { on_transmit_ = std::move(handler); }

    // Register access from the processor (offset within the register block).
    std::uint8_t read(std::uint8_t offset, std::uint64_t now);
    void write(std::uint8_t offset, std::uint8_t value, std::uint64_t now);
    std::uint8_t peek(std::uint8_t offset) const;

    // A byte arriving on the line from the host. Bytes queue on the line and reach the receiver
    // one character time apart.
    void receive(std::uint8_t byte, std::uint64_t now);
    std::size_t bytes_on_line() const { return line_.size(); }
    // A byte whose stop bit has arrived just now, for hosts that time the line themselves.
    // `errors` (sci_bits::FE, sci_bits::NF) says how the line spoilt it: a character sent at
    // another rate ends in a framing error, a disturbed one raises noise. They set in SCSR with
    // RDRF, as the receiver on the chip sets them.
    void receive_complete(std::uint8_t byte, std::uint64_t now, std::uint8_t errors = 0);

    // The monitor's output: each character goes into the transmit data register as soon as that is
    // empty, as the monitor's own output routine puts it there.
    void send(std::uint8_t byte, std::uint64_t now);
    // In the transmit handler: whether the character that has just left came from send() rather
    // than from the program's write of SCDR.
    bool sent_from_outbox() const { return shifting_from_outbox_; }
    // The characters the program gave the transmitter that have not left yet, oldest first: the
    // one shifting out, then the one waiting in SCDR.
    std::vector<std::uint8_t> program_characters_unsent() const;

    void advance(std::uint64_t now);
    std::uint64_t next_event() const;

    bool interrupt_pending() const;

    // E cycles per bit and per character at the current BAUD and SCCR1 settings.
    std::uint64_t bit_cycles() const;
    std::uint64_t character_cycles() const;

  private:
    void start_transmitter(std::uint64_t now);
    void load_from_outbox(std::uint64_t now);
    void finish_reception(std::uint64_t at);
    void deliver(std::uint8_t byte, std::uint64_t at, std::uint8_t errors = 0);

    std::uint8_t baud_ = 0;
    std::uint8_t sccr1_ = 0;
    std::uint8_t sccr2_ = 0;
    std::uint8_t scsr_ = 0xC0;
    std::uint8_t receive_data_ = 0;
    std::uint8_t transmit_data_ = 0;
    std::uint8_t seen_in_status_ = 0;  // SCSR flags the last SCSR read saw set

    std::uint8_t shifting_ = 0;       // the character on its way out
    bool shifting_preamble_ = false;  // an idle character after TE was set
    bool shifting_from_outbox_ = false;
    bool data_from_outbox_ = false;  // what transmit_data_ holds came from send()
    std::uint64_t transmit_done_ = never;
    std::deque<std::uint8_t> outbox_;  // the monitor's characters not yet in the data register

    std::deque<std::uint8_t> line_;  // received bytes not yet through the receiver
    std::uint64_t receive_done_ = never;
    std::uint64_t idle_at_ = never;

    TransmitHandler on_transmit_;
};

}  // namespace hc11
