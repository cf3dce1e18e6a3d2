#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "varmap/map_file.h"
#include "varmap/replace_file.h"

namespace halvane {
namespace {

namespace fs = std::filesystem;
using fakes::FileSizeLimit;
using fakes::read_bytes;
using fakes::TempFolder;
using fakes::write_bytes;

// Every cell different, with the characters that a naive format would lose.
void fill_awkwardly(WatchTable& grid) {
    const char* awkward[] = {"",           "a \"quote\"",       "1,2",  "two\r\nlines", "lf\nonly",
                             "  spaced  ", "\xC3\xA9t\xC3\xA9", "\"\"", "cr\r"};
    for (int row = 0; row < WatchTable::kRows; ++row) {
        for (int col = 0; col < WatchTable::kCols; ++col) {
            grid.set_text(
                row, col,
                std::to_string(row) + "/" + std::to_string(col) + awkward[(row + col) % 9]);
        }
    }
    grid.set_text(0, 1, "");
    grid.set_text(99, 4, "");
}

struct MapCommands : ::testing::Test {
    MapCommands() { h.load(); }
    fakes::Harness h{"/initial/folder"};
    TempFolder folder;
};

TEST_F(MapCommands, DialogsUseTheMapFilterAndTheFixedFolder) {
    h.program_runs("/progs/blink");
    h.session->maps().save();
    h.session->maps().open_overlay();

    ASSERT_EQ(h.dialog.save_settings.size(), 1u);
    const FileDialogSettings& save = h.dialog.save_settings[0];
    EXPECT_EQ(save.filter, "Tamrin Data File (*.csv)|*.csv");
    EXPECT_EQ(save.default_extension, ".csv");
    EXPECT_EQ(save.initial_directory, "/initial/folder");
    EXPECT_EQ(save.file_name, std::optional<std::string>("/progs/blink"));
    EXPECT_TRUE(save.confirm_overwrite);

    ASSERT_EQ(h.dialog.open_settings.size(), 1u);
    const FileDialogSettings& open = h.dialog.open_settings[0];
    EXPECT_EQ(open.filter, "Tamrin Data File (*.csv)|*.csv");
    EXPECT_EQ(open.default_extension, "csv");
    EXPECT_EQ(open.initial_directory, "/initial/folder");
    EXPECT_FALSE(open.file_name.has_value());
}

TEST_F(MapCommands, SaveAndOverlayGiveBackEveryCell) {
    fill_awkwardly(h.grid);
    h.grid.set_row(42);
    h.grid.set_col(3);
    const std::string status_before = h.status.value;
    const std::string path = folder.file("map.csv");
    h.dialog.answers.push_back(path);
    h.session->maps().save();
    EXPECT_TRUE(h.message_box.shown.empty());
    EXPECT_EQ(folder.entries(), 1);  // no temporary file left behind

    fakes::Harness other;
    other.load();
    other.grid.set_row(7);
    other.grid.set_col(2);
    other.dialog.answers.push_back(path);
    other.session->maps().open_overlay();
    EXPECT_TRUE(other.message_box.shown.empty());
    EXPECT_EQ(other.grid.cells(), h.grid.cells());
    EXPECT_EQ(other.grid.row(), 7);
    EXPECT_EQ(other.grid.col(), 2);
    EXPECT_EQ(h.grid.row(), 42);
    EXPECT_EQ(h.status.value, status_before);
}

TEST_F(MapCommands, SaveReplacesAnExistingFileWhole) {
    const std::string path = folder.file("map.csv");
    write_bytes(path, std::string(100000, 'x'));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    h.dialog.answers.push_back(path);
    h.session->maps().save();
    const std::string saved = read_bytes(path);
    const std::string heading =
        "\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n";
    EXPECT_TRUE(saved.starts_with(heading));
    EXPECT_EQ(saved.size(),
              heading.size() + 99u * std::string("\"\",\"\",\"\",\"\",\"\"\r\n").size());
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(folder.entries(), 1);
}

TEST_F(MapCommands, SaveAddsTheExtensionToEveryNameThatDoesNotEndInIt) {
    // A program named blink.v2.s19 proposes blink.v2: the map must still end in .csv to be
    // found at the next File > Open of that program.
    h.program_runs(folder.file("blink.v2"));
    for (const auto& [chosen, written] : {std::pair{"blink.v2", "blink.v2.csv"},
                                          {"plain", "plain.csv"},
                                          {"upper.CSV", "upper.CSV"},
                                          {"map.csv", "map.csv"}}) {
        h.dialog.answers.push_back(folder.file(chosen));
        h.session->maps().save();
        EXPECT_TRUE(fs::is_regular_file(folder.file(written))) << chosen;
    }
    EXPECT_EQ(folder.entries(), 4);
    EXPECT_TRUE(h.message_box.shown.empty());
}

TEST_F(MapCommands, SaveWritesWindows1252WhereItReadsBackTheSameAndUtf8Elsewhere) {
    struct Case {
        const char* cell;       // UTF-8, as the grid holds it
        const char* file_text;  // what the file holds for it
    };
    const Case cases[] = {
        // Older tools read Windows-1252, and the reader takes these bytes back as such.
        {"caf\xC3\xA9 \xE2\x82\xAC"
         "5 \xE2\x80\x94",
         "caf\xE9 \x80"
         "5 \x97"},
        // Its Windows-1252 bytes C3 A9 are also UTF-8 (an e acute), so they would read back
        // wrong: the map stays UTF-8.
        {"\xC3\x83\xC2\xA9", "\xC3\x83\xC2\xA9"},
        // A character Windows-1252 has no byte for keeps the whole map in UTF-8.
        {"caf\xC3\xA9 \xCE\xB1", "caf\xC3\xA9 \xCE\xB1"},
    };
    for (const Case& c : cases) {
        h.grid.set_text(1, 1, c.cell);
        const std::string path = folder.file("map.csv");
        h.dialog.answers.push_back(path);
        h.session->maps().save();
        EXPECT_NE(read_bytes(path).find(std::string("\"") + c.file_text + "\""), std::string::npos)
            << c.cell;

        fakes::Harness other;
        other.load();
        other.dialog.answers.push_back(path);
        other.session->maps().open_overlay();
        EXPECT_EQ(other.grid.cells(), h.grid.cells()) << c.cell;
    }
}

TEST_F(MapCommands, CancelledDialogsReadAndWriteNothing) {
    fill_awkwardly(h.grid);
    const auto cells = h.grid.cells();
    h.session->maps().save();
    h.session->maps().open_overlay();
    EXPECT_EQ(h.dialog.save_settings.size(), 1u);
    EXPECT_EQ(h.dialog.open_settings.size(), 1u);
    EXPECT_EQ(h.grid.cells(), cells);
    EXPECT_TRUE(h.message_box.shown.empty());
    EXPECT_EQ(folder.entries(), 0);
}

TEST_F(MapCommands, AFolderByTheChosenNameIsNotReplaced) {
    const std::string folder_path = folder.file("taken.csv");
    fs::create_directory(folder_path);
    write_bytes(folder.file("taken.csv/inside"), "keep");
    h.dialog.answers.push_back(folder_path);
    h.session->maps().save();
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find(folder_path), std::string::npos);
    EXPECT_EQ(read_bytes(folder.file("taken.csv/inside")), "keep");
    EXPECT_EQ(folder.entries(), 1);
}

TEST_F(MapCommands, ASaveThatFailsHalfWayLeavesTheOldFile) {
    const std::string path = folder.file("map.csv");
    write_bytes(path, "old content");
    fill_awkwardly(h.grid);
    h.dialog.answers.push_back(path);
    {
        FileSizeLimit limit(1000);
        h.session->maps().save();
    }
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find(path), std::string::npos);
    EXPECT_EQ(read_bytes(path), "old content");
    EXPECT_EQ(folder.entries(), 1);
}

TEST_F(MapCommands, ASaveIntoAFolderWithoutWriteAccessLeavesTheOldFile) {
    const std::string locked = folder.file("locked");
    fs::create_directory(locked);
    const std::string old_map = locked + "/map.csv";
    write_bytes(old_map, "old content");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(locked + "/probe"))
        GTEST_SKIP() << "running with rights that ignore permissions";
    h.dialog.answers.push_back(old_map);
    h.session->maps().save();
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find(old_map), std::string::npos);
    EXPECT_EQ(read_bytes(old_map), "old content");
    EXPECT_EQ(static_cast<int>(std::distance(fs::directory_iterator(locked), {})), 1);
}

TEST_F(MapCommands, OverlayFillsTheCellsTheFileHas) {
    const auto before = h.grid.cells();

    // A short file: the first cells change, the rest keep their text.
    const std::string short_map = folder.file("short.csv");
    write_bytes(short_map, "\"A\",\"B\",\"C\",\"D\",\"E\"\r\n\"0100\",\"caf\xE9\"\r\n");
    h.dialog.answers.push_back(short_map);
    h.session->maps().open_overlay();
    EXPECT_EQ(h.grid.text(0, 0), "A");
    EXPECT_EQ(h.grid.text(0, 4), "E");
    EXPECT_EQ(h.grid.text(1, 0), "0100");
    EXPECT_EQ(h.grid.text(1, 1), "caf\xC3\xA9");  // written on an older PC in Windows-1252
    EXPECT_EQ(h.grid.text(1, 2), before[7]);

    // An empty file changes nothing and is not an error.
    const auto after_short = h.grid.cells();
    const std::string empty_map = folder.file("empty.csv");
    write_bytes(empty_map, "");
    h.dialog.answers.push_back(empty_map);
    h.session->maps().open_overlay();
    EXPECT_EQ(h.grid.cells(), after_short);

    // A long file: fields past the 500th are never used.
    std::string long_text;
    for (int i = 0; i < 520; ++i) long_text += "\"f" + std::to_string(i) + "\"\n";
    const std::string long_map = folder.file("long.csv");
    write_bytes(long_map, long_text);
    h.dialog.answers.push_back(long_map);
    h.session->maps().open_overlay();
    EXPECT_EQ(h.grid.text(0, 0), "f0");
    EXPECT_EQ(h.grid.text(99, 4), "f499");
    EXPECT_TRUE(h.message_box.shown.empty());
}

TEST_F(MapCommands, AnUnreadableMapIsReportedAndChangesNothing) {
    const auto before = h.grid.cells();
    const std::string missing = folder.file("missing.csv");
    h.dialog.answers.push_back(missing);
    h.session->maps().open_overlay();
    h.dialog.answers.push_back(folder.path().string());
    h.session->maps().open_overlay();
    ASSERT_EQ(h.message_box.shown.size(), 2u);
    EXPECT_NE(h.message_box.shown[0].find(missing), std::string::npos);
    EXPECT_NE(h.message_box.shown[1].find("folder"), std::string::npos);
    EXPECT_EQ(h.grid.cells(), before);

    const MapLoadResult result = load_map_file(missing, h.grid);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error_text.empty());
}

TEST(ReplaceFile, RefusesAnEmptyNameAndAMissingFolder) {
    EXPECT_FALSE(replace_file("", "x").ok);
    const ReplaceResult result = replace_file("/nonexistent-halvane-folder/map.csv", "x");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error_text.empty());
}

}  // namespace
}  // namespace halvane
