#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fakes/fake_platform.h"
#include "fakes/test_files.h"
#include "viewer/companion_file.h"

namespace halvane {
namespace {

namespace fs = std::filesystem;
using fakes::TempFolder;
using fakes::write_bytes;

struct ViewerOptions : ::testing::Test {
    ViewerOptions() {
        h.load();
        base = folder.file("blink");
        h.program_runs(base);
    }
    fakes::Harness h;
    TempFolder folder;
    std::string base;
};

TEST_F(ViewerOptions, EachOptionShowsItsCompanion) {
    write_bytes(base + ".lst", "0000 86 01  ldaa #1\r\n0002 20 FE  bra *\r\n");
    write_bytes(base + ".c", "{\\rtf1{\\fonttbl{\\f0 Courier New;}}\\f0\\b main\\b0 ()\\par}");
    write_bytes(base + ".dsc", "Blinks the LED; caf\xE9 edition\rend");

    h.session->viewer().choose(Companion::kSource);
    EXPECT_EQ(h.options.selected(), 2);
    ASSERT_TRUE(h.viewer.rich.has_value());
    ASSERT_EQ(h.viewer.rich->runs.size(), 2u);
    EXPECT_EQ(h.viewer.rich->runs[0].text, "main");
    EXPECT_TRUE(h.viewer.rich->runs[0].bold);
    EXPECT_EQ(h.viewer.rich->runs[0].font_face, "Courier New");
    EXPECT_EQ(h.viewer.rich->runs[1].text, "()\n");

    h.session->viewer().choose(Companion::kDescription);
    EXPECT_EQ(h.options.selected(), 3);
    EXPECT_FALSE(h.viewer.rich.has_value());
    EXPECT_EQ(h.viewer.plain, "Blinks the LED; caf\xC3\xA9 edition\nend");

    h.session->viewer().choose(Companion::kListing);
    EXPECT_EQ(h.options.selected(), 1);
    EXPECT_EQ(h.viewer.plain, "0000 86 01  ldaa #1\n0002 20 FE  bra *\n");
    EXPECT_EQ(h.viewer.loads, 3);
    EXPECT_TRUE(h.message_box.shown.empty());
}

TEST_F(ViewerOptions, AMissingCompanionChangesNothingButTheChosenOption) {
    write_bytes(base + ".lst", "listing");
    h.session->viewer().choose(Companion::kListing);
    const std::string status = h.status.value;

    h.session->viewer().choose(Companion::kDescription);  // no description
    EXPECT_EQ(h.options.selected(), 3);
    EXPECT_EQ(h.viewer.plain, "listing");
    EXPECT_EQ(h.viewer.loads, 1);
    EXPECT_TRUE(h.message_box.shown.empty());
    EXPECT_EQ(h.status.value, status);
}

TEST_F(ViewerOptions, ATooLargeCompanionIsRefusedWithAMessage) {
    write_bytes(base + ".lst", "listing");
    h.session->viewer().choose(Companion::kListing);
    { std::ofstream(base + ".c", std::ios::binary); }
    fs::resize_file(base + ".c", kCompanionLimit + 1);  // sparse: costs no disk space

    h.session->viewer().choose(Companion::kSource);
    EXPECT_EQ(h.options.selected(), 2);
    EXPECT_EQ(h.viewer.plain, "listing");
    EXPECT_EQ(h.viewer.loads, 1);
    ASSERT_EQ(h.message_box.shown.size(), 1u);
    EXPECT_NE(h.message_box.shown[0].find(base + ".c"), std::string::npos);
    EXPECT_NE(h.message_box.shown[0].find("16 MiB"), std::string::npos);
}

TEST(CompanionFile, TheLimitIsInclusiveAndAFolderIsUnreadable) {
    TempFolder folder;
    const std::string path = folder.file("ten.lst");
    write_bytes(path, "0123456789");
    EXPECT_EQ(read_companion_file(path, 10).status, CompanionFile::Status::kLoaded);
    EXPECT_EQ(read_companion_file(path, 9).status, CompanionFile::Status::kTooLarge);
    const CompanionFile folder_read = read_companion_file(folder.file(""));
    EXPECT_EQ(folder_read.status, CompanionFile::Status::kUnreadable);
    EXPECT_FALSE(folder_read.error_text.empty());
    // Devices have no size to check beforehand; the limit holds on what is read.
    EXPECT_EQ(read_companion_file("/dev/zero", 1000).status, CompanionFile::Status::kTooLarge);
}

}  // namespace
}  // namespace halvane
