#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Pictures.h"
#include "render/ops/AreaStatistics.h"

namespace ombrel::ops {
namespace {

TEST(AreaAverage, AveragesTheRectangleClippedToTheImage) {
    struct Case {
        PixelRect rect;
        std::array<float, 4> mean;
        const char* why;
    };
    const Case cases[] = {
        {{2, 3, 4, 2}, {3.5f, 3.5f, 7, 1}, "x 2..5, y 3..4"},
        {{-3, -3, 6, 6}, {1, 1, 2, 1}, "half outside: only x, y in 0..2 count"},
        {{8, 6, 6, 6}, {8.5f, 6.5f, 15, 1}, "x 8..9, y 6..7"},
        {{10, 0, 3, 3}, {0, 0, 0, 0}, "nothing inside gives zeros"},
        {{-5, 2, 5, 3}, {0, 0, 0, 0}, ""},
        {{2, 2, 0, 3}, {0, 0, 0, 0}, "empty"},
        {{2, 2, -4, 3}, {0, 0, 0, 0}, "negative"},
    };
    const Image image = test::imageFrom(10, 8, [](int x, int y) { return std::array{x, y, x + y, 1}; });
    for (const Case& c : cases) {
        const auto mean = areaAverage(image, c.rect);
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(mean[k], c.mean[k]) << c.why;
    }
}

TEST(AreaHistogram, CountsOutOfRangeValuesInTheEndBinsAndIgnoresNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float reds[] = {-0.5f, 0.0f, 0.24f, 0.25f, 0.5f, 0.999f, 1.0f, 1.5f, inf, nan};
    Image img(10, 1);
    for (int x = 0; x < 10; ++x) {
        float* p = img.pixel(x, 0);
        p[0] = reds[x], p[1] = 0.6f, p[2] = -inf, p[3] = 1.0f;
    }
    const auto h = areaHistogram(img, 4);
    EXPECT_EQ(h[0], (std::vector<float>{3, 1, 1, 4}));
    EXPECT_EQ(h[1], (std::vector<float>{0, 0, 10, 0}));
    EXPECT_EQ(h[2], (std::vector<float>{10, 0, 0, 0}));
    EXPECT_EQ(h[3], (std::vector<float>{0, 0, 0, 10}));
}

TEST(AreaHistogram, CountsEveryPixelOfALargeImageOnce) {
    const auto ramp = [](int x, int y) { return std::array{x / 300.0f, y / 200.0f, 0.5f, 1.0f}; };
    const Image img = test::imageFrom(300, 200, ramp);
    const auto h = areaHistogram(img, 256);
    for (int c = 0; c < 4; ++c) {
        double total = 0;
        for (float v : h[c]) total += v;
        EXPECT_EQ(total, 60000) << c;
    }
    EXPECT_EQ(h[2][128], 60000);
    // Red spreads evenly: 300 columns over 256 bins, each 200 pixels tall.
    for (int i = 0; i < 256; ++i) EXPECT_GE(h[0][i], 200) << i;
    EXPECT_TRUE(areaHistogram(img, 0)[0].empty());
}

}  // namespace
}  // namespace ombrel::ops
