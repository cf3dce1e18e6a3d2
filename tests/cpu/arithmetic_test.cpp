// Arithmetic and logic: results, H N Z V C as the reference manual defines them, cycles.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using Arithmetic = CpuTest;

TEST_F(Arithmetic, AddSetsHalfCarryCarryAndZero) {
    r.a = 0x3A;
    EXPECT_EQ(exec({0x8B, 0xC6}), 2);  // ADDA #$C6
    EXPECT_EQ(r.a, 0x00);
    EXPECT_EQ(flags(), "H-Z-C");
}

TEST_F(Arithmetic, AddOverflowsIntoTheSignBit) {
    r.a = 0x7F;
    exec({0x8B, 0x01});
    EXPECT_EQ(r.a, 0x80);
    EXPECT_EQ(flags(), "HN-V-");
}

TEST_F(Arithmetic, AddWithCarryUsesTheCarryIn) {
    r.b = 0x0F;
    r.ccr = ccr::C;
    board.write(0x0040, 0x00);
    EXPECT_EQ(exec({0xD9, 0x40}), 3);  // ADCB $40
    EXPECT_EQ(r.b, 0x10);
    EXPECT_EQ(flags(), "H----");
}

TEST_F(Arithmetic, SubtractBorrowsAndLeavesHalfCarryAlone) {
    r.a = 0x00;
    r.ccr = ccr::H;
    exec({0x80, 0x01});  // SUBA #1
    EXPECT_EQ(r.a, 0xFF);
    EXPECT_EQ(flags(), "HN--C");
}

TEST_F(Arithmetic, SubtractOverflowsOutOfTheSignBit) {
    r.a = 0x80;
    exec({0x80, 0x01});
    EXPECT_EQ(r.a, 0x7F);
    EXPECT_EQ(flags(), "---V-");
}

TEST_F(Arithmetic, SubtractWithCarryAndCompare) {
    r.a = 0x10;
    r.ccr = ccr::C;
    exec({0x82, 0x0F});  // SBCA #$0F
    EXPECT_EQ(r.a, 0x00);
    EXPECT_EQ(flags(), "--Z--");

    r.b = 0x05;
    board.write(0x2500, 0x06);
    EXPECT_EQ(exec({0xF1, 0x25, 0x00}), 4);  // CMPB $2500
    EXPECT_EQ(r.b, 0x05);
    EXPECT_EQ(flags(), "-N--C");
}

TEST_F(Arithmetic, NegateAndComplement) {
    r.a = 0x80;
    exec({0x40});  // NEGA
    EXPECT_EQ(r.a, 0x80);
    EXPECT_EQ(flags(), "-N-VC");
    r.b = 0x00;
    exec({0x50});  // NEGB
    EXPECT_EQ(flags(), "--Z--");
    r.a = 0x0F;
    exec({0x43});  // COMA
    EXPECT_EQ(r.a, 0xF0);
    EXPECT_EQ(flags(), "-N--C");
}

TEST_F(Arithmetic, IncrementAndDecrementOverflowButKeepCarry) {
    r.a = 0x7F;
    r.ccr = ccr::C;
    exec({0x4C});  // INCA
    EXPECT_EQ(r.a, 0x80);
    EXPECT_EQ(flags(), "-N-VC");
    r.a = 0x80;
    r.ccr = 0;
    exec({0x4A});  // DECA
    EXPECT_EQ(r.a, 0x7F);
    EXPECT_EQ(flags(), "---V-");
    board.write(0x2500, 0xFF);
    EXPECT_EQ(exec({0x7C, 0x25, 0x00}), 6);  // INC $2500
    EXPECT_EQ(board.read(0x2500), 0x00);
    EXPECT_EQ(flags(), "--Z--");
}

TEST_F(Arithmetic, DecimalAdjustAfterBcdAddition) {
    struct Case {
        std::uint8_t a, m, result;
        bool carry;
    } cases[] = {
        {0x09, 0x08, 0x17, false},  // half carry
        {0x45, 0x55, 0x00, true},   // both nibbles overflow
        {0x50, 0x50, 0x00, true},   // upper nibble only
        {0x19, 0x28, 0x47, false},  // low digit A-F after the add
        {0x99, 0x99, 0x98, true},   // carry and half carry from the add
        {0x12, 0x34, 0x46, false},  // nothing to correct
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a);
        r.a = c.a;
        r.ccr = 0;
        exec({0x8B, c.m});           // ADDA
        EXPECT_EQ(exec({0x19}), 2);  // DAA
        EXPECT_EQ(r.a, c.result);
        EXPECT_EQ((r.ccr & ccr::C) != 0, c.carry);
        EXPECT_EQ((r.ccr & ccr::Z) != 0, c.result == 0);
    }
}

TEST_F(Arithmetic, MultiplySetsCarryFromBitSevenForRounding) {
    r.a = 0xFF;
    r.b = 0xFF;
    EXPECT_EQ(exec({0x3D}), 10);
    EXPECT_EQ(r.d(), 0xFE01);
    EXPECT_EQ(r.ccr & ccr::C, 0);
    r.a = 0x10;
    r.b = 0x08;
    exec({0x3D});
    EXPECT_EQ(r.d(), 0x0080);
    EXPECT_EQ(r.ccr & ccr::C, ccr::C);
}

TEST_F(Arithmetic, IntegerDivide) {
    r.set_d(54321);
    r.x = 123;
    EXPECT_EQ(exec({0x02}), 41);
    EXPECT_EQ(r.x, 441);
    EXPECT_EQ(r.d(), 78);
    EXPECT_EQ(flags(), "-----");

    r.set_d(5);
    r.x = 10;
    exec({0x02});
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.d(), 5);
    EXPECT_EQ(flags(), "--Z--");

    r.set_d(1234);
    r.x = 0;
    exec({0x02});
    EXPECT_EQ(r.x, 0xFFFF);
    EXPECT_EQ(flags(), "----C");
}

TEST_F(Arithmetic, FractionalDivide) {
    r.set_d(1);
    r.x = 3;
    EXPECT_EQ(exec({0x03}), 41);
    EXPECT_EQ(r.x, 0x5555);
    EXPECT_EQ(r.d(), 1);
    EXPECT_EQ(flags(), "-----");

    r.set_d(0x4000);
    r.x = 0x8000;
    exec({0x03});
    EXPECT_EQ(r.x, 0x8000);
    EXPECT_EQ(r.d(), 0);

    r.set_d(5);
    r.x = 5;  // a quotient of 1 or more does not fit
    exec({0x03});
    EXPECT_EQ(r.x, 0xFFFF);
    EXPECT_EQ(flags(), "---V-");

    r.set_d(5);
    r.x = 0;
    exec({0x03});
    EXPECT_EQ(r.x, 0xFFFF);
    EXPECT_EQ(flags(), "---VC");
}

TEST_F(Arithmetic, SixteenBitAddSubtractCompare) {
    r.set_d(0x7FFF);
    EXPECT_EQ(exec({0xC3, 0x00, 0x01}), 4);  // ADDD #1
    EXPECT_EQ(r.d(), 0x8000);
    EXPECT_EQ(flags(), "-N-V-");

    r.set_d(0x0000);
    EXPECT_EQ(exec({0x83, 0x00, 0x01}), 4);  // SUBD #1
    EXPECT_EQ(r.d(), 0xFFFF);
    EXPECT_EQ(flags(), "-N--C");

    r.set_d(0x1234);
    EXPECT_EQ(exec({0x1A, 0x83, 0x12, 0x34}), 5);  // CPD #$1234
    EXPECT_EQ(r.d(), 0x1234);
    EXPECT_EQ(flags(), "--Z--");

    r.x = 0x1000;
    EXPECT_EQ(exec({0x8C, 0x20, 0x00}), 4);  // CPX #$2000
    EXPECT_EQ(flags(), "-N--C");
    r.y = 0x3000;
    EXPECT_EQ(exec({0x18, 0x8C, 0x20, 0x00}), 5);  // CPY #$2000
    EXPECT_EQ(flags(), "-----");
}

TEST_F(Arithmetic, AccumulatorToAccumulator) {
    r.a = 0x08;
    r.b = 0x08;
    EXPECT_EQ(exec({0x1B}), 2);  // ABA
    EXPECT_EQ(r.a, 0x10);
    EXPECT_EQ(flags(), "H----");
    exec({0x10});  // SBA
    EXPECT_EQ(r.a, 0x08);
    exec({0x11});                 // CBA
    EXPECT_EQ(flags(), "H-Z--");  // H is left from ABA: subtraction does not touch it
    r.a = 0x80;
    exec({0x16});  // TAB
    EXPECT_EQ(r.b, 0x80);
    EXPECT_EQ(flags(), "HN---");
}

TEST_F(Arithmetic, LogicClearsOverflowAndKeepsCarry) {
    r.a = 0xF0;
    r.ccr = ccr::V | ccr::C;
    exec({0x84, 0x0F});  // ANDA #$0F
    EXPECT_EQ(r.a, 0x00);
    EXPECT_EQ(flags(), "--Z-C");
    r.a = 0x0F;
    exec({0x8A, 0x80});  // ORAA #$80
    EXPECT_EQ(r.a, 0x8F);
    exec({0x88, 0xFF});  // EORA #$FF
    EXPECT_EQ(r.a, 0x70);
    exec({0x85, 0x80});  // BITA #$80
    EXPECT_EQ(r.a, 0x70);
    EXPECT_EQ(flags(), "--Z-C");
}

TEST_F(Arithmetic, LoadsAndStoresByAddressingMode) {
    board.write(0x0040, 0x80);
    EXPECT_EQ(exec({0x96, 0x40}), 3);  // LDAA $40
    EXPECT_EQ(r.a, 0x80);
    EXPECT_EQ(flags(), "-N---");
    EXPECT_EQ(exec({0xB7, 0x30, 0x00}), 4);  // STAA $3000
    EXPECT_EQ(board.read(0x3000), 0x80);
    r.set_d(0xBEEF);
    EXPECT_EQ(exec({0xDD, 0x50}), 4);  // STD $50
    EXPECT_EQ(word_at(0x0050), 0xBEEF);
    EXPECT_EQ(exec({0xCC, 0x00, 0x00}), 3);  // LDD #0
    EXPECT_EQ(flags(), "--Z--");
    EXPECT_EQ(exec({0xFE, 0x00, 0x50}), 5);  // LDX $0050
    EXPECT_EQ(r.x, 0xBEEF);
    EXPECT_EQ(exec({0x9F, 0x60}), 4);  // STS $60
    EXPECT_EQ(word_at(0x0060), r.sp);
}

TEST_F(Arithmetic, TransferToCcrCannotSetX) {
    r.a = 0xFF;
    r.ccr = 0;
    EXPECT_EQ(exec({0x06}), 2);  // TAP
    EXPECT_EQ(r.ccr, 0xBF);
    r.ccr = 0xD0;
    r.a = 0x00;
    exec({0x06});
    EXPECT_EQ(r.ccr, 0x00);
    exec({0x07});  // TPA
    EXPECT_EQ(r.a, 0x00);
}

}  // namespace
}  // namespace hc11::testing
