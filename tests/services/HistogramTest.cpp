#include "Pictures.h"
#include "render/Pipeline.h"
#include "services/Histogram.h"

#include <gtest/gtest.h>

namespace ombrel {
namespace {

Graph flatGraph(int w, int h, float r, float g, float b) {
    const Image flat = test::imageFrom(w, h, [=](int, int) { return std::array{r, g, b, 1.0f}; });
    Pipeline pipeline;
    return pipeline.build(std::make_shared<const Image>(flat), EditSettings{}, 1, false, false);
}

TEST(Histogram, EmptyPictureGivesNothing) {
    EXPECT_EQ(Histogram::compute(Graph{}), std::nullopt);
    Pipeline p;
    EXPECT_EQ(Histogram::compute(p.build(std::make_shared<Image>(10, 10), {.crop = {.w = 0}}, 1, false, false)),
              std::nullopt);
}

TEST(Histogram, ClipFractionsAndEndBinsOfFlatPictures) {
    struct Case {
        float r, g, b;
        float shadowClip, highlightClip;
        const char* why;
    };
    for (const Case c : {Case{0, 0, 0, 1, 0, "black is all shadow clip"}, Case{1, 1, 1, 0, 1, "white"},
                         Case{3, 3, 3, 0, 1, "brighter than white"},
                         Case{1.5f, 0.2f, 0.2f, 0, 1, "one blown channel is enough"}}) {
        const auto h = Histogram::compute(flatGraph(64, 48, c.r, c.g, c.b));
        ASSERT_TRUE(h) << c.why;
        ASSERT_EQ(h->r.size(), 256u);
        EXPECT_EQ(h->shadowClip, c.shadowClip) << c.why;
        EXPECT_EQ(h->highlightClip, c.highlightClip) << c.why;
        EXPECT_EQ(h->r[c.r > 0 ? 255 : 0], 1.0f) << c.why;
        EXPECT_EQ(h->g[128], 0.0f) << c.why;
    }
}

TEST(Histogram, CurvesShareOnePeakThatLeavesOutTheEnds) {
    std::vector<float> r(256, 0), g(256, 0), b(256, 0);
    r[0] = 1000;  // a clipped spike does not set the scale
    r[100] = 40;
    g[100] = 10;
    g[200] = 20;
    b[50] = 5;
    const HistogramData d = Histogram::fromBins(r, g, b);
    EXPECT_EQ(d.r[100], 1.0f);
    EXPECT_FLOAT_EQ(d.g[200], 0.5f);
    EXPECT_FLOAT_EQ(d.b[50], 0.125f);
    EXPECT_EQ(d.r[0], 1.0f) << "clamped";
    EXPECT_FLOAT_EQ(d.l[100], (0.2126f * 40 + 0.7152f * 10) / 40);
    EXPECT_FLOAT_EQ(d.shadowClip, 1000.0f / 1040);
}

}  // namespace
}  // namespace ombrel
