#include "ImageStats.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"

#include <gtest/gtest.h>

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
        {"jpeg/canon_eos_rp_MG_0633.jpg", 1000, {4160, 2768}, 1000, 665, 1000.0 / 4160, "reduced JPEG"},
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

TEST(ImageLoader, UnreadableFilesHaveNoSizeAndLoadNothing) {
    const test::TempDir dir;
    test::writeFile(dir / "noise.png", std::string(4000, '\x42'));
    EXPECT_FALSE(ImageLoader::pixelSize(dir / "noise.png"));
    EXPECT_FALSE(ImageLoader::pixelSize(dir / "missing.jpg"));
    EXPECT_FALSE(ImageLoader::load(dir / "noise.png", 2800, {}, std::nullopt));
    EXPECT_FALSE(ImageLoader::load(dir / "noise.png", std::nullopt, {}, std::nullopt));
    EXPECT_FALSE(ImageLoader::load(dir / "missing.heic", 2800, {}, std::nullopt));
}

}  // namespace
}  // namespace ombrel
