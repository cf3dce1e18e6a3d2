// Branches, branch-on-bit, bit manipulation, jumps and subroutine calls.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using Branches = CpuTest;

TEST_F(Branches, ConditionalBranchesFollowTheirConditions) {
    using namespace ccr;
    struct Case {
        std::uint8_t opcode, cc;
        bool taken;
    } cases[] = {
        {0x20, 0, true},     {0x21, 0xFF, false},                         // BRA, BRN
        {0x22, 0, true},     {0x22, C, false},     {0x22, Z, false},      // BHI
        {0x23, Z, true},     {0x23, 0, false},                            // BLS
        {0x24, 0, true},     {0x24, C, false},                            // BCC
        {0x25, C, true},     {0x25, 0, false},                            // BCS
        {0x26, 0, true},     {0x26, Z, false},                            // BNE
        {0x27, Z, true},     {0x27, 0, false},                            // BEQ
        {0x28, 0, true},     {0x28, V, false},                            // BVC
        {0x29, V, true},     {0x29, 0, false},                            // BVS
        {0x2A, 0, true},     {0x2A, N, false},                            // BPL
        {0x2B, N, true},     {0x2B, 0, false},                            // BMI
        {0x2C, N | V, true}, {0x2C, N, false},                            // BGE
        {0x2D, V, true},     {0x2D, N | V, false},                        // BLT
        {0x2E, 0, true},     {0x2E, Z, false},     {0x2E, N, false},      // BGT
        {0x2F, Z, true},     {0x2F, N, true},      {0x2F, N | V, false},  // BLE
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << int{c.opcode} << " ccr " << int{c.cc});
        r.ccr = c.cc;
        EXPECT_EQ(exec({c.opcode, 0x10}), 3);
        EXPECT_EQ(r.pc, c.taken ? 0x2412 : 0x2402);
    }
}

TEST_F(Branches, OffsetsAreSignedAndRelativeToTheNextInstruction) {
    exec({0x20, 0xFE});  // BRA *
    EXPECT_EQ(r.pc, 0x2400);
    exec({0x20, 0x80});
    EXPECT_EQ(r.pc, 0x2402 - 0x80);
}

TEST_F(Branches, BranchOnBitsSetAndClear) {
    board.write(0x0040, 0xF0);
    EXPECT_EQ(exec({0x12, 0x40, 0x30, 0x10}), 6);  // BRSET $40 #$30
    EXPECT_EQ(r.pc, 0x2414);
    exec({0x12, 0x40, 0x31, 0x10});
    EXPECT_EQ(r.pc, 0x2404);
    EXPECT_EQ(exec({0x13, 0x40, 0x0F, 0x10}), 6);  // BRCLR $40 #$0F
    EXPECT_EQ(r.pc, 0x2414);

    r.x = 0x0030;
    EXPECT_EQ(exec({0x1F, 0x10, 0x10, 0x10}), 7);  // BRCLR $10,X #$10
    EXPECT_EQ(r.pc, 0x2404);
    r.y = 0x0020;
    EXPECT_EQ(exec({0x18, 0x1E, 0x20, 0xC0, 0x10}), 8);  // BRSET $20,Y #$C0
    EXPECT_EQ(r.pc, 0x2415);
}

TEST_F(Branches, BranchOnBitsLeaveFlagsAlone) {
    board.write(0x0040, 0x00);
    r.ccr = ccr::N | ccr::C;
    exec({0x13, 0x40, 0xFF, 0x00});
    EXPECT_EQ(flags(), "-N--C");
}

TEST_F(Branches, BitSetAndClearUpdateMemoryAndFlags) {
    board.write(0x0040, 0x0F);
    r.ccr = ccr::V | ccr::C;
    EXPECT_EQ(exec({0x14, 0x40, 0x80}), 6);  // BSET $40 #$80
    EXPECT_EQ(board.read(0x0040), 0x8F);
    EXPECT_EQ(flags(), "-N--C");

    r.x = 0x0030;
    EXPECT_EQ(exec({0x1D, 0x10, 0x8F}), 7);  // BCLR $10,X #$8F
    EXPECT_EQ(board.read(0x0040), 0x00);
    EXPECT_EQ(flags(), "--Z-C");

    r.y = 0x0038;
    EXPECT_EQ(exec({0x18, 0x1C, 0x08, 0x01}), 8);  // BSET $08,Y #$01
    EXPECT_EQ(board.read(0x0040), 0x01);
    EXPECT_EQ(exec({0x18, 0x1D, 0x08, 0x01}), 8);  // BCLR $08,Y #$01
    EXPECT_EQ(board.read(0x0040), 0x00);
}

TEST_F(Branches, SubroutineCallsPushTheReturnAddress) {
    r.sp = 0x01F0;
    EXPECT_EQ(exec({0x8D, 0x10}), 6);  // BSR
    EXPECT_EQ(r.pc, 0x2412);
    EXPECT_EQ(r.sp, 0x01EE);
    EXPECT_EQ(word_at(0x01EF), 0x2402);

    EXPECT_EQ(exec({0xBD, 0x30, 0x00}), 6);  // JSR $3000
    EXPECT_EQ(r.pc, 0x3000);
    EXPECT_EQ(word_at(0x01ED), 0x2403);

    board.load(0x3000, std::vector<std::uint8_t>{0x39});  // RTS
    EXPECT_EQ(board.cpu().step(), 5);
    EXPECT_EQ(r.pc, 0x2403);
    EXPECT_EQ(r.sp, 0x01EE);

    EXPECT_EQ(exec({0x9D, 0x80}), 5);  // JSR $80
    EXPECT_EQ(r.pc, 0x0080);
    r.y = 0x3000;
    EXPECT_EQ(exec({0x18, 0xAD, 0x04}), 7);  // JSR 4,Y
    EXPECT_EQ(r.pc, 0x3004);
}

TEST_F(Branches, Jumps) {
    EXPECT_EQ(exec({0x7E, 0x30, 0x00}), 3);
    EXPECT_EQ(r.pc, 0x3000);
    r.x = 0x3000;
    EXPECT_EQ(exec({0x6E, 0x05}), 3);
    EXPECT_EQ(r.pc, 0x3005);
    r.y = 0x4000;
    EXPECT_EQ(exec({0x18, 0x6E, 0x05}), 4);
    EXPECT_EQ(r.pc, 0x4005);
}

}  // namespace
}  // namespace hc11::testing
