#include "FileBytes.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace ombrel {

namespace {

constexpr std::uintmax_t largestFile = std::uintmax_t{1} << 30;

std::vector<std::uint8_t> readUpTo(const std::filesystem::path& file, std::size_t count) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(file.c_str(), "rb"), std::fclose);
    if (!f) return {};
    std::vector<std::uint8_t> bytes(count);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f.get()));
    return bytes;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& file) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size == 0 || size > largestFile) return std::nullopt;
    auto bytes = readUpTo(file, static_cast<std::size_t>(size));
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

std::vector<std::uint8_t> readFileHead(const std::filesystem::path& file, std::size_t count) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) return {};
    return readUpTo(file, static_cast<std::size_t>(std::min<std::uintmax_t>(size, count)));
}

}  // namespace ombrel
