#include "ui/CropAspect.h"
#include "ui/CurveEditing.h"
#include "ui/ValueText.h"

#include <QtTest>

#include <cmath>

using namespace ombrel;
namespace ce = ombrel::curveedit;

namespace {

const ce::PlotSize plot{200, 200};
const CurvePoints identity{{0, 0}, {1, 1}};
const CurvePoints threePoints{{0, 0}, {0.5, 0.5}, {1, 1}};

bool near(double a, double b) { return std::abs(a - b) < 1e-12; }

}  // namespace

// The curve editor's, crop aspect's and value label's rules, on the worked examples.
class SidebarRulesTest : public QObject {
    Q_OBJECT
private slots:
    void curveHitAndAdd() {
        // The centre of the identity curve: no handle within 12 points, so a point is added.
        QVERIFY(!ce::hit(identity, {100, 100}, plot));
        const ce::Added added = ce::add(identity, {100, 100}, plot);
        QCOMPARE(added.points, (CurvePoints{{0, 0}, {0.5, 0.5}, {1, 1}}));
        QCOMPARE(added.index, std::optional<std::size_t>(1));
        // 10 points from a handle grabs it; 12 points exactly does not.
        QCOMPARE(ce::hit(threePoints, {110, 100}, plot), std::optional<std::size_t>(1));
        QVERIFY(!ce::hit(threePoints, {112, 100}, plot));
        // Equal distances: the earliest point wins. Outside the plot clamps to its edge.
        QCOMPARE(ce::hit(CurvePoints{{0.5, 0.5}, {0.5, 0.5}}, {100, 100}, plot), std::optional<std::size_t>(0));
        QCOMPARE(ce::add(identity, {-50, 400}, plot).points[1], (CurvePoint{0, 0}));
        QCOMPARE(ce::add(identity, {-50, 400}, plot).index, std::optional<std::size_t>(0));
    }

    void curveMove() {
        CurvePoints pts = threePoints;
        ce::move(pts, 0, {60, 150}, plot);  // end points move only vertically
        ce::move(pts, 2, {60, 150}, plot);
        QCOMPARE(pts, (CurvePoints{{0, 0.25}, {0.5, 0.5}, {1, 0.25}}));
        pts = {{0, 0}, {0.3, 0.3}, {0.6, 0.6}, {1, 1}};
        ce::move(pts, 1, {190, 40}, plot);  // past the right neighbour at 0.6
        QVERIFY(near(pts[1].x, 0.59) && near(pts[1].y, 0.8));
        ce::move(pts, 1, {-10, 0}, plot);  // past the left end point at 0
        QVERIFY(near(pts[1].x, 0.01) && pts[1].y == 1);
        const CurvePoints before = pts;
        ce::move(pts, 7, {100, 100}, plot);  // an index an undo took away
        QCOMPARE(pts, before);
    }

    void curveRemove() {
        QVERIFY(!ce::removable(threePoints, {0, 200}, plot));         // end points stay
        QCOMPARE(ce::removable(threePoints, {113, 100}, plot), std::optional<std::size_t>(1));
        QVERIFY(!ce::removable(threePoints, {114, 100}, plot));
        QVERIFY(!ce::removable(identity, {200, 0}, plot));             // two points: never
    }

    void aspect() {
        // A turned 6000 x 4000 photo computes with 4000 x 6000.
        CropSettings crop;
        setAspect(crop, "16:9", false, crop::orientedSize(crop::Size{6000.0, 4000.0}, 1));
        QVERIFY(near(crop.w, 1) && near(crop.h, 0.375) && near(crop.x, 0) && near(crop.y, 0.3125));

        // Swap: 3:2 on a full 3000 x 2000 rectangle turns portrait, and swapping back does not regrow it.
        const crop::Size landscape = crop::orientedSize(crop::Size{3000.0, 2000.0}, 0);
        crop = {};
        crop.aspect = "3:2";
        crop.aspectSwapped = true;
        setAspect(crop, crop.aspect, true, landscape);
        QVERIFY(near(crop.w, 4.0 / 9) && near(crop.h, 1) && near(crop.x, 5.0 / 18) && near(crop.y, 0));
        crop.aspectSwapped = false;
        setAspect(crop, crop.aspect, true, landscape);
        QVERIFY(near(crop.w, 4.0 / 9) && near(crop.h, 4.0 / 9) && near(crop.x, 5.0 / 18) && near(crop.y, 5.0 / 18));

        // "Free" stores only the text and clears the swap of another aspect.
        CropSettings before = crop;
        before.aspectSwapped = true;
        crop = before;
        setAspect(crop, "Free", false, landscape);
        QCOMPARE(crop.aspect, std::string("Free"));
        QVERIFY(!crop.aspectSwapped && crop.w == before.w && crop.h == before.h && crop.x == before.x);

        // "Original" ignores a kept swap; no image means 3 x 2.
        crop = {};
        crop.aspectSwapped = true;
        setAspect(crop, "Original", true, crop::orientedSize(std::nullopt, 1));
        QVERIFY(crop.aspectSwapped && near(crop.w, 1) && near(crop.h, 1));
    }

    void turns() {
        const struct {
            std::int64_t from;
            int by;
            std::int64_t to;
        } cases[] = {{0, 3, 3}, {3, 1, 0}, {-2, 3, 1}, {1, 1, 2}};
        for (const auto& c : cases) {
            CropSettings crop{0.1, 0.2, 0.5, 0.6, 4, c.from, true, false, "4:3", true};
            turn(crop, c.by);
            QCOMPARE(crop, (CropSettings{0, 0, 1, 1, 4, c.to, true, false, "4:3", true}));
        }
    }

    void valueText() {
        QCOMPARE(valuetext::format("%+.2f", 0.5), std::string("+0.50"));
        QCOMPARE(valuetext::format("%+.2f", -1.3), std::string("-1.30"));
        QCOMPARE(valuetext::format("%.0f", 42.6), std::string("43"));
        QCOMPARE(valuetext::format("%.1f°", -2.25), std::string("-2.2°"));

        const struct {
            const char* typed;
            const char* format;
            std::optional<double> value;
        } cases[] = {
            {"1.3", "%+.2f", 1.3},  {" +1,5 ", "%+.2f", 1.5}, {"9", "%+.2f", 4},    {"-300", "%.0f", -100},
            {"12.5°", "%.1f°", 12.5}, {"abc", "%+.2f", {}},    {"", "%.0f", {}},      {"1.2.3", "%.0f", {}},
            {"inf", "%.0f", {}},     {"1e2", "%.0f", 100},
        };
        for (const auto& c : cases) {
            const double lo = std::string_view(c.format) == "%+.2f" ? -4 : -100;
            QCOMPARE(valuetext::parse(c.typed, c.format, lo, -lo), c.value);
        }
    }
};

QTEST_APPLESS_MAIN(SidebarRulesTest)
#include "SidebarRulesTest.moc"
