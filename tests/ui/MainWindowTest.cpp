#include "WindowFixture.h"

#include "model/Sidecar.h"
#include "preview/CropOverlay.h"
#include "ui/AdjSlider.h"
#include "ui/ExportSheet.h"
#include "ui/WindowToolbar.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSlider>
#include <QToolButton>

#include <fstream>
#include <map>

using namespace ombrel;
using test::Window;

namespace {

const char* chart = "raw/canon_powershot_s40_colorchart_CRW_0104.dng";

QAction* action(const Window& w, const QString& text) {
    for (QAction* a : w.window->menuBar()->findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

QString zoomText(const Window& w) { return w.window->toolbar()->zoomLabel()->text(); }

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    // Keys rate and flag the current photo into its sidecar and step; single
    // keys are left to text fields.
    void startsEmptyWithMenusDisabledThenOpensAFolderAndTakesKeys() {
        Window w;
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Ombrel"));
        QVERIFY(w.window->minimumWidth() >= 1100 && w.window->minimumHeight() >= 700);
        for (const char* text : {"Export…", "Copy Settings", "Paste Settings", "Sync Settings to Selected", "Undo"})
            QVERIFY2(!action(w, QString::fromUtf8(text))->isEnabled(), text);
        QVERIFY(!w.window->toolbar()->exportButton()->isEnabled());

        test::TempDir trip;
        const auto folder = trip.path() / "Trip";
        std::filesystem::create_directory(folder);
        const auto first = test::copyTestFileAs(test::smallJpeg, folder, "a.jpg");
        const auto second = test::copyTestFileAs(test::mediumJpeg, folder, "b.jpg");
        QVERIFY(w.open({folder}));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Ombrel — Trip"));
        for (const char* text : {"Export…", "Copy Settings", "Sync Settings to Selected"})
            QVERIFY2(action(w, QString::fromUtf8(text))->isEnabled(), text);
        QVERIFY(!action(w, QStringLiteral("Paste Settings"))->isEnabled());

        QTest::keyClick(w.window.get(), Qt::Key_4);
        QTest::keyClick(w.window.get(), Qt::Key_P);
        QTest::keyClick(w.window.get(), Qt::Key_Right);
        QTest::keyClick(w.window.get(), Qt::Key_X);
        QTest::keyClick(w.window.get(), Qt::Key_9);  // not a rating: nothing happens
        const auto a = Sidecar::read(first), b = Sidecar::read(second);
        QVERIFY(a && b);
        QCOMPARE(a->rating, 4);
        QCOMPARE(a->flag, Flag::pick);
        QCOMPARE(b->rating, 0);
        QCOMPARE(b->flag, Flag::reject);
        QCOMPARE(w.model->current()->url, second);
        QTest::keyClick(w.window.get(), Qt::Key_J);
        QTest::keyClick(w.window.get(), Qt::Key_Backslash);
        QVERIFY(w.model->view()->showClipping() && w.model->view()->showBefore());

        QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(action(w, QStringLiteral("Paste Settings"))->isEnabled());
        QTest::keyClick(w.window.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.model->selection().size(), std::size_t(2));

        // Export presents the sheet; closing it clears the model's flag.
        QTest::mouseClick(w.window->toolbar()->exportButton(), Qt::LeftButton);
        QVERIFY(w.model->showExport());
        auto* sheet = w.window->findChild<ExportSheet*>();
        QVERIFY(sheet && sheet->isVisible());
        sheet->reject();
        QTRY_VERIFY(!w.model->showExport());

        // Single keys are left to text fields.
        auto* field = new QLineEdit(w.window.get());
        field->show();
        field->setFocus();
        QTest::keyClick(field, Qt::Key_5);
        QCOMPARE(field->text(), QStringLiteral("5"));
        QCOMPARE(Sidecar::read(second)->rating, 0);
    }

    void zoomPanAndDoubleClickFollowTheLabel() {
        Window w;
        QVERIFY(w.openCopy(chart));
        PreviewView& preview = w.preview();
        QCOMPARE(zoomText(w), QStringLiteral("Fit"));
        const QRectF fitted = preview.pictureRect();
        QVERIFY(fitted.width() > 0 && fitted.width() <= preview.width() + 0.5);

        QTest::mouseDClick(&preview, Qt::LeftButton, {}, preview.rect().center());
        QCOMPARE(zoomText(w), QStringLiteral("100%"));
        QVERIFY(w.waitForFrame());
        // 100 %: one photo pixel per device pixel.
        QCOMPARE(preview.pictureRect().width() * preview.devicePixelRatioF(), 2312.0);

        // A drag far to the right stops with the picture's left edge at the view's.
        QTest::mousePress(&preview, Qt::LeftButton, {}, preview.rect().center());
        QTest::mouseMove(&preview, preview.rect().center() + QPoint(5000, 0));
        QTest::mouseRelease(&preview, Qt::LeftButton, {}, preview.rect().center() + QPoint(5000, 0));
        QTRY_COMPARE(preview.pictureRect().left(), 0.0);

        QWheelEvent zoomOut(QPointF(preview.rect().center()), preview.mapToGlobal(QPointF(preview.rect().center())),
                            {}, QPoint(0, -120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&preview, &zoomOut);
        QCOMPARE(zoomText(w), QStringLiteral("80%"));

        QTest::mouseDClick(&preview, Qt::LeftButton, {}, preview.rect().center());
        QCOMPARE(zoomText(w), QStringLiteral("Fit"));
        QTRY_COMPARE(preview.pictureRect(), fitted);
    }

    // An eyedropper click and a crop handle drag are one undo step each.
    void eyedropperClickAndCropHandleDragAreOneStepEach() {
        Window w;
        QVERIFY(w.openCopy(chart));
        w.model->view()->setEyedropper(true);
        QCOMPARE(w.preview().cursor().shape(), Qt::CrossCursor);

        // The chart's light-grey patch, bottom row, second from the left.
        const QRectF r = w.preview().pictureRect();
        QTest::mouseClick(&w.preview(), Qt::LeftButton, {},
                          (r.topLeft() + QPointF(0.25 * r.width(), 0.82 * r.height())).toPoint());
        QVERIFY(QTest::qWaitFor([&] { return w.model->canUndo(); }, 5000));
        const EditSettings& s = w.model->edit()->settings();
        QVERIFY(s.temperature != 0 || s.tint != 0);
        QVERIFY(!w.model->view()->eyedropper());

        // The corner drag keeps the 1:1 lock.
        w.model->mutate("crop-aspect", [](EditSettings& s) { s.crop.aspect = "1:1"; });
        w.model->endEditRun();
        w.model->view()->setCropEditing(true);
        CropOverlay& overlay = *w.window->previewArea()->cropOverlay();
        QVERIFY(overlay.isVisible());

        const auto c = overlay.cropRect();
        const QPoint corner(int(c.x + c.width) - 2, int(c.y + c.height) - 2);
        QTest::mousePress(&overlay, Qt::LeftButton, {}, corner);
        for (int step = 1; step <= 10; ++step) QTest::mouseMove(&overlay, corner - QPoint(30 * step, 10 * step));
        QTest::mouseRelease(&overlay, Qt::LeftButton, {}, corner - QPoint(300, 100));

        const CropSettings& crop = w.model->edit()->settings().crop;
        QVERIFY(crop.w < 1);
        QCOMPARE(qRound(crop.w * 2312), qRound(crop.h * 1720));  // square in pixels
        QCOMPARE(crop.x, 0.0);
        w.model->undo();
        QCOMPARE(w.model->edit()->settings().crop.w, 1.0);
        QCOMPARE(w.model->edit()->settings().crop.aspect, std::string("1:1"));
    }

    // A drop of nothing usable says so; a dropped folder of broken photos
    // opens, names the one it could not open, and the window goes on.
    void dropsOpenFoldersAndBrokenPhotosGiveMessages() {
        test::TempDir dir;
        std::ofstream(dir.path() / "empty.jpg").close();
        test::copyTestFile("bad/truncated_60pct_canon_350d_MG_9380.jpg", dir.path());
        Window w;
        auto drop = [&](const QList<QUrl>& urls) {
            QMimeData mime;
            mime.setUrls(urls);
            const QPoint at = w.window->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(w.window.get(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(w.window.get(), &dropped);
        };
        drop({QUrl::fromLocalFile(QString::fromStdString((dir.path() / "nothing.txt").string()))});
        QCOMPARE(w.model->status(), QStringLiteral("No supported photos found"));
        drop({QUrl::fromLocalFile(QString::fromStdString(dir.path().string()))});
        QVERIFY(QTest::qWaitFor([&] { return w.model->status() == QStringLiteral("Could not open empty.jpg"); },
                                5000));
        QCOMPARE(w.model->photos().size(), std::size_t(2));
        QTest::keyClick(w.window.get(), Qt::Key_Right);
        QVERIFY(QTest::qWaitFor([&] { return !w.model->loading(); }, 10000));
        QTest::keyClick(w.window.get(), Qt::Key_Left);
        QVERIFY(QTest::qWaitFor([&] { return !w.model->loading(); }, 10000));
        QVERIFY(w.window->isVisible());
    }

    void sidebarDragSavesOneStepAndEditBurstsEndOnTheLastFrame() {
        Window w;
        QVERIFY(w.openCopy(chart));
        const auto photo = w.photos.path() / std::filesystem::path(chart).filename();
        auto* exposure = w.window->findChild<AdjSlider*>(QStringLiteral("Exposure"));
        QVERIFY(exposure);
        QSlider* slider = exposure->slider();
        const std::uint64_t before = w.preview().shownFrameId();
        const QPoint start(slider->width() / 2, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, start);
        for (int i = 1; i <= 5; ++i) QTest::mouseMove(slider, start + QPoint(12 * i, 0));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, start + QPoint(60, 0));
        QVERIFY(w.model->edit()->settings().exposure > 0);
        QVERIFY(!Sidecar::read(photo));
        QVERIFY(w.waitForFrame());
        QVERIFY(w.preview().shownFrameId() > before);
        QTRY_VERIFY(Sidecar::read(photo).has_value());
        QCOMPARE(Sidecar::read(photo)->settings.exposure, w.model->edit()->settings().exposure);
        w.model->undo();
        QCOMPARE(w.model->edit()->settings().exposure, 0.0);

        // A burst of edits ends with the frame of the last (how many frames
        // it skips depends on the machine's pace: FrameRendererTest checks
        // that superseded requests are dropped). It starts past the drag's
        // draft window, as after any pause.
        QVERIFY(w.waitForFrame());
        QTest::qWait(300);
        const std::uint64_t requested = w.preview().requestedFrameId();
        for (int i = 1; i <= 50; ++i) {
            w.model->mutate("exposure", [i](EditSettings& s) { s.exposure = -2.0 + i * 0.05; });
            QCoreApplication::processEvents();  // each edit asks for its frame
        }
        QCOMPARE(w.preview().requestedFrameId(), requested + 50);
        QVERIFY(w.waitForFrame());
        const QImage last = w.preview().grab().toImage();

        // The same settings drawn afresh give the same picture.
        w.preview().refresh();
        QVERIFY(w.waitForFrame());
        QCOMPARE(w.preview().grab().toImage(), last);
        w.model->mutate("exposure", [](EditSettings& s) { s.exposure = -2.0; });
        QVERIFY(w.waitForFrame());
        QVERIFY(w.preview().grab().toImage() != last);
    }

    // Closing writes the pending edit; size and recent folders come back at the next start.
    void closingSavesTheEditAndTheWindowForTheNextStart() {
        Window w;
        QVERIFY(w.openCopy(test::smallJpeg, false));
        const auto photo = w.photos.path() / std::filesystem::path(test::smallJpeg).filename();
        w.model->mutate("exposure", [](EditSettings& s) { s.exposure = 0.7; });
        QVERIFY(w.model->savePending());
        w.window->resize(1234, 777);
        w.window->close();
        const auto saved = Sidecar::read(photo);
        QVERIFY(saved);
        QCOMPARE(saved->settings.exposure, 0.7);

        MainWindow next(*w.model);
        QCOMPARE(next.size(), QSize(1234, 777));
        QMenu* recent = nullptr;
        for (QMenu* m : next.menuBar()->findChildren<QMenu*>())
            if (m->title() == QStringLiteral("Open Recent")) recent = m;
        QVERIFY(recent && recent->isEnabled());
        QCOMPARE(recent->actions().size(), 1);
        QVERIFY(recent->actions().front()->text().endsWith(QString::fromStdString(w.photos.path().filename().string())));
    }

    // A whole session over every kind of photo never writes one of them.
    void aWholeSessionLeavesEveryOriginalUntouched() {
        test::TempDir dir, out, home;
        qputenv("XDG_DATA_HOME", QByteArray((home.path() / "data").c_str()));
        qputenv("XDG_CACHE_HOME", QByteArray((home.path() / "cache").c_str()));
        std::map<std::filesystem::path, std::pair<std::string, std::filesystem::file_time_type>> originals;
        for (const char* photo : {test::smallJpeg, test::mediumJpeg, test::smallPng, "heic/iphone_xr_IMG_3578.heic",
                                  "raw/canon_powershot_s40_crop_from_CRW_0117.dng"}) {
            const auto copy = test::copyTestFile(photo, dir.path());
            originals[copy] = {test::readFile(copy), std::filesystem::last_write_time(copy)};
        }
        {
            Window w;
            w.window->openLocations({dir.path()});
            QVERIFY(QTest::qWaitFor([&] { return w.model->currentID().has_value(); }, 5000));
            for (std::size_t i = 0; i < originals.size(); ++i) {
                QVERIFY(w.waitForFrame(30000));
                QTest::keyClick(w.window.get(), static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i % 5)));
                QTest::keyClick(w.window.get(), i % 2 ? Qt::Key_P : Qt::Key_X);
                w.model->mutate("light", [](EditSettings& s) { s.exposure = 0.4; s.contrast = 10; s.blacks = -5; });
                w.model->mutate("color", [](EditSettings& s) { s.temperature = 8; s.vibrance = 12; });
                w.model->mutate("curve", [](EditSettings& s) { s.curves.master = {{0, 0.05}, {0.5, 0.6}, {1, 1}}; });
                w.model->mutate("hsl", [](EditSettings& s) { s.hsl.sat[2] = 20; });
                w.model->mutate("detail", [](EditSettings& s) { s.sharpAmount = 40; s.lumNR = 10; });
                w.model->mutate("optics", [](EditSettings& s) { s.vignette = -15; s.distortion = 3; });
                w.model->mutate("crop", [](EditSettings& s) { s.crop.w = 0.8; s.crop.h = 0.7; s.crop.angle = 2; });
                if (i == 0) {
                    QTest::keyClick(w.window.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
                    w.model->savePreset("Session");
                } else {
                    action(w, QStringLiteral("Paste Settings"))->trigger();
                    w.model->applyPreset(w.model->userPresets().front());
                }
                w.model->undo();
                QTest::keyClick(w.window.get(), Qt::Key_Right);
            }
            QTest::keyClick(w.window.get(), Qt::Key_A, Qt::ControlModifier);
            ExportOptions options;
            options.destination = out.path();
            w.model->exportTargets(options);
            QVERIFY(QTest::qWaitFor([&] { return !w.model->exportProgress()->running(); }, 120000));
            QCOMPARE(w.model->exportProgress()->message(), QStringLiteral("Exported 5 photos"));
            w.window->close();
        }
        for (const auto& [photo, before] : originals) {
            QVERIFY2(test::readFile(photo) == before.first, photo.c_str());
            QVERIFY2(std::filesystem::last_write_time(photo) == before.second, photo.c_str());
            QVERIFY2(Sidecar::read(photo), photo.c_str());
        }
        QVERIFY2(dir.entries().size() == 2 * originals.size(), "only the photos and their sidecars");
    }

};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
