#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/text_decoding.h"
#include "viewer/rtf_reader.h"

namespace halvane {
namespace {

std::string all_text(const RichDocument& document) {
    std::string text;
    for (const RichRun& run : document.runs) text += run.text;
    return text;
}

// The run holding `text`; fails the test when there is none.
const RichRun& run_with(const RichDocument& document, const std::string& text) {
    for (const RichRun& run : document.runs) {
        if (run.text == text) return run;
    }
    ADD_FAILURE() << "no run \"" << text << "\" in \"" << all_text(document) << "\"";
    static const RichRun none;
    return none;
}

TEST(RichText, RecognisesRichTextByItsStart) {
    EXPECT_TRUE(is_rich_text("{\\rtf1\\ansi hello}"));
    EXPECT_TRUE(is_rich_text("\xEF\xBB\xBF{\\rtf1}"));
    EXPECT_FALSE(is_rich_text(" {\\rtf1}"));
    EXPECT_FALSE(is_rich_text("; {\\rtf1} in a listing"));
    EXPECT_FALSE(is_rich_text(""));
}

TEST(RichText, CharacterFormattingFollowsControlWordsAndGroups) {
    const RichDocument doc = read_rich_text(
        "{\\rtf1\\ansi plain \\b bold\\b0  \\i italic\\i0  \\ul under\\ulnone  "
        "{\\b\\i\\fs32 big}\\uldb  back \\b1\\fs20 small\\plain  reset}");
    EXPECT_EQ(all_text(doc), "plain bold italic under big back small reset");
    EXPECT_TRUE(run_with(doc, "bold").bold);
    EXPECT_FALSE(run_with(doc, " ").bold);
    EXPECT_TRUE(run_with(doc, "italic").italic);
    EXPECT_TRUE(run_with(doc, "under").underline);
    const RichRun& big = run_with(doc, "big");
    EXPECT_TRUE(big.bold && big.italic);
    EXPECT_EQ(big.half_points, 32);
    // The group ended: bold and size are back, the double underline that follows counts.
    const RichRun& back = run_with(doc, " back ");
    EXPECT_FALSE(back.bold);
    EXPECT_TRUE(back.underline);
    EXPECT_EQ(back.half_points, 24);
    const RichRun& small = run_with(doc, "small");
    EXPECT_TRUE(small.bold && small.underline);
    EXPECT_EQ(small.half_points, 20);
    const RichRun& reset = run_with(doc, " reset");
    EXPECT_FALSE(reset.bold || reset.italic || reset.underline);
    EXPECT_EQ(reset.half_points, 24);
}

TEST(RichText, FontsAndColoursComeFromTheirTables) {
    const RichDocument doc = read_rich_text(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}"
        "{\\f1\\froman{\\*\\panose 02020603050405020304}Times New Roman;}\\f2\\fswiss Arial;}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
        "default \\f0 mono\\f2  sans \\cf1 red\\cf2  blue\\cf0  auto\\cf9  unknown}");
    EXPECT_EQ(all_text(doc), "default mono sans red blue auto unknown");
    EXPECT_EQ(run_with(doc, "default ").font_face, "Times New Roman");
    EXPECT_EQ(run_with(doc, "mono").font_face, "Courier New");
    EXPECT_EQ(run_with(doc, " sans ").font_face, "Arial");
    const RichRun& red = run_with(doc, "red");
    EXPECT_TRUE(red.has_colour);
    EXPECT_EQ(red.rgb, 0xFF0000u);
    EXPECT_EQ(run_with(doc, " blue").rgb, 0x0080FFu);
    // No colour, or one the table does not have: the viewer's own colour.
    EXPECT_FALSE(run_with(doc, " auto unknown").has_colour);
}

TEST(RichText, BreaksTabsAndLiteralCharacters) {
    const RichDocument doc = read_rich_text(
        "{\\rtf1 one\\par two\\line three\\tab four\r\n five\\\nsix \\{\\}\\\\ a\\~b\\emdash "
        "\\lquote q\\rquote\\bullet\\-x\\pard\\sect y}");
    EXPECT_EQ(all_text(doc),
              "one\ntwo\nthree\tfour five\nsix {}\\ a\xC2\xA0"
              "b\xE2\x80\x94\xE2\x80\x98q"
              "\xE2\x80\x99\xE2\x80\xA2x\ny");
}

TEST(RichText, EscapedCharactersAndUnicodeFallbacks) {
    // \'hh is Windows-1252; \u is followed by \uc fallback characters, which are dropped.
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 caf\\'e9 \\'80 \\'93q\\'94}")),
              "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 \\u8364?5 \\u-3999?}")),
              "\xE2\x82\xAC"
              "5 \xEF\x81\xA1");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1\\uc2 \\u233\\'65\\'27!\\uc0 \\u233 e}")),
              "\xC3\xA9!\xC3\xA9"
              "e");
    // A fallback cut short by the end of a group.
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 {\\uc3\\u233 ab}c}")),
              "\xC3\xA9"
              "c");
    // A surrogate pair, and a lone surrogate.
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 \\u-10179?\\u-8704?\\u-10179? x}")),
              "\xF0\x9F\x98\x80\xEF\xBF\xBD x");
}

TEST(RichText, SkipsDestinationsThatAreNotText) {
    const RichDocument doc = read_rich_text(
        "{\\rtf1{\\info{\\title Secret}{\\author Me}}{\\stylesheet{\\s0 Normal;}}"
        "{\\*\\generator Writer 1.0;}{\\*\\unknowndest hidden {nested} text}"
        "{\\header page head}{\\pict\\pngblip\\bin6 {}\\'x} 89504e47}"
        "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} shown\\unknownword  too}");
    EXPECT_EQ(all_text(doc), "link shown too");
}

TEST(RichText, EndsAtTheCloseOfTheDocumentGroup) {
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 in}after")), "in");
}

TEST(RichText, MalformedInputGivesWhatCanBeReadWithoutFailing) {
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 cut {\\b off")), "cut off");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 a\\'")), "a");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 a\\'4")), "a");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 a\\")), "a");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 \\fs99999999999999999999 big\\bin999999999}")),
              "big");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 \\u99999999? x}")), "\xEE\x83\xBF x");
    EXPECT_EQ(all_text(read_rich_text("{\\rtf1 x\\b-y}")), "x-y");

    std::string deep = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i) deep += "{\\b ";
    deep += "deep";
    for (int i = 0; i < 100000; ++i) deep += "}";
    deep += " out}";
    const RichDocument doc = read_rich_text(deep);
    EXPECT_EQ(all_text(doc), "deep out");
    EXPECT_FALSE(run_with(doc, " out").bold);

    // Random bytes built from the characters that matter: the reader must neither crash
    // nor hand out text that is not UTF-8.
    std::mt19937 random(11);
    const std::string alphabet = "{}\\'*uc0123456789-abfilnpqrstx ;\r\n\t\x80\xE9\xFF";
    for (int round = 0; round < 2000; ++round) {
        std::string input = "{\\rtf1";
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) input += alphabet[random() % alphabet.size()];
        const RichDocument fuzzed = read_rich_text(input);
        for (const RichRun& run : fuzzed.runs) ASSERT_EQ(decode_text(run.text), run.text) << input;
    }
}

}  // namespace
}  // namespace halvane
