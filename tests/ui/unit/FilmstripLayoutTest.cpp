#include "ui/FilmstripLayout.h"

#include <gtest/gtest.h>

namespace ombrel::filmstrip {
namespace {

// Row r's box spans [122 r + 3, 122 r + 119).
TEST(FilmstripLayout, VisibleRowsAreThoseWhoseBoxesOverlapTheViewport) {
    struct Case {
        int offset, width, rows;
        RowRange expected;
    };
    const Case cases[] = {
        {0, 600, 100, {0, 4}},     // box 4 starts at 491 < 600, box 5 at 613
        {0, 491, 100, {0, 3}},     // the right edge touching box 4 does not show it
        {0, 492, 100, {0, 4}},
        {118, 10, 100, {0, 1}},    // the last pixel of box 0, the gap, then box 1
        {119, 6, 100, {}},         // only the gap between boxes 0 and 1
        {119, 7, 100, {1, 1}},
        {0, 600, 3, {0, 2}},       // fewer rows than fit
        {12200, 600, 100, {}},     // scrolled past the end
        {12000, 600, 100, {98, 99}},
        {0, 600, 0, {}},
        {0, 0, 100, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(visibleRows(c.offset, c.width, c.rows), c.expected)
            << "offset " << c.offset << " width " << c.width << " rows " << c.rows;
    }
}

TEST(FilmstripLayout, AspectFillCutsTheOverflowingSideEvenly) {
    struct Case {
        int width, height;
        SourceRect expected;
    };
    const Case cases[] = {
        {116, 82, {0, 0, 116, 82}},          // same shape: nothing cut
        {232, 82, {58, 0, 116, 82}},         // twice as wide: a quarter off each side
        {116, 164, {0, 41, 116, 82}},        // twice as tall: a quarter off top and bottom
        {320, 213, {(320 - 213 * 116.0 / 82) / 2, 0, 213 * 116.0 / 82, 213}},
        {0, 10, {}},
    };
    for (const Case& c : cases) {
        const SourceRect r = aspectFill(c.width, c.height, boxWidth, boxHeight);
        EXPECT_DOUBLE_EQ(r.x, c.expected.x) << c.width << "x" << c.height;
        EXPECT_DOUBLE_EQ(r.y, c.expected.y) << c.width << "x" << c.height;
        EXPECT_DOUBLE_EQ(r.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_DOUBLE_EQ(r.height, c.expected.height) << c.width << "x" << c.height;
    }
}

}  // namespace
}  // namespace ombrel::filmstrip
