#include "ModelFixture.h"

#include "model/BuiltInPresets.h"
#include "model/Sidecar.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

using namespace ombrel;
using namespace ombrel::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Four small photos, a to d, in one folder.
struct Folder : PhotoFolder {
    Folder() : PhotoFolder(smallPng, {"a.png", "b.png", "c.png", "d.png"}) {}
    const fs::path &a = files[0], &b = files[1], &c = files[2], &d = files[3];
};

ModelTimings quickSave() {
    ModelTimings timings;
    timings.save = 30ms;
    return timings;
}

void setExposure(AppModel& model, double value) {
    model.binding(EditField::scalar(EditField::Scalar::exposure)).setValue(value);
}

CropSettings someCrop() {
    CropSettings crop;
    crop.x = 0.1;
    crop.w = 0.5;
    crop.quarterTurns = 1;
    crop.aspect = "1:1";
    return crop;
}

const Preset& builtIn(const std::string& name) {
    const auto& all = BuiltInPresets::all();
    return *std::find_if(all.begin(), all.end(), [&](const Preset& p) { return p.name == name; });
}

// A scoped $XDG_DATA_HOME, so a model reads and writes its presets there.
class DataHome {
public:
    DataHome() : old_(qgetenv("XDG_DATA_HOME")) { qputenv("XDG_DATA_HOME", QByteArray(dir_.path().c_str())); }
    ~DataHome() { qputenv("XDG_DATA_HOME", old_); }
    fs::path presetsFile() const { return dir_.path() / "Ombrel" / "presets.json"; }

private:
    TempDir dir_;
    QByteArray old_;
};

const QString pickedMessage = QStringLiteral("White balance set from the picked point");

// Every photo decodes to the same 200 x 100 picture: neutral grey on the
// left, a warm cast on the right. The files themselves are real photos.
ModelServices twoToneServices() {
    ModelServices services = ModelServices::standard();
    services.load = [](const fs::path&, std::optional<double>, const RawOptions&, std::optional<PixelSize>,
                       const ModelServices::QuickLookSink&) -> std::optional<LoadedImage> {
        const float grey[] = {0.3f, 0.3f, 0.3f, 1}, warm[] = {0.6f, 0.5f, 0.3f, 1};
        auto image = std::make_shared<Image>(200, 100);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) std::copy_n(x >= 100 ? warm : grey, 4, image->pixel(x, y));
        return LoadedImage{image, {200, 100}, 1.0, std::nullopt};
    };
    return services;
}

bool pickAndWait(AppModel& model, double nx, double ny) {
    model.flash({});
    model.pickWhiteBalance(nx, ny);
    return QTest::qWaitFor([&] { return model.status() == pickedMessage; }, 5000);
}

}  // namespace

// Edits, undo and saving; copy, paste, sync and presets; the white-balance pick.
class AppModelEditingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    // A drag with short pauses is one undo step; a long pause, another
    // photo or an undo starts the next one.
    void editsGroupIntoUndoSteps() {
        Folder folder;
        ManualClock clock;
        AppModel model(ModelServices::standard(), {}, clock.clock());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
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

        // Straight after an undo even the same slider starts a new step.
        clock.advance(2s);
        QSignalSpy redoSpy(&model, &AppModel::canRedoChanged);
        setExposure(model, 0.9);
        model.undo();
        QVERIFY(model.canRedo());
        setExposure(model, 0.7);
        QVERIFY(!model.canRedo());
        QCOMPARE(redoSpy.count(), 2);
        QCOMPARE(steps(), 4);
        model.undo();
        QCOMPARE(model.edit()->settings().exposure, 0.6);
    }

    // Without a current photo, or with values it already has, an edit records,
    // saves and redraws nothing.
    void editsThatChangeNothingDoNothing() {
        Folder folder;
        AppModel model(ModelServices::standard());
        setExposure(model, 1.0);
        QCOMPARE(model.edit()->settings(), EditSettings{});
        model.undo();
        model.redo();
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        QSignalSpy tickSpy(model.view(), &ViewState::tickChanged);

        setExposure(model, 0.0);
        model.reset(Section::detail);

        QVERIFY(!model.canUndo() && !model.canRedo());
        QVERIFY(!model.savePending());
        QCOMPARE(tickSpy.count(), 0);
    }

    void eachSectionResetLeavesTheLaterSectionsAlone() {
        Folder folder;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
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
        const std::vector<bool> fromDetailOn{false, false, false, true, true, true, true};
        QCOMPARE(stillEdited(model.edit()->settings()), fromDetailOn);
        QCOMPARE(model.edit()->settings().colorNR, 20.0);
    }

    void returningToDefaultsDeletesTheSidecarAfterTheSaveDelay() {
        Folder folder;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        const fs::path sidecar = Sidecar::pathFor(folder.a);

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

    // Targets a (current, changed), b (changed), c (already equal): two undo
    // steps, b written at once, c's file untouched, the message counts three.
    void pasteRecordsOnlyWhatChangedAndCountsEveryTarget() {
        Folder folder;
        Sidecar matching;
        matching.settings.exposure = 1.0;
        matching.rating = 2;
        Sidecar::write(matching, folder.c);
        const std::string cBefore = readFile(Sidecar::pathFor(folder.c));

        AppModel model(ModelServices::standard(), quickSave());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        model.mutate("test-crop", [](EditSettings& s) {
            s.crop = someCrop();
            s.raw.lumNR = 40;
            s.raw.appleBoost = false;
        });
        setExposure(model, 1.0);
        QVERIFY(!model.hasCopied());
        QSignalSpy copiedSpy(&model, &AppModel::hasCopiedChanged);
        model.copySettings();
        QCOMPARE(model.status(), QStringLiteral("Settings copied"));
        QVERIFY(model.hasCopied());
        QCOMPARE(copiedSpy.count(), 1);

        model.mutate("test-exposure", [](EditSettings& s) { s.exposure = 2.0; });
        model.select(idOf(model, "c.png"), true, false);
        QCOMPARE(model.targetIDs().size(), std::size_t{3});
        const std::size_t stepsBefore = model.history().undoCount();

        model.pasteSettings();

        QCOMPARE(model.status(), QStringLiteral("Pasted settings to 3 photos"));
        QCOMPARE(model.history().undoCount(), stepsBefore + 2);
        QVERIFY(!model.canRedo());

        // b: the adjustments, but its own (default) crop and no RAW options.
        const auto b = Sidecar::read(folder.b);
        QVERIFY(b.has_value());
        QCOMPARE(b->settings.exposure, 1.0);
        QCOMPARE(b->settings.crop, CropSettings{});
        QCOMPARE(b->settings.raw, RawOptions{});
        QCOMPARE(readFile(Sidecar::pathFor(folder.c)), cBefore);
        QVERIFY(!fs::exists(Sidecar::pathFor(folder.d)));

        // a keeps its crop and RAW options, is saved by the timer and is not re-decoded.
        QCOMPARE(model.edit()->settings().exposure, 1.0);
        QCOMPARE(model.edit()->settings().crop, someCrop());
        QCOMPARE(model.edit()->settings().raw.lumNR, std::optional<double>(40));
        QVERIFY(model.savePending());
        QTRY_VERIFY_WITH_TIMEOUT(!model.savePending(), 2000);
        QCOMPARE(Sidecar::read(folder.a)->settings.exposure, 1.0);

        // Each photo is its own step, the last one first.
        model.undo();
        QCOMPARE(model.currentID(), std::optional<Uuid>(idOf(model, "b.png")));
        QCOMPARE(model.edit()->settings().exposure, 0.0);
        model.undo();
        QCOMPARE(model.currentID(), std::optional<Uuid>(idOf(model, "a.png")));
        QCOMPARE(model.edit()->settings().exposure, 2.0);
        // Redo walks forward the same way, back to b.
        model.redo();
        model.redo();
        QCOMPARE(model.currentID(), std::optional<Uuid>(idOf(model, "b.png")));
        QCOMPARE(model.edit()->settings().exposure, 1.0);
        QVERIFY(!model.canRedo());
    }

    void syncLeavesTheCurrentPhotoAloneAndMessagesCount() {
        Folder folder;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        model.pasteSettings();  // nothing copied yet: nothing happens at all
        QCOMPARE(model.status(), QString());
        QVERIFY(!model.canUndo());
        model.mutate("test", [](EditSettings& s) {
            s.contrast = 30;
            s.crop = someCrop();
        });
        const EditSettings current = model.edit()->settings();
        model.syncSettings();
        QCOMPARE(model.status(), QStringLiteral("Select more photos to sync"));
        model.select(idOf(model, "b.png"), false, true);
        model.select(idOf(model, "d.png"), false, true);
        const std::size_t stepsBefore = model.history().undoCount();

        model.syncSettings();

        QCOMPARE(model.status(), QStringLiteral("Synced settings to 2 photos"));
        QCOMPARE(model.history().undoCount(), stepsBefore + 2);
        QCOMPARE(model.edit()->settings(), current);
        for (const fs::path& photo : {folder.b, folder.d}) {
            const auto sidecar = Sidecar::read(photo);
            QVERIFY(sidecar.has_value());
            QCOMPARE(sidecar->settings.contrast, 30.0);
            QCOMPARE(sidecar->settings.crop, CropSettings{});
        }
        QVERIFY(!fs::exists(Sidecar::pathFor(folder.c)));
        model.copySettings();
        // Neither undo step belongs to the current photo: both go elsewhere.
        model.undo();
        QCOMPARE(model.currentID(), std::optional<Uuid>(idOf(model, "d.png")));

        model.select(idOf(model, "c.png"), false, false);
        model.pasteSettings();
        QCOMPARE(model.status(), QStringLiteral("Pasted settings to 1 photo"));
        QCOMPARE(model.edit()->settings().contrast, 30.0);
    }

    // A preset, Neutral as much as any other, replaces every adjustment but keeps the crop.
    void aPresetReplacesTheAdjustmentsButKeepsTheCrop() {
        Folder folder;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        model.mutate("test", [](EditSettings& s) {
            s.exposure = 1.5;
            s.crop = someCrop();
        });

        for (const char* name : {"Black and white", "Neutral"}) {
            model.applyPreset(builtIn(name));
            EditSettings expected = builtIn(name).settings;
            expected.crop = someCrop();
            QCOMPARE(model.edit()->settings(), expected);
        }
        QCOMPARE(model.status(), QStringLiteral("Applied \u201CNeutral\u201D"));
    }

    void savedPresetsAreTrimmedNeutralAndKeptOnDisk() {
        Folder folder;
        DataHome home;
        std::vector<Preset> saved;
        {
            AppModel model(ModelServices::standard());
            QVERIFY(model.userPresets().empty());
            QVERIFY(openAndWait(model, {folder.dir.path()}));
            model.mutate("test", [](EditSettings& s) {
                s.vibrance = 25;
                s.crop = someCrop();
                s.raw.moire = 30;
            });

            QSignalSpy presetsSpy(&model, &AppModel::userPresetsChanged);
            model.savePreset("  Portrait  ");
            QCOMPARE(model.status(), QStringLiteral("Saved preset \u201CPortrait\u201D"));
            model.savePreset(" \t ");
            QCOMPARE(model.status(), QStringLiteral("Saved preset \u201CPortrait\u201D"));
            model.savePreset("\tPortrait");
            model.savePreset(" Two\nlines\t");
            QCOMPARE(presetsSpy.count(), 3);

            const auto& presets = model.userPresets();
            QCOMPARE(presets.size(), std::size_t{3});
            QCOMPARE(presets[0].name, std::string("Portrait"));
            QCOMPARE(presets[1].name, std::string("Portrait"));
            QCOMPARE(presets[2].name, std::string("Two\nlines"));
            QVERIFY(presets[0].id != presets[1].id);
            QCOMPARE(presets[0].settings.vibrance, 25.0);
            QCOMPARE(presets[0].settings.crop, CropSettings{});
            QCOMPARE(presets[0].settings.raw, RawOptions{});

            // Deleting goes by id: the namesake stays.
            const Preset doomed = presets[0];
            model.deletePreset(doomed);
            QCOMPARE(model.userPresets().size(), std::size_t{2});
            QCOMPARE(model.userPresets()[0].name, std::string("Portrait"));
            QVERIFY(model.userPresets()[0].id != doomed.id);
            saved = model.userPresets();
        }
        AppModel restarted(ModelServices::standard());
        QCOMPARE(restarted.userPresets(), saved);
    }

    // The sample comes from the frame as displayed (cropped to the right half,
    // the left quarter of the frame is the warm side); the photo's own colour
    // settings must not sway the pick, and undo takes it back in one step.
    // Without a preview, or outside the picture, a click does nothing.
    void thePickSamplesTheCroppedFrameIgnoresTheEditAndUndoesInOneStep() {
        Folder folder;
        AppModel model(twoToneServices());
        model.view()->setEyedropper(true);
        model.pickWhiteBalance(0.5, 0.5);  // nothing open, no preview
        QVERIFY(model.view()->eyedropper());
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
        model.pickWhiteBalance(1.2, 0.5);
        QVERIFY(model.view()->eyedropper());
        QTest::qWait(100);
        QCOMPARE(model.status(), QString());
        QCOMPARE(model.history().undoCount(), steps);

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
};

QTEST_GUILESS_MAIN(AppModelEditingTest)
#include "AppModelEditingTest.moc"
