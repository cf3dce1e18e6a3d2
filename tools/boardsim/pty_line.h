#pragma once

#include <optional>
#include <string>

namespace boardsim {

// The pseudo-terminal that stands for the board's serial connector. The PC side opens the
// terminal end (path()); the simulator reads and writes the master end. The simulator keeps
// the terminal end open itself as well, so that a client closing and reopening the port does
// not hang up the line.
class PtyLine {
  public:
    static std::optional<PtyLine> open(std::string& error);

    PtyLine(PtyLine&& other) noexcept;
    PtyLine& operator=(PtyLine&&) = delete;
    ~PtyLine();

    int master_fd() const { return master_; }
    const std::string& path() const { return path_; }
    // Hangs up: the PC side sees the line go away.
    void close();

  private:
    PtyLine(int master, int terminal, std::string path);

    int master_;
    int terminal_;
    std::string path_;
};

}  // namespace boardsim
