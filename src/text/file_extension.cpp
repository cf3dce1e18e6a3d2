#include "text/file_extension.h"

#include <algorithm>

namespace halvane {

namespace {
char lower_ascii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string with_extension(std::string_view path, std::string_view extension) {
    if (path.empty()) return {};
    while (extension.starts_with('.')) extension.remove_prefix(1);
    const std::string ending = "." + std::string(extension);
    const bool ends_in_it =
        path.size() >= ending.size() &&
        std::equal(ending.begin(), ending.end(), path.end() - static_cast<long>(ending.size()),
                   [](char a, char b) { return lower_ascii(a) == lower_ascii(b); });
    return ends_in_it ? std::string(path) : std::string(path) + ending;
}

}  // namespace halvane
