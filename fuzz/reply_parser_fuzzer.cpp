// The reply parser on whatever the line may have brought into the receive buffer, the block
// reply parser and the speed agreement on whatever value it cut out, and the request texts on
// whatever a user may have typed into an Address or value cell.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "link/wire_protocol.h"

using namespace halvane::wire;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view received(reinterpret_cast<const char*>(data), size);

    const std::optional<std::string> value = reply_value(received);
    const std::size_t first_end = received.find('@');
    FUZZ_CHECK(value.has_value() == (first_end != std::string_view::npos));
    if (value) {
        // The value is a piece of the text before the first end mark, ending right at it.
        FUZZ_CHECK(value->size() <= first_end);
        FUZZ_CHECK(received.substr(first_end - value->size(), value->size()) == *value);
        FUZZ_CHECK(value->find('@') == std::string::npos);
        // After a mark the value runs from the last one: no mark stays inside it.
        if (received.substr(0, first_end).find('!') != std::string_view::npos)
            FUZZ_CHECK(value->find('!') == std::string::npos);
    }

    // A well-formed reply carries back exactly its value, whatever came after it.
    std::string value_text(received.substr(0, std::min<std::size_t>(received.size(), 8)));
    std::erase(value_text, '@');
    std::erase(value_text, '!');
    const std::string reply = "!" + value_text + "@" + std::string(received);
    FUZZ_CHECK(reply_value(reply) == value_text);

    // Requests have their fixed shape whatever the cell held: one position per character
    // of the protocol, each at most one character, taken in order from the texts.
    const std::string_view address = received.substr(0, std::min<std::size_t>(received.size(), 6));
    const std::string_view byte_value = received.substr(address.size());
    const auto read = read_request(address);
    FUZZ_CHECK(read.size() == 5 && read[0] == "*");
    const auto write = write_request(byte_value, address);
    FUZZ_CHECK(write.size() == 11 && write[0] == "*");
    for (std::size_t i = 0; i < 4; ++i) {
        FUZZ_CHECK(write[1 + i] == "F");
        const std::string expected = i < address.size() ? std::string(1, address[i]) : "";
        FUZZ_CHECK(read[1 + i] == expected && write[5 + i] == expected);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string expected = i < byte_value.size() ? std::string(1, byte_value[i]) : "";
        FUZZ_CHECK(write[9 + i] == expected);
    }

    // The speed request for whatever BAUD value the first byte gives: its reply agrees, and a
    // value agrees only when it is exactly that value's two digits, of either case.
    if (size >= 1) {
        const LineRate rate{data[0], 9600};
        const std::string request = speed_request_text(rate);
        FUZZ_CHECK(request.size() == kSpeedRequestLength && request[0] == kSpeedRequestStart);
        const std::optional<std::string> agreed = reply_value(reply_text(rate.baud_register));
        FUZZ_CHECK(agreed && speed_reply_agrees(*agreed, rate));
        if (value && speed_reply_agrees(*value, rate)) {
            FUZZ_CHECK(value->size() == kSpeedDigits);
            for (std::size_t i = 0; i < kSpeedDigits; ++i) {
                FUZZ_CHECK(std::toupper(static_cast<unsigned char>((*value)[i])) ==
                           static_cast<unsigned char>(request[1 + i]));
            }
        }
    }

    // A block reply: the first three bytes choose the address and the count, the rest is the
    // value as it came. Whatever is accepted is exactly the value of the board's own reply for
    // the bytes it gave, but for the case of the digits; a refusal gives no bytes.
    if (size >= 3) {
        const auto address = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
        const std::size_t count = data[2] % (kMaxBlockBytes + 1);
        const std::string_view block_value = received.substr(3);
        const BlockReply block = parse_block_reply(block_value, address, count);
        if (block.problem == BlockReply::Problem::kNone) {
            FUZZ_CHECK(block.bytes.size() == count);
            const std::optional<std::string> again =
                reply_value(block_reply_text(address, block.bytes));
            FUZZ_CHECK(again && again->size() == block_value.size());
            for (std::size_t i = 0; i < block_value.size(); ++i) {
                FUZZ_CHECK(std::toupper(static_cast<unsigned char>(block_value[i])) ==
                           static_cast<unsigned char>((*again)[i]));
            }
        } else {
            FUZZ_CHECK(block.bytes.empty());
        }
        // The board's reply for the input's own bytes parses back to them.
        const std::span<const std::uint8_t> bytes(data + 3, std::min(size - 3, kMaxBlockBytes));
        const BlockReply made = parse_block_reply(*reply_value(block_reply_text(address, bytes)),
                                                  address, bytes.size());
        FUZZ_CHECK(made.problem == BlockReply::Problem::kNone &&
                   std::equal(made.bytes.begin(), made.bytes.end(), bytes.begin(), bytes.end()));
    }
    return 0;
}
