#include "TempDir.h"
#include "TestData.h"

#include "imageio/EmbeddedJpeg.h"

#include <gtest/gtest.h>

namespace ombrel {
namespace {

struct Case {
    int minLongSide, width, height;
};

TEST(EmbeddedJpeg, DecodesAtTheSmallestScaleThatStillCoversTheTargetAndRejectsDamagedBytes) {
    OMBREL_REQUIRE_TESTDATA();
    const std::string bytes = test::readFile(*test::testDataDir() / "jpeg/orientation_1_Landscape_1.jpg");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    // 1800 x 1200; DCT scaling offers eighths.
    for (const Case& c : {Case{0, 1800, 1200}, Case{1800, 1800, 1200}, Case{2000, 1800, 1200},
                          Case{900, 900, 600}, Case{901, 1125, 750}, Case{320, 450, 300}, Case{100, 225, 150}}) {
        SCOPED_TRACE(c.minLongSide);
        const auto picture = decodeJpeg(data, bytes.size(), c.minLongSide);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width(), c.width);
        EXPECT_EQ(picture->height(), c.height);
    }

    EXPECT_FALSE(decodeJpeg(data, bytes.size() / 2, 0)) << "cut in the middle of the scan";
    EXPECT_FALSE(decodeJpeg(data, 100, 0));
    EXPECT_FALSE(decodeJpeg(data, 0, 0));
    EXPECT_FALSE(decodeJpeg(nullptr, 10, 0));
    const std::string garbage(5000, '\x5a');
    EXPECT_FALSE(decodeJpeg(reinterpret_cast<const unsigned char*>(garbage.data()), garbage.size(), 0));
}

}  // namespace
}  // namespace ombrel
