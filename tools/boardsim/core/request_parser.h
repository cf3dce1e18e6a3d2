#pragma once

#include <cstdint>
#include <optional>

namespace boardsim {

// A complete memory request from the watch window.
struct MemoryRequest {
    enum class Kind { kRead, kWrite, kBlockRead };
    Kind kind = Kind::kRead;
    std::uint16_t address = 0;
    std::uint8_t value = 0;  // writes only
    std::uint8_t count = 0;  // block reads only: 1 to 32 bytes
};

// Recognises the memory protocol's requests (link/wire_protocol.h) in the character stream:
// "*AAAA" reads AAAA, "*FFFFAAAAHH" writes HH to AAAA, "#AAAANN" reads NN bytes from AAAA. A
// '*' or '#' always starts a new request, and any character that does not fit abandons the
// current one, so the parser falls back into step on the next '*' or '#' after noise or a lost
// character; so does a block read of 00 or more than 20 (hexadecimal) bytes. "*FFFF" always
// introduces a write, so address FFFF can only be read in a block.
class RequestParser {
  public:
    std::optional<MemoryRequest> feed(std::uint8_t byte);
    void reset() { stage_ = Stage::kIdle; }

  private:
    enum class Stage { kIdle, kFirst, kWriteAddress, kWriteValue, kBlockAddress, kBlockCount };

    void start(Stage stage);

    Stage stage_ = Stage::kIdle;
    int digits_left_ = 0;
    std::uint16_t field_ = 0;
    std::uint16_t address_ = 0;  // of the write or the block being received
};

}  // namespace boardsim
