#include "varmap/replace_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace halvane {

namespace {

namespace fs = std::filesystem;

ReplaceResult failed(std::string error_text) {
    return {false, std::move(error_text)};
}

std::string errno_text(const char* fallback) {
    return errno != 0 ? std::string(std::strerror(errno)) : std::string(fallback);
}

// A name beside `target` that no other file has: creation with "x" fails when it
// exists, so a few tries with random suffixes find a free one.
std::FILE* create_unique_beside(const fs::path& target, fs::path& created) {
    std::random_device seed_source;
    std::mt19937_64 random(
        seed_source() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path candidate = target;
        candidate.replace_filename("." + target.filename().string() + ".saving-" +
                                   std::to_string(random() % 1'000'000'000));
        errno = 0;
        if (std::FILE* file = std::fopen(candidate.c_str(), "wbx")) {
            created = candidate;
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

ReplaceResult replace_file(const std::string& path, std::string_view bytes) {
    if (path.empty()) return failed("No file name was given");
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec) return failed(ec.message());
        target = resolved;
    }
    const fs::file_status old_status = fs::status(target, ec);
    if (fs::is_directory(old_status)) return failed("It is a folder");

    fs::path temporary;
    std::FILE* file = create_unique_beside(target, temporary);
    if (!file) return failed(errno_text("A new file cannot be created in its folder"));

    errno = 0;
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const std::string write_error = errno_text("The file could not be written");
    const bool closed = std::fclose(file) == 0;
    auto discard = [&](std::string error_text) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return failed(std::move(error_text));
    };
    if (!written) return discard(write_error);
    if (!closed) return discard(errno_text("The file could not be written"));

    if (fs::exists(old_status)) {
        fs::permissions(temporary, old_status.permissions(), fs::perm_options::replace, ec);
        if (ec) return discard(ec.message());
    }
    fs::rename(temporary, target, ec);
    if (ec) return discard(ec.message());
    return {true, {}};
}

}  // namespace halvane
