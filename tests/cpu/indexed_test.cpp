// Indexed addressing with X and Y, and the page 2, 3 and 4 instructions around the index
// registers.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using Indexed = CpuTest;

TEST_F(Indexed, OffsetIsUnsignedAndWrapsAroundTheAddressSpace) {
    r.x = 0x3000;
    board.write(0x30FF, 0x5A);
    EXPECT_EQ(exec({0xA6, 0xFF}), 4);  // LDAA $FF,X
    EXPECT_EQ(r.a, 0x5A);

    r.y = 0xFFF0;
    r.a = 0x77;
    EXPECT_EQ(exec({0x18, 0xA7, 0x20}), 5);  // STAA $20,Y
    EXPECT_EQ(board.read(0x0010), 0x77);
}

TEST_F(Indexed, YFormsOfTheAccumulatorAndDoubleOperations) {
    r.y = 0x3000;
    board.load(0x3010, std::vector<std::uint8_t>{0x12, 0x34});
    r.set_d(0x0001);
    EXPECT_EQ(exec({0x18, 0xE3, 0x10}), 7);  // ADDD $10,Y
    EXPECT_EQ(r.d(), 0x1235);
    EXPECT_EQ(exec({0x18, 0xED, 0x20}), 6);  // STD $20,Y
    EXPECT_EQ(word_at(0x3020), 0x1235);
    EXPECT_EQ(exec({0x18, 0xA0, 0x11}), 5);  // SUBA $11,Y
    EXPECT_EQ(r.a, 0xDE);                    // 12 - 34
}

TEST_F(Indexed, YRegisterLoadsStoresAndCompares) {
    EXPECT_EQ(exec({0x18, 0xCE, 0x80, 0x00}), 4);  // LDY #$8000
    EXPECT_EQ(r.y, 0x8000);
    EXPECT_EQ(flags(), "-N---");
    EXPECT_EQ(exec({0x18, 0xFF, 0x30, 0x00}), 6);  // STY $3000
    EXPECT_EQ(word_at(0x3000), 0x8000);
    EXPECT_EQ(exec({0x18, 0xDE, 0x40}), 5);  // LDY $40
    EXPECT_EQ(exec({0x18, 0x9C, 0x40}), 6);  // CPY $40
    EXPECT_EQ(flags(), "--Z--");
    board.write(0x3000, 0x90);
    EXPECT_EQ(exec({0x18, 0xBC, 0x30, 0x00}), 7);  // CPY $3000
    EXPECT_EQ(flags(), "----C");
}

TEST_F(Indexed, PageThreeUsesXAsIndexForYAndD) {
    r.x = 0x3000;
    board.load(0x3004, std::vector<std::uint8_t>{0xCA, 0xFE});
    EXPECT_EQ(exec({0x1A, 0xEE, 0x04}), 6);  // LDY 4,X
    EXPECT_EQ(r.y, 0xCAFE);
    EXPECT_EQ(exec({0x1A, 0xEF, 0x08}), 6);  // STY 8,X
    EXPECT_EQ(word_at(0x3008), 0xCAFE);
    EXPECT_EQ(exec({0x1A, 0xAC, 0x04}), 7);  // CPY 4,X
    EXPECT_EQ(flags(), "--Z--");
    r.set_d(0x0001);
    EXPECT_EQ(exec({0x1A, 0xA3, 0x04}), 7);  // CPD 4,X
    EXPECT_EQ(flags(), "----C");
    EXPECT_EQ(r.d(), 0x0001);
    EXPECT_EQ(exec({0x1A, 0xB3, 0x30, 0x04}), 7);  // CPD $3004
    EXPECT_EQ(exec({0x1A, 0x93, 0x40}), 6);        // CPD $40
}

TEST_F(Indexed, PageFourUsesYAsIndexForXAndD) {
    r.y = 0x3000;
    board.load(0x3002, std::vector<std::uint8_t>{0x12, 0x34});
    EXPECT_EQ(exec({0xCD, 0xEE, 0x02}), 6);  // LDX 2,Y
    EXPECT_EQ(r.x, 0x1234);
    EXPECT_EQ(exec({0xCD, 0xEF, 0x06}), 6);  // STX 6,Y
    EXPECT_EQ(word_at(0x3006), 0x1234);
    EXPECT_EQ(exec({0xCD, 0xAC, 0x02}), 7);  // CPX 2,Y
    EXPECT_EQ(flags(), "--Z--");
    r.set_d(0x1235);
    EXPECT_EQ(exec({0xCD, 0xA3, 0x02}), 7);  // CPD 2,Y
    EXPECT_EQ(flags(), "-----");
}

TEST_F(Indexed, IndexArithmeticAndExchange) {
    r.x = 0x00FF;
    r.b = 0xFF;
    EXPECT_EQ(exec({0x3A}), 3);  // ABX: B is unsigned
    EXPECT_EQ(r.x, 0x01FE);
    r.y = 0x1000;
    EXPECT_EQ(exec({0x18, 0x3A}), 4);  // ABY
    EXPECT_EQ(r.y, 0x10FF);

    r.y = 0x0001;
    r.ccr = ccr::C;
    EXPECT_EQ(exec({0x18, 0x09}), 4);  // DEY: only Z changes
    EXPECT_EQ(flags(), "--Z-C");
    EXPECT_EQ(exec({0x18, 0x08}), 4);  // INY
    EXPECT_EQ(flags(), "----C");
    r.x = 0xFFFF;
    EXPECT_EQ(exec({0x08}), 3);  // INX
    EXPECT_EQ(r.x, 0x0000);
    EXPECT_EQ(flags(), "--Z-C");

    r.set_d(0x1111);
    r.x = 0x2222;
    r.y = 0x3333;
    EXPECT_EQ(exec({0x8F}), 3);  // XGDX
    EXPECT_EQ(r.d(), 0x2222);
    EXPECT_EQ(r.x, 0x1111);
    EXPECT_EQ(exec({0x18, 0x8F}), 4);  // XGDY
    EXPECT_EQ(r.d(), 0x3333);
    EXPECT_EQ(r.y, 0x2222);
}

TEST_F(Indexed, ReadModifyWriteWithY) {
    r.y = 0x3000;
    board.write(0x3001, 0x01);
    EXPECT_EQ(exec({0x18, 0x6A, 0x01}), 7);  // DEC 1,Y
    EXPECT_EQ(board.read(0x3001), 0x00);
    EXPECT_EQ(exec({0x18, 0x63, 0x01}), 7);  // COM 1,Y
    EXPECT_EQ(board.read(0x3001), 0xFF);
    EXPECT_EQ(exec({0x18, 0x6F, 0x01}), 7);  // CLR 1,Y
    EXPECT_EQ(board.read(0x3001), 0x00);
}

}  // namespace
}  // namespace hc11::testing
