#include "core/request_parser.h"

#include "link/wire_protocol.h"
#include "text/hex_digits.h"

namespace boardsim {

namespace wire = halvane::wire;

void RequestParser::start(Stage stage) {
    stage_ = stage;
    digits_left_ = static_cast<int>(stage == Stage::kWriteValue   ? wire::kValueDigits
                                    : stage == Stage::kBlockCount ? wire::kCountDigits
                                                                  : wire::kAddressDigits);
    field_ = 0;
}

std::optional<MemoryRequest> RequestParser::feed(std::uint8_t byte) {
    if (byte == static_cast<std::uint8_t>(wire::kRequestStart)) {
        start(Stage::kFirst);
        return std::nullopt;
    }
    if (byte == static_cast<std::uint8_t>(wire::kBlockRequestStart)) {
        start(Stage::kBlockAddress);
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
            address_ = field_;
            start(Stage::kWriteValue);
            return std::nullopt;
        case Stage::kWriteValue:
            stage_ = Stage::kIdle;
            return MemoryRequest{MemoryRequest::Kind::kWrite, address_,
                                 static_cast<std::uint8_t>(field_)};
        case Stage::kBlockAddress:
            address_ = field_;
            start(Stage::kBlockCount);
            return std::nullopt;
        case Stage::kBlockCount:
            stage_ = Stage::kIdle;
            if (field_ == 0 || field_ > wire::kMaxBlockBytes) return std::nullopt;
            return MemoryRequest{MemoryRequest::Kind::kBlockRead, address_, 0,
                                 static_cast<std::uint8_t>(field_)};
        case Stage::kIdle:
            break;
    }
    return std::nullopt;
}

}  // namespace boardsim
