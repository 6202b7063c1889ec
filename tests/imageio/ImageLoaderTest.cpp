#include "ImageStats.h"
#include "Must.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"
#include "render/Resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string_view>
#include <thread>

namespace ombrel {
namespace {

namespace fs = std::filesystem;

fs::path photo(const std::string& relative) { return *test::testDataDir() / relative; }

template <typename Picture>
std::pair<int, int> sizeOf(const Picture& image) { return {image.width(), image.height()}; }

// Every sampled pixel finite, alpha 1 (none of the test photos has
// transparency; resampling may leave it a rounding step off).
void expectPlainWorkingImage(const Image& image) {
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7) {
            const float* p = image.pixel(x, y);
            ASSERT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]));
            ASSERT_NEAR(p[3], 1.0f, 1e-5f);
        }
}

// Every test file through the loader: the upright size its properties
// promise, and full, reduced and thumbnail decodes of that size, whichever
// decoder reads it. The turned landscape files show one upright scene; a
// reduced decode hands over an early look on its way.
TEST(ImageLoader, EveryPhotoLoadsUprightAtThePromisedSizeAndScale) {
    OMBREL_REQUIRE_TESTDATA();
    struct Case {
        const char* file;
        int width, height;  // upright
        int orientation;
        double maxSide;  // of a reduced load; 0: none
        std::pair<int, int> reduced;
        const char* why;
    };
    const Case cases[] = {
        {"jpeg/orientation_1_Landscape_1.jpg", 1800, 1200, 1, 900, {900, 600}, "the scene the turned ones show"},
        {"jpeg/orientation_3_Landscape_3.jpg", 1800, 1200, 3, 256, {256, 171}, "half turn, resampled"},
        {"jpeg/orientation_6_Landscape_6.jpg", 1800, 1200, 6, 900, {900, 600}, "quarter turn, halved"},
        {"jpeg/orientation_8_Landscape_8.jpg", 1800, 1200, 8, 600, {600, 400}, "quarter turn, halved, resampled"},
        {"jpeg/canon_eos_rp_MG_0633.jpg", 4160, 2768, 1, 900, {900, 599}, "a quarter, resampled"},
        {"jpeg/canon_eos_rp_MG_0633.jpg", 4160, 2768, 1, 1000, {1040, 692}, "its quarter kept, under a tenth larger"},
        {"jpeg/sony_slt_a57_DSC8833.jpg", 2448, 1624, 1, 256, {256, 170}, "a second camera's JPEG"},
        {"jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg", 600, 900, 1, 5000, {600, 900}, "small enough: not enlarged"},
        {"jpeg/progressive_panasonic_dmc_lc70.jpg", 1280, 960, 1, 256, {256, 192}, "progressive"},
        {"jpeg/cmyk_pil_sample_cmyk.jpg", 100, 100, 1, 300, {100, 100}, "CMYK, smaller than the limit"},
        {"jpeg/grayscale_orientation6_derived.jpg", 840, 557, 6, 256, {256, 170}, "grey, turned"},
        {"heic/iphone_xr_IMG_3578.heic", 4032, 3024, 1, 1000, {1000, 750}, "HEIF"},
        {"png/rgb8_with_exif_chunk.png", 512, 512, 1, 256, {256, 256}, "orientation in eXIf"},
        {"png/rgb16_photo_from_CRW_0104.png", 800, 595, 1, 256, {256, 190}, "16-bit"},
        {"png/pngsuite_basn2c16_rgb16.png", 32, 32, 1, 16, {16, 16}, "16-bit, tiny, and smaller than its look"},
        {"bad/truncated_60pct_canon_350d_MG_9380.jpg", 2496, 1664, 1, 256, {256, 171}, "cut short"},
        {"bad/corrupt_exif_olympus_u1020.jpg", 3648, 2736, 1, 800, {800, 600}, "corrupt EXIF"},
        // Exiv2 alone sees the CRW's 2272 x 1704 JPEG-sized record; LibRaw develops 2312 x 1720.
        {"raw/canon_powershot_s40_CRW_0113.crw", 2312, 1720, 1, 0, {}, "not a file the app lists: sized only"},
        {"raw/canon_powershot_s40_crop_from_CRW_0117.dng", 1600, 1200, 1, 800, {800, 600}, "DNG, half size"},
        {"raw/canon_powershot_s40_colorchart_CRW_0104.dng", 2312, 1720, 1, 578, {578, 430}, "DNG, a quarter"},
    };
    std::set<fs::path> listed;
    std::optional<Image> scene;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.why);
        listed.insert(photo(c.file));
        const PixelSize upright{double(c.width), double(c.height)};
        const auto props = OMBREL_MUST(ImageLoader::properties(photo(c.file)));
        EXPECT_EQ(props.orientation, c.orientation);
        EXPECT_EQ(ImageLoader::pixelSize(photo(c.file)), upright);
        if (c.maxSide == 0) continue;

        std::vector<Bitmap8> looks;
        const EarlyLook early{160, [&](Bitmap8 look) { looks.push_back(std::move(look)); }};
        const auto reduced = OMBREL_MUST(ImageLoader::load(photo(c.file), c.maxSide, {}, std::nullopt, early));
        EXPECT_EQ(sizeOf(*reduced.image), c.reduced);
        EXPECT_EQ(reduced.fullSize, upright);
        EXPECT_DOUBLE_EQ(reduced.scale, double(c.reduced.first) / c.width);
        expectPlainWorkingImage(*reduced.image);
        const bool raw = std::string_view(c.file).starts_with("raw/");
        EXPECT_EQ(bool(reduced.rawDefaults), raw);
        ASSERT_EQ(looks.size(), raw ? 0u : 1u) << "one early look on the way; a RAW decode hands none";
        if (raw) continue;  // full RAW decodes and their previews: RawDecoderTest

        const auto full = OMBREL_MUST(ImageLoader::load(photo(c.file), std::nullopt, {}, std::nullopt));
        EXPECT_EQ(sizeOf(*full.image), std::pair(c.width, c.height));
        EXPECT_EQ(full.fullSize, upright);
        EXPECT_EQ(full.scale, 1.0);
        expectPlainWorkingImage(*full.image);
        const auto thumb = OMBREL_MUST(ImageLoader::thumbnail(photo(c.file), 320));
        EXPECT_EQ(sizeOf(thumb), fitWithin(c.width, c.height, 320));
        // The early look is upright and shows what the file's own thumbnail shows.
        const auto lookSize = fitWithin(c.width, c.height, 160);
        EXPECT_NEAR(looks[0].width(), lookSize.first, 1);
        EXPECT_NEAR(looks[0].height(), lookSize.second, 1);
        EXPECT_LT(test::quadrantDifference(looks[0], thumb), 6);

        if (!std::string_view(c.file).starts_with("jpeg/orientation_")) continue;
        if (!scene) {
            // The scene differs between quadrants, so a wrong turn cannot pass unnoticed.
            scene = *full.image;
            const auto q = test::quadrants(*scene);
            EXPECT_GT(test::distance(q[0], q[3]), 0.05);
            EXPECT_GT(test::distance(q[1], q[2]), 0.05);
        }
        EXPECT_LT(test::quadrantDifference(*full.image, *scene), 0.02);
        EXPECT_LT(test::quadrantDifference(*reduced.image, *scene), 0.02);
    }
    for (const auto& entry : fs::recursive_directory_iterator(*test::testDataDir())) {
        const bool photoFile = entry.is_regular_file() && entry.path().extension() != ".md";
        EXPECT_TRUE(!photoFile || listed.count(entry.path())) << entry.path() << " has no row";
    }

    // A full read reports what it decoded, whatever the caller believed; a
    // RAW load takes the caller's size, and its extension in any case.
    const auto withKnown = ImageLoader::load(photo("png/rgb16_photo_from_CRW_0104.png"), std::nullopt, {}, PixelSize{400, 300});
    EXPECT_EQ(OMBREL_MUST(withKnown).fullSize, (PixelSize{800, 595}));
    const test::TempDir dir;
    const auto dng = test::copyTestFile("raw/canon_powershot_s40_crop_from_CRW_0117.dng", dir.path());
    fs::rename(dng, dir / "IMG_1.DNG");
    const auto known = OMBREL_MUST(ImageLoader::load(dir / "IMG_1.DNG", 800.0, {}, PixelSize{1601, 1201}));
    EXPECT_EQ(known.fullSize, (PixelSize{1601, 1201}));
    ASSERT_TRUE(known.rawDefaults);
    EXPECT_EQ(known.rawDefaults->appleBoost, true);
}

// Exiv2, libheif, lcms2 and LibRaw keep shared state: calls on many threads at
// once give what one call at a time gives.
TEST(ImageLoader, ConcurrentCallsGiveTheSameResultsAsOneAtATime) {
    OMBREL_REQUIRE_TESTDATA();
    const fs::path files[] = {photo("jpeg/canon_eos_rp_MG_0633.jpg"), photo("jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg"),
                              photo("heic/iphone_xr_IMG_3578.heic"), photo("png/rgb16_photo_from_CRW_0104.png"),
                              photo("raw/canon_powershot_s40_crop_from_CRW_0117.dng")};
    const auto run = [](const fs::path& file) {
        return std::pair(ImageLoader::properties(file), ImageLoader::load(file, 200.0, {}, std::nullopt));
    };
    std::vector<decltype(run(files[0]))> expected;
    for (const auto& file : files) {
        expected.push_back(run(file));
        ASSERT_TRUE(expected.back().first && expected.back().second) << file;
    }
    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                const std::size_t i = (t + round) % std::size(files);
                const auto [props, loaded] = run(files[i]);
                const Image& want = *expected[i].second->image;
                if (!props || props != expected[i].first || !loaded || loaded->image->width() != want.width() ||
                    loaded->image->height() != want.height() ||
                    std::memcmp(loaded->image->data(), want.data(), want.byteCount()) != 0) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace ombrel
