#include "srecord/srecord.h"

#include <gtest/gtest.h>

namespace halvane {
namespace {

SRecord parsed(std::string_view line) {
    const auto result = parse_srecord(line);
    if (const auto* error = std::get_if<SRecordError>(&result)) {
        ADD_FAILURE() << line << ": " << error->message;
        return {};
    }
    return std::get<SRecord>(result);
}

SRecordError error_of(std::string_view line) {
    const auto result = parse_srecord(line);
    if (const auto* error = std::get_if<SRecordError>(&result)) return *error;
    ADD_FAILURE() << line << " was accepted";
    return {};
}

TEST(SRecordParse, DecodesDataRecordsFromTheExampleProgram) {
    const SRecord record = parsed("S11324002004000001018E01FFBD242ECC0000FD3C");
    EXPECT_EQ(record.kind, SRecord::Kind::kData);
    EXPECT_EQ(record.address, 0x2400);
    const std::vector<std::uint8_t> expected = {0x20, 0x04, 0x00, 0x00, 0x01, 0x01, 0x8E, 0x01,
                                                0xFF, 0xBD, 0x24, 0x2E, 0xCC, 0x00, 0x00, 0xFD};
    EXPECT_EQ(record.data, expected);
}

TEST(SRecordParse, KnowsHeaderCountAndEndRecords) {
    EXPECT_EQ(parsed("S00E0000636F756E7465722E733139E6").kind, SRecord::Kind::kHeader);
    EXPECT_EQ(parsed("S5030010EC").kind, SRecord::Kind::kCount);
    const SRecord end = parsed("S9032400D8");
    EXPECT_EQ(end.kind, SRecord::Kind::kEnd);
    EXPECT_EQ(end.address, 0x2400);
    EXPECT_TRUE(end.data.empty());
}

TEST(SRecordParse, AcceptsLowerCaseHexAndTrailingBlanks) {
    EXPECT_EQ(parsed("s9032400d8  \t").address, 0x2400);
}

TEST(SRecordParse, RejectsMalformedLinesAndSaysWhy) {
    using Problem = SRecordError::Problem;
    const struct {
        std::string line;
        Problem problem;
        std::string message;
    } cases[] = {
        {"S9032400D9", Problem::kBadChecksum, "bad checksum D9, should be D8"},
        {"", Problem::kNotARecord, "not an S-record"},
        {"go 2400", Problem::kNotARecord, "not an S-record"},
        {"S", Problem::kNotARecord, "not an S-record"},
        {"S4032400D8", Problem::kUnknownType, "unknown record type"},
        {"SX032400D8", Problem::kUnknownType, "unknown record type"},
        {"S2080124000102030400", Problem::kLongAddress, "S2 records need addresses beyond FFFF"},
        {"S9032400D", Problem::kOddDigitCount, "odd number of hex digits"},
        {"S90324G0D8", Problem::kNotHexDigit, "not a hex digit"},
        {"S902FD", Problem::kTooShort, "record too short"},
        {"S9042400D8", Problem::kWrongByteCount,
         "byte count 04 does not match the line, which holds 03"},
        {"S903 400D8", Problem::kNotHexDigit, "not a hex digit"},
        {std::string("S9\x00\xFF\x80"
                     "2400D8",
                     11),
         Problem::kOddDigitCount, "odd number of hex digits"},
    };
    for (const auto& c : cases) {
        const SRecordError error = error_of(c.line);
        EXPECT_EQ(error.problem, c.problem) << c.line;
        EXPECT_EQ(error.message, c.message) << c.line;
    }
}

}  // namespace
}  // namespace halvane
