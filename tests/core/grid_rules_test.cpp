#include "grid/grid_rules.h"

#include <gtest/gtest.h>

#include "cli/memory_target.h"
#include "grid/watch_table.h"

namespace halvane {
namespace {

TEST(FlagLetters, WordAndDecimalAreFoundAnywhereInEitherCase) {
    EXPECT_TRUE(is_word_row("W"));
    EXPECT_TRUE(is_word_row("xw"));
    EXPECT_FALSE(is_word_row("D"));
    EXPECT_TRUE(is_decimal_row("d"));
    EXPECT_TRUE(is_word_row("Word"));
    EXPECT_TRUE(is_decimal_row("Word"));
    EXPECT_FALSE(is_decimal_row(""));
}

TEST(ParseAddress, AcceptsExactlyFourHexDigitsAfterTrimming) {
    EXPECT_EQ(parse_address("2400"), 0x2400);
    EXPECT_EQ(parse_address(" 00ff "), 0x00FF);
    EXPECT_EQ(parse_address("FFFF"), 0xFFFF);
    EXPECT_EQ(parse_address(""), std::nullopt);
    EXPECT_EQ(parse_address("    "), std::nullopt);
    EXPECT_EQ(parse_address("41"), std::nullopt);
    EXPECT_EQ(parse_address("24000"), std::nullopt);
    EXPECT_EQ(parse_address("24G0"), std::nullopt);
    EXPECT_EQ(parse_address("2400\r"), std::nullopt);
}

// The command line's WHAT is stricter than an Address cell: no spaces, and ":w" for a word.
TEST(ParseAddress, ACommandLineWhatIsFourHexDigitsAndMaybeAWordMark) {
    using cli::MemoryTarget;
    EXPECT_EQ(cli::address_target("2402"), (MemoryTarget{"2402", 0x2402, false}));
    EXPECT_EQ(cli::address_target("00ff:w"), (MemoryTarget{"00ff:w", 0x00FF, true}));
    for (const char* name :
         {"240", "24020", " 2402", "2402:W", "2402:", "2402:ww", "24G2", "count"})
        EXPECT_EQ(cli::address_target(name), std::nullopt) << name;
    EXPECT_EQ(cli::split_assignment("a=b=7F"), (std::pair<std::string, std::string>{"a=b", "7F"}));
    EXPECT_EQ(cli::split_assignment("count"), std::nullopt);
}

TEST(AnswerParts, ACommandLineValueIsExactlyTheWidthsDigitsOrADecimalThatFits) {
    const struct {
        const char* value;
        bool word;
        bool decimal;
        std::optional<std::string> digits;
    } cases[] = {
        {"7f", false, false, "7F"},          {"7", false, false, std::nullopt},
        {"7F0", false, false, std::nullopt}, {"beef", true, false, "BEEF"},
        {"7F", true, false, std::nullopt},   {"255", false, true, "FF"},
        {"256", false, true, std::nullopt},  {"65535", true, true, "FFFF"},
        {"65536", true, true, std::nullopt}, {"-1", false, true, std::nullopt},
        {"+1", false, true, std::nullopt},   {"", false, true, std::nullopt},
        {"1.5", true, true, std::nullopt},   {"0x10", false, true, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::value_digits(c.value, c.word, c.decimal), c.digits) << c.value;
}

TEST(DecimalValue, BytesAndWordsShowTheirUnsignedValue) {
    EXPECT_EQ(decimal_value("FF"), "255");
    EXPECT_EQ(decimal_value("80"), "128");
    EXPECT_EQ(decimal_value("0080"), "128");
    EXPECT_EQ(decimal_value("FFF"), "4095");
    EXPECT_EQ(decimal_value("7FFF"), "32767");
    EXPECT_EQ(decimal_value("8000"), "32768");
    EXPECT_EQ(decimal_value("FFFF"), "65535");
    EXPECT_EQ(decimal_value("ff"), "255");
    EXPECT_EQ(decimal_value(""), "0");
}

TEST(DecimalValue, TextsThatAreNotOneToFourHexDigitsGiveNothing) {
    EXPECT_EQ(decimal_value("12345"), "");
    EXPECT_EQ(decimal_value("G1"), "");
    EXPECT_EQ(decimal_value(" 1"), "");
}

TEST(AnswerParts, FirstAndLastTwoOverlapOnThreeCharacters) {
    EXPECT_EQ(first_two("123"), "12");
    EXPECT_EQ(last_two("123"), "23");
    EXPECT_EQ(last_two("12345"), "45");
    EXPECT_EQ(first_two("1"), "1");
    EXPECT_EQ(last_two("1"), "1");
}

TEST(AnswerParts, ValidAnswersStartWithTwoHexDigitsAndWordsEndWithTwo) {
    EXPECT_TRUE(is_valid_answer("3F", false));
    EXPECT_TRUE(is_valid_answer("3FXYZ", false));
    EXPECT_FALSE(is_valid_answer("3", false));
    EXPECT_FALSE(is_valid_answer("", false));
    EXPECT_FALSE(is_valid_answer("G0", false));
    EXPECT_TRUE(is_valid_answer("123", true));
    EXPECT_FALSE(is_valid_answer("12XY", true));
}

TEST(CellEditing, KeysAppendAndBackspaceRemovesTheLastCharacter) {
    std::string cell;
    for (char key : {'2', '4', '0', '0'}) cell = edit_cell_text(cell, key);
    EXPECT_EQ(cell, "2400");
    EXPECT_EQ(edit_cell_text(cell, 8), "240");
    EXPECT_EQ(edit_cell_text("x", 8), "");
    EXPECT_EQ(edit_cell_text("", 8), "");
}

TEST(CellEditing, ControlCodesAreAppendedLikeAnyOtherCharacter) {
    EXPECT_EQ(edit_cell_text("2400", 13), std::string("2400\r"));
    EXPECT_EQ(edit_cell_text("", 27), std::string("\x1b"));
    EXPECT_EQ(edit_cell_text("a", 1), std::string("a\x01"));
}

TEST(CellEditing, EveryCharacterBecomesUtf8AndBackspaceRemovesItWhole) {
    const std::string e_acute = edit_cell_text("caf", 0xE9);
    EXPECT_EQ(e_acute, "caf\xC3\xA9");
    EXPECT_EQ(edit_cell_text(e_acute, 8), "caf");
    const std::string euro = edit_cell_text("5", 0x20AC);
    EXPECT_EQ(euro, "5\xE2\x82\xAC");
    EXPECT_EQ(edit_cell_text(euro, 8), "5");
    const std::string smile = edit_cell_text("", 0x1F600);
    EXPECT_EQ(smile, "\xF0\x9F\x98\x80");
    EXPECT_EQ(edit_cell_text(smile, 8), "");
}

// A row stands for one variable while its Address, word flag and Description stay; a reading
// counts only for the variable it was asked for, and joins a word's two bytes.
TEST(WatchTable, OnlyADifferentValueAfterAnEarlierReadIsAChange) {
    EXPECT_FALSE(is_value_change(std::nullopt, "2A"));  // the row's first read
    EXPECT_FALSE(is_value_change("2A", "2A"));
    EXPECT_TRUE(is_value_change("2A", "2B"));
    EXPECT_TRUE(is_value_change("002A", "012A"));
    EXPECT_TRUE(is_value_change("", "00"));  // an empty cell read before
}

TEST(WatchTable, AVariableLastsWhileItsAddressWidthAndDescriptionStay) {
    WatchTable table;
    const auto set_row = [&table](const char* address, const char* description, const char* flag) {
        table.set_text(1, kAddressCol, address);
        table.set_text(1, kDescriptionCol, description);
        table.set_text(1, kFlagCol, flag);
    };
    set_row("2402", "count", "W");
    const VariableId count = table.variable(1);
    ASSERT_NE(count, 0u);
    EXPECT_EQ(table.address(1), 0x2402);
    set_row(" 2402", "count", "wd");  // spaces, case and the decimal flag change nothing
    table.set_text(1, kHexValueCol, "typed");
    EXPECT_EQ(table.variable(1), count);
    EXPECT_EQ(table.name(1), "count");

    const struct {
        const char* address;
        const char* description;
        const char* flag;
    } changes[] = {{"2403", "count", "W"}, {"2403", "total", "W"}, {"2403", "total", "D"}};
    VariableId before = count;
    for (const auto& change : changes) {
        set_row(change.address, change.description, change.flag);
        EXPECT_NE(table.variable(1), before) << change.address << change.description;
        before = table.variable(1);
    }
    set_row("24G3", "", "");
    EXPECT_EQ(table.variable(1), 0u);
    EXPECT_EQ(table.name(1), "24G3");

    set_row("2402", "count", "WD");
    const VariableId current = table.variable(1);
    const std::vector<std::string> replies = {"12", "34"};
    EXPECT_FALSE(table.note_reading(1, count, replies, 1.0));  // asked for by another variable
    EXPECT_EQ(table.text(1, kHexValueCol), "typed");
    EXPECT_TRUE(table.note_reading(1, current, replies, 1.0));
    EXPECT_EQ(table.text(1, kHexValueCol), "1234");
    EXPECT_EQ(table.text(1, kDecValueCol), "4660");
    EXPECT_EQ(table.reading(1).value, 0x1234u);

    // Another program: the same row begins a new variable, and its reading is gone.
    table.renew_variables();
    EXPECT_NE(table.variable(1), current);
    EXPECT_FALSE(table.reading(1).good_at.has_value());
}

}  // namespace
}  // namespace halvane
