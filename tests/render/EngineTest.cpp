#include "Pictures.h"

#include "render/Engine.h"
#include "render/Pipeline.h"
#include "render/Resample.h"
#include "render/ops/SrgbTransfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>
#include <random>

namespace ombrel {
namespace {

template <typename F>
std::shared_ptr<const Image> picture(int w, int h, F f) {
    return std::make_shared<const Image>(test::imageFrom(w, h, f));
}

// Every pixel distinct: red encodes x, green encodes y.
std::shared_ptr<const Image> ramp(int w, int h) {
    return picture(w, h, [&](int x, int y) { return std::array{(x + 1) / float(w), (y + 1) / float(h), 0.25f, 1.0f}; });
}

// A photo-like test card: smooth gradients, hard edges and fine noise.
std::shared_ptr<const Image> card(int w, int h, unsigned seed = 7) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(0, 0.02f);
    return picture(w, h, [&](int x, int y) {
        const bool square = (x / (w / 8) + y / (h / 6)) % 2 == 0;
        return std::array{0.05f + 0.5f * x / w + (square ? 0.2f : 0) + noise(rng), 0.1f + 0.4f * y / h + noise(rng),
                          (square ? 0.4f : 0.1f) + noise(rng), 1.0f};
    });
}

// Every channel, alpha included, at `value`.
std::shared_ptr<const Image> flat(int w, int h, float value) {
    return picture(w, h, [=](int, int) { return std::array{value, value, value, value}; });
}

Graph graphOf(std::shared_ptr<const Image> image, const EditSettings& s, double scale = 1, bool clipping = false) {
    Pipeline p;
    return p.build(std::move(image), s, scale, false, clipping);
}

std::array<float, 3> rgb(const Image& image, int x, int y) {
    const float* p = image.pixel(x, y);
    return {p[0], p[1], p[2]};
}

double meanAbsDifference(const Image& a, const Image& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int c = 0; c < 3; ++c) sum += std::abs(a.pixel(x, y)[c] - b.pixel(x, y)[c]);
    return sum / (a.width() * a.height() * 3.0);
}

// Turns, flips and crops move pixels without resampling them; turns count
// modulo four, and a crop's fractions refer to the turned frame.
TEST(Engine, GeometryMovesPixelsExactly) {
    const auto source = ramp(40, 20);
    using From = std::pair<int, int> (*)(int x, int y);  // the source pixel an output pixel shows
    struct Case {
        const char* what;
        CropSettings crop;
        int width, height;
        From from;
    };
    const Case cases[] = {
        {"unedited", {}, 40, 20, [](int x, int y) { return std::pair{x, y}; }},
        {"clockwise quarter turn", {.quarterTurns = 1}, 20, 40, [](int x, int y) { return std::pair{y, 19 - x}; }},
        {"five quarter turns", {.quarterTurns = 5}, 20, 40, [](int x, int y) { return std::pair{y, 19 - x}; }},
        {"half turn back", {.quarterTurns = -2}, 40, 20, [](int x, int y) { return std::pair{39 - x, 19 - y}; }},
        {"mirror and half turn: a vertical flip", {.quarterTurns = 2, .flipH = true}, 40, 20,
         [](int x, int y) { return std::pair{x, 19 - y}; }},
        {"crop measured from the top", {.x = 0.25, .w = 0.5, .h = 0.5}, 20, 10,
         [](int x, int y) { return std::pair{x + 10, y}; }},
        {"crop of the turned frame", {.x = 0.25, .w = 0.5, .h = 0.5, .quarterTurns = 1}, 10, 20,
         [](int x, int y) { return std::pair{y, 14 - x}; }},
    };
    for (const Case& c : cases) {
        const Image out = Engine::shared().render(graphOf(source, {.crop = c.crop}));
        ASSERT_EQ(out.width(), c.width) << c.what;
        ASSERT_EQ(out.height(), c.height) << c.what;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const auto [sx, sy] = c.from(x, y);
                ASSERT_EQ(rgb(out, x, y), rgb(*source, sx, sy)) << c.what << " at " << x << "," << y;
                ASSERT_EQ(out.pixel(x, y)[3], 1.0f) << c.what;
            }
    }
}

TEST(Engine, StraighteningKeepsTheFrameFilledAndTurnsClockwise) {
    // A flat picture stays flat: no empty corners ever show.
    const EditSettings s{.crop = {.angle = 10}};
    const Image out = Engine::shared().render(graphOf(flat(60, 40, 0.5f), s));
    ASSERT_EQ(out.width(), 60);
    ASSERT_EQ(out.height(), 40);
    for (int y : {0, 39})
        for (int x : {0, 59}) EXPECT_NEAR(out.pixel(x, y)[0], 0.5f, 1e-6);

    // A clockwise turn lifts the left side: along the top row, the left end
    // shows lower rows of the ramp (more green) than the right end.
    const Image turned = Engine::shared().render(graphOf(ramp(60, 40), s));
    EXPECT_GT(turned.pixel(5, 2)[1], turned.pixel(54, 2)[1]);
}

TEST(Engine, ExposureAndClippingOverlay) {
    const auto source = ramp(8, 8);
    const Image out = Engine::shared().render(graphOf(source, {.exposure = 1}));
    EXPECT_NEAR(out.pixel(3, 4)[0], 2 * source->pixel(3, 4)[0], 1e-6);

    // Clipped white is marked red.
    const Image marked = Engine::shared().render(graphOf(flat(4, 4, 1.0f), EditSettings{}, 1, true));
    const auto [r, g, b] = rgb(marked, 1, 1);
    EXPECT_LT(std::max({std::abs(r - 1), std::abs(g), std::abs(b)}), 1e-4f);
}

TEST(Engine, DistortionLeavesCornersAndCentreInPlace) {
    const auto source = ramp(41, 41);
    const Image out = Engine::shared().render(graphOf(source, {.distortion = 60}));
    // The radius reaches the corners, where the effect fades to nothing.
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out.pixel(0, 0)[c], source->pixel(0, 0)[c], 1e-3);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(out.pixel(20, 20)[c], source->pixel(20, 20)[c], 1e-5);
    // A bulge magnifies: a point right of centre shows what was nearer the centre.
    EXPECT_LT(out.pixel(28, 20)[0], source->pixel(28, 20)[0]);
}

TEST(Engine, RegionsMatchTheWholeRenderEvenWithNeighbourhoodStages) {
    const auto source = card(160, 120);
    const EditSettings all{
        .contrast = 30, .sharpAmount = 60, .lumNR = 40, .colorNR = 30, .vignette = -30, .crop = {.angle = 3}};
    // Alone, the widest sharpening needs its own margin: no other stage's covers it.
    const EditSettings widestSharpening{.sharpAmount = 100, .sharpRadius = 3};
    for (const EditSettings& s : {all, widestSharpening}) {
        const Graph g = graphOf(source, s);
        const Image whole = Engine::shared().render(g);
        const ops::PixelRect region{37, 51, 64, 40};
        const Image part = Engine::shared().render(g, 1.0, region);
        double worst = 0;
        for (int y = 0; y < region.height; ++y)
            for (int x = 0; x < region.width; ++x)
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, double(std::abs(part.pixel(x, y)[c] -
                                                            whole.pixel(x + region.x, y + region.y)[c])));
        EXPECT_LT(worst, 2e-3) << "sharpening radius " << s.sharpRadius;
    }
}

// The preview's 8-bit frame is the float render, sRGB-encoded and rounded:
// every channel within one level, in B, G, R, A order, out-of-range values clipped.
TEST(Engine, BgraFrameIsTheRenderEncodedToEightBits) {
    const auto source = card(97, 61);
    const EditSettings s{.exposure = 1.5, .vignette = -40};  // the exposure pushes the squares past white
    const Graph g = graphOf(source, s);
    const ops::PixelRect region{5, 3, 80, 50};
    const Image floats = Engine::shared().render(g, 1.0, region);
    const std::size_t stride = region.width * 4 + 12;
    std::vector<std::uint8_t> bgra(stride * region.height);
    ASSERT_TRUE(Engine::shared().renderBgra(g, 1.0, region, bgra.data(), stride));
    int worst = 0, clipped = 0;
    for (int y = 0; y < region.height; ++y)
        for (int x = 0; x < region.width; ++x) {
            const std::uint8_t* q = bgra.data() + y * stride + x * 4;
            EXPECT_EQ(q[3], 255);
            for (int c = 0; c < 3; ++c) {
                const float v = std::clamp(floats.pixel(x, y)[c], 0.0f, 1.0f);
                worst = std::max(worst, std::abs(int(q[2 - c]) - int(std::lround(ops::srgbEncode(v) * 255))));
                clipped += q[2 - c] == 255;
            }
        }
    EXPECT_LE(worst, 1);
    EXPECT_GT(clipped, 0);
    EXPECT_FALSE(Engine::shared().renderBgra(g, 1.0, {0, 0, 0, 10}, bgra.data(), stride));
}

TEST(Engine, SmallRenderLooksLikeTheFullRenderShrunk) {
    const auto full = card(800, 600);
    const EditSettings s{.contrast = 25, .saturation = 20, .sharpAmount = 50, .lumNR = 30, .vignette = -25};
    const Graph g = graphOf(full, s);
    const Image big = Engine::shared().render(g);
    const Image shrunk = resample(big, 200, 150);
    const Image small = Engine::shared().render(g, 0.25, {0, 0, 200, 150});
    EXPECT_LT(meanAbsDifference(shrunk, small), 0.01);

    // The same from a half-size proxy with its scale.
    const auto proxy = std::make_shared<const Image>(resample(*full, 400, 300));
    const Image fromProxy = Engine::shared().render(graphOf(proxy, s, 0.5), 0.5, {0, 0, 200, 150});
    EXPECT_LT(meanAbsDifference(shrunk, fromProxy), 0.015);
}

TEST(Engine, KeptRegionsNeverServeAnotherPictureOrAnotherEdit) {
    const Engine engine;
    const EditSettings warm{.contrast = 20, .temperature = 30}, cool{.contrast = 20, .temperature = -30};
    const ops::PixelRect fit{0, 0, 100, 75};

    auto first = card(400, 300, 1);
    const Image a = engine.render(graphOf(first, warm), 0.25, fit);
    const Image b = engine.render(graphOf(first, cool), 0.25, fit);
    EXPECT_EQ(meanAbsDifference(b, Engine().render(graphOf(first, cool), 0.25, fit)), 0.0);
    EXPECT_GT(meanAbsDifference(a, b), 0.01);

    // A new picture of the same size is never confused with the old one, even
    // when it lands at the old one's address once that is freed.
    const Image* oldAddress = first.get();
    const Image fromFirst = engine.render(graphOf(first, warm), 0.25, fit);
    std::shared_ptr<const Image> released = first;
    first.reset();
    released.reset();
    const auto second = card(400, 300, 2);
    const Image fromSecond = engine.render(graphOf(second, warm), 0.25, fit);
    EXPECT_EQ(meanAbsDifference(fromSecond, Engine().render(graphOf(second, warm), 0.25, fit)), 0.0)
        << (second.get() == oldAddress ? "same address" : "new address");
    EXPECT_GT(meanAbsDifference(fromFirst, fromSecond), 0.001);
}

TEST(Engine, OnlyRegionsLikelyToBeDrawnAgainAreKeptAndOnlyWhileTheirPhotoLives) {
    const Engine engine;
    const EditSettings edit{.exposure = 0.4, .sharpAmount = 30};
    auto photo = card(400, 300, 3);

    // Export bands and whole renders are drawn once: nothing stays behind.
    const Image band = engine.render(graphOf(photo, edit), 1.0, {0, 0, 400, 100}, Engine::Reuse::never);
    const Image whole = engine.render(graphOf(photo, edit));
    EXPECT_EQ(engine.keptRegionBytes(), 0u);
    // And the result is the one a kept region gives.
    const Image preview = engine.render(graphOf(photo, edit), 1.0, {0, 0, 400, 100});
    EXPECT_EQ(meanAbsDifference(band, preview), 0.0);
    const std::size_t kept = engine.keptRegionBytes();
    EXPECT_GE(kept, std::size_t(400) * 100 * 3 * sizeof(float));

    // Once the photo is gone, its regions go with the next kept one.
    photo.reset();
    const auto next = card(40, 30, 4);
    engine.render(graphOf(next, edit), 1.0, {0, 0, 40, 30});
    EXPECT_LT(engine.keptRegionBytes(), std::size_t(40) * 40 * 3 * sizeof(float) + 1);
}

}  // namespace
}  // namespace ombrel
