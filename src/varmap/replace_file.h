#pragma once

#include <string>
#include <string_view>

namespace halvane {

struct ReplaceResult {
    bool ok = false;
    std::string error_text;  // why the file was not written, in words for the user
};

// Gives the file at `path` exactly the content `bytes`, or leaves it as it was.
// The content goes to a new file in the same folder first, which is renamed over
// `path` only once all of it is written; a failure removes that file again. An
// existing file keeps its permissions, and a symbolic link keeps pointing to it.
ReplaceResult replace_file(const std::string& path, std::string_view bytes);

}  // namespace halvane
