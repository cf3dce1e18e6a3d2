#include "text/text_decoding.h"

#include <gtest/gtest.h>

namespace halvane {
namespace {

TEST(TextDecoding, KeepsValidUtf8AndDropsTheByteOrderMark) {
    const std::string text = "plain, caf\xC3\xA9, \xE2\x82\xAC, \xF0\x9F\x98\x80\r\n";
    EXPECT_EQ(decode_text(text), text);
    EXPECT_EQ(decode_text("\xEF\xBB\xBF"
                          "abc"),
              "abc");
    EXPECT_EQ(decode_text(""), "");
}

TEST(TextDecoding, TakesBytesThatAreNotUtf8AsWindows1252) {
    EXPECT_EQ(decode_text("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(decode_text("\x80 \x93q\x94 \x9F"),
              "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D \xC5\xB8");
    // Undefined in the code page: the C1 control of the same number.
    EXPECT_EQ(decode_text("\x81"), "\xC2\x81");
    // Valid sequences and stray bytes side by side keep both.
    EXPECT_EQ(decode_text("\xC3\xA9\xE9"), "\xC3\xA9\xC3\xA9");
}

TEST(TextDecoding, RejectsMalformedUtf8ByteByByte) {
    // Overlong slash, an encoded surrogate, a lead byte beyond U+10FFFF, a sequence cut off.
    EXPECT_EQ(decode_text("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(decode_text("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
    EXPECT_EQ(decode_text("\xF5"), "\xC3\xB5");
    EXPECT_EQ(decode_text("ab\xE2\x82"), "ab\xC3\xA2\xE2\x80\x9A");
}

TEST(TextDecoding, AppendUtf8ReplacesWhatIsNotAScalarValue) {
    std::string out;
    append_utf8(out, 0x41);
    append_utf8(out, 0x10FFFF);
    append_utf8(out, 0xD800);
    append_utf8(out, 0x110000);
    EXPECT_EQ(out, "A\xF4\x8F\xBF\xBF\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace halvane
