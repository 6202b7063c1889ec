// Walks the real window through its main states and saves a PNG of each:
// `ombrel_screenshots DIR` (run under Xvfb by `make screenshots`).
#include "WindowFixture.h"

#include "preview/CropOverlay.h"

#include <QDir>
#include <QScreen>

#include <cstdio>

using namespace ombrel;

namespace {

bool save(QWidget& window, const QString& dir, const char* name) {
    QTest::qWait(150);  // let the busy indicator and late repaints settle
    const QString file = dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    const bool ok = window.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2 || !test::testDataDir()) {
        std::fprintf(stderr, "usage: ombrel_screenshots DIR (needs the test photos)\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);

    test::TempDir photos;
    for (const char* file : {"raw/canon_powershot_s40_colorchart_CRW_0104.dng", "raw/canon_powershot_s40_CRW_0113.crw",
                             "jpeg/canon_eos_rp_MG_0633.jpg", "jpeg/sony_slt_a57_DSC8833.jpg",
                             "jpeg/orientation_6_Landscape_6.jpg", "heic/iphone_xr_IMG_3578.heic",
                             "png/rgb16_photo_from_CRW_0104.png", "jpeg/progressive_panasonic_dmc_lc70.jpg"})
        test::copyTestFile(file, photos.path());

    test::Window w;
    bool ok = save(*w.window, dir, "start");

    w.window->openLocations({photos.path()});
    ok &= QTest::qWaitFor([&] { return w.model->currentID().has_value(); }, 5000);
    // Ratings and flags on a few photos, stepping along as a user would.
    const int ratings[] = {5, 3, 0, 4, 1};
    const char* flags[] = {"p", "", "x", "p", ""};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(w.window.get(), char('0' + ratings[i]));
        if (*flags[i]) QTest::keyClick(w.window.get(), flags[i][0]);
        QTest::keyClick(w.window.get(), Qt::Key_Right);
    }
    for (int i = 0; i < 5; ++i) QTest::keyClick(w.window.get(), Qt::Key_Left);
    ok &= w.waitForFrame();
    QTest::qWait(1500);  // thumbnails
    ok &= save(*w.window, dir, "raw");

    QTest::mouseDClick(&w.preview(), Qt::LeftButton, {}, w.preview().rect().center());
    ok &= w.waitForFrame();
    ok &= save(*w.window, dir, "zoom-100");
    QTest::mouseDClick(&w.preview(), Qt::LeftButton, {}, w.preview().rect().center());

    w.model->view()->setCropEditing(true);
    w.model->mutate("crop-rect", [](EditSettings& s) {
        s.crop.x = 0.1, s.crop.y = 0.12, s.crop.w = 0.7, s.crop.h = 0.72;
    });
    ok &= w.waitForFrame();
    ok &= save(*w.window, dir, "crop");
    w.model->view()->setCropEditing(false);
    w.model->undo();

    QTest::keyClick(w.window.get(), Qt::Key_Backslash);
    w.model->view()->setEyedropper(true);
    ok &= w.waitForFrame();
    ok &= save(*w.window, dir, "before-badges");
    QTest::keyClick(w.window.get(), Qt::Key_Backslash);
    w.model->view()->setEyedropper(false);

    QTest::keyClick(w.window.get(), Qt::Key_J);
    ok &= w.waitForFrame();
    ok &= save(*w.window, dir, "clipping");
    QTest::keyClick(w.window.get(), Qt::Key_J);
    return ok ? 0 : 1;
}
