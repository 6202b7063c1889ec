#include "TempDir.h"
#include "TestData.h"

#include "services/ExifReader.h"

#include <gtest/gtest.h>

#include <clocale>

// Properties name only the fields a test sets; the others stay absent.

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
        // A HEIC: its EXIF comes from its Exif item.
        {"heic/iphone_xr_IMG_3578.heic",
         {{"Camera", "Apple iPhone XR"}, {"Lens", "iPhone XR back camera 4.25mm f/1.8"}, {"ISO", "320"},
          {"Aperture", "f/1.8"}, {"Shutter", "1/60 s"}, {"Focal length", "4 mm"}, {"Date", "2020:04:17 10:03:40"},
          {"Size", "4032 \u00D7 3024"}}},
        // A DNG: its EXIF and the developed size.
        {"raw/canon_powershot_s40_crop_from_CRW_0117.dng",
         {{"Camera", "Canon PowerShot S40"}, {"ISO", "50"}, {"Aperture", "f/2.8"}, {"Shutter", "1/4 s"},
          {"Focal length", "7 mm"}, {"Date", "2021:03:26 21:16:32"}, {"Size", "1600 \u00D7 1200"}}},
    };
    for (const auto& [file, expected] : cases) EXPECT_EQ(ExifReader::read(photo(file)), expected) << file;
}

TEST(ExifReaderFiles, JpegWithoutExifStillHasItsSizeAndNonImagesHaveNothing) {
    OMBREL_REQUIRE_TESTDATA();
    EXPECT_EQ(ExifReader::read(photo("jpeg/orientation_6_Landscape_6.jpg")), (Lines{{"Size", "1200 \u00D7 1800"}}));
    const test::TempDir dir;
    test::writeFile(dir / "notes.jpg", "not a picture");
    EXPECT_TRUE(ExifReader::read(dir / "notes.jpg").empty());
    EXPECT_TRUE(ExifReader::read(dir / "missing.jpg").empty());
}

TEST(ExifReaderFormat, ShutterSpeeds) {
    // 0.4 s is 1/2.5: the half rounds away from zero.
    for (const auto& [seconds, shown] : {std::pair{0.004, "1/250 s"}, {0.3, "1/3 s"}, {0.4, "1/3 s"}, {1.0, "1.0 s"},
                                         {30.0, "30.0 s"}, {2.5, "2.5 s"}})
        EXPECT_EQ(ExifReader::lines({.exposureTime = seconds}), (Lines{{"Shutter", shown}})) << seconds;
    EXPECT_TRUE(ExifReader::lines({.exposureTime = 0}).empty());
    EXPECT_TRUE(ExifReader::lines({.exposureTime = -1}).empty());
}

TEST(ExifReaderFormat, CameraNamesMakeOnlyWhenTheModelDoesNotStartWithIt) {
    using Name = std::optional<std::string>;
    const std::tuple<Name, Name, std::string> cases[] = {
        {"Canon", "Canon EOS RP", "Canon EOS RP"},
        {"NIKON CORPORATION", "NIKON D850", "NIKON CORPORATION NIKON D850"},
        {"canon", "Canon EOS RP", "canon Canon EOS RP"},
        {std::nullopt, "X100V", "X100V"},
        {"FUJIFILM", std::nullopt, "FUJIFILM"},
        // Padding is trimmed at both ends (tabs and no-break spaces too); line breaks are kept.
        {" \tOLYMPUS ", "E-M1  \xC2\xA0", "OLYMPUS E-M1"},
        {"A\n", "B", "A\n B"},
        {"  ", "", "(absent)"},
    };
    for (const auto& [make, model, shown] : cases) {
        EXPECT_EQ(valueOf(ExifReader::lines({.make = make, .model = model}), "Camera"), shown)
            << make.value_or("-") << "/" << model.value_or("-");
    }
}

TEST(ExifReaderFormat, NumbersAndOrder) {
    // printf's rounding of the focal length: an exact tie goes to the even neighbour.
    const ImageProperties p{.pixelWidth = 6000, .pixelHeight = 4000, .make = "FUJIFILM", .model = "X-T5",
                            .lensModel = "XF23mmF1.4 R", .isoSpeedRatings = std::vector<std::int64_t>{3200, 100},
                            .fNumber = 5.6, .focalLength = 22.5, .dateTimeOriginal = "2024:01:02 03:04:05",
                            .auxLensModel = "ignored when the EXIF lens is there"};
    const Lines expected{{"Camera", "FUJIFILM X-T5"}, {"Lens", "XF23mmF1.4 R"},
                         {"ISO", "3200"},             {"Aperture", "f/5.6"},
                         {"Focal length", "22 mm"},  {"Date", "2024:01:02 03:04:05"},
                         {"Size", "6000 \u00D7 4000"}};
    EXPECT_EQ(ExifReader::lines(p), expected);
    EXPECT_TRUE(ExifReader::lines({.pixelWidth = 10, .isoSpeedRatings = std::vector<std::int64_t>{}}).empty())
        << "no height, no size line; no ISO value, no ISO line";
}

TEST(ExifReaderFormat, DecimalPointWhateverTheLocale) {
    // A process locale with a decimal comma must not leak into the lines.
    const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!german) german = std::setlocale(LC_NUMERIC, "de_DE");
    const Lines got = ExifReader::lines({.fNumber = 2.8, .exposureTime = 2.5});
    std::setlocale(LC_NUMERIC, "C");
    if (!german) GTEST_SKIP() << "no German locale installed";
    EXPECT_EQ(got, (Lines{{"Aperture", "f/2.8"}, {"Shutter", "2.5 s"}}));
}

}  // namespace
}  // namespace ombrel
