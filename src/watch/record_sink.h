#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace halvane {

// Where a recording's text goes: a file, or a stand-in in tests.
class RecordSink {
  public:
    virtual ~RecordSink() = default;
    // Hands `bytes` on to the file, after what was written before. False when they could not
    // all be written.
    virtual bool write(std::string_view bytes) = 0;
    // Ends the file. False when what was written could not be kept.
    virtual bool close() = 0;
    // Why the last write or close failed, in the system's words ("No space left on device").
    virtual std::string error_text() const = 0;
};

struct OpenedRecordFile {
    std::unique_ptr<RecordSink> sink;  // null when the file could not be created
    std::string error_text;            // why, in the system's words
};

// Creates the file at `path`, replacing one that exists (the file dialog has asked first).
OpenedRecordFile open_record_file(const std::string& path);

}  // namespace halvane
