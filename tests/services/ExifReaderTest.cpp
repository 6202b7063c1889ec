#include "TempDir.h"
#include "TestData.h"

#include "services/ExifReader.h"

#include <gtest/gtest.h>

#include <clocale>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using Lines = ExifReader::Lines;

fs::path photo(const std::string& relative) { return *test::testDataDir() / relative; }

// The value of `label`, or "(absent)".
std::string valueOf(const Lines& lines, const std::string& label) {
    for (const auto& [l, v] : lines)
        if (l == label) return v;
    return "(absent)";
}

TEST(ExifReaderFiles, CameraFilesGiveEveryLine) {
    OMBREL_REQUIRE_TESTDATA();
    const std::pair<const char*, Lines> cases[] = {
        {"jpeg/canon_eos_rp_MG_0633.jpg",
         {{"Camera", "Canon EOS RP"}, {"Lens", "RF35mm F1.8 MACRO IS STM"}, {"ISO", "100"}, {"Aperture", "f/2.8"},
          {"Shutter", "1/100 s"}, {"Focal length", "35 mm"}, {"Date", "2020:02:18 08:55:53"},
          {"Size", "4160 \u00D7 2768"}}},
        // Make and model joined, as the model does not repeat the make.
        {"jpeg/sony_slt_a57_DSC8833.jpg",
         {{"Camera", "SONY SLT-A57"}, {"Lens", "DT 50mm F1.8 SAM"}, {"ISO", "100"}, {"Aperture", "f/16.0"},
          {"Shutter", "1/200 s"}, {"Focal length", "50 mm"}, {"Date", "2020:04:27 16:08:39"},
          {"Size", "2448 \u00D7 1624"}}},
        // The lens only in XMP's aux namespace.
        {"jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg",
         {{"Camera", "Canon EOS 7D"}, {"Lens", "EF24-70mm f/2.8L USM"}, {"ISO", "200"}, {"Aperture", "f/11.0"},
          {"Shutter", "1/125 s"}, {"Focal length", "57 mm"}, {"Date", "2010:12:12 12:41:35"},
          {"Size", "600 \u00D7 900"}}},
        // A DNG: its EXIF and the developed size.
        {"raw/canon_powershot_s40_crop_from_CRW_0117.dng",
         {{"Camera", "Canon PowerShot S40"}, {"ISO", "50"}, {"Aperture", "f/2.8"}, {"Shutter", "1/4 s"},
          {"Focal length", "7 mm"}, {"Date", "2021:03:26 21:16:32"}, {"Size", "1600 \u00D7 1200"}}},
    };
    for (const auto& [file, expected] : cases) EXPECT_EQ(ExifReader::read(photo(file)), expected) << file;
}

TEST(ExifReaderFiles, HeicExifComesFromItsExifItem) {
    OMBREL_REQUIRE_TESTDATA();
    const Lines lines = ExifReader::read(photo("heic/iphone_xr_IMG_3578.heic"));
    EXPECT_EQ(valueOf(lines, "Camera"), "Apple iPhone XR");
    EXPECT_EQ(valueOf(lines, "ISO"), "320");
    EXPECT_EQ(valueOf(lines, "Aperture"), "f/1.8");
    EXPECT_EQ(valueOf(lines, "Date"), "2020:04:17 10:03:40");
    EXPECT_EQ(valueOf(lines, "Size"), "4032 \u00D7 3024");
}

TEST(ExifReaderFiles, JpegWithoutExifStillHasItsSizeAndNonImagesHaveNothing) {
    OMBREL_REQUIRE_TESTDATA();
    EXPECT_EQ(ExifReader::read(photo("jpeg/orientation_6_Landscape_6.jpg")), (Lines{{"Size", "1200 \u00D7 1800"}}));
    const test::TempDir dir;
    test::writeFile(dir / "notes.jpg", "not a picture");
    EXPECT_TRUE(ExifReader::read(dir / "notes.jpg").empty());
    EXPECT_TRUE(ExifReader::read(dir / "missing.jpg").empty());
}

ImageProperties withShutter(double seconds) {
    ImageProperties p;
    p.exposureTime = seconds;
    return p;
}

TEST(ExifReaderFormat, ShutterSpeeds) {
    EXPECT_EQ(ExifReader::lines(withShutter(0.004)), (Lines{{"Shutter", "1/250 s"}}));
    EXPECT_EQ(ExifReader::lines(withShutter(0.3)), (Lines{{"Shutter", "1/3 s"}}));
    EXPECT_EQ(ExifReader::lines(withShutter(0.4)), (Lines{{"Shutter", "1/3 s"}}));   // 2.5 rounds away from zero
    EXPECT_EQ(ExifReader::lines(withShutter(1)), (Lines{{"Shutter", "1.0 s"}}));
    EXPECT_EQ(ExifReader::lines(withShutter(30)), (Lines{{"Shutter", "30.0 s"}}));
    EXPECT_EQ(ExifReader::lines(withShutter(2.5)), (Lines{{"Shutter", "2.5 s"}}));
    EXPECT_TRUE(ExifReader::lines(withShutter(0)).empty());
    EXPECT_TRUE(ExifReader::lines(withShutter(-1)).empty());
}

ImageProperties camera(std::optional<std::string> make, std::optional<std::string> model) {
    ImageProperties p;
    p.make = std::move(make);
    p.model = std::move(model);
    return p;
}

TEST(ExifReaderFormat, CameraNamesMakeOnlyWhenTheModelDoesNotStartWithIt) {
    EXPECT_EQ(valueOf(ExifReader::lines(camera("Canon", "Canon EOS RP")), "Camera"), "Canon EOS RP");
    EXPECT_EQ(valueOf(ExifReader::lines(camera("NIKON CORPORATION", "NIKON D850")), "Camera"),
              "NIKON CORPORATION NIKON D850");
    EXPECT_EQ(valueOf(ExifReader::lines(camera("canon", "Canon EOS RP")), "Camera"), "canon Canon EOS RP");
    EXPECT_EQ(valueOf(ExifReader::lines(camera(std::nullopt, "X100V")), "Camera"), "X100V");
    EXPECT_EQ(valueOf(ExifReader::lines(camera("FUJIFILM", std::nullopt)), "Camera"), "FUJIFILM");
    // Padding is trimmed at both ends (tabs and no-break spaces too); line breaks are kept.
    EXPECT_EQ(valueOf(ExifReader::lines(camera(" \tOLYMPUS ", "E-M1  \xC2\xA0")), "Camera"), "OLYMPUS E-M1");
    EXPECT_EQ(valueOf(ExifReader::lines(camera("A\n", "B")), "Camera"), "A\n B");
    EXPECT_TRUE(ExifReader::lines(camera("  ", "")).empty());
}

TEST(ExifReaderFormat, NumbersAndOrder) {
    ImageProperties p;
    p.pixelWidth = 6000;
    p.pixelHeight = 4000;
    p.dateTimeOriginal = "2024:01:02 03:04:05";
    p.focalLength = 22.5;   // printf's rounding: an exact tie goes to the even neighbour
    p.fNumber = 5.6;
    p.isoSpeedRatings = std::vector<std::int64_t>{3200, 100};
    p.lensModel = "XF23mmF1.4 R";
    p.auxLensModel = "ignored when the EXIF lens is there";
    p.make = "FUJIFILM";
    p.model = "X-T5";
    const Lines expected{{"Camera", "FUJIFILM X-T5"}, {"Lens", "XF23mmF1.4 R"},
                         {"ISO", "3200"},             {"Aperture", "f/5.6"},
                         {"Focal length", "22 mm"},  {"Date", "2024:01:02 03:04:05"},
                         {"Size", "6000 \u00D7 4000"}};
    EXPECT_EQ(ExifReader::lines(p), expected);

    p = {};
    p.isoSpeedRatings = std::vector<std::int64_t>{};
    p.pixelWidth = 10;  // no height: no size line
    EXPECT_TRUE(ExifReader::lines(p).empty());
}

TEST(ExifReaderFormat, DecimalPointWhateverTheLocale) {
    // A process locale with a decimal comma must not leak into the lines.
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!german) german = std::setlocale(LC_NUMERIC, "de_DE");
    ImageProperties p;
    p.fNumber = 2.8;
    p.exposureTime = 2.5;
    const Lines got = ExifReader::lines(p);
    std::setlocale(LC_NUMERIC, "C");
    if (!german) GTEST_SKIP() << "no German locale installed";
    EXPECT_EQ(got, (Lines{{"Aperture", "f/2.8"}, {"Shutter", "2.5 s"}}));
}

}  // namespace
}  // namespace ombrel
