// The image loader on one format's bytes: properties, the proxy decode, the
// full decode and the thumbnail, as opening a photo runs them.
#include "FuzzFile.h"

#include "imageio/ImageLoader.h"

using namespace ombrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file = fuzz::scratchDirectory() / ("input" FUZZ_EXTENSION);
    fuzz::writeFile(file, data, size);
    ImageLoader::properties(file);
    ImageLoader::load(file, 256.0, RawOptions{}, std::nullopt);
    ImageLoader::load(file, std::nullopt, RawOptions{}, std::nullopt);
    ImageLoader::thumbnail(file, 160);
    return 0;
}
