#include "ImageStats.h"
#include "TempDir.h"

#include "imageio/EmbeddedJpeg.h"
#include "imageio/ImageLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

namespace ombrel {
namespace {

using test::be;
using test::le;

// Headers that promise a picture far larger than the bytes behind them. Each
// crafter also makes a plausible 64 x 64 file, to show the header is read at all.

std::string pngChunk(const std::string& type, const std::string& data) {
    return be(static_cast<std::uint32_t>(data.size()), 4) + type + data + be(test::crc32(type + data), 4);
}

std::string png(std::uint32_t w, std::uint32_t h) {
    const std::string zlibEmpty("\x78\x9c\x03\x00\x00\x00\x00\x01", 8);
    return "\x89PNG\r\n\x1a\n" + pngChunk("IHDR", be(w, 4) + be(h, 4) + std::string("\x08\x02\x00\x00\x00", 5)) +
           pngChunk("IDAT", zlibEmpty) + pngChunk("IEND", "");
}

std::string jpeg(std::uint32_t w, std::uint32_t h) {
    const std::string dqt = "\xff\xdb" + be(67, 2) + std::string(1, '\0') + std::string(64, '\x01');
    const std::string sof = "\xff\xc0" + be(11, 2) + "\x08" + be(h, 2) + be(w, 2) + std::string("\x01\x01\x11\x00", 4);
    const std::string sos = "\xff\xda" + be(8, 2) + std::string("\x01\x01\x00\x00\x3f\x00", 6);
    return "\xff\xd8" + dqt + sof + sos + std::string(64, '\0') + "\xff\xd9";
}

// A bare uncompressed CFA DNG whose strip is as long as the header claims, up
// to 8 KiB.
std::string dng(std::uint32_t w, std::uint32_t h) {
    struct Entry { std::uint16_t tag, type; std::uint32_t count, value; };
    const std::uint32_t dataOffset = 512, modelOffset = 500;
    const std::uint32_t stripBytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{w} * h * 2, 8192));
    const Entry entries[] = {
        {254, 4, 1, 0},          {256, 4, 1, w},          {257, 4, 1, h},
        {258, 3, 1, 16},         {259, 3, 1, 1},          {262, 3, 1, 32803},
        {273, 4, 1, dataOffset}, {277, 3, 1, 1},          {278, 4, 1, h},
        {279, 4, 1, stripBytes}, {33421, 3, 2, 0x00020002}, {33422, 1, 4, 0x02010100},
        {50706, 1, 4, 0x00000401}, {50708, 2, 5, modelOffset},
    };
    std::string tiff = std::string("II*\0", 4) + le(8, 4) + le(std::size(entries), 2);
    for (const Entry& e : entries) tiff += le(e.tag, 2) + le(e.type, 2) + le(e.count, 4) + le(e.value, 4);
    tiff += le(0, 4);
    tiff.resize(modelOffset, '\0');
    tiff += std::string("Fuzz\0", 5);
    tiff.resize(dataOffset + stripBytes, '\0');
    return tiff;
}

std::string box(const std::string& type, const std::string& payload) {
    return be(static_cast<std::uint32_t>(8 + payload.size()), 4) + type + payload;
}
std::string fullBox(const std::string& type, const std::string& payload) {
    return box(type, std::string(4, '\0') + payload);
}

// A HEIF grid of one tile whose declared output size is `w` x `h`.
std::string heifGrid(std::uint32_t w, std::uint32_t h) {
    const std::string grid = std::string("\x00\x01\x00\x00", 4) + be(w, 4) + be(h, 4);
    const std::string tile(32, '\0');
    const auto meta = [&](std::uint32_t dataStart) {
        const std::string iloc = fullBox("iloc", std::string("\x44\x00", 2) + be(2, 2) +
                                                     be(1, 2) + be(0, 2) + be(1, 2) + be(dataStart, 4) + be(grid.size(), 4) +
                                                     be(2, 2) + be(0, 2) + be(1, 2) + be(dataStart + grid.size(), 4) +
                                                     be(tile.size(), 4));
        const auto infe = [](int id, const char* type) {
            return box("infe", std::string("\x02\x00\x00\x00", 4) + be(id, 2) + be(0, 2) + type + '\0');
        };
        const std::string ipco = box("ipco", fullBox("ispe", be(w, 4) + be(h, 4)) + fullBox("ispe", be(64, 4) + be(64, 4)));
        const std::string ipma = fullBox("ipma", be(2, 4) + be(1, 2) + "\x01\x81" + be(2, 2) + "\x01\x82");
        return fullBox("meta", fullBox("hdlr", be(0, 4) + "pict" + std::string(13, '\0')) + fullBox("pitm", be(1, 2)) +
                                   fullBox("iinf", be(2, 2) + infe(1, "grid") + infe(2, "hvc1")) + iloc +
                                   fullBox("iref", box("dimg", be(1, 2) + be(1, 2) + be(2, 2))) +
                                   box("iprp", ipco + ipma));
    };
    const std::string ftyp = box("ftyp", std::string("heic") + be(0, 4) + "mif1heic");
    const std::uint32_t dataStart = static_cast<std::uint32_t>(ftyp.size() + meta(0).size() + 8);
    return ftyp + meta(dataStart) + box("mdat", grid + tile);
}

// The largest single request any allocator call made: the C allocation
// functions are interposed (the libraries allocate with them too). Under
// AddressSanitizer its own allocator stands in their place: nothing is counted.
#if defined(__SANITIZE_ADDRESS__)
#define OMBREL_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OMBREL_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef OMBREL_COUNTS_ALLOCATIONS
#define OMBREL_COUNTS_ALLOCATIONS 1
#endif

std::atomic<std::size_t> largestRequest{0};

[[maybe_unused]] void noteRequest(std::size_t bytes) {
    std::size_t seen = largestRequest.load(std::memory_order_relaxed);
    while (bytes > seen && !largestRequest.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) {
    }
}

// No single request beyond 256 MiB; under AddressSanitizer nothing is counted.
void expectNoHugeRequest() {
    if (OMBREL_COUNTS_ALLOCATIONS) {
        EXPECT_LE(largestRequest, std::size_t{256} << 20);
    }
}

struct Bomb {
    const char* name;
    const char* extension;
    std::string (*craft)(std::uint32_t, std::uint32_t);
    std::uint32_t width, height;
};

TEST(DecompressionBomb, HugeDeclaredSizesAreRefusedQuickly) {
    const Bomb bombs[] = {
        {"png", ".png", png, 100000, 100000},
        {"jpeg", ".jpg", jpeg, 65535, 65535},  // the largest a JPEG header can state
        {"jpeg within the size limit, far denser than any JPEG", ".jpg", jpeg, 16000, 16000},
        {"png within the size limit, far denser than deflate packs", ".png", png, 16000, 16000},
        {"heif grid", ".heic", heifGrid, 100000, 100000},
        {"heif grid within libheif's limits", ".heic", heifGrid, 30000, 30000},
        {"dng", ".dng", dng, 100000, 100000},
        {"dng within LibRaw's limits", ".dng", dng, 30000, 30000},
    };
    const test::TempDir dir;
    for (const Bomb& bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        const auto plausible = dir / (std::string("plausible") + bomb.extension);
        test::writeFile(plausible, bomb.craft(64, 64));
        const auto properties = ImageLoader::properties(plausible);
        ASSERT_EQ(properties ? properties->pixelWidth : std::nullopt, 64) << "the crafted header is read";

        const auto file = dir / (std::string("bomb") + bomb.extension);
        test::writeFile(file, bomb.craft(bomb.width, bomb.height));
        largestRequest = 0;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ImageLoader::load(file, 1000.0, {}, std::nullopt));
        EXPECT_FALSE(ImageLoader::load(file, std::nullopt, {}, std::nullopt));
        EXPECT_FALSE(ImageLoader::thumbnail(file, 320));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        expectNoHugeRequest();
    }
}

TEST(DecompressionBomb, EmbeddedJpegClaimingMorePixelsThanItsBytesIsRefused) {
    const std::string bytes = jpeg(16384, 16384);  // within the absolute limit, but from 200 bytes
    largestRequest = 0;
    EXPECT_FALSE(decodeJpeg(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 0));
    expectNoHugeRequest();
}

}  // namespace
}  // namespace ombrel

#if OMBREL_COUNTS_ALLOCATIONS
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t bytes) {
    ombrel::noteRequest(bytes);
    return __libc_malloc(bytes);
}
void* calloc(std::size_t count, std::size_t bytes) {
    ombrel::noteRequest(count * bytes);
    return __libc_calloc(count, bytes);
}
void* realloc(void* old, std::size_t bytes) {
    ombrel::noteRequest(bytes);
    return __libc_realloc(old, bytes);
}
void* aligned_alloc(std::size_t alignment, std::size_t bytes) {
    ombrel::noteRequest(bytes);
    return __libc_memalign(alignment, bytes);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t bytes) {
    ombrel::noteRequest(bytes);
    *out = __libc_memalign(alignment, bytes);
    return *out ? 0 : ENOMEM;
}
}
#endif
