#include "ExportReadBack.h"
#include "Pictures.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ImageLoader.h"
#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/ops/LanczosScale.h"
#include "render/ops/SrgbTransfer.h"
#include "services/ExportRender.h"
#include "services/Exporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// Settings name only the fields a test changes; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace ombrel {
namespace {

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
    test::TempDir dir;
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

}  // namespace
}  // namespace ombrel
