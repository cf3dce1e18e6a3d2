#include "watch/record_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace halvane {

namespace {

std::string errno_text(const char* fallback) {
    return errno != 0 ? std::string(std::strerror(errno)) : std::string(fallback);
}

// The recorder gathers its lines itself and writes them at most about once a second, so each
// write goes straight on to the system.
class FileRecordSink : public RecordSink {
  public:
    explicit FileRecordSink(std::FILE* file) : file_(file) {}
    ~FileRecordSink() override {
        if (file_ != nullptr) std::fclose(file_);
    }
    FileRecordSink(const FileRecordSink&) = delete;
    FileRecordSink& operator=(const FileRecordSink&) = delete;

    bool write(std::string_view bytes) override {
        if (file_ == nullptr) return fail("The file is closed");
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
            std::fflush(file_) == 0) {
            return true;
        }
        return fail(errno_text("The file could not be written"));
    }

    bool close() override {
        if (file_ == nullptr) return true;
        errno = 0;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed || fail(errno_text("The file could not be written"));
    }

    std::string error_text() const override { return error_text_; }

  private:
    bool fail(std::string text) {
        error_text_ = std::move(text);
        return false;
    }

    std::FILE* file_;
    std::string error_text_;
};

}  // namespace

OpenedRecordFile open_record_file(const std::string& path) {
    if (path.empty()) return {nullptr, "No file name was given"};
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return {nullptr, errno_text("The file cannot be created")};
    return {std::make_unique<FileRecordSink>(file), {}};
}

}  // namespace halvane
