// The board built around a monitor ROM image: the bare chip's reset, the ROM's own vectors, the
// time-protected registers, the PE0 pin and memory that survives the reset button.
#include <gtest/gtest.h>

#include <initializer_list>

#include "hc11/board.h"

namespace hc11 {
namespace {

// An erased ROM with `code` at E000 and the reset vector pointing there.
RomImage rom_with(std::initializer_list<std::uint8_t> code) {
    RomImage rom;
    rom.fill(0xFF);
    std::size_t i = 0;
    for (const std::uint8_t byte : code) rom[i++] = byte;
    rom[0x1FFE] = 0xE0;
    rom[0x1FFF] = 0x00;
    return rom;
}

std::uint8_t register_value(const Board& board, std::uint8_t offset) {
    return board.read(static_cast<std::uint16_t>(board_map::REGISTERS + offset));
}

TEST(RomBoard, ResetStartsTheRomFromItsVectorWithTheChipInItsResetState) {
    RomImage rom = rom_with({0x20, 0xFE});  // BRA *
    rom[0x1FF6] = 0xE1;                     // the SWI vector belongs to the ROM too
    rom[0x1FF7] = 0x23;
    Board board(rom);
    EXPECT_TRUE(board.runs_rom());
    EXPECT_EQ(board.regs().pc, 0xE000);
    EXPECT_EQ(board.regs().ccr, ccr::S | ccr::X | ccr::I);
    EXPECT_EQ(board.read(0xFFF6), 0xE1);
    // Nothing of a monitor's setup: the SCI is off and the pseudo-vectors are empty RAM.
    EXPECT_EQ(register_value(board, reg::BAUD), 0x00);
    EXPECT_EQ(register_value(board, reg::SCCR2), 0x00);
    EXPECT_EQ(board.read(board_map::PSEUDO_VECTORS), 0x00);
    EXPECT_EQ(register_value(board, reg::BPROT), 0x1F);
    EXPECT_EQ(register_value(board, reg::OPTION), 0x10);
    EXPECT_EQ(register_value(board, reg::HPRIO) & 0x60, 0x20);  // MDA set, SMOD clear: expanded
    // The ROM is the monitor: running inside it is not an entry into the monitor.
    const RunResult result = board.run_cycles(1000);
    EXPECT_EQ(result.reason, StopReason::time_used);
    EXPECT_GE(result.cycles, 1000u);
    EXPECT_EQ(board.regs().pc, 0xE000);
    // Host writes cannot change the ROM.
    EXPECT_FALSE(board.write(0xE000, 0x01));
    EXPECT_EQ(board.read(0xE000), 0x20);
}

TEST(RomBoard, ProtectedRegistersTakeTheirWritesOnlyInTheFirst64Cycles) {
    const RomImage rom = rom_with({
        0x4F,                          // CLRA
        0xB7, 0x10, 0x39,              // STAA OPTION      00
        0x86, 0x03,                    // LDAA #03
        0xB7, 0x10, 0x24,              // STAA TMSK2       divide by 16
        0x7F, 0x10, 0x35,              // CLR BPROT        EEPROM unprotected
        0xCE, 0x00, 0x10,              // LDX #16
        0x09, 0x26, 0xFD,              // DEX, BNE: about 100 cycles
        0x86, 0xD3,                    // LDAA #D3
        0xB7, 0x10, 0x39,              // STAA OPTION      only ADPU, CSEL, CME take it
        0x7F, 0x10, 0x24,              // CLR TMSK2        the prescaler stays
        0x86, 0x05,                    // LDAA #05
        0xB7, 0x10, 0x35,              // STAA BPROT       protection can always be added...
        0x7F, 0x10, 0x35,              // CLR BPROT        ...but no longer removed
        0x86, 0x5A, 0xB7, 0x30, 0x00,  // STAA 3000
        0x20, 0xFE,                    // BRA *
    });
    Board board(rom);
    board.run_cycles(400);
    EXPECT_EQ(register_value(board, reg::OPTION), 0xC0);
    EXPECT_EQ(register_value(board, reg::TMSK2), 0x03);
    EXPECT_EQ(board.timer().prescale(), 16u);
    EXPECT_EQ(register_value(board, reg::BPROT), 0x05);
    EXPECT_EQ(board.read(0x3000), 0x5A);

    // The reset button: the registers start over and the window opens again, RAM keeps its
    // contents, and the ROM runs from its reset vector once more.
    board.write(0x2400, 0x42);
    board.reset();
    EXPECT_EQ(board.regs().pc, 0xE000);
    EXPECT_EQ(register_value(board, reg::BPROT), 0x1F);
    EXPECT_EQ(board.read(0x2400), 0x42);
    EXPECT_EQ(board.read(0x3000), 0x5A);
    board.run_cycles(20);
    EXPECT_EQ(register_value(board, reg::BPROT), 0x00);
    EXPECT_EQ(register_value(board, reg::OPTION), 0x00);
}

TEST(RomBoard, ThePe0PinHprioAndTheUnmappedSpaceAsTheRomReadsThem) {
    const RomImage rom = rom_with({
        0xB6, 0x10, 0x0A, 0x97, 0x10,  // LDAA PORTE, STAA $10
        0x86, 0x03, 0xB7, 0x98, 0x00,  // an ACIA's reset command into unmapped space
        0xB6, 0x98, 0x00, 0x97, 0x11,  // its status: LDAA $9800, STAA $11
        0xB6, 0xD0, 0x0C, 0x97, 0x12,  // LDAA $D00C, STAA $12
        0xB6, 0x10, 0x3C, 0x97, 0x13,  // LDAA HPRIO, STAA $13
        0x20, 0xFE,
    });
    for (const std::uint8_t pins : {0x00, 0x01}) {
        Board board(rom);
        board.set_port_e(pins);
        board.run_cycles(100);
        EXPECT_EQ(board.read(0x0010), pins);
        EXPECT_EQ(board.read(0x0011), 0xFF);
        EXPECT_EQ(board.read(0x0012), 0xFF);
        EXPECT_EQ(board.read(0x0013), 0x26);
    }
}

}  // namespace
}  // namespace hc11
