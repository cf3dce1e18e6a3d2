#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "download/monitor_reply.h"
#include "link/line_job.h"
#include "link/monitor_dialogue.h"
#include "platform/clock.h"

namespace halvane {

// How a download ended.
struct DownloadOutcome {
    enum class Kind { kStarted, kFailed, kCancelled };
    Kind kind = Kind::kStarted;
    std::string failure;  // why it failed: the file, the port
    // kFailed: the port refused the data (the serial layer says why a moment later).
    bool port_refused = false;
    // kStarted: the monitor's end-of-load line and prompt came in time.
    bool confirmed = false;
    // kStarted: the first line of the monitor's that reported an error.
    std::optional<std::string> board_error;
    // kStarted: the file held an S1 or S9 record at the start of a line.
    bool held_s_records = false;
};

// The download: types the program file to the board's monitor as a person at a
// terminal would. In order, each step after what was sent has left the PC:
//
//   CR (Ctrl-X when the monitor's prompt waits), 1 tick; "load t" CR, 1 tick; the file's bytes
//   unchanged; 5 ticks; [the monitor's end-of-load line and prompt, at most 3 s]; CR, 5 ticks; CR,
//   5 ticks; [each command of the breakpoint table given, waiting for its prompt, at most 3 s
//   each]; "go 2400" CR, 5 ticks.
//
// The monitor ignores the line for a while after the last record and loses what arrives
// meanwhile, so the last three steps wait until it prompts again. The progress counts every
// character of the file and 5 for each of the four closing steps.
class DownloadJob : public LineJob {
  public:
    // At most this many characters of the file wait in the PC's queues, so the progress bar
    // follows what has really left.
    static constexpr std::size_t kQueueLimit = 16;
    static constexpr std::int64_t kMonitorWaitNs = 3000 * kNanosPerMilli;
    // 10 bits a character at 9600 baud.
    static constexpr std::int64_t kCharTimeNs = 10'000'000'000 / 9600;

    using Done = std::function<void(const DownloadOutcome&)>;
    // How far it has come: `value` of `maximum`.
    using Progress = std::function<void(float value, float maximum)>;
    // `before_go`: monitor commands with their CR typed after the load, before the program
    // starts (the breakpoint table); none leaves the download's wire trace as it always was.
    DownloadJob(std::string path, Progress progress, Done done,
                std::vector<std::string> before_go = {});

    void start(Line& line) override;
    void woke(Line& line) override;
    void received(Line& line, std::string_view text) override;
    void stop(std::string_view port_error) override;
    void abandon() override;
    bool finished() const override { return finished_; }
    bool reads_monitor() const override { return true; }

  private:
    enum class Step {
        kEmptyLine,
        kLoadCommand,
        kFile,
        kAfterFile,
        kMonitorPrompt,
        kFirstCr,
        kSecondCr,
        kCommandsBeforeGo,
        kGoCommand,
        kDone
    };
    enum class Phase { kDraining, kPausing, kStreaming, kAwaitingMonitor, kAwaitingPrompt };

    void run(Line& line);
    void begin_step(Line& line);
    // Sends `text` and then waits for it to leave the PC and `pause_ticks` more.
    void send_step(Line& line, std::string_view text, int pause_ticks);
    void stream_file(Line& line);
    void step_done(Line& line);
    void fail(std::string failure);
    void refused();
    void finish(DownloadOutcome::Kind kind);
    void show_progress();
    void send_command_before_go(Line& line);

    std::string path_;
    Progress progress_;
    Done done_;
    DownloadOutcome outcome_;
    Step step_ = Step::kEmptyLine;
    Phase phase_ = Phase::kDraining;
    int pause_ticks_ = 0;
    std::int64_t pause_until_ns_ = 0;
    std::int64_t monitor_deadline_ns_ = 0;
    std::ifstream file_;  // file channel 1
    std::uintmax_t length_ = 0;
    float progress_value_ = 0;
    float progress_maximum_ = 0;
    MonitorReplyWatch monitor_;
    bool watching_monitor_ = false;
    // The last two characters sent from the file, to spot records at line starts.
    char before_previous_ = '\n';
    char previous_ = '\n';
    std::vector<std::string> before_go_;
    std::size_t next_before_go_ = 0;
    monitor::Transcript prompt_watch_;  // the prompt after a command before go
    bool echo_seen_ = false;
    bool finished_ = false;
};

}  // namespace halvane
