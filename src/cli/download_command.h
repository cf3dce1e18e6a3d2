#pragma once

#include <string>

#include "cli/board_command.h"
#include "download/download_job.h"

namespace halvane::cli {

// download: File > Open after its dialogs. The file goes to the monitor, which must wait at its
// prompt, and the command succeeds when the monitor confirmed the load; Ctrl-C cancels as
// File > Cancel Download does. The file has been checked before.
class DownloadCommand : public BoardCommand {
  public:
    // With `show_progress` (standard error is a terminal) the progress is shown there.
    DownloadCommand(BoardLink& link, Console& console, std::string path, bool show_progress,
                    Finished finished);

    void start() override;
    void interrupt() override;

  private:
    void progress(float value, float maximum);
    void done(const DownloadOutcome& outcome);
    void port_lost(const std::string& error) override;

    std::string path_;
    bool show_progress_;
    int percent_shown_ = -1;
    bool started_ = false;
};

}  // namespace halvane::cli
