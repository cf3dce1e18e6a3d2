// Program symbols: reading them from linked 68HC11 programs (assembled at build time),
// placing them into the grid, File > Import Symbols, and the check of the map after File > Open.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "symbols/elf_symbols.h"
#include "symbols/symbol_rows.h"

namespace halvane {
namespace {

using Status = SymbolFile::Status;
using fakes::read_bytes;
using fakes::TempFolder;
using fakes::write_bytes;

std::string test_elf(const std::string& name) {
    return std::string(HALVANE_TEST_ELF_DIR) + "/" + name + ".elf";
}

// What tests/elf/symbols.s holds, with and without .size directives alike.
const std::vector<ProgramSymbol> kExpected = {
    {"table", 0x2402, 4, true},     // a table among the code
    {"start", 0x2406, 6, true},     // a code label: up to the local label L1
    {"counter", 0x3000, 1, false},  // byte
    {"speed", 0x3001, 2, false},    // word
    {"buffer", 0x3003, 8, false},   // array
    {"flags", 0x300B, 1, false},    // no size in either build: up to the end of .data
    {"total", 0x300C, 2, false},    // bss
    {"scratch", 0x300E, 3, false},  // the last one: up to the end of .bss
};

TEST(SymbolReader, LabelsWithAndWithoutSizesGiveTheSameSymbols) {
    for (const char* name : {"labels", "sized"}) {
        const SymbolFile file = read_program_symbols(test_elf(name));
        ASSERT_TRUE(file.ok()) << name << ": " << file.error_text;
        EXPECT_EQ(file.symbols, kExpected) << name;
    }
}

TEST(SymbolReader, EveryFaultIsNamedForTheUser) {
    TempFolder folder;
    const std::string sized = read_bytes(test_elf("sized"));
    ASSERT_GT(sized.size(), 1000u);
    write_bytes(folder.file("notes.elf"), "S1130000000102\r\n");
    std::string hc12 = sized;
    hc12[19] = 53;  // e_machine, big-endian: the 68HC12
    write_bytes(folder.file("hc12.elf"), hc12);

    struct Case {
        std::string path;
        Status status;
        std::string text;
    };
    const std::vector<Case> cases = {
        {folder.file("missing.elf"), Status::kNoSuchFile,
         "There is no file " + folder.file("missing.elf")},
        {folder.file("notes.elf"), Status::kNotElf,
         folder.file("notes.elf") + " is not an ELF file"},
        {folder.file("hc12.elf"), Status::kNotHc11,
         folder.file("hc12.elf") +
             " is an ELF file for another processor (machine 53), not a 68HC11 program"},
        {folder.path().string(), Status::kUnreadable,
         folder.path().string() + " cannot be read: It is a folder"},
    };
    for (const Case& c : cases) {
        const SymbolFile file = read_program_symbols(c.path);
        EXPECT_EQ(file.status, c.status) << c.path;
        EXPECT_EQ(file.error_text, c.text);
        EXPECT_TRUE(file.symbols.empty());
    }

    // Cut anywhere, the file is refused rather than read in part.
    for (std::size_t length :
         {std::size_t{2}, std::size_t{40}, std::size_t{60}, sized.size() / 2, sized.size() - 1}) {
        const SymbolFile file = read_elf_symbols(sized.substr(0, length));
        EXPECT_EQ(file.status, length < 4 ? Status::kNotElf : Status::kDamaged) << length;
        EXPECT_TRUE(file.error_text.starts_with("The file is")) << file.error_text;
        EXPECT_TRUE(file.symbols.empty());
    }
}

TEST(SymbolReader, AProgramWithoutVariablesIsReadButOffersNothing) {
    const SymbolFile file = read_program_symbols(test_elf("code_only"));
    EXPECT_TRUE(file.ok()) << file.error_text;
    EXPECT_TRUE(file.symbols.empty());
}

// --- Placing symbols into the grid ---

void fill_row(WatchTable& grid, int row, std::vector<std::string> cells) {
    for (int col = 0; col < WatchTable::kCols; ++col) grid.set_text(row, col, cells[col]);
}

std::vector<std::string> row_of(const WatchTable& grid, int row) {
    std::vector<std::string> cells;
    for (int col = 0; col < WatchTable::kCols; ++col) cells.push_back(grid.text(row, col));
    return cells;
}

TEST(SymbolRows, NewSymbolsFillTheRowsWithoutAnAddressInOrder) {
    WatchTable grid;
    for (int row = 1; row <= 50; ++row) fill_row(grid, row, {"1000", "reg", "7F", "", ""});
    // A row without an address in the filled part is taken first.
    fill_row(grid, 20, {"", "", "", "", ""});
    const std::vector<ProgramSymbol> symbols(kExpected.begin() + 2, kExpected.begin() + 5);

    const SymbolPlacement placed = place_symbols(symbols, grid);
    EXPECT_EQ(placed.added, 3);
    EXPECT_EQ(placed.moved, 0);
    EXPECT_TRUE(placed.left_out.empty());
    EXPECT_EQ(row_of(grid, 20), (std::vector<std::string>{"3000", "counter", "", "D", ""}));
    EXPECT_EQ(row_of(grid, 51), (std::vector<std::string>{"3001", "speed", "", "WD", ""}));
    EXPECT_EQ(row_of(grid, 52), (std::vector<std::string>{"3003", "buffer[8 bytes]", "", "D", ""}));
    EXPECT_EQ(row_of(grid, 53), (std::vector<std::string>(5, "")));
    EXPECT_EQ(row_of(grid, 19), (std::vector<std::string>{"1000", "reg", "7F", "", ""}));
    EXPECT_EQ(placement_summary(placed),
              "Rows added: 3. Rows moved to a new address: 0. "
              "Symbols that did not fit into the 99 rows: 0.");
}

TEST(SymbolRows, RowsThatNameASymbolAreUpdatedInPlace) {
    WatchTable grid;
    fill_row(grid, 1, {"2402", "count", "00 07", "W", ""});            // at its address
    fill_row(grid, 2, {"2404", "speed", "12", "D", "18"});             // moved, byte to word
    fill_row(grid, 3, {"2410", "buffer[4 bytes]", "AA", "D", "170"});  // moved and grown
    fill_row(grid, 4, {"", "flags", "", "", ""});                      // named, no address yet
    fill_row(grid, 5, {"0x3000", "counter", "", "", ""});              // not four digits
    fill_row(grid, 6, {"300c", "total[5 bytes]", "", "D", ""});        // an array now a word
    const std::vector<ProgramSymbol> symbols = {
        {"count", 0x2402, 2, false}, {"speed", 0x3001, 2, false},   {"buffer", 0x3003, 8, false},
        {"flags", 0x300B, 1, false}, {"counter", 0x3000, 1, false}, {"total", 0x300C, 2, false}};

    const SymbolPlacement placed = place_symbols(symbols, grid);
    EXPECT_EQ(row_of(grid, 1), (std::vector<std::string>{"2402", "count", "00 07", "W", ""}));
    EXPECT_EQ(row_of(grid, 2), (std::vector<std::string>{"3001", "speed", "", "WD", ""}));
    EXPECT_EQ(row_of(grid, 3), (std::vector<std::string>{"3003", "buffer[8 bytes]", "", "D", ""}));
    EXPECT_EQ(row_of(grid, 4), (std::vector<std::string>{"300B", "flags", "", "", ""}));
    EXPECT_EQ(row_of(grid, 5), (std::vector<std::string>{"3000", "counter", "", "", ""}));
    EXPECT_EQ(row_of(grid, 6), (std::vector<std::string>{"300c", "total", "", "WD", ""}));
    EXPECT_EQ(row_of(grid, 7), (std::vector<std::string>(5, "")));
    EXPECT_EQ(placed.added, 1);  // flags
    EXPECT_EQ(placed.moved, 3);  // speed, buffer, counter
}

TEST(SymbolRows, SymbolsOfTheSameNameEachKeepTheirOwnRow) {
    WatchTable grid;
    fill_row(grid, 1, {"2000", "temp", "", "D", ""});
    fill_row(grid, 2, {"3000", "temp", "", "D", ""});
    // Two files of the program each have a local `temp`; the one at 3000 keeps row 2.
    const std::vector<ProgramSymbol> symbols = {{"temp", 0x3000, 1, false},
                                                {"temp", 0x3100, 1, false}};
    const SymbolPlacement placed = place_symbols(symbols, grid);
    EXPECT_EQ(grid.text(1, 0), "3100");
    EXPECT_EQ(grid.text(2, 0), "3000");
    EXPECT_EQ(placed.moved, 1);
    EXPECT_EQ(placed.added, 0);
}

TEST(SymbolRows, AFullGridStillUpdatesItsRowsAndCountsTheRest) {
    WatchTable grid;
    for (int row = 1; row < WatchTable::kRows; ++row)
        fill_row(grid, row, {"1000", "reg" + std::to_string(row), "", "", ""});
    fill_row(grid, 99, {"2222", "speed", "", "WD", ""});

    const SymbolPlacement placed = place_symbols(kExpected, grid);
    EXPECT_EQ(placed.added, 0);
    EXPECT_EQ(placed.moved, 1);
    EXPECT_EQ(grid.text(99, 0), "3001");
    EXPECT_EQ(placed.left_out, (std::vector<std::string>{"table", "start", "counter", "buffer",
                                                         "flags", "total", "scratch"}));
    EXPECT_EQ(placement_summary(placed),
              "Rows added: 0. Rows moved to a new address: 1. "
              "Symbols that did not fit into the 99 rows: 7.");
}

TEST(SymbolRows, MovedRowsAreThoseNamingASymbolAtAnotherAddress) {
    WatchTable grid;
    fill_row(grid, 1, {"3000", "counter", "", "D", ""});         // where it is
    fill_row(grid, 2, {"2404", "speed", "", "WD", ""});          // moved
    fill_row(grid, 3, {"3010", "buffer[4 bytes]", "", "", ""});  // moved (and grown)
    fill_row(grid, 4, {"300b", "flags", "", "", ""});            // same address, lower case
    fill_row(grid, 5, {"", "total", "", "", ""});                // no address: nothing to compare
    fill_row(grid, 6, {"1234", "PORTA", "", "", ""});            // not a symbol of the program
    fill_row(grid, 7, {"1235", "speed[2 bytes]", "", "", ""});   // the array form of a word
    EXPECT_EQ(count_moved_rows(grid, kExpected), 3);
    EXPECT_EQ(count_moved_rows(grid, {}), 0);
}

// --- The window's commands ---

struct SymbolCommands : ::testing::Test {
    SymbolCommands() { h.load(); }
    std::string program(const std::string& name, const std::string& elf) {
        if (!elf.empty()) std::filesystem::copy_file(test_elf(elf), folder.file(name + ".elf"));
        return folder.file(name);
    }
    fakes::Harness h{"/initial/folder"};
    TempFolder folder;
};

TEST_F(SymbolCommands, ImportProposesTheProgramsElfAndFillsTheCheckedSymbols) {
    const std::string base = program("prog", "sized");
    h.program_runs(base);
    fill_row(h.grid, 1, {"2500", "speed", "", "WD", ""});
    h.dialog.answers.push_back(base + ".elf");
    // The user unchecks `total` and checks the code table.
    h.symbol_picker.change = [](std::vector<bool>& marks) {
        marks[6] = false;
        marks[0] = true;
    };
    h.session->symbols().import_symbols();

    ASSERT_EQ(h.dialog.open_settings.size(), 1u);
    const FileDialogSettings& settings = h.dialog.open_settings[0];
    EXPECT_EQ(settings.filter, "68HC11 linked programs (*.elf)|*.elf");
    EXPECT_EQ(settings.default_extension, "elf");
    EXPECT_EQ(settings.initial_directory, "/initial/folder");
    EXPECT_EQ(settings.file_name, std::optional<std::string>(base + ".elf"));

    ASSERT_EQ(h.symbol_picker.offered.size(), 1u);
    EXPECT_EQ(h.symbol_picker.paths[0], base + ".elf");
    EXPECT_EQ(h.symbol_picker.offered[0], kExpected);
    EXPECT_EQ(h.symbol_picker.initial_marks[0],
              (std::vector<bool>{false, false, true, true, true, true, true, true}));

    EXPECT_EQ(row_of(h.grid, 1), (std::vector<std::string>{"3001", "speed", "", "WD", ""}));
    const std::vector<std::vector<std::string>> added = {{"2402", "table[4 bytes]", "", "D", ""},
                                                         {"3000", "counter", "", "D", ""},
                                                         {"3003", "buffer[8 bytes]", "", "D", ""},
                                                         {"300B", "flags", "", "D", ""},
                                                         {"300E", "scratch[3 bytes]", "", "D", ""}};
    for (std::size_t i = 0; i < added.size(); ++i)
        EXPECT_EQ(row_of(h.grid, 2 + static_cast<int>(i)), added[i]);
    EXPECT_EQ(row_of(h.grid, 7), (std::vector<std::string>(5, "")));
    EXPECT_EQ(h.message_box.shown,
              (std::vector<std::string>{"Rows added: 5. Rows moved to a new address: 1. Symbols "
                                        "that did not fit into the 99 rows: 0."}));
}

TEST_F(SymbolCommands, ImportWithoutAProgramProposesNothingAndCancelsChangeNothing) {
    h.session->symbols().import_symbols();  // the file dialog is cancelled
    ASSERT_EQ(h.dialog.open_settings.size(), 1u);
    EXPECT_EQ(h.dialog.open_settings[0].file_name, std::optional<std::string>(""));
    EXPECT_TRUE(h.symbol_picker.offered.empty());

    // A program whose ELF is not beside it: nothing proposed either.
    h.program_runs(program("other", ""));
    h.dialog.answers.push_back(test_elf("labels"));
    h.symbol_picker.cancel = true;
    const auto cells = h.grid.cells();
    h.session->symbols().import_symbols();
    EXPECT_EQ(h.dialog.open_settings[1].file_name, std::optional<std::string>(""));
    EXPECT_EQ(h.symbol_picker.offered.size(), 1u);
    EXPECT_EQ(h.grid.cells(), cells);
    EXPECT_TRUE(h.message_box.shown.empty());
}

TEST_F(SymbolCommands, ImportReportsFilesItCannotUse) {
    write_bytes(folder.file("text.elf"), "not a program");
    h.dialog.answers = {folder.file("text.elf"), test_elf("code_only")};
    h.session->symbols().import_symbols();
    h.session->symbols().import_symbols();
    EXPECT_EQ(h.message_box.shown,
              (std::vector<std::string>{folder.file("text.elf") + " is not an ELF file.",
                                        test_elf("code_only") + " holds no data symbols."}));
    EXPECT_TRUE(h.symbol_picker.offered.empty());
}

TEST_F(SymbolCommands, OpeningAProgramWarnsOfMapRowsAtOldAddresses) {
    const std::string base = program("prog", "sized");
    write_bytes(base + ".s19", "S9030000FC\r\n");
    write_bytes(base + ".csv",
                "\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n"
                "\"3000\",\"counter\",\"\",\"D\",\"\"\r\n"
                "\"2404\",\"speed\",\"\",\"WD\",\"\"\r\n"
                "\"2406\",\"buffer[8 bytes]\",\"\",\"D\",\"\"\r\n");
    h.answer_loads();
    h.dialog.answers.push_back(base + ".s19");
    h.session->download().open_program();
    h.clock.run();
    EXPECT_EQ(h.status.value, "Status: Program Running (2 map rows moved: File > Import Symbols)");

    // A download with a warning keeps its own status.
    write_bytes(base + ".s19", "no records at a line's start: S9030000FC\r\n");
    h.message_box.answers.push_back(true);  // not an S-record: sent anyway
    h.dialog.answers.push_back(base + ".s19");
    h.session->download().open_program();
    h.clock.run();
    EXPECT_EQ(h.status.value,
              "Status: Program Running (warning: the file held no S1 or S9 record)");

    // Without the ELF the map cannot be checked; the status is shown once, as ever.
    std::filesystem::remove(base + ".elf");
    write_bytes(base + ".s19", "S9030000FC\r\n");
    h.dialog.answers.push_back(base + ".s19");
    h.status.history.clear();
    h.session->download().open_program();
    h.clock.run();
    EXPECT_EQ(h.status.history.back(), "Status: Program Running");
    EXPECT_EQ(h.status.history.end()[-2], "Status: Sending File File");

    // A program without a map of its own: the grid still holds the old program's rows, which
    // say nothing about this one.
    const std::string other = program("other", "sized");
    write_bytes(other + ".s19", "S9030000FC\r\n");
    h.grid.set_text(2, 0, "2404");
    h.dialog.answers.push_back(other + ".s19");
    h.session->download().open_program();
    h.clock.run();
    EXPECT_EQ(h.grid.text(2, 1), "speed");
    EXPECT_EQ(h.status.value, "Status: Program Running");
}

}  // namespace
}  // namespace halvane
