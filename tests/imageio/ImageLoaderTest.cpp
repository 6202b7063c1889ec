#include "ImageStats.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"

#include <gtest/gtest.h>

namespace ombrel {
namespace {

namespace fs = std::filesystem;

fs::path photo(const std::string& relative) { return *test::testDataDir() / relative; }

TEST(ImageLoaderSize, QuarterTurnedFilesReportTheirUprightSize) {
    OMBREL_REQUIRE_TESTDATA();
    EXPECT_EQ(ImageLoader::pixelSize(photo("jpeg/orientation_6_Landscape_6.jpg")), (PixelSize{1800, 1200}));
    EXPECT_EQ(ImageLoader::pixelSize(photo("jpeg/orientation_8_Landscape_8.jpg")), (PixelSize{1800, 1200}));
    EXPECT_EQ(ImageLoader::pixelSize(photo("jpeg/orientation_3_Landscape_3.jpg")), (PixelSize{1800, 1200}));
    EXPECT_EQ(ImageLoader::pixelSize(photo("jpeg/grayscale_orientation6_derived.jpg")), (PixelSize{840, 557}));
    EXPECT_EQ(ImageLoader::pixelSize(photo("heic/iphone_xr_IMG_3578.heic")), (PixelSize{4032, 3024}));
    EXPECT_EQ(ImageLoader::pixelSize(photo("raw/canon_powershot_s40_crop_from_CRW_0117.dng")), (PixelSize{1600, 1200}));

    const test::TempDir dir;
    test::writeFile(dir / "notes.jpg", "not a picture");
    EXPECT_FALSE(ImageLoader::pixelSize(dir / "notes.jpg"));
    EXPECT_FALSE(ImageLoader::pixelSize(dir / "missing.jpg"));
}

TEST(ImageLoaderProxy, LargeFileIsDecodedReducedWithFullSizeFromItsProperties) {
    OMBREL_REQUIRE_TESTDATA();
    const auto loaded = ImageLoader::load(photo("jpeg/canon_eos_rp_MG_0633.jpg"), 1000, {}, std::nullopt);
    ASSERT_TRUE(loaded && loaded->image);
    EXPECT_EQ(loaded->fullSize, (PixelSize{4160, 2768}));
    EXPECT_EQ(loaded->image->width(), 1000);
    EXPECT_EQ(loaded->image->height(), 665);
    EXPECT_DOUBLE_EQ(loaded->scale, 1000.0 / 4160.0);
    EXPECT_FALSE(loaded->rawDefaults);
}

TEST(ImageLoaderProxy, QuarterTurnedProxyIsUprightAndLooksLikeTheUnturnedOne) {
    OMBREL_REQUIRE_TESTDATA();
    const auto turned = ImageLoader::load(photo("jpeg/orientation_6_Landscape_6.jpg"), 900, {}, std::nullopt);
    const auto plain = ImageLoader::load(photo("jpeg/orientation_1_Landscape_1.jpg"), 900, {}, std::nullopt);
    ASSERT_TRUE(turned && plain);
    EXPECT_EQ(turned->fullSize, (PixelSize{1800, 1200}));
    ASSERT_EQ(turned->image->width(), 900);
    ASSERT_EQ(turned->image->height(), 600);
    EXPECT_DOUBLE_EQ(turned->scale, 0.5);
    EXPECT_LT(test::quadrantDifference(*turned->image, *plain->image), 0.02);
}

TEST(ImageLoaderProxy, HeifProxyKeepsItsFullSize) {
    OMBREL_REQUIRE_TESTDATA();
    const auto loaded = ImageLoader::load(photo("heic/iphone_xr_IMG_3578.heic"), 1000, {}, std::nullopt);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->fullSize, (PixelSize{4032, 3024}));
    EXPECT_EQ(loaded->image->width(), 1000);
    EXPECT_EQ(loaded->image->height(), 750);
    EXPECT_DOUBLE_EQ(loaded->scale, 1000.0 / 4032.0);
}

TEST(ImageLoaderFullRead, SmallFileTakesTheFullReadPathAtScaleOne) {
    OMBREL_REQUIRE_TESTDATA();
    // 1800 px on the long side is below the proxy limit: read whole.
    const auto loaded = ImageLoader::load(photo("jpeg/orientation_8_Landscape_8.jpg"), 2800, {}, std::nullopt);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->scale, 1.0);
    EXPECT_EQ(loaded->fullSize, (PixelSize{1800, 1200}));
    EXPECT_EQ(loaded->image->width(), 1800);
    EXPECT_EQ(loaded->image->height(), 1200);
}

TEST(ImageLoaderFullRead, FullReadReportsTheDecodedExtentEvenWhenASizeWasKnown) {
    OMBREL_REQUIRE_TESTDATA();
    const auto file = photo("png/rgb16_photo_from_CRW_0104.png");
    const auto full = ImageLoader::load(file, std::nullopt, {}, std::nullopt);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->scale, 1.0);
    EXPECT_EQ(full->fullSize, (PixelSize{800, 595}));
    // The full read reports what it decoded, whatever the caller believed.
    const auto withKnown = ImageLoader::load(file, std::nullopt, {}, PixelSize{400, 300});
    ASSERT_TRUE(withKnown);
    EXPECT_EQ(withKnown->fullSize, (PixelSize{800, 595}));
}

TEST(ImageLoaderFailure, UnreadableFilesLoadNothing) {
    const test::TempDir dir;
    test::writeFile(dir / "noise.png", std::string(4000, '\x42'));
    EXPECT_FALSE(ImageLoader::load(dir / "noise.png", 2800, {}, std::nullopt));
    EXPECT_FALSE(ImageLoader::load(dir / "noise.png", std::nullopt, {}, std::nullopt));
    EXPECT_FALSE(ImageLoader::load(dir / "missing.heic", 2800, {}, std::nullopt));
}

}  // namespace
}  // namespace ombrel
