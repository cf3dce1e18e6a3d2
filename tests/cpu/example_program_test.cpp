// The shipped example programs on the core: counter.s19's responder answers the memory protocol
// over the SCI, and its counter really counts and obeys what is written; square_wave.s19's
// output compare toggles PA6 every 5 ms.
#include <fstream>
#include <sstream>

#include "cpu_fixture.h"
#include "srecord/srecord.h"

namespace hc11::testing {
namespace {

// Stores the data of the S1 records of an S-record file; false if the file cannot be read.
bool load_s19(Board& board, const std::string& path) {
    const auto records = halvane::read_data_records(path);
    if (!records) return false;
    for (const halvane::SRecord& record : *records) board.load(record.address, record.data);
    return true;
}

class ExampleProgram : public CpuTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(load_s19(board, std::string(HALVANE_EXAMPLES_DIR) + "/counter.s19"));
        board.go(code_address);
        board.run_cycles(10'000);
    }

    // Sends a request one character per millisecond, as the PC paces it, and collects the
    // reply that arrives within a few character times after it.
    std::string exchange(const std::string& request) {
        for (const char c : request) {
            board.sci_receive(static_cast<std::uint8_t>(c));
            board.run_cycles(Board::e_clock_hz / 1000);
        }
        board.run_cycles(6 * board.sci().character_cycles());
        return transmitted();
    }

    std::uint16_t count() const { return word_at(0x2402); }
};

TEST_F(ExampleProgram, AnswersReadsWithTheByteInHex) {
    EXPECT_EQ(exchange("*2404"), "!01@");
    EXPECT_EQ(exchange("*102B"), "!30@");
    EXPECT_EQ(exchange("*102D"), "!2C@");  // TE, RE and the receive interrupt
}

TEST_F(ExampleProgram, CounterMovesBetweenTwoReads) {
    const std::string first = exchange("*2403");
    const std::string second = exchange("*2403");
    ASSERT_EQ(first.size(), 4u);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_NE(first, second);
    EXPECT_GT(count(), 100);
}

TEST_F(ExampleProgram, WritesChangeTheProgramsBehaviour) {
    EXPECT_EQ(exchange("*FFFF240500"), "");  // run = 0: the counter stops
    const std::uint16_t stopped = count();
    board.run_cycles(Board::e_clock_hz / 10);
    EXPECT_EQ(count(), stopped);
    EXPECT_EQ(exchange("*2405"), "!00@");

    EXPECT_EQ(exchange("*FFFF240400"), "");  // step 0, then run again: still standing
    exchange("*FFFF240501");
    board.run_cycles(Board::e_clock_hz / 10);
    EXPECT_EQ(count(), stopped);

    exchange("*FFFF240410");  // step 16: the counter moves in steps of 16
    const std::uint16_t before = count();
    board.run_cycles(Board::e_clock_hz / 100);
    EXPECT_NE(count(), before);
    EXPECT_EQ((count() - before) % 16, 0);
}

TEST(SquareWaveExample, TenSecondsGiveExactly2000EdgesFiveMillisecondsApart) {
    Board board;
    ASSERT_TRUE(load_s19(board, std::string(HALVANE_EXAMPLES_DIR) + "/square_wave.s19"));
    std::vector<std::uint64_t> edges;
    board.set_port_a_observer([&](std::uint64_t cycle, std::uint8_t pins) {
        edges.push_back(cycle);
        EXPECT_EQ(pins & 0x40, edges.size() % 2 ? 0x40 : 0);
    });
    board.go(code_address);
    board.run_cycles(Board::e_clock_hz);
    const std::size_t edges_before = edges.size();
    const std::uint16_t counted_before =
        static_cast<std::uint16_t>(board.read(0x2402) << 8 | board.read(0x2403));
    EXPECT_EQ(counted_before, edges_before);
    board.run_cycles(10 * Board::e_clock_hz);
    const std::uint16_t counted =
        static_cast<std::uint16_t>(board.read(0x2402) << 8 | board.read(0x2403));
    EXPECT_EQ(counted - counted_before, 2000);
    ASSERT_EQ(edges.size() - edges_before, 2000u);
    for (std::size_t i = 1; i < edges.size(); ++i) ASSERT_EQ(edges[i] - edges[i - 1], 10'000u) << i;
}

}  // namespace
}  // namespace hc11::testing
