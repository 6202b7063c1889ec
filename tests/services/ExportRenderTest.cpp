#include "Pictures.h"
#include "render/ops/SrgbTransfer.h"
#include "services/ExportRender.h"

#include <gtest/gtest.h>

#include <cmath>

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
            const std::uint8_t* p = bitmap->pixel(x, y);
            ASSERT_NEAR(p[0], ops::srgbEncode(float(x) / width) * 255, 0.6) << x << "," << y;
            ASSERT_NEAR(p[1], ops::srgbEncode(float(y) / height) * 255, 0.6) << x << "," << y;
            ASSERT_NEAR(p[2], ops::srgbEncode(0.25f) * 255, 0.6);
        }
}

TEST(RenderEncoded, NothingWithoutAPicture) {
    EXPECT_EQ(renderEncoded(Graph{}, std::nullopt, OutputColor(OutputSpace::srgb), false), std::nullopt);
}

}  // namespace
}  // namespace ombrel
