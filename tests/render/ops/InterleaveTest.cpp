#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "EachSimdTarget.h"
#include "render/ops/Interleave.h"

namespace ombrel::ops {
namespace {

TEST(Interleave, WritesEveryPixelAtAnyAlignmentAndLengthAndNothingElse) {
    // Destinations starting at every float offset within a cache line, runs
    // shorter and longer than a vector: the aligned middle, the single
    // pixels before it and the tail must all land in place.
    test::forEachSimdTarget([] {
        for (int offset = 0; offset < 16; ++offset)
            for (int n : {0, 1, 3, 4, 15, 16, 17, 33, 100}) {
                std::vector<float> r(n), g(n), b(n);
                for (int i = 0; i < n; ++i) r[i] = i + 0.25f, g[i] = -i - 0.5f, b[i] = 1000.0f + i;
                std::vector<float> out(4 * n + 32, -7.0f);
                interleaveOpaque(r.data(), g.data(), b.data(), n, out.data() + offset);
                for (int k = 0; k < offset; ++k) ASSERT_EQ(out[k], -7.0f) << "before, offset " << offset;
                for (int i = 0; i < n; ++i) {
                    const float* p = out.data() + offset + 4 * i;
                    ASSERT_EQ((std::array{p[0], p[1], p[2], p[3]}), (std::array{r[i], g[i], b[i], 1.0f}))
                        << offset << " " << n << " " << i;
                }
                for (std::size_t k = offset + 4 * n; k < out.size(); ++k)
                    ASSERT_EQ(out[k], -7.0f) << "after, offset " << offset << " n " << n;
            }
    });
}

}  // namespace
}  // namespace ombrel::ops
