#include <gtest/gtest.h>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "grid/block_cover.h"

namespace halvane {
namespace {

using fakes::Harness;
using fakes::ScriptedBoard;

class CellOperationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        h.load();
        h.start_program();
    }
    void row(int r, std::string address, std::string flag, std::string hex = "",
             std::string dec = "") {
        h.grid.set_text(r, 0, address);
        h.grid.set_text(r, 2, hex);
        h.grid.set_text(r, 3, flag);
        h.grid.set_text(r, 4, dec);
    }
    void double_click(int r, int c) {
        h.grid.set_row(r);
        h.grid.set_col(c);
        h.session->cells().read_or_write_cell();
        h.clock.run();
    }
    Harness h;
    ScriptedBoard board{h};
};

TEST_F(CellOperationTest, AddressOfAByteRowReadsOneByte) {
    board.memory[0x2400] = 0x3F;
    row(1, "2400", "");
    h.text1.set_text("stale text");
    double_click(1, 0);
    EXPECT_EQ(h.serial.written(), "*2400");
    EXPECT_EQ(h.grid.text(1, 2), "3F");
    EXPECT_EQ(h.grid.text(1, 4), "");
}

TEST_F(CellOperationTest, AddressOfAWordRowReadsHighThenLowByte) {
    board.memory[0x2400] = 0x12;
    board.memory[0x2401] = 0x34;
    row(4, "2400", "WD");
    double_click(4, 0);
    EXPECT_EQ(h.serial.written(), "*2400*2401");
    EXPECT_EQ(h.grid.text(4, 2), "1234");
    EXPECT_EQ(h.grid.text(4, 4), "4660");
}

TEST_F(CellOperationTest, WordAtFFFFReadsItsLowByteAt0000) {
    row(1, "fffe", "w");
    double_click(1, 0);
    EXPECT_EQ(h.serial.written(), "*FFFE*FFFF");
}

TEST_F(CellOperationTest, HexValueOfAByteRowWritesTheAnswerAndReadsItBack) {
    row(2, "0040", "D");
    h.input_box.answers.push_back("3f");
    double_click(2, 2);
    EXPECT_EQ(h.input_box.prompts, (std::vector<std::string>{"New Value"}));
    EXPECT_EQ(h.input_box.titles, (std::vector<std::string>{""}));
    EXPECT_EQ(h.serial.written(), "*FFFF00403F*0040");
    EXPECT_EQ(board.memory[0x40], 0x3F);
    EXPECT_EQ(h.grid.text(2, 2), "3F");
    EXPECT_EQ(h.grid.text(2, 4), "63");
    EXPECT_EQ(h.grid.col(), 0);
}

TEST_F(CellOperationTest, WordAnswersOfEveryLengthWriteHighThenLowByte) {
    struct Case {
        const char* answer;
        unsigned char high, low;
    };
    for (const Case& c : {Case{"1234", 0x12, 0x34}, Case{"12", 0x12, 0x12}, Case{"123", 0x12, 0x23},
                          Case{"12345", 0x12, 0x45}}) {
        h.serial.writes.clear();
        row(3, "2400", "W");
        h.input_box.answers.push_back(c.answer);
        double_click(3, 2);
        EXPECT_EQ(board.memory[0x2400], c.high) << c.answer;
        EXPECT_EQ(board.memory[0x2401], c.low) << c.answer;
        EXPECT_EQ(h.serial.written().substr(0, 22),
                  "*FFFF2400" + std::string(c.answer).substr(0, 2) + "*FFFF2401" +
                      std::string(c.answer).substr(std::string(c.answer).size() - 2))
            << c.answer;
    }
}

TEST_F(CellOperationTest, CancelledOrMalformedAnswersWriteAndReadNothing) {
    row(1, "2400", "W", "ABCD");
    h.input_box.answers.push_back(std::nullopt);
    double_click(1, 2);
    EXPECT_EQ(h.status.value, "Status: Program Running");  // a cancel is silent
    for (const char* refused : {"1", "12XY", "G1"}) {
        h.input_box.answers.push_back(refused);
        double_click(1, 2);
        EXPECT_EQ(h.status.value, "Status: Invalid value for row 1") << refused;
    }
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_EQ(h.grid.text(1, 2), "ABCD");
}

TEST_F(CellOperationTest, OtherColumnsEmptyTheBufferAndRecomputeTheDecimalOnly) {
    row(1, "2400", "D", "FF", "old");
    row(2, "2401", "", "FF", "old");
    h.serial.arrive("xyz");
    double_click(1, 1);
    double_click(2, 3);
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_TRUE(h.input_box.prompts.empty());
    EXPECT_EQ(h.text1.value, "");
    EXPECT_EQ(h.grid.text(1, 4), "255");
    EXPECT_EQ(h.grid.text(2, 4), "old");
}

TEST_F(CellOperationTest, InvalidAddressSendsNothingAndSaysWhichRow) {
    row(6, "41", "");
    double_click(6, 0);
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_EQ(h.status.value, "Status: Invalid address in row 6");
}

TEST_F(CellOperationTest, NoReplyLeavesTheHexValueAndReportsTheAddress) {
    board.silent = true;
    row(1, "2400", "WD", "BEEF", "48879");
    double_click(1, 0);
    EXPECT_EQ(h.grid.text(1, 2), "BEEF");
    EXPECT_EQ(h.grid.text(1, 4), "48879");
    EXPECT_EQ(h.status.value, "Status: No reply from board at 2400");
}

TEST_F(CellOperationTest, TheReplyGoesToTheRowTheReadStartedOnWhenTheSelectionMoves) {
    board.memory[0x2400] = 0x5A;
    board.reply_delay_ticks = 30;
    row(1, "2400", "");
    row(2, "2500", "", "keep");
    h.clock.after_ms(10, [&] { h.grid.set_row(2); });
    double_click(1, 0);
    EXPECT_EQ(h.grid.text(1, 2), "5A");
    EXPECT_EQ(h.grid.text(2, 2), "keep");
}

TEST_F(CellOperationTest, ExchangesAskedForDuringAReadAreQueuedAndServedInOrder) {
    board.reply_delay_ticks = 30;
    board.memory[0x2500] = 0x25;
    row(1, "2400", "");
    row(2, "2500", "");
    h.clock.after_ms(10, [&] {
        h.grid.set_row(2);
        h.session->cells().read_or_write_cell();
        h.session->cells().get_all();
    });
    double_click(1, 0);
    EXPECT_EQ(h.serial.written(), "*2400*2500*2400*2500");
    EXPECT_EQ(h.grid.text(2, 2), "25");
    EXPECT_TRUE(h.session->link().idle());
}

TEST_F(CellOperationTest, KeysTypedDuringAWaitStillEditTheCurrentCell) {
    board.reply_delay_ticks = 20;
    row(1, "2400", "");
    h.clock.after_ms(8, [&] {
        h.grid.set_row(5);
        h.grid.set_col(1);
        h.session->cells().type_key('x');
    });
    double_click(1, 0);
    EXPECT_EQ(h.grid.text(5, 1), "x");
}

TEST_F(CellOperationTest, GetAllReadsOnlyNamedRowsInOrderAndEndsAtRow99) {
    board.memory[0x0010] = 0x01;
    board.memory[0x2402] = 0xAB;
    board.memory[0x2403] = 0xCD;
    row(3, "0010", "D");
    row(7, "2402", "W");
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "*0010*2402*2403");
    EXPECT_EQ(h.grid.text(3, 2), "01");
    EXPECT_EQ(h.grid.text(3, 4), "1");
    EXPECT_EQ(h.grid.text(7, 2), "ABCD");
    EXPECT_EQ(h.grid.row(), 99);
    EXPECT_EQ(h.grid.col(), 0);
}

// Which rows share a block read: the first row always, then the rows after it while their bytes
// lie within 8 bytes of the block and it stays within 32 bytes; registers whose reading changes
// the chip's state (PORTCL, SPSR, SPDR, SCSR, SCDR) and a word at FFFF stand alone.
TEST(BlockCover, RowsShareABlockWhileTheyLieCloseAndReadNoStateChangingRegister) {
    struct Case {
        const char* name;
        std::vector<CoveredRow> rows;
        std::size_t taken;
        BlockSpan span;
    };
    const Case cases[] = {
        {"the example's variables",
         {{0x2402, 2}, {0x2404, 1}, {0x2405, 1}, {0x102B, 1}},
         3,
         {0x2402, 4}},
        {"a gap of 8 bytes is read", {{0x3000, 1}, {0x3009, 1}}, 2, {0x3000, 10}},
        {"a gap of 9 is not", {{0x3000, 1}, {0x300A, 1}}, 1, {0x3000, 1}},
        {"behind the first row", {{0x3008, 2}, {0x3000, 1}, {0x3004, 2}}, 3, {0x3000, 10}},
        {"the same byte twice", {{0x3000, 2}, {0x3000, 1}}, 2, {0x3000, 2}},
        {"at most 32 bytes",
         {{0x3000, 2}, {0x3008, 2}, {0x3010, 2}, {0x3018, 2}, {0x3020, 1}},
         4,
         {0x3000, 26}},
        {"the example's two registers", {{0x102B, 1}, {0x102D, 1}}, 2, {0x102B, 3}},
        {"across the registers' start", {{0x0FFE, 2}, {0x1000, 1}}, 2, {0x0FFE, 3}},
        {"SCSR alone", {{0x102E, 1}, {0x102D, 1}}, 1, {0x102E, 1}},
        {"no gap over SCSR and SCDR", {{0x102D, 1}, {0x1030, 1}}, 1, {0x102D, 1}},
        {"SPSR does not join", {{0x1028, 1}, {0x1029, 1}}, 1, {0x1028, 1}},
        {"a word over PORTCL alone", {{0x1004, 2}, {0x1006, 1}}, 1, {0x1004, 2}},
        {"a word at FFFF alone", {{0xFFFF, 2}, {0x0000, 1}}, 1, {0xFFFF, 2}},
    };
    for (const Case& c : cases) {
        BlockSpan span;
        EXPECT_EQ(first_block(c.rows, span), c.taken) << c.name;
        EXPECT_EQ(span.address, c.span.address) << c.name;
        EXPECT_EQ(span.count, c.span.count) << c.name;
    }
}

TEST_F(CellOperationTest, GetAllWithBlockReadsAsksForFewBlocksAndFillsEveryRow) {
    h.session->link().set_block_reads_allowed(true);
    board.answers_blocks = true;
    const std::uint8_t bytes[] = {0x12, 0x34, 0x01, 0x02};
    for (std::size_t i = 0; i < 4; ++i) board.memory[0x2402 + i] = bytes[i];
    board.memory[0x102B] = 0x30;
    row(1, "2402", "WD");
    row(2, "2405", "D");
    row(3, "2404", "");
    row(4, "102B", "");
    row(5, "zz", "");
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "#240001#240204#102B01");
    EXPECT_EQ(h.grid.text(1, 2), "1234");
    EXPECT_EQ(h.grid.text(1, 4), "4660");
    EXPECT_EQ(h.grid.text(2, 2), "02");
    EXPECT_EQ(h.grid.text(3, 2), "01");
    EXPECT_EQ(h.grid.text(4, 2), "30");
    EXPECT_EQ(h.status.value, "Status: Invalid address in row 5");
}

TEST_F(CellOperationTest, GetAllOnAnEmptyGridSendsNothing) {
    h.serial.arrive("kept");
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "");
    EXPECT_EQ(h.text1.value, "kept");
    EXPECT_EQ(h.grid.row(), 99);
}

TEST_F(CellOperationTest, GetAllSkipsInvalidAddressesAndNamesTheFirstButStopsAtATimeOut) {
    board.memory[0x0002] = 0x22;
    row(2, "0001", "");
    row(4, "zz", "");
    row(5, "   ", "");  // blanks are not empty: an invalid address too
    row(6, "0002", "");
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "*0001*0002");
    EXPECT_EQ(h.grid.text(6, 2), "22");
    EXPECT_EQ(h.status.value, "Status: Invalid address in row 4");
    EXPECT_EQ(h.grid.row(), 99);

    board.silent = true;
    h.serial.writes.clear();
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(h.serial.written(), "*0001");
    EXPECT_EQ(h.status.value, "Status: No reply from board at 0001");
}

TEST_F(CellOperationTest, AFailureTextStaysThreeSecondsAndUntilAnExchangeEndsWell) {
    board.memory[0x0001] = 0x11;
    row(1, "0001", "");
    row(2, "zz", "");
    double_click(2, 0);
    EXPECT_EQ(h.status.value, "Status: Invalid address in row 2");
    h.clock.run_for(10'000);
    EXPECT_EQ(h.status.value, "Status: Invalid address in row 2");  // nothing ended well yet
    double_click(1, 0);
    EXPECT_EQ(h.status.value, "Status: Program Running");

    double_click(2, 0);
    const std::int64_t shown_at = h.clock.now_ms();
    h.grid.set_row(1);
    h.session->cells().read_or_write_cell();  // ends well within a few ticks
    h.clock.run_until([&] { return h.session->link().idle(); });
    EXPECT_EQ(h.grid.text(1, 2), "11");
    EXPECT_EQ(h.status.value, "Status: Invalid address in row 2");
    h.clock.run();
    EXPECT_EQ(h.status.value, "Status: Program Running");
    EXPECT_EQ(h.clock.now_ms(), shown_at + 3000);
}

TEST_F(CellOperationTest, GarbageBeforeTheReplyIsIgnored) {
    board.reply_prefix = "noise";
    board.memory[0x0100] = 0x42;
    row(1, "0100", "");
    double_click(1, 0);
    EXPECT_EQ(h.grid.text(1, 2), "42");
}

TEST_F(CellOperationTest, AClosedPortIsReportedWithoutWaiting) {
    h.serial.fail("device removed");
    row(1, "0100", "");
    const auto before = h.clock.now_ms();
    double_click(1, 0);
    EXPECT_EQ(h.clock.now_ms(), before);
    EXPECT_TRUE(h.serial.writes.empty());
    EXPECT_EQ(h.status.value, "Status: device removed");
}

TEST_F(CellOperationTest, KeyPressEditsTheCurrentCell) {
    h.grid.set_row(3);
    h.grid.set_col(1);
    for (int key : {int{'a'}, int{'b'}, 8, 13}) h.session->cells().type_key(key);
    EXPECT_EQ(h.grid.text(3, 1), "a\r");
    EXPECT_EQ(h.grid.row(), 3);
}

}  // namespace
}  // namespace halvane
