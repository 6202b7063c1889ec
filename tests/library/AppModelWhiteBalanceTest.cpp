#include "ModelFixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace ombrel;
using namespace ombrel::test;
namespace fs = std::filesystem;

namespace {

const QString pickedMessage = QStringLiteral("White balance set from the picked point");

// Every photo decodes to the same 200 x 100 picture: neutral grey on the
// left, a warm cast on the right. The files themselves are real photos.
ModelServices twoToneServices() {
    ModelServices services = ModelServices::standard();
    services.load = [](const fs::path&, std::optional<double>, const RawOptions&,
                       std::optional<PixelSize>) -> std::optional<LoadedImage> {
        auto image = std::make_shared<Image>(200, 100);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                float* p = image->pixel(x, y);
                const bool right = x >= 100;
                p[0] = right ? 0.6f : 0.3f;
                p[1] = right ? 0.5f : 0.3f;
                p[2] = right ? 0.3f : 0.3f;
                p[3] = 1;
            }
        return LoadedImage{image, {200, 100}, 1.0, std::nullopt};
    };
    return services;
}

struct Folder : PhotoFolder {
    Folder() : PhotoFolder(smallPng, {"a.png", "b.png"}) {}
};

bool pickAndWait(AppModel& model, double nx, double ny) {
    model.flash({});
    model.pickWhiteBalance(nx, ny);
    return QTest::qWaitFor([&] { return model.status() == pickedMessage; }, 5000);
}

}  // namespace

class AppModelWhiteBalanceTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    // The sample comes from the frame as displayed (cropped to the right half,
    // the left quarter of the frame is the warm side); the photo's own colour
    // settings must not sway the pick, and undo takes it back in one step.
    void thePickSamplesTheCroppedFrameIgnoresTheEditAndUndoesInOneStep() {
        Folder folder;
        AppModel model(twoToneServices());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        QVERIFY(waitForLoad(model));
        const whitebalance::Setting expected = AppModel::solveWB(0.6f, 0.5f, 0.3f);
        QVERIFY(expected.temperature < -1);  // a warm cast is cooled

        model.mutate("test", [](EditSettings& s) {
            s.temperature = 40;
            s.tint = -20;
            s.exposure = 1.5;
            s.saturation = -60;
            s.vibrance = 30;
            s.crop.x = 0.5;
            s.crop.w = 0.5;
        });
        const std::size_t steps = model.history().undoCount();
        model.view()->setEyedropper(true);
        model.flash({});
        model.pickWhiteBalance(0.25, 0.5);
        QVERIFY(!model.view()->eyedropper());  // off at once, before the answer
        QTRY_COMPARE_WITH_TIMEOUT(model.status(), pickedMessage, 5000);
        QCOMPARE(model.edit()->settings().temperature, expected.temperature);
        QCOMPARE(model.edit()->settings().tint, expected.tint);
        QCOMPARE(model.edit()->settings().exposure, 1.5);
        QCOMPARE(model.history().undoCount(), steps + 1);

        // A second pick right away is a step of its own, never merged.
        model.mutate("test", [](EditSettings& s) { s.temperature = 10; });
        QVERIFY(pickAndWait(model, 0.25, 0.5));
        QCOMPARE(model.history().undoCount(), steps + 3);
        model.undo();
        QCOMPARE(model.edit()->settings().temperature, 10.0);
        model.undo();
        model.undo();
        QCOMPARE(model.edit()->settings().temperature, 40.0);
        QCOMPARE(model.edit()->settings().tint, -20.0);
    }

    void clicksOutsideTheImageOrWithoutAPreviewDoNothing() {
        Folder folder;
        AppModel model(twoToneServices());
        model.view()->setEyedropper(true);
        model.pickWhiteBalance(0.5, 0.5);  // nothing open, no preview
        QVERIFY(model.view()->eyedropper());

        QVERIFY(openAndWait(model, {folder.dir.path()}));
        QVERIFY(waitForLoad(model));
        model.view()->setEyedropper(true);
        model.pickWhiteBalance(1.2, 0.5);
        model.pickWhiteBalance(0.5, -0.2);
        QVERIFY(model.view()->eyedropper());
        QTest::qWait(100);
        QCOMPARE(model.status(), QString());
        QVERIFY(!model.canUndo());
    }

};

QTEST_GUILESS_MAIN(AppModelWhiteBalanceTest)
#include "AppModelWhiteBalanceTest.moc"
