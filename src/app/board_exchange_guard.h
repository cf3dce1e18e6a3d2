#pragma once

namespace halvane {

// Marks the window busy with the board for the life of one command, so that a second
// exchange cannot start inside the first one's waits.
class BoardExchangeGuard {
  public:
    explicit BoardExchangeGuard(bool& busy) : busy_(busy) { busy_ = true; }
    ~BoardExchangeGuard() { busy_ = false; }
    BoardExchangeGuard(const BoardExchangeGuard&) = delete;
    BoardExchangeGuard& operator=(const BoardExchangeGuard&) = delete;

  private:
    bool& busy_;
};

}  // namespace halvane
