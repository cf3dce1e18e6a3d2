// The CME11E9 memory map seen by programs and by the host, and the EEPROM programming sequence.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using MemoryMapTest = CpuTest;

TEST_F(MemoryMapTest, ProgramWritesToRomAndUnmappedSpaceAreIgnored) {
    start_program({0x86, 0x55,        // LDAA #$55
                   0xB7, 0xE1, 0x00,  // STAA $E100 (monitor ROM)
                   0xB7, 0x90, 0x00,  // STAA $9000 (unmapped)
                   0xB7, 0x30, 0x00,  // STAA $3000 (external RAM)
                   0xF6, 0x90, 0x00,  // LDAB $9000
                   0x20, 0xFE});
    board.run_cycles(30);
    EXPECT_EQ(board.read(0xE100), 0xFF);
    EXPECT_EQ(board.read(0x9000), 0xFF);
    EXPECT_EQ(board.read(0x3000), 0x55);
    EXPECT_EQ(r.b, 0xFF);
}

TEST_F(MemoryMapTest, RegionsAndTheirBoundaries) {
    EXPECT_EQ(MemoryMap::region_of(0x0000), Region::ram);
    EXPECT_EQ(MemoryMap::region_of(0x01FF), Region::ram);
    EXPECT_EQ(MemoryMap::region_of(0x0FFF), Region::ram);
    EXPECT_EQ(MemoryMap::region_of(0x1000), Region::registers);
    EXPECT_EQ(MemoryMap::region_of(0x103F), Region::registers);
    EXPECT_EQ(MemoryMap::region_of(0x1040), Region::ram);
    EXPECT_EQ(MemoryMap::region_of(0x7FFF), Region::ram);
    EXPECT_EQ(MemoryMap::region_of(0x8000), Region::unmapped);
    EXPECT_EQ(MemoryMap::region_of(0xB5FF), Region::unmapped);
    EXPECT_EQ(MemoryMap::region_of(0xB600), Region::eeprom);
    EXPECT_EQ(MemoryMap::region_of(0xB7FF), Region::eeprom);
    EXPECT_EQ(MemoryMap::region_of(0xB800), Region::unmapped);
    EXPECT_EQ(MemoryMap::region_of(0xE000), Region::rom);
}

TEST_F(MemoryMapTest, HostLoadStopsAtTheEndOfRam) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4};
    EXPECT_EQ(board.load(0x7FFE, bytes), 2u);
    EXPECT_EQ(board.read(0x7FFF), 2);
    EXPECT_FALSE(board.write(0xF000, 0x00));
    EXPECT_TRUE(board.write(0xB700, 0x12));  // the monitor programs EEPROM directly
    EXPECT_EQ(board.read(0xB700), 0x12);
    EXPECT_TRUE(board.write(0x1040, 0x34));  // RAM right behind the register block
    EXPECT_EQ(board.read(0x1040), 0x34);
}

TEST_F(MemoryMapTest, VectorsLeadThroughTheMonitorsJumpTable) {
    EXPECT_EQ(word_at(0xFFD6), 0x00C4);  // SCI
    EXPECT_EQ(word_at(0xFFF0), 0x00EB);  // RTI
    EXPECT_EQ(word_at(0xFFF2), 0x00EE);  // IRQ
    EXPECT_EQ(word_at(0xFFF6), 0x00F4);  // SWI
    EXPECT_EQ(word_at(0xFFFC), 0x00FD);  // clock monitor
    EXPECT_EQ(word_at(0xFFFE), 0xE000);  // reset
    EXPECT_EQ(board.read(0x00C4), 0x7E);
    EXPECT_EQ(word_at(0x00C5), 0xE0D6);
}

TEST_F(MemoryMapTest, EepromChangesOnlyThroughPprog) {
    board.write(0xB601, 0xF0);
    start_program({0x86, 0x3C, 0xB7, 0xB6, 0x00,  // STAA $B600 with EELAT clear: ignored
                   0x86, 0x02, 0xB7, 0x10, 0x3B,  // EELAT
                   0x86, 0x3C, 0xB7, 0xB6, 0x00,  // latch $3C for $B600
                   0x86, 0x03, 0xB7, 0x10, 0x3B,  // EELAT | EPGM: program
                   0x7F, 0x10, 0x3B,              // CLR PPROG
                   0x86, 0x02, 0xB7, 0x10, 0x3B,  // EELAT
                   0x86, 0x3C, 0xB7, 0xB6, 0x01,  // latch $3C for $B601
                   0x86, 0x03, 0xB7, 0x10, 0x3B,  // program: bits only go from 1 to 0
                   0x7F, 0x10, 0x3B,              // CLR PPROG
                   0x20, 0xFE});
    board.run_cycles(16);
    EXPECT_EQ(board.read(0xB600), 0xFF);
    board.run_cycles(200);
    EXPECT_EQ(board.read(0xB600), 0x3C);
    EXPECT_EQ(board.read(0xB601), 0x30);
}

TEST_F(MemoryMapTest, EepromByteErase) {
    board.write(0xB610, 0x00);
    board.write(0xB611, 0x00);
    start_program({0x86, 0x16, 0xB7, 0x10, 0x3B,  // BYTE | ERASE | EELAT
                   0xB7, 0xB6, 0x10,              // latch $B610
                   0x86, 0x17, 0xB7, 0x10, 0x3B,  // + EPGM
                   0x7F, 0x10, 0x3B, 0x20, 0xFE});
    board.run_cycles(100);
    EXPECT_EQ(board.read(0xB610), 0xFF);
    EXPECT_EQ(board.read(0xB611), 0x00);
}

TEST_F(MemoryMapTest, BlockProtectedEepromKeepsItsCells) {
    board.write(0xB600, 0x00);
    start_program({0x86, 0x01, 0xB7, 0x10, 0x35,  // BPROT: protect B600-B61F (setting is allowed)
                   0x86, 0x16, 0xB7, 0x10, 0x3B,  // BYTE | ERASE | EELAT
                   0xB7, 0xB6, 0x00,              // latch $B600
                   0x86, 0x17, 0xB7, 0x10, 0x3B,  // + EPGM: refused
                   0x7F, 0x10, 0x3B,              // CLR PPROG
                   0x86, 0x02, 0xB7, 0x10, 0x3B,  // EELAT
                   0x86, 0x3C, 0xB7, 0xB6, 0x20,  // latch $3C for $B620 (not protected)
                   0x86, 0x03, 0xB7, 0x10, 0x3B,  // program
                   0x7F, 0x10, 0x3B, 0x20, 0xFE});
    board.run_cycles(200);
    EXPECT_EQ(board.read(0x1035), 0x01);
    EXPECT_EQ(board.read(0xB600), 0x00);
    EXPECT_EQ(board.read(0xB620), 0x3C);
}

TEST_F(MemoryMapTest, TraceReportsEachInstructionWithItsPrefix) {
    std::vector<TraceRecord> records;
    board.set_trace([&](const TraceRecord& record) { records.push_back(record); });
    start_program({0x18, 0xCE, 0x12, 0x34, 0x86, 0x01, 0x20, 0xFE});
    board.run_cycles(6);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[0].pc, 0x2400);
    EXPECT_EQ(records[0].prefix, 0x18);
    EXPECT_EQ(records[0].opcode, 0xCE);
    EXPECT_EQ(records[1].pc, 0x2404);
    EXPECT_EQ(records[1].regs.y, 0x1234);
    EXPECT_EQ(format_trace(records[1]).substr(0, 60),
              "2404  86     A=00 B=00 X=0000 Y=1234 SP=0041 CCR=D0 SX-I----");
}

}  // namespace
}  // namespace hc11::testing
