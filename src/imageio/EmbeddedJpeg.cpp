#include "EmbeddedJpeg.h"

#include "DecodeLimits.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

namespace ombrel {

namespace {

struct TjDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};

tjscalingfactor pickScale(int width, int height, int minLongSide) {
    tjscalingfactor best{1, 1};
    if (minLongSide <= 0) return best;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    const int longSide = std::max(width, height);
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom) continue;  // only reductions
        const int scaled = TJSCALED(longSide, f);
        if (scaled >= minLongSide && scaled < TJSCALED(longSide, best)) best = f;
    }
    return best;
}

}  // namespace

std::optional<Bitmap8> decodeJpeg(const unsigned char* data, std::size_t size, int minLongSide) {
    if (!data || size == 0 || size > ULONG_MAX) return std::nullopt;
    try {
        std::unique_ptr<void, TjDeleter> handle(tjInitDecompress());
        if (!handle) return std::nullopt;
        int width = 0, height = 0, subsampling = 0, colorspace = 0;
        if (tjDecompressHeader3(handle.get(), data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                                &colorspace) != 0)
            return std::nullopt;
        // A few bytes claiming a huge picture (a damaged preview or cache file)
        // would otherwise allocate the whole bitmap before the data runs out.
        if (!plausibleForFile(width, height, size, maxJpegPixelsPerByte)) return std::nullopt;

        const tjscalingfactor scale = pickScale(width, height, minLongSide);
        const int outWidth = TJSCALED(width, scale), outHeight = TJSCALED(height, scale);
        Bitmap8 out(outWidth, outHeight);
        if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), out.data(), outWidth,
                          static_cast<int>(out.rowLength()), outHeight, TJPF_RGB,
                          TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0)
            return std::nullopt;
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace ombrel
