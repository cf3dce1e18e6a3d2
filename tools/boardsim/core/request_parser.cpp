#include "core/request_parser.h"

#include "link/wire_protocol.h"
#include "text/hex_digits.h"

namespace boardsim {

namespace wire = halvane::wire;

void RequestParser::start(Stage stage) {
    stage_ = stage;
    digits_left_ =
        static_cast<int>(stage == Stage::kWriteValue ? wire::kValueDigits : wire::kAddressDigits);
    field_ = 0;
}

std::optional<MemoryRequest> RequestParser::feed(std::uint8_t byte) {
    if (byte == static_cast<std::uint8_t>(wire::kRequestStart)) {
        start(Stage::kFirst);
        return std::nullopt;
    }
    if (stage_ == Stage::kIdle) return std::nullopt;
    const int digit = halvane::hex_digit_value(static_cast<char>(byte));
    if (digit < 0) {
        stage_ = Stage::kIdle;
        return std::nullopt;
    }
    field_ = static_cast<std::uint16_t>(field_ << 4 | digit);
    if (--digits_left_ > 0) return std::nullopt;

    switch (stage_) {
        case Stage::kFirst:
            if (field_ == wire::kWriteMarkerAddress) {
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
