#include "JpegCodec.h"

#include "EmbeddedJpeg.h"

#include <turbojpeg.h>

#include <memory>

namespace ombrel {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Our cache files are small; anything bigger is not one of ours.
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
    auto picture = decodeJpeg(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 0);
    if (picture && (picture->width() > maxSide || picture->height() > maxSide)) return std::nullopt;
    return picture;
}

}  // namespace ombrel
