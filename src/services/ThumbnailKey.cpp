#include "ThumbnailKey.h"

#include <charconv>
#include <sys/stat.h>

namespace ombrel {

std::uint64_t fnv1a64(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char byte : text) {
        h ^= byte;
        h *= 0x100000001B3ull;
    }
    return h;
}

std::string thumbnailKeyText(const std::filesystem::path& file) {
    double seconds = 0.0;
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
        seconds = static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed);
    std::string time(buffer, result.ptr);
    if (time.find('.') == std::string::npos) time += ".0";
    return file.string() + "|" + time;
}

std::string thumbnailKey(const std::filesystem::path& file) {
    char buffer[17];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, fnv1a64(thumbnailKeyText(file)), 16);
    return std::string(buffer, result.ptr);
}

}  // namespace ombrel
