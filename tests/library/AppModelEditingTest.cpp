#include "ModelFixture.h"

#include "model/Sidecar.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace ombrel;
using namespace ombrel::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

struct TwoPhotos : PhotoFolder {
    TwoPhotos() : PhotoFolder(smallPng, {"a.png", "b.png"}) {}
};

void setExposure(AppModel& model, double value) { model.binding(EditField::scalar(EditField::Scalar::exposure)).setValue(value); }

}  // namespace

class AppModelEditingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    // A drag with short pauses is one undo step; a long pause, another
    // photo, a key of its own or an undo starts the next one.
    void editsGroupIntoUndoSteps() {
        TwoPhotos photos;
        ManualClock clock;
        AppModel model(ModelServices::standard(), {}, clock.clock());
        QVERIFY(openAndWait(model, {photos.dir.path()}));
        const auto steps = [&] { return static_cast<int>(model.history().undoCount()); };

        // Five seconds of movement, never more than 0.9 s between two moves.
        for (int i = 1; i <= 10; ++i) {
            setExposure(model, i * 0.1);
            clock.advance(500ms);
        }
        QCOMPARE(steps(), 1);
        clock.advance(700ms);
        setExposure(model, 0.4);
        QCOMPARE(steps(), 2);

        // Same key, well inside the window, but on another photo.
        clock.advance(100ms);
        model.select(idOf(model, "b.png"), false, false);
        clock.advance(100ms);
        setExposure(model, 0.4);
        setExposure(model, 0.6);
        QCOMPARE(steps(), 3);

        for (int i = 0; i < 2; ++i) {
            model.mutate("rot-l-" + Uuid::generate().toString(), [](EditSettings& s) { s.crop.quarterTurns -= 1; });
            clock.advance(50ms);
        }
        QCOMPARE(steps(), 5);
        for (int i = 0; i < 2; ++i) {
            model.mutate("aspect-swap", [](EditSettings& s) { s.crop.aspectSwapped = !s.crop.aspectSwapped; });
            clock.advance(50ms);
        }
        QCOMPARE(steps(), 6);

        // Straight after an undo even the same slider starts a new step.
        QSignalSpy redoSpy(&model, &AppModel::canRedoChanged);
        setExposure(model, 0.9);
        model.undo();
        QVERIFY(model.canRedo());
        setExposure(model, 0.7);
        QVERIFY(!model.canRedo());
        QCOMPARE(redoSpy.count(), 2);
        QCOMPARE(steps(), 7);
        model.undo();
        QCOMPARE(model.edit()->settings().exposure, 0.6);
    }

    void anEditThatChangesNothingRecordsAndSavesNothing() {
        TwoPhotos photos;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {photos.dir.path()}));
        QSignalSpy tickSpy(model.view(), &ViewState::tickChanged);

        setExposure(model, 0.0);
        model.reset(Section::detail);

        QVERIFY(!model.canUndo());
        QVERIFY(!model.savePending());
        QCOMPARE(tickSpy.count(), 0);
    }

    void undoingAnotherPhotosEditGoesBackToIt() {
        TwoPhotos photos;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {photos.dir.path()}));
        const Uuid a = idOf(model, "a.png");
        setExposure(model, 0.5);
        setExposure(model, 0.8);  // same run
        model.select(idOf(model, "b.png"), false, false);

        model.undo();

        QCOMPARE(model.currentID(), std::optional<Uuid>(a));
        QCOMPARE(model.edit()->settings().exposure, 0.0);
        QCOMPARE(model.cachedSettings(a)->exposure, 0.0);

        model.redo();
        QCOMPARE(model.edit()->settings().exposure, 0.8);
        QVERIFY(model.canUndo());
        QVERIFY(!model.canRedo());
    }

    void eachSectionResetLeavesTheLaterSectionsAlone() {
        TwoPhotos photos;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {photos.dir.path()}));
        EditSettings edited;
        edited.tint = 5;
        edited.curves.master = {{0, 0.1}, {1, 1}};
        edited.hsl.sat[2] = 30;
        edited.sharpAmount = 50;
        edited.sharpRadius = 2;
        edited.lumNR = 10;
        edited.colorNR = 20;
        edited.distortion = -20;
        edited.crop.aspect = "1:1";
        edited.raw.appleBoost = false;
        model.mutate("setup", [&](EditSettings& s) { s = edited; });

        // In section order: whether any field of each section is still edited.
        const auto stillEdited = [&](const EditSettings& s) {
            const bool detail = s.sharpAmount != 0 || s.sharpRadius != 1 || s.lumNR != 0 || s.colorNR != 0;
            return std::vector<bool>{s.tint != 0, s.curves != CurveSet{},    !s.hsl.isNeutral(),    detail,
                                     s.distortion != 0, s.crop != CropSettings{}, s.raw != RawOptions{}};
        };
        const auto sections = sectionTexts.cases();
        for (std::size_t i = 0; i < sections.size(); ++i) {
            model.reset(sections[i]);
            const auto edits = stillEdited(model.edit()->settings());
            for (std::size_t j = 0; j < sections.size(); ++j) QCOMPARE(edits[j], j > i);
        }
        QCOMPARE(model.edit()->settings(), EditSettings{});
        QCOMPARE(model.history().undoCount(), std::size_t{8});  // each reset is one step
        for (int i = 0; i < 4; ++i) model.undo();  // back to before the detail reset
        QCOMPARE(stillEdited(model.edit()->settings()), (std::vector<bool>{false, false, false, true, true, true, true}));
        QCOMPARE(model.edit()->settings().colorNR, 20.0);
    }

    void returningToDefaultsDeletesTheSidecarAfterTheSaveDelay() {
        TwoPhotos photos;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {photos.dir.path()}));
        const fs::path sidecar = Sidecar::pathFor(photos.files[0]);

        setExposure(model, 0.3);
        QVERIFY(!fs::exists(sidecar));
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(sidecar), 2000);

        setExposure(model, 0.0);
        QElapsedTimer sinceEdit;
        sinceEdit.start();
        QVERIFY(fs::exists(sidecar));
        QTRY_VERIFY_WITH_TIMEOUT(!fs::exists(sidecar), 2000);
        const auto saveDelay = model.timings().save.count();
        QVERIFY2(sinceEdit.elapsed() >= saveDelay - 10, qPrintable(QString::number(sinceEdit.elapsed())));
    }

    void withoutACurrentPhotoEditsDoNothing() {
        AppModel model(ModelServices::standard());
        setExposure(model, 1.0);
        QCOMPARE(model.edit()->settings(), EditSettings{});
        QVERIFY(!model.canUndo());
        model.undo();
        model.redo();
        QVERIFY(!model.canRedo());
    }
};

QTEST_GUILESS_MAIN(AppModelEditingTest)
#include "AppModelEditingTest.moc"
