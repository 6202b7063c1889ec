#include "DamagedJpeg.h"
#include "ExportReadBack.h"
#include "Pictures.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/FileBytes.h"
#include "imageio/ImageLoader.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/ops/LanczosScale.h"
#include "render/ops/SrgbTransfer.h"
#include "services/ExportFile.h"
#include "services/ExportRender.h"
#include "services/Exporter.h"
#include "services/StreamedJpegExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(ShrinkFactor, OnlyWhenTheLongEdgeIsLarger) {
    EXPECT_DOUBLE_EQ(*shrinkFactor(6000, 4000, 2560), 2560.0 / 6000);
    EXPECT_DOUBLE_EQ(*shrinkFactor(4000, 6000, 2560), 2560.0 / 6000);
    EXPECT_EQ(shrinkFactor(2000, 1500, 2560), std::nullopt);
    EXPECT_EQ(shrinkFactor(2560, 1000, 2560), std::nullopt);
    EXPECT_DOUBLE_EQ(*shrinkFactor(2560.5, 1000, 2560), 2560 / 2560.5);
}

// Every pixel different, so a band written to the wrong rows shows.
Graph rampGraph(int width, int height) {
    const auto ramp = [&](int x, int y) { return std::array{float(x) / width, float(y) / height, 0.25f, 1.0f}; };
    return Graph{std::make_shared<const Image>(test::imageFrom(width, height, ramp)), 1.0, {}};
}

TEST(RenderEncoded, FullSizeCoversEveryBandInPlace) {
    const int width = 300, height = 1100;  // bands of 512 rows: the last one partial
    const auto out = renderEncoded(rampGraph(width, height), std::nullopt, OutputColor(OutputSpace::srgb), false);
    ASSERT_TRUE(out);
    const auto* bitmap = std::get_if<Bitmap8>(&*out);
    ASSERT_TRUE(bitmap);
    ASSERT_EQ(bitmap->width(), width);
    ASSERT_EQ(bitmap->height(), height);
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5) {
            const float linear[3] = {float(x) / width, float(y) / height, 0.25f};
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(bitmap->pixel(x, y)[c], ops::srgbEncode(linear[c]) * 255, 0.6) << x << "," << y;
        }
}

TEST(RenderEncoded, NothingWithoutAPicture) {
    EXPECT_EQ(renderEncoded(Graph{}, std::nullopt, OutputColor(OutputSpace::srgb), false), std::nullopt);
}

TEST(ReducedExportDecode, OnlyWhenTheExportNeedsAtMostHalfTheEditsPixels) {
    const CropSettings whole, half{.w = 0.5}, tall{.w = 0.5, .quarterTurns = 1};
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 2560), 3000.0);
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 1400), 1500.0);
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 750), 750.0);
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 3001), std::nullopt);
    EXPECT_EQ(reducedDecodeSide(6001, 4000, whole, 1000), 1501.0) << "never below the needed size";

    EXPECT_EQ(reducedDecodeSide(6000, 4000, half, 2560), std::nullopt) << "a crop needs its pixels";
    EXPECT_EQ(reducedDecodeSide(6000, 4000, half, 1500), 3000.0);

    EXPECT_EQ(reducedDecodeSide(6000, 4000, tall, 3000), 3000.0) << "on the turned frame, the crop keeps 6000 rows";
}

TEST(ReducedExportDecode, LooksLikeTheFullDecodeShrunk) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const auto& photo = test::largeCameraJpeg();

    const EditSettings edit{.contrast = 20, .saturation = 15, .sharpAmount = 40};
    const ExportOptions options{.format = ExportFormat::png, .resize = true, .longEdge = 1400};
    ASSERT_EQ(Exporter::exportPhoto(photo, edit, options, dir / "small.png"), std::nullopt);
    const auto exported = test::readPng(dir / "small.png");
    ASSERT_TRUE(exported);

    // The full-resolution road: decode everything, develop, shrink with Lanczos.
    const auto full = ImageLoader::load(photo, std::nullopt, {}, std::nullopt);
    ASSERT_TRUE(full);
    Pipeline pipeline;
    const Image developed = Engine::shared().render(pipeline.build(full->image, edit, 1, false, false));
    const Image reference = ops::lanczosScale(developed, 1400.0 / 6000);
    ASSERT_EQ(exported->width, reference.width());
    ASSERT_EQ(exported->height, reference.height());

    double sum = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                const double expected = 255 * ops::srgbEncode(std::clamp(reference.pixel(x, y)[c], 0.0f, 1.0f));
                sum += std::abs(expected - exported->sample(x, y, c));
            }
    const double mean = sum / (reference.width() * reference.height() * 3.0);
    EXPECT_LT(mean, 1.5) << "mean difference in 8-bit levels";
}

// The same export the way the band renderer makes it: the whole photo decoded
// into the working space, the graph rendered band by band into 8-bit pixels,
// then the file written.
std::optional<ExportError> bandExport(const fs::path& photo, const EditSettings& edit, const ExportOptions& options,
                                      const fs::path& dest) {
    const auto loaded = ImageLoader::load(photo, std::nullopt, edit.raw, std::nullopt);
    if (!loaded) return ExportError::couldNotDecode(photo);
    Pipeline pipeline;
    const OutputSpace space = options.displayP3 ? OutputSpace::displayP3 : OutputSpace::srgb;
    auto pixels = renderEncoded(pipeline.build(loaded->image, edit, loaded->scale, false, false), std::nullopt,
                                OutputColor(space), false);
    if (!pixels) return ExportError::renderFailedFor(photo);
    return writeExportFile(std::move(*pixels), {ExportFormat::jpeg, options.quality, space}, photo, dest);
}

// Both exports of `photo`, which must take the streamed road, are the same file.
void expectSameFileAsTheBandRenderer(const fs::path& photo, const EditSettings& edit, const ExportOptions& options) {
    SCOPED_TRACE(photo.filename().string());
    ASSERT_TRUE(StreamedJpegExport::prepare(photo, edit, options)) << "the export should be streamed";
    const fs::path expected = photo.parent_path() / ("band-" + photo.stem().string() + ".jpg");
    const fs::path streamed = photo.parent_path() / ("streamed-" + photo.stem().string() + ".jpg");
    ASSERT_EQ(bandExport(photo, edit, options, expected), std::nullopt);
    ASSERT_EQ(Exporter::exportPhoto(photo, edit, options, streamed), std::nullopt);

    EXPECT_TRUE(test::readFile(expected) == test::readFile(streamed)) << "the files differ";
}

EditSettings colourEdit() { return {.exposure = 0.5, .saturation = 20}; }

// Every per-pixel stage the pipeline makes, and the vignette; the exposure
// takes highlights past 2, where the output transfer leaves its polynomial.
EditSettings fullColourEdit() {
    return {.exposure = 1.7, .contrast = 25, .highlights = -30, .shadows = 20, .temperature = 12, .tint = -5,
            .vibrance = 30, .saturation = -10, .hsl = {.hue = {0, 0, 15, 0, 0, 0, 0, 0}, .sat = {0, 0, 0, 0, -40, 0, 0, 0}},
            .vignette = 35};
}

TEST(StreamedJpegExport, WritesTheBandRenderersFileForEveryKindOfJpegAndEveryPerPixelStage) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    // Below quality 90 the encoder halves the colour resolution; a long edge
    // larger than the photo leaves nothing to shrink.
    const ExportOptions options[] = {
        {}, {.quality = 0.75, .displayP3 = true}, {.resize = true, .longEdge = 4000}};
    // Four orientations, grey turned, progressive, Adobe RGB, 4:2:2, and two
    // damaged files that decode with warnings (the rest of a cut file is grey),
    // each in one of the spaces and sizes.
    int i = 0;
    for (const std::string name :
         {"jpeg/orientation_1_Landscape_1.jpg", "jpeg/orientation_3_Landscape_3.jpg",
          "jpeg/orientation_6_Landscape_6.jpg", "jpeg/orientation_8_Landscape_8.jpg",
          "jpeg/grayscale_orientation6_derived.jpg", "jpeg/progressive_panasonic_dmc_lc70.jpg",
          "jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg", "jpeg/sony_slt_a57_DSC8833.jpg",
          "bad/truncated_60pct_canon_350d_MG_9380.jpg", "bad/corrupt_exif_olympus_u1020.jpg"}) {
        expectSameFileAsTheBandRenderer(test::copyTestFile(name, dir.path()), fullColourEdit(), options[i++ % 3]);
    }
    // The orientations no test photo has: mirrored, flipped and transposed.
    const fs::path plain = dir / "orientation_1_Landscape_1.jpg";
    for (int orientation : {2, 4, 5, 7}) {
        const fs::path turned = dir / ("orientation_" + std::to_string(orientation) + ".jpg");
        fs::copy_file(plain, turned);
        test::addExif(turned, {{"Exif.Image.Orientation", std::to_string(orientation)}});
        expectSameFileAsTheBandRenderer(turned, colourEdit(), options[i++ % 3]);
    }
}

TEST(StreamedJpegExport, WritesTheBandRenderersFileForA24MegapixelCameraJpeg) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path photo = dir / "large.jpg";
    fs::copy_file(test::largeCameraJpeg(), photo);
    expectSameFileAsTheBandRenderer(photo, colourEdit(), ExportOptions{});
    const auto tags = test::readExif(dir / "streamed-large.jpg");
    EXPECT_EQ(tags.count("Exif.Image.Make") ? tags.at("Exif.Image.Make") : "", "Sony");
    EXPECT_EQ(tags.count("Exif.Image.Orientation") ? tags.at("Exif.Image.Orientation") : "", "1");
}

TEST(StreamedJpegExport, LeavesToTheBandRendererWhatItCannotDoExactly) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path photo = test::copyTestFile("jpeg/orientation_1_Landscape_1.jpg", dir.path());
    EXPECT_TRUE(StreamedJpegExport::prepare(photo, EditSettings{}, ExportOptions{})) << "an unedited photo";

    const std::pair<const char*, void (*)(EditSettings&, ExportOptions&)> needNeighboursOrOtherOutput[] = {
        {"sharpening", [](EditSettings& e, ExportOptions&) { e.sharpAmount = 30; }},
        {"noise reduction", [](EditSettings& e, ExportOptions&) { e.lumNR = 20; }},
        {"colour noise reduction", [](EditSettings& e, ExportOptions&) { e.colorNR = 20; }},
        {"distortion", [](EditSettings& e, ExportOptions&) { e.distortion = 10; }},
        {"crop", [](EditSettings& e, ExportOptions&) { e.crop.w = 0.5; }},
        {"straightening", [](EditSettings& e, ExportOptions&) { e.crop.angle = 2; }},
        {"quarter turn", [](EditSettings& e, ExportOptions&) { e.crop.quarterTurns = 1; }},
        {"flip", [](EditSettings& e, ExportOptions&) { e.crop.flipH = true; }},
        {"a smaller size", [](EditSettings&, ExportOptions& o) { o.resize = true, o.longEdge = 1000; }},
        {"PNG", [](EditSettings&, ExportOptions& o) { o.format = ExportFormat::png; }},
        {"TIFF", [](EditSettings&, ExportOptions& o) { o.format = ExportFormat::tiff; }},
    };
    for (const auto& [what, change] : needNeighboursOrOtherOutput) {
        EditSettings edit = colourEdit();
        ExportOptions options;
        change(edit, options);
        EXPECT_FALSE(StreamedJpegExport::prepare(photo, edit, options)) << what;
    }
    for (const std::string other : {"jpeg/cmyk_pil_sample_cmyk.jpg", "png/rgb8_with_exif_chunk.png",
                                    "heic/iphone_xr_IMG_3578.heic", "raw/canon_powershot_s40_crop_from_CRW_0117.dng"}) {
        EXPECT_FALSE(StreamedJpegExport::prepare(test::copyTestFile(other, dir.path()), colourEdit(), ExportOptions{}))
            << other;
    }
}

TEST(StreamedJpegExport, DamagedJpegsFailAsBeforeAndLeaveNoFileAndAFullDiskFailsTheExport) {
    OMBREL_REQUIRE_TESTDATA();
    TempDir dir;
    const fs::path source = test::copyTestFile("jpeg/orientation_1_Landscape_1.jpg", dir.path());
    const auto bytes = readFileBytes(source);
    ASSERT_TRUE(bytes);
    fs::remove(source);

    // Cut inside the header: nothing to stream, and the band renderer cannot
    // decode it either.
    const fs::path cut = dir / "cut.jpg";
    test::writeFile(cut, std::string(bytes->begin(), bytes->begin() + 300));
    EXPECT_FALSE(StreamedJpegExport::prepare(cut, colourEdit(), ExportOptions{}));
    const auto cutError = Exporter::exportPhoto(cut, colourEdit(), ExportOptions{}, dir / "cut-out.jpg");
    ASSERT_TRUE(cutError);
    EXPECT_EQ(cutError->code, ExportError::decodeFailed);

    // Damaged after its scans: the streamed export fails only once the whole
    // picture is written, and must take its part-written file away.
    const fs::path damaged = dir / "damaged.jpg";
    const auto damagedBytes = test::withSecondFrameHeader(*bytes);
    test::writeFile(damaged, std::string(damagedBytes.begin(), damagedBytes.end()));
    auto streamed = StreamedJpegExport::prepare(damaged, colourEdit(), ExportOptions{});
    ASSERT_TRUE(streamed) << "the header is sound";
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> scratch(std::tmpfile(), std::fclose);
    ASSERT_TRUE(scratch);
    EXPECT_FALSE(streamed->write(scratch.get()));
    const auto damagedError = Exporter::exportPhoto(damaged, colourEdit(), ExportOptions{}, dir / "damaged-out.jpg");
    ASSERT_TRUE(damagedError);
    EXPECT_EQ(damagedError->code, ExportError::decodeFailed);

    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"cut.jpg", "damaged.jpg"}));

    // A sound photo onto a full disk.
    test::writeFile(source, std::string(bytes->begin(), bytes->end()));
    auto sound = StreamedJpegExport::prepare(source, colourEdit(), ExportOptions{});
    ASSERT_TRUE(sound);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> full(std::fopen("/dev/full", "wb"), std::fclose);
    if (!full) GTEST_SKIP() << "no /dev/full here";
    EXPECT_FALSE(sound->write(full.get()));
}

}  // namespace
}  // namespace ombrel
