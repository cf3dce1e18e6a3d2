// Arithmetic and logic with the condition codes the 68HC11 reference manual defines.
// Every function takes the CCR by reference and updates exactly the bits the instruction affects.
#pragma once

#include <cstdint>

#include "hc11/registers.h"

namespace hc11::alu {

inline void set_flag(std::uint8_t& cc, std::uint8_t bit, bool on) {
    cc = on ? static_cast<std::uint8_t>(cc | bit) : static_cast<std::uint8_t>(cc & ~bit);
}

inline void nz8(std::uint8_t& cc, std::uint8_t v) {
    set_flag(cc, ccr::N, (v & 0x80) != 0);
    set_flag(cc, ccr::Z, v == 0);
}

inline void nz16(std::uint8_t& cc, std::uint16_t v) {
    set_flag(cc, ccr::N, (v & 0x8000) != 0);
    set_flag(cc, ccr::Z, v == 0);
}

// Loads, stores, transfers and logic: N, Z, V cleared.
inline std::uint8_t logic8(std::uint8_t& cc, std::uint8_t v) {
    nz8(cc, v);
    set_flag(cc, ccr::V, false);
    return v;
}

inline std::uint16_t logic16(std::uint8_t& cc, std::uint16_t v) {
    nz16(cc, v);
    set_flag(cc, ccr::V, false);
    return v;
}

// ADD, ADC, ABA: H N Z V C.
inline std::uint8_t add8(std::uint8_t& cc, std::uint8_t a, std::uint8_t m, bool carry_in) {
    const unsigned r = a + m + (carry_in ? 1u : 0u);
    const auto r8 = static_cast<std::uint8_t>(r);
    set_flag(cc, ccr::H, ((a ^ m ^ r) & 0x10) != 0);
    set_flag(cc, ccr::V, (~(a ^ m) & (a ^ r) & 0x80) != 0);
    set_flag(cc, ccr::C, r > 0xFF);
    nz8(cc, r8);
    return r8;
}

// SUB, SBC, CMP, SBA, CBA: N Z V C (C is the borrow).
inline std::uint8_t sub8(std::uint8_t& cc, std::uint8_t a, std::uint8_t m, bool borrow_in) {
    const int r = a - m - (borrow_in ? 1 : 0);
    const auto r8 = static_cast<std::uint8_t>(r);
    set_flag(cc, ccr::V, ((a ^ m) & (a ^ r8) & 0x80) != 0);
    set_flag(cc, ccr::C, r < 0);
    nz8(cc, r8);
    return r8;
}

inline std::uint16_t add16(std::uint8_t& cc, std::uint16_t a, std::uint16_t m) {
    const unsigned r = static_cast<unsigned>(a) + m;
    const auto r16 = static_cast<std::uint16_t>(r);
    set_flag(cc, ccr::V, (~(a ^ m) & (a ^ r) & 0x8000) != 0);
    set_flag(cc, ccr::C, r > 0xFFFF);
    nz16(cc, r16);
    return r16;
}

inline std::uint16_t sub16(std::uint8_t& cc, std::uint16_t a, std::uint16_t m) {
    const int r = static_cast<int>(a) - m;
    const auto r16 = static_cast<std::uint16_t>(r);
    set_flag(cc, ccr::V, ((a ^ m) & (a ^ r16) & 0x8000) != 0);
    set_flag(cc, ccr::C, r < 0);
    nz16(cc, r16);
    return r16;
}

// The read-modify-write group (NEG ... CLR), selected by the opcode's low nibble.
// Returns the result; TST's result equals its operand.
inline std::uint8_t modify8(std::uint8_t& cc, std::uint8_t low_nibble, std::uint8_t m) {
    std::uint8_t r = m;
    switch (low_nibble) {
        case 0x0:  // NEG
            r = static_cast<std::uint8_t>(0 - m);
            set_flag(cc, ccr::V, r == 0x80);
            set_flag(cc, ccr::C, r != 0);
            nz8(cc, r);
            return r;
        case 0x3:  // COM
            r = static_cast<std::uint8_t>(~m);
            set_flag(cc, ccr::C, true);
            return logic8(cc, r);
        case 0x4:  // LSR
            r = static_cast<std::uint8_t>(m >> 1);
            set_flag(cc, ccr::C, m & 1);
            break;
        case 0x6:  // ROR
            r = static_cast<std::uint8_t>((m >> 1) | ((cc & ccr::C) ? 0x80 : 0));
            set_flag(cc, ccr::C, m & 1);
            break;
        case 0x7:  // ASR
            r = static_cast<std::uint8_t>((m >> 1) | (m & 0x80));
            set_flag(cc, ccr::C, m & 1);
            break;
        case 0x8:  // ASL
            r = static_cast<std::uint8_t>(m << 1);
            set_flag(cc, ccr::C, (m & 0x80) != 0);
            break;
        case 0x9:  // ROL
            r = static_cast<std::uint8_t>((m << 1) | ((cc & ccr::C) ? 1 : 0));
            set_flag(cc, ccr::C, (m & 0x80) != 0);
            break;
        case 0xA:  // DEC
            r = static_cast<std::uint8_t>(m - 1);
            set_flag(cc, ccr::V, m == 0x80);
            nz8(cc, r);
            return r;
        case 0xC:  // INC
            r = static_cast<std::uint8_t>(m + 1);
            set_flag(cc, ccr::V, m == 0x7F);
            nz8(cc, r);
            return r;
        case 0xD:  // TST
            set_flag(cc, ccr::C, false);
            return logic8(cc, m);
        case 0xF:  // CLR
            set_flag(cc, ccr::C, false);
            return logic8(cc, 0);
        default:
            return r;
    }
    // Shifts and rotates: V = N xor C after the shift.
    nz8(cc, r);
    set_flag(cc, ccr::V, ((cc & ccr::N) != 0) != ((cc & ccr::C) != 0));
    return r;
}

// DAA after an addition of two BCD bytes.
inline std::uint8_t daa(std::uint8_t& cc, std::uint8_t a) {
    std::uint8_t correction = 0;
    bool carry = (cc & ccr::C) != 0;
    if ((cc & ccr::H) || (a & 0x0F) > 9) correction |= 0x06;
    if (carry || a > 0x99) {
        correction |= 0x60;
        carry = true;
    }
    const auto r = static_cast<std::uint8_t>(a + correction);
    nz8(cc, r);
    set_flag(cc, ccr::C, carry);
    return r;
}

}  // namespace hc11::alu
