#include "JpegMarkers.h"

#include <cstring>
#include <map>

namespace ombrel {

namespace {

constexpr std::uint8_t iccSignature[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};

bool startsWith(std::span<const std::uint8_t> bytes, const void* prefix, std::size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), prefix, n) == 0;
}

// Joins the chunks 1...count; nothing unless every chunk is there exactly once.
std::vector<std::uint8_t> joinChunks(const std::map<int, std::span<const std::uint8_t>>& chunks, int count) {
    if (count <= 0 || static_cast<int>(chunks.size()) != count) return {};
    std::vector<std::uint8_t> icc;
    for (int i = 1; i <= count; ++i) {
        const auto it = chunks.find(i);
        if (it == chunks.end()) return {};
        icc.insert(icc.end(), it->second.begin(), it->second.end());
    }
    return icc;
}

}  // namespace

JpegColourInfo readJpegColourInfo(std::span<const std::uint8_t> jpeg) {
    JpegColourInfo info;
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return info;
    std::map<int, std::span<const std::uint8_t>> chunks;
    int chunkCount = 0;
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        if (jpeg[pos] != 0xFF) break;
        const std::uint8_t marker = jpeg[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // scan data or end: no more header segments
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length field
            pos += 2;
            continue;
        }
        const std::size_t length = (static_cast<std::size_t>(jpeg[pos + 2]) << 8) | jpeg[pos + 3];
        if (length < 2 || pos + 2 + length > jpeg.size()) break;
        const auto payload = jpeg.subspan(pos + 4, length - 2);
        if (marker == 0xE2 && startsWith(payload, iccSignature, sizeof iccSignature) && payload.size() >= 14) {
            const int sequence = payload[12];
            chunkCount = payload[13];
            chunks.emplace(sequence, payload.subspan(14));
        } else if (marker == 0xEE && startsWith(payload, "Adobe", 5)) {
            info.adobe = true;
        }
        pos += 2 + length;
    }
    info.icc = joinChunks(chunks, chunkCount);
    return info;
}

}  // namespace ombrel
