#pragma once

#include <cstdint>
#include <optional>

namespace boardsim {

// A complete memory request from the watch window.
struct MemoryRequest {
    enum class Kind { kRead, kWrite };
    Kind kind = Kind::kRead;
    std::uint16_t address = 0;
    std::uint8_t value = 0;  // writes only
};

// Recognises the memory protocol's requests (link/wire_protocol.h) in the character stream:
// "*AAAA" reads AAAA, "*FFFFAAAAHH" writes HH to AAAA. A '*' always starts a new request, and
// any character that does not fit abandons the current one, so the parser falls back into step
// on the next '*' after noise or a lost character. "*FFFF" always introduces a write, so
// address FFFF cannot be read.
class RequestParser {
  public:
    std::optional<MemoryRequest> feed(std::uint8_t byte);
    void reset() { stage_ = Stage::kIdle; }

  private:
    enum class Stage { kIdle, kFirst, kWriteAddress, kWriteValue };

    void start(Stage stage);

    Stage stage_ = Stage::kIdle;
    int digits_left_ = 0;
    std::uint16_t field_ = 0;
    std::uint16_t write_address_ = 0;
};

}  // namespace boardsim
