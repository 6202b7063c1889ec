#include "ExportReadBack.h"
#include "SmallDisk.h"
#include "TempDir.h"
#include "TestData.h"
#include "imageio/JpegWriter.h"
#include "imageio/OutputColor.h"
#include "services/ExportFile.h"
#include "services/ExportNaming.h"
#include "services/ExportSummary.h"
#include "services/Exporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>
#include <tuple>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using test::SmallDisk;
using test::TempDir;

// A source photo with the kinds of tags an export must carry, fix or drop.
std::filesystem::path taggedSource(const TempDir& dir) {
    const auto file = dir / "source.jpg";
    test::writeJpegFixture(file, test::noisyBitmap(64, 48));
    test::addExif(file,
                  {{"Exif.Image.Make", "TestMake"}, {"Exif.Image.Model", "TestModel 7"}, {"Exif.Image.Orientation", "6"},
                   {"Exif.Image.Artist", "Someone"}, {"Exif.Image.ImageWidth", "48"},
                   {"Exif.Photo.DateTimeOriginal", "2021:05:04 10:11:12"}, {"Exif.Photo.FNumber", "28/10"},
                   {"Exif.Photo.PixelXDimension", "48"}, {"Exif.Photo.PixelYDimension", "64"},
                   {"Exif.Photo.ColorSpace", "65535"}, {"Exif.GPSInfo.GPSLatitudeRef", "N"}},
                  test::noisyBitmap(16, 12));
    return file;
}

FileSettings settingsFor(ExportFormat format, OutputSpace space = OutputSpace::srgb, double quality = 0.9) {
    return {format, quality, space};
}

// Deep for TIFF, with detail everywhere for the 8-bit formats.
EncodedImage pixelsFor(ExportFormat format, int width, int height) {
    if (format != ExportFormat::tiff) return test::noisyBitmap(width, height);
    Bitmap16 pixels(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint16_t* p = pixels.pixel(x, y);
            p[0] = static_cast<std::uint16_t>(x * 65535 / (width - 1));
            p[1] = static_cast<std::uint16_t>(y * 65535 / (height - 1));
            p[2] = static_cast<std::uint16_t>((x * 7 + y * 13) % 65536);
        }
    return pixels;
}

std::optional<test::ReadBack> readBack(ExportFormat format, const std::filesystem::path& file) {
    if (format == ExportFormat::jpeg) return test::readJpeg(file);
    return format == ExportFormat::tiff ? test::readTiff(file) : test::readPng(file);
}

TEST(JpegQuality, MapsOntoLibjpegScale) {
    for (const auto& [quality, libjpeg] : {std::pair{0.9, 90}, {0.3, 30}, {1.0, 100}, {0.555, 56}, {0.0, 1}, {7.0, 100}})
        EXPECT_EQ(jpegQuality(quality), libjpeg) << quality;
}

class ExportFileFormats : public ::testing::TestWithParam<ExportFormat> {};

TEST_P(ExportFileFormats, WritesReadableFileWithProfileAndOnlyTheFinalName) {
    TempDir dir;
    const ExportFormat format = GetParam();
    const auto dest = dir / ("out." + std::string(ext(format)));
    const EncodedImage pixels = pixelsFor(format, 301, 207);
    for (OutputSpace space : {OutputSpace::srgb, OutputSpace::displayP3}) {
        std::filesystem::remove(dest);
        ASSERT_EQ(writeExportFile(pixels, settingsFor(format, space), dir / "none.jpg", dest), std::nullopt);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{dest.filename().string()});

        const auto back = readBack(format, dest);
        ASSERT_TRUE(back);
        EXPECT_EQ(std::tuple(back->width, back->height, back->channels), std::tuple(301, 207, 3));
        EXPECT_EQ(back->bitsPerSample, format == ExportFormat::tiff ? 16 : 8);
        EXPECT_EQ(back->icc, iccProfile(space)) << "the profile of the chosen space, intact";
        if (format == ExportFormat::jpeg) continue;
        // The lossless formats keep every sample.
        std::visit([&](const auto& b) { EXPECT_TRUE(std::equal(b.data(), b.data() + b.rowLength() * b.height(),
                                                               back->samples.begin(), back->samples.end())); },
                   pixels);
    }
}

TEST_P(ExportFileFormats, CarriesMakeAndModelWithOrientationOne) {
    TempDir dir;
    const ExportFormat format = GetParam();
    const auto source = taggedSource(dir);
    const auto dest = dir / ("out." + std::string(ext(format)));
    ASSERT_EQ(writeExportFile(pixelsFor(format, 48, 64), settingsFor(format), source, dest), std::nullopt);

    const auto exif = test::readExif(dest);
    const std::pair<const char*, const char*> carried[] = {
        {"Exif.Image.Make", "TestMake"}, {"Exif.Image.Model", "TestModel 7"}, {"Exif.Image.Artist", "Someone"},
        {"Exif.Image.Orientation", "1"}, {"Exif.Photo.DateTimeOriginal", "2021:05:04 10:11:12"},
        {"Exif.Photo.FNumber", "28/10"}, {"Exif.Photo.ColorSpace", "1"}};
    for (const auto& [key, value] : carried) EXPECT_EQ(exif.count(key) ? exif.at(key) : "(missing)", value) << key;
    for (const auto& [key, value] : exif) {
        EXPECT_EQ(key.rfind("Exif.Thumbnail.", 0), std::string::npos) << key;
        EXPECT_EQ(key.rfind("Exif.GPSInfo.", 0), std::string::npos) << key;
        EXPECT_NE(key, "Exif.Photo.PixelXDimension");
        EXPECT_NE(key, "Exif.Photo.PixelYDimension");
    }
    // The pixel layout is the written file's own, not the source's.
    const auto back = readBack(format, dest);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::pair(back->width, back->height), std::pair(48, 64));
    EXPECT_EQ(back->icc, iccProfile(OutputSpace::srgb));
    if (format == ExportFormat::tiff) {
        EXPECT_EQ(exif.at("Exif.Image.ImageWidth"), "48");
    }

    // An unreadable source still gives orientation 1, and nothing else of its.
    test::writeFile(dir / "garbage.jpg", "not a photo");
    ASSERT_EQ(writeExportFile(pixelsFor(format, 40, 30), settingsFor(format), dir / "garbage.jpg", dir / "plain"),
              std::nullopt);
    const auto plain = test::readExif(dir / "plain");
    EXPECT_EQ(plain.at("Exif.Image.Orientation"), "1");
    EXPECT_EQ(plain.count("Exif.Image.Make"), 0u);
    EXPECT_EQ(plain.count("Exif.Photo.ColorSpace"), 0u);
}

TEST_P(ExportFileFormats, FailureMidWriteLeavesNothingBehind) {
    TempDir dir;
    const ExportFormat format = GetParam();
    const auto dest = dir / "big.out";
    // A file-size limit makes writes fail part-way, as a full disk would; the
    // limit applies to the whole process, so the export runs in a child.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{32 * 1024, 32 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &cap);
        const auto error = writeExportFile(pixelsFor(format, 400, 300), settingsFor(format, OutputSpace::srgb, 1.0),
                                           dir / "none.jpg", dest);
        ::_exit(!error ? 0 : error->message == "Could not finish big.out" ? error->code : 99);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 4);
    EXPECT_TRUE(dir.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportFileFormats,
                         ::testing::Values(ExportFormat::jpeg, ExportFormat::tiff, ExportFormat::png),
                         [](const auto& info) { return std::string(label(info.param)); });

TEST(ExportFile, UnwritableDestinationsFailAndLeaveNoFile) {
    struct Case {
        const char* dest;  // under the folder, which holds "taken" and "file"
        const char* message;
    };
    for (const Case c : {Case{"taken", "Cannot write taken"}, Case{"missing/a.jpg", "Cannot write a.jpg"},
                         Case{"file/a.png", "Cannot write a.png"}}) {
        TempDir dir;
        test::writeFile(dir / "taken", "someone else's file");
        test::writeFile(dir / "file", "x");
        EXPECT_EQ(writeExportFile(test::noisyBitmap(20, 20), settingsFor(ExportFormat::jpeg), dir / "none.jpg",
                                  dir / c.dest),
                  (ExportError{3, c.message}));
        EXPECT_EQ(test::readFile(dir / "taken"), "someone else's file") << c.dest;
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"file", "taken"})) << c.dest;
    }
}

TEST(ExportFile, JpegQualityIsHonoured) {
    TempDir dir;
    const Bitmap8 pixels = test::noisyBitmap(400, 300);
    for (const char* name : {"low.jpg", "high.jpg"}) {
        const double quality = name == std::string("low.jpg") ? 0.3 : 1.0;
        ASSERT_EQ(writeExportFile(pixels, settingsFor(ExportFormat::jpeg, OutputSpace::srgb, quality),
                                  dir / "none.jpg", dir / name),
                  std::nullopt);
    }
    EXPECT_LT(std::filesystem::file_size(dir / "low.jpg") * 3, std::filesystem::file_size(dir / "high.jpg"));

    // The best quality keeps even fine colour detail within a level or two.
    const auto back = test::readJpeg(dir / "high.jpg");
    ASSERT_TRUE(back);
    double error = 0;
    for (std::size_t i = 0; i < back->samples.size(); ++i) error += std::abs(back->samples[i] - pixels.data()[i]);
    EXPECT_LT(error / double(back->samples.size()), 2.0);
}

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

// Batches into destinations that fight back end in the summary's error text,
// never with a file replaced, a partial file left or a file outside the folder.

// The batch as the model runs it, with a hook before each photo.
std::string runBatch(const std::vector<fs::path>& photos, const std::string& nameTemplate, const fs::path& folder,
                     const std::function<void(std::size_t)>& beforePhoto) {
    ExportOptions options;
    options.nameTemplate = nameTemplate;
    std::vector<std::string> failures;
    for (std::size_t i = 0; i < photos.size(); ++i) {
        beforePhoto(i);
        const std::string name = Exporter::fileName(nameTemplate, photos[i], static_cast<int>(i), 0);
        if (auto error = Exporter::exportPhoto(photos[i], EditSettings{}, options,
                                               numberedExportNames(folder, name, "jpg"))) {
            failures.push_back(error->message);
        }
    }
    return exportSummary(static_cast<int>(photos.size()), failures);
}

struct Hostile {
    const char* name;
    std::string nameTemplate;
    bool smallDisk = false;
    // Sets the destination up; false when this machine cannot.
    std::function<bool(const fs::path& dest)> prepare;
    std::string summary;               // a regular expression
    std::vector<std::string> written;  // new files in the destination
    // Around the batch, in this process: a limit set and taken back.
    std::function<void()> enter = [] {}, leave = [] {};
};

TEST(ExportHostile, EveryFailureEndsInTheSummaryAndLeavesNothingBehind) {
    OMBREL_REQUIRE_TESTDATA();
    // 253 bytes with the extension for a.png, 256 for b123.png.
    const std::string longName(248, 'x');
    const auto readOnly = [](const fs::path& dest) {
        fs::permissions(dest.parent_path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(dest, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                  fs::perms::others_exec);
        return true;
    };
    // Root ignores folder permissions; with another file system user this
    // thread checks them like anyone else.
    const auto asOrdinaryUser = [] {
        setfsgid(65534);
        setfsuid(65534);
    };
    const auto asBefore = [] {
        setfsuid(getuid());
        setfsgid(getgid());
    };
    const auto ready = [](const fs::path&) { return true; };
    const std::vector<Hostile> cases{
        {"vanished destination", "{name}", false, [](const fs::path& d) { return fs::remove_all(d) > 0; },
         "Exported 0, 2 failed: Cannot write a\\.jpg", {}},
        {"read-only destination", "{name}", false, readOnly, "Exported 0, 2 failed: Cannot write a\\.jpg", {},
         asOrdinaryUser, asBefore},
        {"source deleted mid-batch", "{name}", false, ready, "Exported 1, 1 failed: Could not decode b123\\.png",
         {"a.jpg"}},
        {"slashes, dots and colons", "../{name}:..", false, ready, "Exported 2 photos",
         {".._a_...jpg", ".._b123_...jpg"}},
        {"control characters", "\t{name}\n\x1b", false, ready, "Exported 2 photos",
         {"\ta\n\x1b.jpg", "\tb123\n\x1b.jpg"}},
        {"names over 255 bytes", longName + "{name}", false, ready,
         "Exported 1, 1 failed: Cannot write x+b123\\.jpg", {longName + "a.jpg"}},
        {"full disk", "{name}", true,
         [](const fs::path& d) {
             test::fillDisk(d / "filler");
             return true;
         },
         "Exported 0, 2 failed: (Cannot write|Could not finish) a\\.jpg", {"filler"}},
        {"file size capped", "{name}", false, ready, "Exported 0, 2 failed: Could not finish a\\.jpg", {},
         [] {
             std::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{256, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
         },
         [] {
             const rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
             setrlimit(RLIMIT_FSIZE, &limit);
             std::signal(SIGXFSZ, SIG_DFL);
         }},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        const fs::path sources = root / "sources", dest = root / "out";
        fs::create_directories(sources);
        fs::create_directories(dest);
        const std::vector<fs::path> photos{sources / "a.png", sources / "b123.png"};
        fs::rename(test::copyTestFile("png/pngsuite_basn2c16_rgb16.png", sources), photos[0]);
        fs::copy_file(photos[0], photos[1]);
        std::optional<SmallDisk> disk;
        if (c.smallDisk && !disk.emplace(dest).mounted()) {
            std::cout << c.name << ": mounting is not permitted here; the size cap covers full disks\n";
            continue;
        }
        // A taken name: never replaced.
        test::writeFile(dest / "b123.jpg", "someone else's");
        const auto before = test::namesBelow(root.path());
        ASSERT_TRUE(c.prepare(dest));
        c.enter();
        const std::string summary = runBatch(photos, c.nameTemplate, dest, [&](std::size_t i) {
            if (c.name == std::string("source deleted mid-batch") && i == 1) fs::remove(photos[1]);
        });
        c.leave();
        if (fs::exists(dest)) fs::permissions(dest, fs::perms::owner_all);

        EXPECT_THAT(summary, ::testing::MatchesRegex(c.summary));
        std::vector<std::string> expected = before;
        if (fs::exists(dest)) {
            EXPECT_EQ(test::readFile(dest / "b123.jpg"), "someone else's");
        } else {
            std::erase_if(expected, [](const std::string& name) { return name.starts_with("out"); });
        }
        for (const auto& name : c.written) expected.push_back("out/" + name);
        if (c.name == std::string("source deleted mid-batch")) std::erase(expected, "sources/b123.png");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(test::namesBelow(root.path()), expected);
        for (const auto& name : c.written) {
            EXPECT_TRUE(name == "filler" || test::readJpeg(dest / name)) << name;
        }
    }
}

}  // namespace
}  // namespace ombrel
