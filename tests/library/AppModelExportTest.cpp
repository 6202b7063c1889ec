#include "ModelFixture.h"

#include "model/Sidecar.h"

#include <QSignalSpy>
#include <QtTest>

using namespace ombrel;
using namespace ombrel::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

bool waitForExport(AppModel& model) {
    return QTest::qWaitFor(
        [&] { return !model.exportProgress()->running() && !model.exportProgress()->message().isEmpty(); }, 20000);
}

ExportOptions optionsInto(const fs::path& folder) {
    ExportOptions options;
    options.destination = folder;
    return options;
}

void selectAll(AppModel& model) {
    PhotoIDs all;
    for (const Photo& photo : model.photos()) all.insert(photo.id);
    model.setSelection(all);
}

// Names in `folder` that are not ours: hidden leftovers of unfinished writes.
int hiddenEntries(const TempDir& folder) {
    int hidden = 0;
    for (const auto& name : folder.entries()) hidden += name.starts_with(".");
    return hidden;
}

}  // namespace

class AppModelExportTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    void nothingToExportDoesNothing() {
        TempDir out;
        AppModel model(ModelServices::standard());
        model.exportTargets(optionsInto(out.path() / "new"));
        QVERIFY(!model.exportProgress()->running());
        QCOMPARE(model.exportProgress()->total(), 0);
        QVERIFY(!fs::exists(out.path() / "new"));
        QCOMPARE(model.status(), QString());

        TempDir photos;
        copyTestFileAs(smallJpeg, photos.path(), "a.jpg");
        QVERIFY(openAndWait(model, {photos.path()}));
        model.exportTargets(ExportOptions{});  // no destination
        QVERIFY(!model.exportProgress()->running());
        QCOMPARE(model.exportProgress()->total(), 0);
    }

    // A name that exists gets the next free number; two photos of one batch
    // that make the same name never meet; what was there stays untouched;
    // photos that fail are counted, named once, and the batch goes on.
    void aBatchNumbersTakenNamesAndGoesOnPastFailures() {
        TempDir photos, out;
        copyTestFileAs(smallJpeg, photos.path(), "IMG_1.jpg");
        copyTestFileAs(smallPng, photos.path(), "IMG_1.png");
        copyTestFileAs(smallJpeg, photos.path(), "IMG_2.jpg");
        writeFile(photos / "b.jpg", "not a photo at all");
        writeFile(photos / "d.jpg", "nor this");
        for (const char* theirs : {"IMG_1.jpg", "IMG_2.jpg", "IMG_2-1.jpg"}) writeFile(out / theirs, "someone else's");

        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {photos.path()}));
        selectAll(model);
        QSignalSpy doneSpy(model.exportProgress(), &ExportProgress::doneChanged);
        model.exportTargets(optionsInto(out.path()));
        QVERIFY(model.exportProgress()->running());
        QCOMPARE(model.exportProgress()->total(), 5);
        QVERIFY(waitForExport(model));

        QCOMPARE(model.exportProgress()->message(), QStringLiteral("Exported 3, 2 failed: Could not decode b.jpg"));
        QCOMPARE(model.status(), model.exportProgress()->message());
        QCOMPARE(model.exportProgress()->done(), 5);
        QCOMPARE(doneSpy.count(), 5);
        QCOMPARE(out.entries(), (std::vector<std::string>{"IMG_1-1.jpg", "IMG_1-2.jpg", "IMG_1.jpg", "IMG_2-1.jpg",
                                                          "IMG_2-2.jpg", "IMG_2.jpg"}));
        for (const char* theirs : {"IMG_1.jpg", "IMG_2.jpg", "IMG_2-1.jpg"})
            QCOMPARE(readFile(out / theirs), std::string("someone else's"));
        QVERIFY(fs::file_size(out / "IMG_1-1.jpg") > 100);
    }

    // Numbered in filmstrip order whatever the order of selection; the
    // pending save is written first; the folder is made on the way.
    void batchesFollowTheFilmstripAndSaveFirst() {
        TempDir photos, out;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) copyTestFileAs(smallJpeg, photos.path(), name);
        ModelTimings slowSave;
        slowSave.save = 60s;
        AppModel model(ModelServices::standard(), slowSave);
        QVERIFY(openAndWait(model, {photos.path()}));
        model.select(idOf(model, "c.jpg"), false, false);
        model.select(idOf(model, "a.jpg"), false, true);
        model.mutate("test", [](EditSettings& s) { s.exposure = 0.5; });
        QVERIFY(model.savePending());

        ExportOptions options = optionsInto(out.path() / "deep" / "er");
        options.nameTemplate = "{n}-{name}";
        options.format = ExportFormat::png;
        model.exportTargets(options);
        QVERIFY(!model.savePending());
        QCOMPARE(Sidecar::read(photos.path() / "c.jpg")->settings.exposure, 0.5);
        QVERIFY(waitForExport(model));

        QCOMPARE(model.exportProgress()->message(), QStringLiteral("Exported 2 photos"));
        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(out.path() / "deep" / "er"))
            written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        QCOMPARE(written, (std::vector<std::string>{"001-a.png", "002-c.png"}));
    }

    // Quitting mid-batch waits for the photo being written and no longer.
    void aModelGoingAwayStopsTheBatch() {
        TempDir photos, out;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) copyTestFileAs(largeJpeg, photos.path(), name);
        {
            AppModel model(ModelServices::standard());
            QVERIFY(openAndWait(model, {photos.path()}));
            selectAll(model);
            model.exportTargets(optionsInto(out.path()));
        }
        QVERIFY(out.entries().size() < 4);
        QCOMPARE(hiddenEntries(out), 0);
    }
};

QTEST_GUILESS_MAIN(AppModelExportTest)
#include "AppModelExportTest.moc"
