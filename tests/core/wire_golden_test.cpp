// Every character the board sees, and the tick it leaves on, for a download, a byte read, a word
// write with its read-back and a Get All, compared with a recording in golden/wire_trace.txt.
// The board link may be restructured; what goes on the wire, and when, stays as recorded.
// HALVANE_UPDATE_GOLDEN=1 rewrites the recording (only when the wire is meant to change).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/scripted_board.h"
#include "fakes/fake_platform.h"
#include "fakes/test_files.h"

namespace halvane {
namespace {

using fakes::Harness;
using fakes::ScriptedBoard;

const std::string kGolden = std::string(HALVANE_TESTS_DIR) + "/core/golden/wire_trace.txt";

std::string shown(char c) {
    if (c == '\r') return "\\r";
    if (c == '\n') return "\\n";
    return std::string(1, c);
}

// One line per character: the scenario, the tick relative to the scenario's first
// character, and the character.
class WireRecorder {
  public:
    explicit WireRecorder(Harness& h) : h_(h) {}
    void scenario(const std::string& name) {
        take();
        name_ = name;
        first_ = h_.serial.writes.size();
    }
    std::string trace() {
        take();
        return out_.str();
    }

  private:
    void take() {
        const auto& writes = h_.serial.writes;
        if (first_ >= writes.size()) return;
        const std::int64_t start = h_.serial.write_ticks[first_];
        for (std::size_t i = first_; i < writes.size(); ++i) {
            for (char c : writes[i])
                out_ << name_ << ' ' << (h_.serial.write_ticks[i] - start) << ' ' << shown(c)
                     << '\n';
        }
        first_ = writes.size();
    }
    Harness& h_;
    std::string name_;
    std::size_t first_ = 0;
    std::ostringstream out_;
};

TEST(WireGolden, DownloadReadWriteAndGetAllSendWhatTheRecordingHolds) {
    fakes::TempFolder folder;
    const std::string program = folder.file("prog.s19");
    fakes::write_bytes(program,
                       "S00600004844521B\r\nS1132400000102030405060708090A0B0C0D0E0F64\r\n"
                       "S9030000FC\r\n");
    Harness h;
    h.session->link().set_block_reads_allowed(true);
    h.load();
    // The monitor answers the end of the load as the board's does; the window must not send
    // anything differently because of it.
    h.serial.on_write = [&](std::string_view text) {
        if (text == "\n" && h.serial.written().ends_with("S9030000FC\r\n"))
            h.clock.after_ms(3, [&] { h.serial.arrive("done: 1 data records, 0 bad\r\n>"); });
    };
    WireRecorder wire(h);

    wire.scenario("download");
    // The data record's checksum is wrong, as it was when the recording was made: the file
    // check asks, and Yes sends the file unchanged.
    h.message_box.answers.push_back(true);
    h.dialog.answers.push_back(program);
    h.session->download().open_program();
    h.clock.run();
    ASSERT_TRUE(h.session->link().gate_open());

    ScriptedBoard board(h);
    board.memory[0x2402] = 0x12;
    board.memory[0x2403] = 0x34;
    board.memory[0x2405] = 0x01;
    board.memory[0x2404] = 0x05;

    h.grid.set_text(1, 0, "2402");
    h.grid.set_text(1, 3, "WD");
    h.grid.set_text(2, 0, "2405");
    h.grid.set_text(2, 3, "D");
    h.grid.set_text(4, 0, "2404");

    wire.scenario("read");
    h.grid.set_row(2);
    h.grid.set_col(0);
    h.session->cells().read_or_write_cell();
    h.clock.run();
    EXPECT_EQ(h.grid.text(2, 2), "01");

    wire.scenario("write");
    h.input_box.answers.push_back("ABCD");
    h.grid.set_row(1);
    h.grid.set_col(2);
    h.session->cells().read_or_write_cell();
    h.clock.run();
    EXPECT_EQ(h.grid.text(1, 2), "ABCD");

    wire.scenario("getall");
    h.session->cells().get_all();
    h.clock.run();
    EXPECT_EQ(h.grid.text(4, 2), "05");

    const std::string trace = wire.trace();
    if (std::getenv("HALVANE_UPDATE_GOLDEN")) {
        fakes::write_bytes(kGolden, trace);
        GTEST_SKIP() << "recording rewritten: " << kGolden;
    }
    EXPECT_EQ(trace, fakes::read_bytes(kGolden));
}

}  // namespace
}  // namespace halvane
