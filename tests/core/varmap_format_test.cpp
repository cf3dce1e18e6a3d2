#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "varmap/map_format.h"
#include "varmap/map_reader.h"

namespace halvane {
namespace {

std::vector<std::string> default_grid() {
    std::vector<std::string> cells(kMapFields);
    const char* headings[] = {"Address", "Description", "Hex Value", "Flag", "Dec Value"};
    for (int col = 0; col < 5; ++col) cells[col] = headings[col];
    return cells;
}

TEST(MapFormat, WritesOneQuotedLinePerRowWithCrLf) {
    std::string expected = "\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n";
    for (int row = 1; row < 100; ++row) expected += "\"\",\"\",\"\",\"\",\"\"\r\n";
    EXPECT_EQ(format_map(default_grid()), expected);
}

TEST(MapFormat, DoublesQuotesInsideCellsAndNothingElse) {
    std::vector<std::string> cells = {"say \"hi\"", "a,b", "\"", "", "x\r\ny"};
    EXPECT_EQ(format_map(cells), "\"say \"\"hi\"\"\",\"a,b\",\"\"\"\",\"\",\"x\r\ny\"\r\n");
}

TEST(MapReader, GivesBackEveryCellTheWriterWrote) {
    std::vector<std::string> cells = default_grid();
    const std::vector<std::string> awkward = {
        "",       "\"",        "\"\"",      "a \"quoted\" word",        "1,2,3", "line\r\nbreak",
        "lone\r", "\nleading", "  padded ", "caf\xC3\xA9 \xE2\x82\xAC", ",",     "\"a\",\"b\"",
        "\t"};
    for (std::size_t i = 5; i < kMapFields; ++i) cells[i] = awkward[i % awkward.size()];
    cells[kMapFields - 1] = "last \"one\"";
    EXPECT_EQ(read_map_fields(format_map(cells)), cells);
}

TEST(MapReader, TakesFieldsInOrderWhateverLinesTheyStandOn) {
    const std::vector<std::string> expected = {"1000", "Count", "", "W D", "7"};
    for (const std::string text : {
             "\"1000\",\"Count\",\"\",\"W D\",\"7\"\r\n",              // as written
             "\"1000\",\"Count\",\"\",\"W D\",\"7\"",                  // no final line end
             "\"1000\"\r\n\"Count\"\r\n\"\"\r\n\"W D\"\r\n\"7\"\r\n",  // one field per line
             "\"1000\",\"Count\"\n\"\",\"W D\"\n\"7\"\n",              // LF only, rows split oddly
             "\"1000\"\r\"Count\",\"\"\r\"W D\",\"7\"\r",              // CR only
             "\r\n\r\n\"1000\",\"Count\"\r\n\r\n  \r\n\"\",\"W D\",\"7\"\r\n\r\n",  // empty lines
             "  \"1000\",   \"Count\",\t\"\", \"W D\", \"7\"",  // blanks before fields
             "1000, Count ,,W D,7",                             // unquoted, trimmed
         }) {
        EXPECT_EQ(read_map_fields(text), expected) << text;
    }
}

TEST(MapReader, ToleratesTextTheWriterNeverProduces) {
    // Text between a closing quote and the separator is dropped.
    EXPECT_EQ(read_map_fields("\"a\"junk,\"b\"  \r\nc"), (std::vector<std::string>{"a", "b", "c"}));
    // A quote that never closes runs to the end of the file.
    EXPECT_EQ(read_map_fields("\"a\",\"b,\r\nc"), (std::vector<std::string>{"a", "b,\r\nc"}));
    // A quote inside an unquoted field is ordinary text.
    EXPECT_EQ(read_map_fields("ab\"c,d"), (std::vector<std::string>{"ab\"c", "d"}));
    // A comma opens a field even when the line or the file ends right after it.
    EXPECT_EQ(read_map_fields("a,\r\nb,"), (std::vector<std::string>{"a", "", "b", ""}));
}

TEST(MapReader, StopsAtTheLimitAndFindsNothingInEmptyText) {
    std::string text;
    for (int i = 0; i < 600; ++i) text += "\"" + std::to_string(i) + "\",";
    const std::vector<std::string> fields = read_map_fields(text);
    ASSERT_EQ(fields.size(), kMapFields);
    EXPECT_EQ(fields.back(), "499");
    EXPECT_EQ(read_map_fields(text, 3).size(), 3u);

    EXPECT_TRUE(read_map_fields("").empty());
    EXPECT_TRUE(read_map_fields("\r\n\n  \r\n\t").empty());
}

}  // namespace
}  // namespace halvane
