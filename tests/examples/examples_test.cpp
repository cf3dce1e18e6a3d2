// The shipped examples must be exactly what their sources make, and their companions must agree
// with them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "srecord/srecord.h"

namespace {

const std::string kExamples = HALVANE_EXAMPLES_DIR;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool assembler_installed() {
    return std::system(
               "command -v m68hc11-as >/dev/null 2>&1 && command -v m68hc11-ld >/dev/null 2>&1 "
               "&& command -v m68hc11-objcopy >/dev/null 2>&1") == 0;
}

// Assembles the example into a fresh folder once for all tests.
class AssembledExample : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!assembler_installed()) return;
        char name[] = "/tmp/halvane-example-XXXXXX";
        work_ = mkdtemp(name);
        const std::string command = kExamples + "/assemble.sh " + work_ + " 2>&1";
        built_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() {
        if (!work_.empty()) std::filesystem::remove_all(work_);
    }
    void SetUp() override {
        if (!assembler_installed()) {
            GTEST_SKIP() << "m68hc11-as, m68hc11-ld or m68hc11-objcopy is not installed "
                            "(Debian package binutils-m68hc1x): the shipped example is not checked";
        }
        ASSERT_TRUE(built_) << "examples/assemble.sh failed";
    }

    // Symbol name -> value, from the linked program.
    static std::map<std::string, unsigned> symbols(const std::string& program = "counter") {
        std::map<std::string, unsigned> table;
        const std::string command = "m68hc11-nm " + work_ + "/" + program + ".elf";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return table;
        char line[256];
        while (fgets(line, sizeof line, pipe)) {
            unsigned value = 0;
            char type = 0;
            char symbol[128] = {};
            if (std::sscanf(line, "%x %c %127s", &value, &type, symbol) == 3) table[symbol] = value;
        }
        pclose(pipe);
        return table;
    }

    // What `command` prints on standard output.
    static std::string output_of(const std::string& command) {
        std::string out;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return out;
        char chunk[4096];
        for (std::size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
            out.append(chunk, got);
        pclose(pipe);
        return out;
    }

    static inline std::string work_;
    static inline bool built_ = false;
};

TEST_F(AssembledExample, ShippedProgramFilesAreWhatTheAssemblerMakes) {
    for (const char* name : {"counter.s19", "counter.lst", "counter.elf", "square_wave.s19",
                             "square_wave.lst", "square_wave.elf"}) {
        const std::string shipped = read_file(kExamples + "/" + name);
        EXPECT_FALSE(shipped.empty()) << name;
        EXPECT_TRUE(shipped == read_file(work_ + "/" + name))
            << name << " differs; run: cmake --build <build> --target regenerate_examples";
    }
}

// "00002402 00000002 d count": address, size, type letter (d/D: initialised data), name.
std::map<std::string, std::string> data_symbols(const std::string& elf) {
    std::map<std::string, std::string> data;
    const std::string command = "m68hc11-nm -n -S " + elf;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return data;
    char line[256];
    while (fgets(line, sizeof line, pipe)) {
        std::istringstream fields(line);
        std::vector<std::string> field{std::istream_iterator<std::string>(fields), {}};
        if (field.size() == 4 && (field[2] == "d" || field[2] == "D")) {
            data[field[3]] = field[0].substr(4) + "/" + field[1].substr(6);
        }
    }
    pclose(pipe);
    return data;
}

TEST_F(AssembledExample, TheShippedElfHoldsTheVariablesAsDataWithTheirSizes) {
    const std::map<std::string, std::string> counter = {
        {"count", "2402/02"}, {"step", "2404/01"}, {"run", "2405/01"}};
    EXPECT_EQ(data_symbols(kExamples + "/counter.elf"), counter);
    const std::map<std::string, std::string> square_wave = {{"edges", "2402/02"},
                                                            {"half_period", "2404/02"}};
    EXPECT_EQ(data_symbols(kExamples + "/square_wave.elf"), square_wave);
}

TEST_F(AssembledExample, TheMapsAreTheOnesTheSymbolsMakeWithTwoRegistersAfterThem) {
    // The register rows name equates of the program's; --map-from-symbols leaves equates out.
    const std::vector<std::pair<std::string, std::vector<std::string>>> programs = {
        {"counter",
         {"\"102B\",\"BAUD: SCI baud rate register (30 = 9600 baud)\",\"\",\"\",\"\"\r\n",
          "\"102D\",\"SCCR2: SCI control 2 (2C = transmitter, receiver and receive interrupt "
          "on)\",\"\",\"\",\"\"\r\n"}},
        {"square_wave",
         {"\"1000\",\"PORTA: port A (40 = PA6 high)\",\"\",\"\",\"\"\r\n",
          "\"1018\",\"TOC2: output compare 2, the count of the next edge\",\"\",\"W\",\"\"\r\n"}},
    };
    EXPECT_EQ(symbols().at("_start"), 0x2400u);
    EXPECT_EQ(symbols().at("BAUD"), 0x102Bu);
    EXPECT_EQ(symbols().at("SCCR2"), 0x102Du);
    EXPECT_EQ(symbols("square_wave").at("PORTA"), 0x1000u);
    EXPECT_EQ(symbols("square_wave").at("TOC2"), 0x1018u);

    const std::string empty_row = "\"\",\"\",\"\",\"\",\"\"\r\n";
    for (const auto& [program, rows] : programs) {
        std::string expected = output_of(std::string(HALVANE_BINARY) + " --map-from-symbols " +
                                         work_ + "/" + program + ".elf");
        for (const std::string& row : rows) {
            const std::size_t first_empty = expected.find(empty_row);
            ASSERT_NE(first_empty, std::string::npos) << expected;
            expected.replace(first_empty, empty_row.size(), row);
        }
        EXPECT_EQ(read_file(kExamples + "/" + program + ".csv"), expected)
            << program << ".csv differs; run: cmake --build <build> --target regenerate_examples";
    }
}

class ExampleFiles : public ::testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(Programs, ExampleFiles, ::testing::Values("counter", "square_wave"));

TEST_P(ExampleFiles, TheVariableMapHasOneHundredRowsOfFiveQuotedFields) {
    const std::string text = read_file(kExamples + "/" + GetParam() + ".csv");
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "every line, the last included, ends with CR LF";
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_EQ(lines[0], R"("Address","Description","Hex Value","Flag","Dec Value")");
    for (const auto& line : lines) {
        EXPECT_EQ(line.find('\n'), std::string::npos);
        int quotes = 0;
        for (char c : line) quotes += c == '"';
        EXPECT_EQ(quotes, 10) << line;
        EXPECT_TRUE(line.starts_with("\"") && line.ends_with("\"")) << line;
    }
    EXPECT_TRUE(lines[1] == R"("2402","count","","WD","")" ||
                lines[1] == R"("2402","edges","","WD","")")
        << lines[1];
}

TEST_P(ExampleFiles, TheSRecordsAreValidAndLoadTheProgramAt2400) {
    std::istringstream file(read_file(kExamples + "/" + GetParam() + ".s19"));
    std::map<std::uint16_t, std::uint8_t> memory;  // the bytes loaded, by address
    std::string line;
    bool ended = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto parsed = halvane::parse_srecord(line);
        ASSERT_TRUE(std::holds_alternative<halvane::SRecord>(parsed)) << line;
        const auto& record = std::get<halvane::SRecord>(parsed);
        if (record.kind == halvane::SRecord::Kind::kEnd) {
            EXPECT_EQ(record.address, 0x2400);
            ended = true;
        }
        std::uint16_t address = record.address;
        if (record.kind == halvane::SRecord::Kind::kData) {
            for (auto b : record.data) memory[address++] = b;
        }
    }
    EXPECT_TRUE(ended);
    EXPECT_TRUE(memory.contains(0x2400));
    EXPECT_EQ(memory[0x2400], 0x20);  // BRA over the variables
    EXPECT_EQ(memory[0x2401], 0x04);  // to the code at 2406, after four bytes of variables
    // counter: step and run start at 1; square_wave: half_period at 10000 (2710).
    EXPECT_EQ(memory[0x2404], std::string(GetParam()) == "counter" ? 0x01 : 0x27);
    EXPECT_EQ(memory[0x2405], std::string(GetParam()) == "counter" ? 0x01 : 0x10);
}

TEST(ExampleCompanions, AreThere) {
    for (const char* name : {"counter.c", "counter.dsc", "responder.s", "responder_irq.s",
                             "cme11e9.ld", "README.md", "square_wave.s"}) {
        EXPECT_FALSE(read_file(kExamples + "/" + name).empty()) << name;
    }
}

}  // namespace
