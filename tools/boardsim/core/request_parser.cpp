#include "core/request_parser.h"

namespace boardsim {
namespace {

int hex_digit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void RequestParser::start(Stage stage) {
    stage_ = stage;
    digits_left_ = stage == Stage::kWriteValue ? 2 : 4;
    field_ = 0;
}

std::optional<MemoryRequest> RequestParser::feed(std::uint8_t byte) {
    if (byte == '*') {
        start(Stage::kFirst);
        return std::nullopt;
    }
    if (stage_ == Stage::kIdle) return std::nullopt;
    const int digit = hex_digit(byte);
    if (digit < 0) {
        stage_ = Stage::kIdle;
        return std::nullopt;
    }
    field_ = static_cast<std::uint16_t>(field_ << 4 | digit);
    if (--digits_left_ > 0) return std::nullopt;

    switch (stage_) {
        case Stage::kFirst:
            if (field_ == 0xFFFF) {
                start(Stage::kWriteAddress);
                return std::nullopt;
            }
            stage_ = Stage::kIdle;
            return MemoryRequest{MemoryRequest::Kind::kRead, field_, 0};
        case Stage::kWriteAddress:
            write_address_ = field_;
            start(Stage::kWriteValue);
            return std::nullopt;
        case Stage::kWriteValue:
            stage_ = Stage::kIdle;
            return MemoryRequest{MemoryRequest::Kind::kWrite, write_address_,
                                 static_cast<std::uint8_t>(field_)};
        case Stage::kIdle:
            break;
    }
    return std::nullopt;
}

}  // namespace boardsim
