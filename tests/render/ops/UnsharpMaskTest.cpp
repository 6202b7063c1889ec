#include <gtest/gtest.h>

#include "GaussianReference.h"
#include "PlanarImages.h"
#include "render/ops/UnsharpMask.h"

namespace ombrel::ops {
namespace {

PlanarImage sharpened(PlanarImage img, float radius, float intensity, int bandRows = 0) {
    unsharpMask(img, radius, intensity, bandRows);
    return img;
}

TEST(UnsharpMask, ZeroIntensityOrTinyRadiusChangesNothing) {
    const PlanarImage img = test::noisyFlat(33, 21, 0.5f, 0.1f);
    for (const auto& [radius, intensity] : {std::pair{2.0f, 0.0f}, std::pair{0.1f, 1.5f}})
        EXPECT_TRUE(test::identical(sharpened(img, radius, intensity), img)) << radius << ", " << intensity;
}

TEST(UnsharpMask, IsThePictureMinusADirectGaussianEverywhere) {
    // The mask overshoots every edge by the intensity times what the blur
    // took away. Every pixel, edges and corners included, of ordinary, tiny and
    // single-line pictures, for radii of the direct kernel and of the
    // recursive filter, several wider than the picture.
    std::vector<test::Shape> shapes(std::begin(test::awkwardShapes), std::end(test::awkwardShapes));
    shapes.push_back({41, 29});
    const float intensity = 1.3f;
    for (const auto [w, h] : shapes) {
        const PlanarImage img = test::randomImage(w, h, 5);
        for (float radius : {0.6f, 1.7f, 2.9f, 6.0f}) {
            const PlanarImage out = sharpened(img, radius, intensity);
            for (int c = 0; c < 3; ++c)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const double in = img.row(c, y)[x];
                        const double want = in + intensity * (in - test::gaussianAt(img, c, x, y, radius));
                        ASSERT_NEAR(out.row(c, y)[x], want, 1.5e-3)
                            << w << "x" << h << " radius " << radius << " at " << x << "," << y;
                    }
        }
    }
}

TEST(UnsharpMask, BandsInParallelGiveWhatOneBandGives) {
    const PlanarImage img = test::randomImage(53, 140, 8);
    for (float radius : {0.5f, 1.5f, 2.5f}) {
        const PlanarImage single = sharpened(img, radius, 0.8f, img.height());
        for (int bandRows : {1, 4, 11, 32})
            EXPECT_TRUE(test::identical(sharpened(img, radius, 0.8f, bandRows), single))
                << radius << " in bands of " << bandRows;
    }
}

}  // namespace
}  // namespace ombrel::ops
