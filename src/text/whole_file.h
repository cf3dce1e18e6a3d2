#pragma once

#include <cstdint>
#include <string>

namespace halvane {

struct WholeFile {
    enum class Status { kRead, kUnreadable, kTooLarge };
    Status status = Status::kUnreadable;
    std::string bytes;       // the file's content when read
    std::string error_text;  // why it was not read, in words for the user
};

// Reads the file at `path` whole, refusing it when it holds more than `max_bytes`.
// A folder, a missing file and a read error are kUnreadable.
WholeFile read_whole_file(const std::string& path, std::uintmax_t max_bytes);

}  // namespace halvane
