// make_interaction_fixtures DIR [MANY]: the folders `ombrel
// --benchmark-interaction` runs on: DIR/raw (24 MP DNGs), DIR/jpeg (24 MP
// JPEGs) and DIR/many (MANY small JPEGs, 5000 by default). Copies are hard
// links, so thousands of photos cost the disk little.

#include "DngFixture.h"
#include "LargeJpeg.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

bool linkCopies(const fs::path& original, const std::string& stem, const std::string& ext, int count) {
    std::error_code error;
    for (int i = 1; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s_%04d%s", stem.c_str(), i, ext.c_str());
        const fs::path copy = original.parent_path() / name;
        fs::remove(copy, error);
        fs::create_hard_link(original, copy, error);
        if (error) fs::copy_file(original, copy, fs::copy_options::overwrite_existing, error);
        if (error) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s DIR [MANY]\n", argv[0]);
        return 2;
    }
    const fs::path dir = argv[1];
    const int many = argc == 3 ? std::atoi(argv[2]) : 5000;
    const fs::path photo = ombrel::bench::testData() / "jpeg/canon_eos_rp_MG_0633.jpg";
    for (const char* sub : {"raw", "jpeg", "many"}) fs::create_directories(dir / sub);

    const fs::path raw = dir / "raw/shot_0000.dng";
    const fs::path jpeg = dir / "jpeg/shot_0000.jpg";
    const fs::path small = dir / "many/img_0000.jpg";
    if (!ombrel::bench::writeBayerDng(photo, raw, 6000, 4000, 1620) ||
        !ombrel::bench::writeLargeJpeg(photo, jpeg, 6000, 4000) ||
        !ombrel::bench::writeLargeJpeg(photo, small, 640, 427) || !linkCopies(raw, "shot", ".dng", 8) ||
        !linkCopies(jpeg, "shot", ".jpg", 8) || !linkCopies(small, "img", ".jpg", many)) {
        std::fprintf(stderr, "%s: cannot write the fixtures into %s\n", argv[0], dir.c_str());
        return 1;
    }
    std::printf("%s\n%s\n%s\n", raw.c_str(), jpeg.c_str(), (dir / "many").c_str());
    return 0;
}
