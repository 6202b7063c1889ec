#include "ExportReadBack.h"
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

namespace ombrel {
namespace {

TEST(ReducedExportDecode, OnlyWhenTheExportNeedsAtMostHalfTheEditsPixels) {
    const CropSettings whole;
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 2560), 3000.0);
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 1400), 1500.0);
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 750), 750.0);
    EXPECT_EQ(reducedDecodeSide(6000, 4000, whole, 3001), std::nullopt);
    EXPECT_EQ(reducedDecodeSide(6001, 4000, whole, 1000), 1501.0) << "never below the needed size";

    CropSettings half;
    half.w = 0.5;
    EXPECT_EQ(reducedDecodeSide(6000, 4000, half, 2560), std::nullopt) << "a crop needs its pixels";
    EXPECT_EQ(reducedDecodeSide(6000, 4000, half, 1500), 3000.0);

    CropSettings tall;  // on the turned frame, the crop keeps the full 6000 rows
    tall.quarterTurns = 1;
    tall.w = 0.5;
    EXPECT_EQ(reducedDecodeSide(6000, 4000, tall, 3000), 3000.0);
}

TEST(ReducedExportDecode, LooksLikeTheFullDecodeShrunk) {
    OMBREL_REQUIRE_TESTDATA();
    test::TempDir dir;
    const auto& photo = test::largeCameraJpeg();

    EditSettings edit;
    edit.contrast = 20;
    edit.saturation = 15;
    edit.sharpAmount = 40;
    ExportOptions options;
    options.format = ExportFormat::png;
    options.resize = true;
    options.longEdge = 1400;
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
