#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvane {

// The characters of a read request, one entry per position: "*" and the first four
// characters of the address. A position past the end of a short address is an empty
// entry: nothing goes on the line for it, but its tick is still waited.
std::vector<std::string> read_request(std::string_view address);

// The characters of a write request: "*", "FFFF", the first four characters of the
// address and the first two of the value, one entry per position.
std::vector<std::string> write_request(std::string_view value, std::string_view address);

// The value a reply carries, once the receive buffer holds an "@": the text strictly
// between the first "!" standing before the first "@" and that "@", or, when no "!"
// stands before it, everything before the first "@". std::nullopt while no "@" has come.
std::optional<std::string> reply_value(std::string_view received);

}  // namespace halvane
