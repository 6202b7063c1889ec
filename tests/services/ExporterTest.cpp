#include "ExportReadBack.h"
#include "TempDir.h"
#include "TestData.h"
#include "imageio/OutputColor.h"
#include "services/Exporter.h"

#include <gtest/gtest.h>

#include <tuple>

// Settings name only the fields a test changes; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ombrel {
namespace {

using test::TempDir;

// Camera tags of real photos reach the export; orientation is reset, the
// thumbnail and maker notes are left out.
TEST(Exporter, CameraTagsOfRealPhotosAreCopied) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"jpeg/canon_eos_rp_MG_0633.jpg",
         {"Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.DateTimeOriginal", "Exif.Photo.ExposureTime",
          "Exif.Photo.FNumber", "Exif.Photo.LensModel"}},
        {"raw/canon_powershot_s40_crop_from_CRW_0117.dng",
         {"Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.FNumber", "Exif.Photo.ExposureTime"}},
    };
    for (const auto& [file, keys] : cases) {
        SCOPED_TRACE(file);
        const auto photo = test::copyTestFile(file, dir.path());
        const auto out = dir / (photo.stem().string() + "-out.jpg");
        ASSERT_EQ(Exporter::exportPhoto(photo, EditSettings{}, ExportOptions{}, out), std::nullopt);
        const auto source = test::readExif(photo);
        const auto written = test::readExif(out);
        for (const char* key : keys) {
            ASSERT_TRUE(source.count(key)) << key;
            EXPECT_EQ(written.count(key) ? written.at(key) : "(missing)", source.at(key)) << key;
        }
        EXPECT_EQ(written.at("Exif.Image.Orientation"), "1");
        for (const auto& [key, value] : written) {
            EXPECT_NE(key.rfind("Exif.Thumbnail.", 0), 0u) << key;
            EXPECT_NE(key.rfind("Exif.Canon", 0), 0u) << key;
        }
        const auto back = test::readJpeg(out);
        ASSERT_TRUE(back);
        EXPECT_GT(back->width, back->height);
        EXPECT_EQ(back->icc, iccProfile(OutputSpace::srgb)) << "sRGB unless asked otherwise";
    }
}

TEST(Exporter, CropAndResizeShrinkTheLongEdgeButNeverEnlarge) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const ExportOptions options{.resize = true, .longEdge = 2560};
    ASSERT_EQ(Exporter::exportPhoto(test::largeCameraJpeg(), EditSettings{}, options, dir / "large-out.jpg"), std::nullopt);
    const auto large = test::readJpeg(dir / "large-out.jpg");
    ASSERT_TRUE(large);
    EXPECT_EQ(std::pair(large->width, large->height), std::pair(2560, 1707));

    const auto small = test::copyTestFile("jpeg/orientation_1_Landscape_1.jpg", dir.path());
    ASSERT_EQ(Exporter::exportPhoto(small, EditSettings{}, options, dir / "small-out.jpg"), std::nullopt);
    const auto kept = test::readJpeg(dir / "small-out.jpg");
    ASSERT_TRUE(kept);
    EXPECT_EQ(std::pair(kept->width, kept->height), std::pair(1800, 1200));

    // The crop is applied before the size is judged.
    const EditSettings settings{.crop = {.x = 0.25, .w = 0.5, .h = 0.5}};
    ASSERT_EQ(Exporter::exportPhoto(small, settings, ExportOptions{}, dir / "crop.jpg"), std::nullopt);
    const auto cropped = test::readJpeg(dir / "crop.jpg");
    ASSERT_TRUE(cropped);
    EXPECT_EQ(std::pair(cropped->width, cropped->height), std::pair(900, 600));
}

TEST(Exporter, ProfileFollowsTheChosenSpace) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const auto photo = test::copyTestFile("jpeg/sony_slt_a57_DSC8833.jpg", dir.path());
    const ExportOptions options{.format = ExportFormat::tiff, .displayP3 = true};
    ASSERT_EQ(Exporter::exportPhoto(photo, EditSettings{}, options, dir / "p3.tif"), std::nullopt);
    const auto tiff = test::readTiff(dir / "p3.tif");
    ASSERT_TRUE(tiff);
    EXPECT_EQ(std::tuple(tiff->bitsPerSample, tiff->width, tiff->height), std::tuple(16, 2448, 1624));
    EXPECT_EQ(tiff->icc, iccProfile(OutputSpace::displayP3));
    EXPECT_EQ(test::readExif(dir / "p3.tif").at("Exif.Photo.ColorSpace"), "65535");
}

// Exports that cannot start say which photo and why, and write nothing.
TEST(Exporter, UndecodablePhotosAndEmptyCropsFailWithTheirName) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const auto photo = test::copyTestFile("jpeg/orientation_1_Landscape_1.jpg", dir.path());
    test::writeFile(dir / "broken.jpg", "definitely not a JPEG");
    const EditSettings emptyCrop{.crop = {.w = 0}};
    EXPECT_EQ(Exporter::exportPhoto(dir / "broken.jpg", EditSettings{}, ExportOptions{}, dir / "out.jpg"),
              (ExportError{1, "Could not decode broken.jpg"}));
    EXPECT_EQ(Exporter::exportPhoto(dir / "gone.NEF", EditSettings{}, ExportOptions{}, dir / "out.jpg"),
              (ExportError{1, "Could not decode gone.NEF"}));
    EXPECT_EQ(Exporter::exportPhoto(photo, emptyCrop, ExportOptions{}, dir / "out.jpg"),
              (ExportError{2, "Render failed for orientation_1_Landscape_1.jpg"}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"broken.jpg", photo.filename().string()}));
}

}  // namespace
}  // namespace ombrel
