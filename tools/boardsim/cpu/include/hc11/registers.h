// Fixed facts of the 68HC11E9 and the CME11E9 board: condition-code bits, the on-chip register
// offsets (relative to the register block at 1000), interrupt vectors and the board's memory map.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hc11 {

// Condition code register bits.
namespace ccr {
inline constexpr std::uint8_t S = 0x80;  // STOP disable
inline constexpr std::uint8_t X = 0x40;  // XIRQ mask
inline constexpr std::uint8_t H = 0x20;  // half carry
inline constexpr std::uint8_t I = 0x10;  // interrupt mask
inline constexpr std::uint8_t N = 0x08;
inline constexpr std::uint8_t Z = 0x04;
inline constexpr std::uint8_t V = 0x02;
inline constexpr std::uint8_t C = 0x01;
inline constexpr std::uint8_t after_reset = S | X | I;
}  // namespace ccr

// Offsets inside the 64-byte register block.
namespace reg {
inline constexpr std::uint8_t PORTA = 0x00;
inline constexpr std::uint8_t PORTE = 0x0A;
inline constexpr std::uint8_t CFORC = 0x0B;
inline constexpr std::uint8_t OC1M = 0x0C;
inline constexpr std::uint8_t OC1D = 0x0D;
inline constexpr std::uint8_t TCNT_HI = 0x0E;
inline constexpr std::uint8_t TCNT_LO = 0x0F;
inline constexpr std::uint8_t TOC1_HI = 0x16;  // TOC2, TOC3, TOC4 and TI4O5 follow, two bytes each
inline constexpr std::uint8_t TI4O5_LO = 0x1F;
inline constexpr std::uint8_t TCTL1 = 0x20;
inline constexpr std::uint8_t TMSK1 = 0x22;
inline constexpr std::uint8_t TFLG1 = 0x23;
inline constexpr std::uint8_t TMSK2 = 0x24;
inline constexpr std::uint8_t TFLG2 = 0x25;
inline constexpr std::uint8_t PACTL = 0x26;
inline constexpr std::uint8_t BAUD = 0x2B;
inline constexpr std::uint8_t SCCR1 = 0x2C;
inline constexpr std::uint8_t SCCR2 = 0x2D;
inline constexpr std::uint8_t SCSR = 0x2E;
inline constexpr std::uint8_t SCDR = 0x2F;
inline constexpr std::uint8_t BPROT = 0x35;
inline constexpr std::uint8_t OPTION = 0x39;
inline constexpr std::uint8_t PPROG = 0x3B;
inline constexpr std::uint8_t HPRIO = 0x3C;
inline constexpr std::uint8_t INIT = 0x3D;
inline constexpr std::uint8_t CONFIG = 0x3F;
}  // namespace reg

// The chip's state after reset in the board's expanded mode, where it differs from zero.
namespace reset_value {
inline constexpr std::uint8_t BPROT = 0x1F;   // every EEPROM block and CONFIG protected
inline constexpr std::uint8_t OPTION = 0x10;  // DLY: oscillator start-up delay after STOP
inline constexpr std::uint8_t HPRIO = 0x26;   // MDA (expanded mode), IRQ the highest priority
inline constexpr std::uint8_t INIT = 0x01;    // RAM at 0000, registers at 1000
inline constexpr std::uint8_t CONFIG = 0x0F;  // EEPROM and ROM on
}  // namespace reset_value

// OPTION's bits writable at any time (ADPU, CSEL, CME); IRQE, DLY, CR1 and CR0 only within 64 E
// cycles of reset. BPROT's bits can be set at any time but cleared only within that window.
inline constexpr std::uint8_t OPTION_WRITABLE_ANY_TIME = 0xC8;

// Bits of TMSK2 / TFLG2 / PACTL.
namespace timer_bits {
inline constexpr std::uint8_t TOF = 0x80;   // TFLG2; TOI in TMSK2
inline constexpr std::uint8_t RTIF = 0x40;  // TFLG2; RTII in TMSK2
inline constexpr std::uint8_t PR_MASK = 0x03;
inline constexpr std::uint8_t RTR_MASK = 0x03;
inline constexpr std::uint8_t I4_O5 = 0x04;  // PACTL: set, TI4O5 is input capture 4, not OC5
}  // namespace timer_bits

// Bits of SCCR2 and SCSR.
namespace sci_bits {
inline constexpr std::uint8_t TIE = 0x80;
inline constexpr std::uint8_t TCIE = 0x40;
inline constexpr std::uint8_t RIE = 0x20;
inline constexpr std::uint8_t ILIE = 0x10;
inline constexpr std::uint8_t TE = 0x08;
inline constexpr std::uint8_t RE = 0x04;

inline constexpr std::uint8_t TDRE = 0x80;
inline constexpr std::uint8_t TC = 0x40;
inline constexpr std::uint8_t RDRF = 0x20;
inline constexpr std::uint8_t IDLE = 0x10;
inline constexpr std::uint8_t OR = 0x08;
inline constexpr std::uint8_t NF = 0x04;  // noise seen while the character was received
inline constexpr std::uint8_t FE = 0x02;  // framing error: its stop bit was a zero

inline constexpr std::uint8_t M = 0x10;  // SCCR1: nine data bits
}  // namespace sci_bits

// Interrupt vectors (addresses of the 16-bit handler addresses).
// In the order of their addresses, which is the chip's fixed priority: the higher the address,
// the higher the priority among the maskable interrupts.
namespace vector {
inline constexpr std::uint16_t SCI = 0xFFD6;
inline constexpr std::uint16_t SPI = 0xFFD8;
inline constexpr std::uint16_t PULSE_INPUT = 0xFFDA;
inline constexpr std::uint16_t PULSE_OVERFLOW = 0xFFDC;
inline constexpr std::uint16_t TOF = 0xFFDE;
inline constexpr std::uint16_t OC5 = 0xFFE0;
inline constexpr std::uint16_t OC4 = 0xFFE2;
inline constexpr std::uint16_t OC3 = 0xFFE4;
inline constexpr std::uint16_t OC2 = 0xFFE6;
inline constexpr std::uint16_t OC1 = 0xFFE8;
inline constexpr std::uint16_t IC3 = 0xFFEA;
inline constexpr std::uint16_t IC2 = 0xFFEC;
inline constexpr std::uint16_t IC1 = 0xFFEE;
inline constexpr std::uint16_t RTI = 0xFFF0;
inline constexpr std::uint16_t IRQ = 0xFFF2;
inline constexpr std::uint16_t XIRQ = 0xFFF4;
inline constexpr std::uint16_t SWI = 0xFFF6;
inline constexpr std::uint16_t ILLEGAL_OPCODE = 0xFFF8;
inline constexpr std::uint16_t RESET = 0xFFFE;
inline constexpr std::uint16_t FIRST = 0xFFD6;  // lowest vector the 68HC11E9 uses
}  // namespace vector

// The CME11E9 memory map.
namespace board_map {
inline constexpr std::uint16_t INTERNAL_RAM_END = 0x01FF;
inline constexpr std::uint16_t REGISTERS = 0x1000;
inline constexpr std::uint16_t REGISTERS_END = 0x103F;
inline constexpr std::uint16_t EXTERNAL_RAM_END = 0x7FFF;
inline constexpr std::uint16_t EEPROM = 0xB600;
inline constexpr std::uint16_t EEPROM_END = 0xB7FF;
inline constexpr std::uint16_t MONITOR_ROM = 0xE000;
inline constexpr std::size_t MONITOR_ROM_SIZE = 0x2000;  // E000-FFFF
inline constexpr std::size_t EEPROM_SIZE = 0x200;        // B600-B7FF
inline constexpr std::uint16_t PROGRAM_START = 0x2400;
// The monitor's jump table in internal RAM: one three-byte JMP per vector, SCI first.
inline constexpr std::uint16_t PSEUDO_VECTORS = 0x00C4;
inline constexpr std::uint16_t DEFAULT_USER_STACK = 0x0041;
}  // namespace board_map

// Address of the pseudo-vector (JMP slot in RAM) the monitor ROM routes a vector to.
constexpr std::uint16_t pseudo_vector_for(std::uint16_t vector_address) {
    return static_cast<std::uint16_t>(board_map::PSEUDO_VECTORS +
                                      3 * ((vector_address - vector::FIRST) / 2));
}

}  // namespace hc11
