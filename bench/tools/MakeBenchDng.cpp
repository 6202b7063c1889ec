// make_bench_dng PHOTO.jpg OUT.dng [WIDTH HEIGHT]: the camera-like DNG the
// benchmarks use, for scripts that time other programs on the same file.

#include "DngFixture.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s PHOTO.jpg OUT.dng [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    const int width = argc == 5 ? std::atoi(argv[3]) : 6000;
    const int height = argc == 5 ? std::atoi(argv[4]) : 4000;
    if (width < 16 || height < 16) {
        std::fprintf(stderr, "%s: WIDTH and HEIGHT must be at least 16\n", argv[0]);
        return 2;
    }
    if (!ombrel::bench::writeBayerDng(argv[1], argv[2], width, height, 1024)) {
        std::fprintf(stderr, "%s: cannot make %s from %s\n", argv[0], argv[2], argv[1]);
        return 1;
    }
    return 0;
}
