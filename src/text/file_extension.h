#pragma once

#include <string>
#include <string_view>

namespace halvane {

// `path` ending in `extension` (given with or without its dot): kept as it is when it ends in
// it already, in any case, otherwise with it appended, even after an extension of its own
// (blink.v2 gives blink.v2.csv). An empty path, a cancelled dialog, stays empty.
std::string with_extension(std::string_view path, std::string_view extension);

}  // namespace halvane
