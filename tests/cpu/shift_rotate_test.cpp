// Shifts and rotates: the bit shifted out goes to C, V is N xor C afterwards.
#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

using ShiftRotate = CpuTest;

TEST_F(ShiftRotate, AccumulatorShifts) {
    struct Case {
        std::uint8_t opcode, in, carry_in, out;
        const char* flags;
    } cases[] = {
        {0x48, 0x80, 0, 0x00, "--ZVC"},  // ASLA: C=1, N=0 so V=1
        {0x48, 0x40, 0, 0x80, "-N-V-"},  // ASLA into the sign
        {0x44, 0x01, 0, 0x00, "--ZVC"},  // LSRA
        {0x44, 0x80, 1, 0x40, "-----"},  // LSRA ignores the carry in
        {0x47, 0x81, 0, 0xC0, "-N--C"},  // ASRA keeps the sign: N=1, C=1, V=0
        {0x46, 0x02, 1, 0x81, "-N-V-"},  // RORA brings C into bit 7
        {0x49, 0x80, 1, 0x01, "---VC"},  // ROLA brings C into bit 0
        {0x49, 0x00, 0, 0x00, "--Z--"},  // ROLA
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opcode);
        r.a = c.in;
        r.ccr = c.carry_in ? ccr::C : 0;
        EXPECT_EQ(exec({c.opcode}), 2);
        EXPECT_EQ(r.a, c.out);
        EXPECT_EQ(flags(), c.flags);
    }
}

TEST_F(ShiftRotate, AccumulatorBUsesItsOwnOpcodes) {
    r.a = 0x11;
    r.b = 0x03;
    exec({0x54});  // LSRB
    EXPECT_EQ(r.b, 0x01);
    EXPECT_EQ(r.a, 0x11);
    EXPECT_EQ(flags(), "---VC");
}

TEST_F(ShiftRotate, MemoryShiftsByAddressingMode) {
    board.write(0x3000, 0x81);
    EXPECT_EQ(exec({0x74, 0x30, 0x00}), 6);  // LSR $3000
    EXPECT_EQ(board.read(0x3000), 0x40);
    EXPECT_EQ(flags(), "---VC");

    r.x = 0x3000;
    r.ccr = ccr::C;
    EXPECT_EQ(exec({0x69, 0x00}), 6);  // ROL 0,X
    EXPECT_EQ(board.read(0x3000), 0x81);
    EXPECT_EQ(flags(), "-N-V-");

    r.y = 0x2FF0;
    EXPECT_EQ(exec({0x18, 0x67, 0x10}), 7);  // ASR $10,Y
    EXPECT_EQ(board.read(0x3000), 0xC0);
    EXPECT_EQ(flags(), "-N--C");
}

TEST_F(ShiftRotate, DoubleAccumulatorShifts) {
    r.set_d(0x0001);
    EXPECT_EQ(exec({0x04}), 3);  // LSRD
    EXPECT_EQ(r.d(), 0x0000);
    EXPECT_EQ(flags(), "--ZVC");

    r.set_d(0x8000);
    EXPECT_EQ(exec({0x05}), 3);  // ASLD
    EXPECT_EQ(r.d(), 0x0000);
    EXPECT_EQ(flags(), "--ZVC");

    r.set_d(0x4080);
    exec({0x05});
    EXPECT_EQ(r.d(), 0x8100);
    EXPECT_EQ(flags(), "-N-V-");
}

TEST_F(ShiftRotate, ClearAndTestLeaveNoCarry) {
    board.write(0x3000, 0x55);
    r.ccr = ccr::C | ccr::V;
    EXPECT_EQ(exec({0x7F, 0x30, 0x00}), 6);  // CLR $3000
    EXPECT_EQ(board.read(0x3000), 0x00);
    EXPECT_EQ(flags(), "--Z--");

    board.write(0x3000, 0x80);
    r.ccr = ccr::C;
    EXPECT_EQ(exec({0x7D, 0x30, 0x00}), 6);  // TST $3000
    EXPECT_EQ(board.read(0x3000), 0x80);
    EXPECT_EQ(flags(), "-N---");
}

}  // namespace
}  // namespace hc11::testing
