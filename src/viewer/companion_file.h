#pragma once

#include <cstdint>
#include <string>

#include "viewer/rich_document.h"

namespace halvane {

// Larger companions would freeze the window while they are laid out.
inline constexpr std::uintmax_t kCompanionLimit = 16 * 1024 * 1024;

struct CompanionFile {
    enum class Status { kLoaded, kUnreadable, kTooLarge };
    Status status = Status::kUnreadable;
    std::string error_text;  // why it was not loaded, in words for the user
    bool rich = false;       // which of the two contents below holds the file
    std::string plain_text;  // UTF-8, lines ended by "\n"
    RichDocument document;
};

// Reads a listing, C source or description whole: a file in rich text format as a
// formatted document, any other file as text (UTF-8, or Windows-1252 where it is not).
CompanionFile read_companion_file(const std::string& path,
                                  std::uintmax_t max_bytes = kCompanionLimit);

}  // namespace halvane
