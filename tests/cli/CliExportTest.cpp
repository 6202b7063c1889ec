#include "CliRun.h"
#include "ExportReadBack.h"
#include "TempDir.h"
#include "TestData.h"

#include "model/Sidecar.h"
#include "services/Exporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ombrel::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr const char* samplePhoto = "jpeg/orientation_1_Landscape_1.jpg";

fs::path photoAs(const fs::path& folder, const std::string& name) {
    fs::create_directories(folder);
    const fs::path copy = copyTestFile(samplePhoto, folder);
    fs::rename(copy, folder / name);
    return folder / name;
}

TEST(CliExport, ListsLikeTheAppNumbersInThatOrderAndNeverOverwrites) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path photos = dir / "photos";
    photoAs(photos, "IMG_10.JPG");
    photoAs(photos, "IMG_2.jpg");
    photoAs(photos, ".hidden.jpg");
    photoAs(photos / "raw", "IMG_1.jpg");
    writeFile(photos / "notes.txt", "not a photo");

    const CliResult first = runCli({"export", "--template", "{n}_{name}", photos.string()});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "Exported 2 photos\n");
    EXPECT_EQ(first.err, "");  // no bar when standard error is not a terminal
    const fs::path out = photos / "Ombrel Export";
    ASSERT_EQ(namesBelow(out), (std::vector<std::string>{"001_IMG_2.jpg", "002_IMG_10.jpg"}));
    const std::string firstBytes = readFile(out / "001_IMG_2.jpg");

    // The same batch again gets "-1" names and leaves the first files alone.
    const CliResult second = runCli({"export", "--template", "{n}_{name}", photos.string()});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(namesBelow(out), (std::vector<std::string>{"001_IMG_2-1.jpg", "001_IMG_2.jpg",
                                                                 "002_IMG_10-1.jpg", "002_IMG_10.jpg"}));
    EXPECT_EQ(readFile(out / "001_IMG_2.jpg"), firstBytes);

    // Two photos of one batch with the same name, and a name already taken.
    const fs::path same = dir / "same";
    fs::create_directories(same);
    writeFile(same / "x.png", "taken");
    const std::string photo = (photos / "IMG_2.jpg").string();
    const CliResult twice =
        runCli({"export", "--format", "png", "--template", "x", "--out", same.string(), photo, photo});
    EXPECT_EQ(twice.status, 0);
    EXPECT_EQ(twice.out, "Exported 2 photos\n");
    EXPECT_EQ(namesBelow(same), (std::vector<std::string>{"x-1.png", "x-2.png", "x.png"}));
    EXPECT_EQ(readFile(same / "x.png"), "taken");
}

TEST(CliExport, SidecarSettingsAndRatingAreThoseTheAppsExporterUses) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path photos = dir / "photos";
    const fs::path edited = photoAs(photos, "a.jpg");
    photoAs(photos, "b.jpg");
    const fs::path broken = photoAs(photos, "c.jpg");
    Sidecar sidecar;
    sidecar.settings.exposure = 1.0;
    sidecar.settings.saturation = 20;
    sidecar.rating = 3;
    Sidecar::write(sidecar, edited);
    ASSERT_TRUE(fs::exists(Sidecar::pathFor(edited)));
    writeFile(Sidecar::pathFor(broken), "{\"rating\": 5, \"settings\": ");  // does not decode: no sidecar

    const fs::path out = dir / "out";
    const CliResult result = runCli({"export", "--template", "{name}_{rating}", "--out", out.string(), photos.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(namesBelow(out), (std::vector<std::string>{"a_3.jpg", "b_0.jpg", "c_0.jpg"}));

    // The app's exporter with the sidecar's settings writes the same pixels.
    const fs::path reference = dir / "reference.jpg";
    ASSERT_EQ(Exporter::exportPhoto(edited, sidecar.settings, ExportOptions{}, reference), std::nullopt);
    const auto fromCli = readJpeg(out / "a_3.jpg");
    const auto fromApp = readJpeg(reference);
    const auto plain = readJpeg(out / "b_0.jpg");
    const auto undecodable = readJpeg(out / "c_0.jpg");
    ASSERT_TRUE(fromCli && fromApp && plain && undecodable);
    EXPECT_EQ(fromCli->samples, fromApp->samples);
    EXPECT_NE(fromCli->samples, plain->samples);
    EXPECT_EQ(undecodable->samples, plain->samples);
}

TEST(CliExport, FormatSizeQualityAndColourSpaceReachTheExporter) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path photo = photoAs(dir / "photos", "p.jpg");

    ExportOptions options;
    options.format = ExportFormat::png;
    options.resize = true;
    options.longEdge = 500;
    options.displayP3 = true;
    ASSERT_EQ(Exporter::exportPhoto(photo, EditSettings{}, options, dir / "reference.png"), std::nullopt);
    // The format's name in any case.
    const CliResult png = runCli(
        {"export", "--format", "PNG", "--long-edge", "500", "--p3", "--out", (dir / "png").string(), photo.string()});
    ASSERT_EQ(png.status, 0) << png.err;
    const auto fromCli = readPng(dir / "png" / "p.png");
    const auto fromApp = readPng(dir / "reference.png");
    ASSERT_TRUE(fromCli && fromApp);
    EXPECT_EQ(std::max(fromCli->width, fromCli->height), 500);
    EXPECT_EQ(fromCli->samples, fromApp->samples);
    const auto profile = describeProfile(fromCli->icc);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->description, describeProfile(fromApp->icc)->description);
    EXPECT_EQ(profile->primaries, describeProfile(fromApp->icc)->primaries);

    const auto run = [&](const std::string& option, const std::string& value) {
        ASSERT_EQ(runCli({"export", option, value, "--out", (dir / value).string(), photo.string()}).status, 0);
    };
    run("--format", "tiff");
    const auto tiffBack = readTiff(dir / "tiff" / "p.tif");
    ASSERT_TRUE(tiffBack);
    EXPECT_EQ(tiffBack->bitsPerSample, 16);
    run("--quality", "0.3");
    run("--quality", "1.0");
    EXPECT_LT(fs::file_size(dir / "0.3" / "p.jpg") * 2, fs::file_size(dir / "1.0" / "p.jpg"));
}

TEST(CliExport, FailuresAreCountedReportedAndTheBatchGoesOn) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path photos = dir / "photos";
    photoAs(photos, "good.jpg");
    writeFile(photos / "broken.jpg", "not a photo at all");

    const CliResult result = runCli({"export", "--out", (dir / "out").string(), photos.string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Exported 1, 1 failed: Could not decode broken.jpg\n");
    EXPECT_THAT(result.err, HasSubstr("Could not decode broken.jpg"));
    EXPECT_EQ(namesBelow(dir / "out"), std::vector<std::string>{"good.jpg"});

    // A destination that cannot be made fails every photo at the write.
    writeFile(dir / "file", "x");
    const CliResult blocked = runCli({"export", "--out", (dir / "file" / "out").string(), (photos / "good.jpg").string()});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.out, "Exported 0, 1 failed: Cannot write good.jpg\n");

    // Folders with no photo: nothing to do is a failure a script should see.
    fs::create_directories(dir / "empty");
    writeFile(dir / "empty" / "notes.txt", "x");
    const CliResult none = runCli({"export", (dir / "empty").string()});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.err, HasSubstr("No supported photos found"));
    EXPECT_FALSE(fs::exists(dir / "empty" / "Ombrel Export"));
}

// Not on a pipe: the first test sees an empty standard error.
TEST(CliExport, ProgressBarOnATerminal) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    photoAs(dir / "photos", "a.jpg");
    photoAs(dir / "photos", "b.jpg");
    const CliResult terminal = runCliOnTerminal({"export", "--out", (dir / "tty").string(), (dir / "photos").string()});
    EXPECT_EQ(terminal.status, 0);
    for (const char* shown : {"\r", "] 0/2 a.jpg", "] 1/2 b.jpg", "Exported 2 photos"})
        EXPECT_THAT(terminal.out, HasSubstr(shown));
}

}  // namespace
}  // namespace ombrel::test
