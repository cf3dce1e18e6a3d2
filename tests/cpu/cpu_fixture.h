// A board with its processor ready to execute single instructions placed at 2400.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "hc11/board.h"

namespace hc11::testing {

inline constexpr std::uint16_t code_address = 0x2400;

class CpuTest : public ::testing::Test {
  protected:
    CpuTest() {
        r.sp = 0x01F0;
        r.ccr = 0x00;
    }

    // Places the instruction bytes at 2400, executes one instruction, returns its cycles.
    int exec(std::initializer_list<std::uint8_t> code) {
        const std::vector<std::uint8_t> bytes(code);
        board.load(code_address, bytes);
        board.cpu().start_at(code_address);
        return board.cpu().step();
    }

    // The H N Z V C flags as letters, a dash for each clear one, e.g. "H-Z-C".
    std::string flags() const {
        std::string text = "HNZVC";
        const std::uint8_t bits[] = {ccr::H, ccr::N, ccr::Z, ccr::V, ccr::C};
        for (int i = 0; i < 5; ++i) {
            if ((r.ccr & bits[i]) == 0) text[static_cast<std::size_t>(i)] = '-';
        }
        return text;
    }

    // Loads a program at 2400 and starts it as the monitor's go command does.
    void start_program(std::initializer_list<std::uint8_t> code) {
        board.load(code_address, std::vector<std::uint8_t>(code));
        board.go(code_address);
    }

    // Writes a JMP to `handler` into the pseudo-vector the monitor routes `vector_address` to.
    void install_handler(std::uint16_t vector_address, std::uint16_t handler) {
        const std::uint16_t slot = pseudo_vector_for(vector_address);
        board.load(slot, std::vector<std::uint8_t>{0x7E, static_cast<std::uint8_t>(handler >> 8),
                                                   static_cast<std::uint8_t>(handler)});
    }

    std::string transmitted() {
        const std::vector<std::uint8_t> bytes = board.take_transmitted();
        return std::string(bytes.begin(), bytes.end());
    }

    std::uint16_t word_at(std::uint16_t address) const {
        return static_cast<std::uint16_t>(board.read(address) << 8 |
                                          board.read(static_cast<std::uint16_t>(address + 1)));
    }

    Board board;
    Registers& r = board.regs();
};

}  // namespace hc11::testing
