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
        {0, 491, 100, {0, 3}},  // the right edge touching box 4 does not show it
        {0, 492, 100, {0, 4}},
        {118, 10, 100, {0, 1}},  // the last pixel of box 0, the gap, then box 1
        {119, 6, 100, {}},       // only the gap between boxes 0 and 1
        {0, 600, 3, {0, 2}},     // fewer rows than fit
        {12000, 600, 100, {98, 99}},
        {12200, 600, 100, {}},  // scrolled past the end
        {0, 600, 0, {}},
    };
    for (const Case& c : cases) {
        const RowRange r = visibleRows(c.offset, c.width, c.rows);
        EXPECT_EQ(r, c.expected) << c.offset << " " << c.width << " " << c.rows << ": " << r.first << "..." << r.last;
    }
}

TEST(FilmstripLayout, AspectFillCutsTheOverflowingSideEvenly) {
    EXPECT_EQ(aspectFill(116, 82, boxWidth, boxHeight), (SourceRect{0, 0, 116, 82}));
    EXPECT_EQ(aspectFill(232, 82, boxWidth, boxHeight), (SourceRect{58, 0, 116, 82}));
    EXPECT_EQ(aspectFill(116, 164, boxWidth, boxHeight), (SourceRect{0, 41, 116, 82}));
    EXPECT_EQ(aspectFill(0, 10, boxWidth, boxHeight), SourceRect{});
}

}  // namespace
}  // namespace ombrel::filmstrip
