#include "ImageStats.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace ombrel {
namespace {

namespace fs = std::filesystem;

fs::path photo(const std::string& relative) { return *test::testDataDir() / relative; }

// The loader's sizes are upright, and its proxies carry the full size and
// their scale whichever decoder made them.
TEST(ImageLoader, ProxiesAreUprightWithTheirFullSizeAndScale) {
    OMBREL_REQUIRE_TESTDATA();
    struct Case {
        const char* file;
        std::optional<double> maxSide;
        PixelSize fullSize;
        int width, height;
        double scale;
        const char* why;
    };
    const Case cases[] = {
        {"jpeg/canon_eos_rp_MG_0633.jpg", 900, {4160, 2768}, 900, 599, 900.0 / 4160, "reduced JPEG"},
        {"jpeg/canon_eos_rp_MG_0633.jpg", 1000, {4160, 2768}, 1040, 692, 0.25, "its quarter size kept"},
        {"jpeg/orientation_6_Landscape_6.jpg", 900, {1800, 1200}, 900, 600, 0.5, "quarter-turned"},
        {"heic/iphone_xr_IMG_3578.heic", 1000, {4032, 3024}, 1000, 750, 1000.0 / 4032, "HEIF"},
        {"jpeg/orientation_8_Landscape_8.jpg", 2800, {1800, 1200}, 1800, 1200, 1.0, "below the limit: read whole"},
        {"png/rgb16_photo_from_CRW_0104.png", std::nullopt, {800, 595}, 800, 595, 1.0, "full read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(ImageLoader::pixelSize(photo(c.file)), c.fullSize);
        const auto loaded = ImageLoader::load(photo(c.file), c.maxSide, {}, std::nullopt);
        ASSERT_TRUE(loaded && loaded->image);
        EXPECT_EQ(loaded->fullSize, c.fullSize);
        EXPECT_EQ(loaded->image->width(), c.width);
        EXPECT_EQ(loaded->image->height(), c.height);
        EXPECT_DOUBLE_EQ(loaded->scale, c.scale);
        EXPECT_FALSE(loaded->rawDefaults);
    }
    const auto turned = ImageLoader::load(photo("jpeg/orientation_6_Landscape_6.jpg"), 900, {}, std::nullopt);
    const auto plain = ImageLoader::load(photo("jpeg/orientation_1_Landscape_1.jpg"), 900, {}, std::nullopt);
    ASSERT_TRUE(turned && plain);
    EXPECT_LT(test::quadrantDifference(*turned->image, *plain->image), 0.02);
    // A full read reports what it decoded, whatever the caller believed.
    const auto withKnown =
        ImageLoader::load(photo("png/rgb16_photo_from_CRW_0104.png"), std::nullopt, {}, PixelSize{400, 300});
    ASSERT_TRUE(withKnown);
    EXPECT_EQ(withKnown->fullSize, (PixelSize{800, 595}));
}

// The photo stored 1200 x 1800 with its EXIF orientation set to each value:
// the five to eight lie on their side, the others stand as stored.
// A proxy's decode hands over one upright look on its way, which shows the
// same picture as the file's own thumbnail; a RAW file's decode hands none.
TEST(ImageLoader, ProxyDecodesHandOverOneUprightLook) {
    OMBREL_REQUIRE_TESTDATA();
    const struct {
        const char* file;
        double maxSide;
        bool look;
    } cases[] = {
        {"jpeg/canon_eos_rp_MG_0633.jpg", 2800, true},        // read whole
        {"jpeg/orientation_6_Landscape_6.jpg", 900, true},    // halved, turned
        {"jpeg/cmyk_pil_sample_cmyk.jpg", 300, true},         // CMYK, smaller than the look
        {"png/rgb16_photo_from_CRW_0104.png", 700, true},     // 16-bit
        {"heic/iphone_xr_IMG_3578.heic", 2800, true},
        {"raw/canon_powershot_s40_crop_from_CRW_0117.dng", 2800, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<Bitmap8> looks;
        const EarlyLook early{160, [&](Bitmap8 look) { looks.push_back(std::move(look)); }};
        ASSERT_TRUE(ImageLoader::load(photo(c.file), c.maxSide, {}, std::nullopt, early));
        ASSERT_EQ(looks.size(), c.look ? 1u : 0u);
        if (!c.look) continue;
        const auto thumbnail = ImageLoader::thumbnail(photo(c.file), 160);
        ASSERT_TRUE(thumbnail);
        EXPECT_NEAR(looks[0].width(), thumbnail->width(), 1);
        EXPECT_NEAR(looks[0].height(), thumbnail->height(), 1);
        EXPECT_LT(test::quadrantDifference(looks[0], *thumbnail), 6);
    }
}

TEST(ImageLoader, EveryOrientationGivesItsUprightSize) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    const std::string stored = test::readFile(photo("jpeg/orientation_6_Landscape_6.jpg"));
    // The orientation entry of the EXIF block (tag 0x0112, type SHORT, count 1)
    // in either byte order; its value follows the 8-byte head.
    const std::size_t little = stored.find(std::string("\x12\x01\x03\x00\x01\x00\x00\x00", 8));
    const std::size_t big = stored.find(std::string("\x01\x12\x00\x03\x00\x00\x00\x01", 8));
    ASSERT_TRUE(little != std::string::npos || big != std::string::npos);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        std::string turned = stored;
        if (little != std::string::npos) turned[little + 8] = static_cast<char>(orientation);
        else turned[big + 9] = static_cast<char>(orientation);
        const fs::path file = dir / ("o" + std::to_string(orientation) + ".jpg");
        test::writeFile(file, turned);
        const PixelSize upright = orientation >= 5 ? PixelSize{1800, 1200} : PixelSize{1200, 1800};
        EXPECT_EQ(ImageLoader::pixelSize(file), upright) << orientation;
    }
}

TEST(ImageLoader, UnreadableFilesHaveNoSizeAndLoadNothing) {
    const test::TempDir dir;
    test::writeFile(dir / "noise.png", std::string(4000, '\x42'));
    EXPECT_FALSE(ImageLoader::pixelSize(dir / "noise.png"));
    EXPECT_FALSE(ImageLoader::pixelSize(dir / "missing.jpg"));
    EXPECT_FALSE(ImageLoader::load(dir / "noise.png", 2800, {}, std::nullopt));
    EXPECT_FALSE(ImageLoader::load(dir / "noise.png", std::nullopt, {}, std::nullopt));
    EXPECT_FALSE(ImageLoader::load(dir / "missing.heic", 2800, {}, std::nullopt));
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
