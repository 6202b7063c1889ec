#include "JpegDecoder.h"

#include "DecodeLimits.h"
#include "JpegMarkers.h"

#include <turbojpeg.h>

#include <algorithm>
#include <memory>
#include <new>

namespace ombrel::JpegDecoder {

namespace {

struct HandleDestroy {
    void operator()(void* h) const { tjDestroy(h); }
};
using Handle = std::unique_ptr<void, HandleDestroy>;

struct Header {
    int width = 0, height = 0, colourspace = 0;
};

std::optional<Header> readHeader(tjhandle h, std::span<const std::uint8_t> jpeg) {
    Header header;
    int subsampling = 0;
    if (tjDecompressHeader3(h, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &header.width, &header.height,
                            &subsampling, &header.colourspace) != 0) {
        return std::nullopt;
    }
    if (!plausibleForFile(header.width, header.height, jpeg.size(), maxJpegPixelsPerByte)) return std::nullopt;
    return header;
}

// Grey stays grey and CMYK stays CMYK so that a profile for either applies.
std::pair<int, SampleLayout> outputFormat(int colourspace) {
    switch (colourspace) {
        case TJCS_GRAY: return {TJPF_GRAY, SampleLayout::Gray8};
        case TJCS_CMYK:
        case TJCS_YCCK: return {TJPF_CMYK, SampleLayout::Cmyk8};
        default: return {TJPF_RGB, SampleLayout::Rgb8};
    }
}

int scaled(int length, int denominator) { return (length + denominator - 1) / denominator; }

}  // namespace

std::optional<Size> storedSize(std::span<const std::uint8_t> jpeg) {
    Handle h(tjInitDecompress());
    if (!h) return std::nullopt;
    const auto header = readHeader(h.get(), jpeg);
    if (!header) return std::nullopt;
    return Size{header->width, header->height};
}

int scaleDenominator(Size stored, int minLongSide) {
    if (minLongSide <= 0) return 1;
    for (int d : {8, 4, 2}) {
        if (std::max(scaled(stored.width, d), scaled(stored.height, d)) >= minLongSide) return d;
    }
    return 1;
}

std::optional<Samples> decode(std::span<const std::uint8_t> jpeg, int denominator) {
    if (denominator != 1 && denominator != 2 && denominator != 4 && denominator != 8) return std::nullopt;
    Handle h(tjInitDecompress());
    if (!h) return std::nullopt;
    const auto header = readHeader(h.get(), jpeg);
    if (!header) return std::nullopt;

    const auto [pixelFormat, layout] = outputFormat(header->colourspace);
    Samples s;
    s.width = scaled(header->width, denominator);
    s.height = scaled(header->height, denominator);
    s.layout = layout;
    std::uint8_t* rows = nullptr;
    try {
        rows = allocateRows(s);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    // A progressive file with an absurd number of scans would take minutes; it is refused.
    const int rc = tjDecompress2(h.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()), rows, s.width,
                                 static_cast<int>(s.stride), s.height, pixelFormat, TJFLAG_LIMITSCANS);
    // Warnings (corrupt or missing scan data) still leave a usable picture.
    if (rc != 0 && tjGetErrorCode(h.get()) != TJERR_WARNING) return std::nullopt;

    JpegColourInfo colour = readJpegColourInfo(jpeg);
    s.icc = std::move(colour.icc);
    s.cmykInverted = colour.adobe;
    return s;
}

}  // namespace ombrel::JpegDecoder
