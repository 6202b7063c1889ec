#include "JpegCodec.h"

#include <turbojpeg.h>

#include <memory>

namespace ombrel {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Our cache files are small; a header claiming more is damage, not a picture.
constexpr int maxSide = 4096;

}  // namespace

std::optional<std::string> encodeJpeg(const Bitmap8& picture, int quality) {
    if (picture.empty()) return std::nullopt;
    const Handle handle(tjInitCompress());
    if (!handle) return std::nullopt;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(handle.get(), picture.data(), picture.width(), 0, picture.height(), TJPF_RGB,
                               &out, &size, TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    std::optional<std::string> bytes;
    if (rc == 0) bytes.emplace(reinterpret_cast<const char*>(out), size);
    tjFree(out);
    return bytes;
}

std::optional<Bitmap8> decodeJpegStrict(std::string_view bytes) {
    const Handle handle(tjInitDecompress());
    if (!handle || bytes.empty()) return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, bytes.size(), &width, &height, &subsampling, &colorspace) != 0 ||
        width <= 0 || height <= 0 || width > maxSide || height > maxSide || colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
        return std::nullopt;
    }
    Bitmap8 picture(width, height);
    if (tjDecompress2(handle.get(), data, bytes.size(), picture.data(), width, 0, height, TJPF_RGB,
                      TJFLAG_STOPONWARNING) != 0) {
        return std::nullopt;
    }
    return picture;
}

}  // namespace ombrel
