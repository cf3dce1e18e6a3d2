// Every opcode of every page against the reference manual's cycle counts; opcodes the manual
// does not list must take the illegal-opcode trap.
#include <map>

#include "cpu_fixture.h"

namespace hc11::testing {
namespace {

constexpr int trap = 0;     // not an instruction: illegal-opcode trap
constexpr int prefix = -1;  // a page prefix, tested through its page

// Page 1, one row per high nibble.
constexpr int page1[256] = {
    trap, 2,    41,   41, 3, 3,    2, 2,    3,      3, 2,      2,    2, 2,      2,    2,   // 0x
    2,    2,    6,    6,  6, 6,    2, 2,    prefix, 2, prefix, 2,    7, 7,      7,    7,   // 1x
    3,    3,    3,    3,  3, 3,    3, 3,    3,      3, 3,      3,    3, 3,      3,    3,   // 2x
    3,    3,    4,    4,  3, 3,    3, 3,    5,      5, 3,      12,   4, 10,     14,   14,  // 3x
    2,    trap, trap, 2,  2, trap, 2, 2,    2,      2, 2,      trap, 2, 2,      trap, 2,   // 4x
    2,    trap, trap, 2,  2, trap, 2, 2,    2,      2, 2,      trap, 2, 2,      trap, 2,   // 5x
    6,    trap, trap, 6,  6, trap, 6, 6,    6,      6, 6,      trap, 6, 6,      3,    6,   // 6x
    6,    trap, trap, 6,  6, trap, 6, 6,    6,      6, 6,      trap, 6, 6,      3,    6,   // 7x
    2,    2,    2,    4,  2, 2,    2, trap, 2,      2, 2,      2,    4, 6,      3,    3,   // 8x
    3,    3,    3,    5,  3, 3,    3, 3,    3,      3, 3,      3,    5, 5,      4,    4,   // 9x
    4,    4,    4,    6,  4, 4,    4, 4,    4,      4, 4,      4,    6, 6,      5,    5,   // Ax
    4,    4,    4,    6,  4, 4,    4, 4,    4,      4, 4,      4,    6, 6,      5,    5,   // Bx
    2,    2,    2,    4,  2, 2,    2, trap, 2,      2, 2,      2,    3, prefix, 3,    2,   // Cx
    3,    3,    3,    5,  3, 3,    3, 3,    3,      3, 3,      3,    4, 4,      4,    4,   // Dx
    4,    4,    4,    6,  4, 4,    4, 4,    4,      4, 4,      4,    5, 5,      5,    5,   // Ex
    4,    4,    4,    6,  4, 4,    4, 4,    4,      4, 4,      4,    5, 5,      5,    5,   // Fx
};

std::map<int, int> page2_cycles() {
    std::map<int, int> m = {{0x08, 4}, {0x09, 4}, {0x1C, 8}, {0x1D, 8}, {0x1E, 8},
                            {0x1F, 8}, {0x30, 4}, {0x35, 4}, {0x38, 6}, {0x3A, 4},
                            {0x3C, 5}, {0x8C, 5}, {0x8F, 4}, {0x9C, 6}, {0xBC, 7},
                            {0xCE, 4}, {0xDE, 5}, {0xDF, 5}, {0xFE, 6}, {0xFF, 6}};
    const int rmw[16] = {7, 0, 0, 7, 7, 0, 7, 7, 7, 7, 7, 0, 7, 7, 4, 7};
    const int a_column[16] = {5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 5, 7, 7, 6, 6};
    const int e_column[16] = {5, 5, 5, 7, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6};
    for (int low = 0; low < 16; ++low) {
        if (rmw[low] != 0) m[0x60 + low] = rmw[low];
        m[0xA0 + low] = a_column[low];
        m[0xE0 + low] = e_column[low];
    }
    return m;
}

class CycleTable : public CpuTest {
  protected:
    // Executes prefix+opcode with harmless operands and checks cycles or the trap.
    void check(std::vector<std::uint8_t> code, int expected) {
        code.insert(code.end(), {0x00, 0x00, 0x00});
        r = Registers{};
        r.sp = 0x01F0;
        r.x = 0x0100;
        r.y = 0x0100;
        r.ccr = ccr::S | ccr::I;
        board.load(code_address, code);
        board.cpu().start_at(code_address);
        const int cycles = board.cpu().step();
        const bool trapped = r.pc == pseudo_vector_for(vector::ILLEGAL_OPCODE) &&
                             r.sp == 0x01F0 - 9 && word_at(0x01EF) == code_address;
        if (expected == trap) {
            EXPECT_TRUE(trapped) << "expected a trap";
            EXPECT_EQ(cycles, Cpu::interrupt_cycles);
        } else {
            EXPECT_FALSE(trapped) << "unexpected trap";
            EXPECT_EQ(cycles, expected);
        }
    }
};

TEST_F(CycleTable, PageOne) {
    for (int op = 0; op < 256; ++op) {
        if (page1[op] == prefix) continue;
        SCOPED_TRACE(::testing::Message() << "opcode " << std::hex << op);
        check({static_cast<std::uint8_t>(op)}, page1[op]);
    }
}

TEST_F(CycleTable, PageTwo) {
    const auto legal = page2_cycles();
    for (int op = 0; op < 256; ++op) {
        SCOPED_TRACE(::testing::Message() << "opcode 18 " << std::hex << op);
        const auto found = legal.find(op);
        check({0x18, static_cast<std::uint8_t>(op)}, found == legal.end() ? trap : found->second);
    }
}

TEST_F(CycleTable, PagesThreeAndFour) {
    const std::map<int, int> page3 = {{0x83, 5}, {0x93, 6}, {0xA3, 7}, {0xB3, 7},
                                      {0xAC, 7}, {0xEE, 6}, {0xEF, 6}};
    const std::map<int, int> page4 = {{0xA3, 7}, {0xAC, 7}, {0xEE, 6}, {0xEF, 6}};
    for (int op = 0; op < 256; ++op) {
        SCOPED_TRACE(::testing::Message() << "opcode " << std::hex << op);
        const auto in3 = page3.find(op);
        check({0x1A, static_cast<std::uint8_t>(op)}, in3 == page3.end() ? trap : in3->second);
        const auto in4 = page4.find(op);
        check({0xCD, static_cast<std::uint8_t>(op)}, in4 == page4.end() ? trap : in4->second);
    }
}

}  // namespace
}  // namespace hc11::testing
