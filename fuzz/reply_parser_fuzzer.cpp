// The reply parser on whatever the line may have brought into the receive buffer, and the
// request texts on whatever a user may have typed into an Address or value cell.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
    return 0;
}
