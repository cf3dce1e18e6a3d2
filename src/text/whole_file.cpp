#include "text/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace halvane {

namespace {

WholeFile refused(WholeFile::Status status, std::string error_text) {
    WholeFile result;
    result.status = status;
    result.error_text = std::move(error_text);
    return result;
}

std::string too_large_text(std::uintmax_t max_bytes) {
    return "The file is larger than " + std::to_string(max_bytes / (1024 * 1024)) + " MiB (" +
           std::to_string(max_bytes) + " bytes)";
}

}  // namespace

WholeFile read_whole_file(const std::string& path, std::uintmax_t max_bytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) return refused(WholeFile::Status::kUnreadable, ec.message());
    if (fs::is_directory(status)) return refused(WholeFile::Status::kUnreadable, "It is a folder");
    if (fs::is_regular_file(status)) {
        const std::uintmax_t size = fs::file_size(path, ec);
        if (!ec && size > max_bytes) {
            return refused(WholeFile::Status::kTooLarge, too_large_text(max_bytes));
        }
    }

    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        return refused(WholeFile::Status::kUnreadable,
                       errno != 0 ? std::strerror(errno) : "It cannot be opened");
    }

    // The size seen above may be stale, and devices and pipes have none: the limit is
    // enforced on what is actually read.
    WholeFile result;
    char chunk[64 * 1024];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (result.bytes.size() + got > max_bytes) {
            return refused(WholeFile::Status::kTooLarge, too_large_text(max_bytes));
        }
        result.bytes.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(file.get())) {
        return refused(WholeFile::Status::kUnreadable,
                       errno != 0 ? std::strerror(errno) : "A read error occurred");
    }
    result.status = WholeFile::Status::kRead;
    return result;
}

}  // namespace halvane
