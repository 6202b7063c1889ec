#include "ModelFixture.h"

#include "model/BuiltInPresets.h"
#include "model/Sidecar.h"

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

}  // namespace

class AppModelTransferTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

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

    void aPresetReplacesTheAdjustmentsButKeepsTheCrop() {
        Folder folder;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        model.mutate("test", [](EditSettings& s) {
            s.exposure = 1.5;
            s.crop = someCrop();
        });

        model.applyPreset(builtIn("Black and white"));

        const EditSettings& s = model.edit()->settings();
        QCOMPARE(s.saturation, -100.0);
        QCOMPARE(s.contrast, 20.0);
        QCOMPARE(s.exposure, 0.0);
        QCOMPARE(s.crop, someCrop());
        QCOMPARE(model.status(), QStringLiteral("Applied \u201CBlack and white\u201D"));

        // Neutral takes everything else back to the defaults.
        model.applyPreset(builtIn("Neutral"));
        EditSettings expected;
        expected.crop = someCrop();
        QCOMPARE(model.edit()->settings(), expected);
    }

    void savedPresetsAreTrimmedNeutralAndKeptOnDisk() {
        Folder folder;
        DataHome home;
        std::vector<Preset> saved;
        {
            AppModel model(ModelServices::standard());
            QVERIFY(fs::is_directory(home.presetsFile().parent_path()));
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

            const std::string bytes = readFile(home.presetsFile());
            QCOMPARE(bytes.find('\n'), std::string::npos);  // the one in the name is escaped
            QCOMPARE(decodePresets(bytes), std::optional<std::vector<Preset>>(saved));
        }
        AppModel restarted(ModelServices::standard());
        QCOMPARE(restarted.userPresets(), saved);
    }

};

QTEST_GUILESS_MAIN(AppModelTransferTest)
#include "AppModelTransferTest.moc"
