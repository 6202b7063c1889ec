#include "LargeJpeg.h"

#include "render/Resample.h"

#include <turbojpeg.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace ombrel::bench {
namespace {

struct TjCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};

}  // namespace

std::filesystem::path testData() {
    const char* env = std::getenv("OMBREL_TESTDATA");
    return (env && *env) ? std::filesystem::path(env) : std::filesystem::path(OMBREL_DEFAULT_TESTDATA);
}

bool writeLargeJpeg(const std::filesystem::path& photoJpeg, const std::filesystem::path& target, int width,
                    int height) {
    std::ifstream in(photoJpeg, std::ios::binary);
    const std::vector<unsigned char> source{std::istreambuf_iterator<char>(in), {}};
    if (source.empty()) return false;

    const std::unique_ptr<void, TjCloser> decoder(tjInitDecompress());
    int w = 0, h = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decoder.get(), source.data(), source.size(), &w, &h, &subsampling, &colourspace) != 0) {
        return false;
    }
    Bitmap8 photo(w, h);
    if (tjDecompress2(decoder.get(), source.data(), source.size(), photo.data(), w, 0, h, TJPF_RGB, 0) != 0) {
        return false;
    }
    const Bitmap8 large = resample(photo, width, height);

    const std::unique_ptr<void, TjCloser> encoder(tjInitCompress());
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const bool encoded =
        tjCompress2(encoder.get(), large.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) == 0;
    bool written = false;
    if (encoded) {
        std::ofstream out(target, std::ios::binary);
        out.write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
        written = static_cast<bool>(out);
    }
    tjFree(jpeg);
    return written;
}

}  // namespace ombrel::bench
