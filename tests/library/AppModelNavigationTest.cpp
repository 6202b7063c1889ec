#include "ModelFixture.h"

#include "model/Sidecar.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <vector>

using namespace ombrel;
using namespace ombrel::test;
namespace fs = std::filesystem;

namespace {

Sidecar ratedSidecar(int rating, Flag flag, double exposure) {
    Sidecar sidecar;
    sidecar.rating = rating;
    sidecar.flag = flag;
    sidecar.settings.exposure = exposure;
    return sidecar;
}

// Five photos p1...p5 with the given ratings written to their sidecars.
struct Strip : PhotoFolder {
    explicit Strip(const std::vector<int>& ratings = {0, 0, 0, 0, 0})
        : PhotoFolder(smallPng, {"p1.png", "p2.png", "p3.png", "p4.png", "p5.png"}) {
        for (std::size_t i = 0; i < files.size(); ++i) Sidecar::write({.settings = {}, .rating = ratings[i]}, files[i]);
    }
};

// The standard services, counting preview decodes.
ModelServices countingLoads(std::shared_ptr<std::atomic<int>> count) {
    ModelServices services = ModelServices::standard();
    services.load = [load = services.load, count](const fs::path& file, std::optional<double> maxSide,
                                                  const RawOptions& raw, std::optional<PixelSize> known,
                                                  const ModelServices::QuickLookSink& sink) {
        ++*count;
        return load(file, maxSide, raw, known, sink);
    };
    return services;
}

PhotoIDs ids(const AppModel& model, std::initializer_list<const char*> names) {
    PhotoIDs out;
    for (const char* name : names) out.insert(idOf(model, name));
    return out;
}

}  // namespace

// Opening folders and files, then moving, selecting, rating and flagging in them.
class AppModelNavigationTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    // An unreadable sidecar leaves only its own photo at defaults, and stays
    // as it was. Sidecars read for a list that was replaced before they
    // arrived must not pick a current photo or land on the new list. Until
    // the sidecars are in, the photos' stored edits are unknown: acting on
    // them then would overwrite those edits on disk, so nothing may.
    void listsOneFolderInFileBrowserOrderWithItsSidecars() {
        TempDir earlier, dir;
        Sidecar::write(ratedSidecar(2, Flag::reject, -1.0), copyTestFileAs(smallJpeg, earlier.path(), "x.jpg"));
        const fs::path broken = copyTestFileAs(smallJpeg, dir.path(), "IMG_10.JPG");
        const fs::path second = copyTestFileAs(smallJpeg, dir.path(), "IMG_2.jpg");
        Sidecar::write(ratedSidecar(3, Flag::pick, 0.5), second);
        writeFile(Sidecar::pathFor(broken), "{ not json");

        AppModel model(ModelServices::standard());
        model.open({earlier.path()});
        QSignalSpy photosSpy(&model, &AppModel::photosChanged);
        model.open({dir.path()});
        model.setSelection({model.photos()[0].id, model.photos()[1].id});
        model.setRating(1);
        model.toggleFlag(Flag::reject);
        model.select(model.photos()[1].id, false, false);
        QVERIFY(!model.currentID().has_value());
        QTRY_VERIFY_WITH_TIMEOUT(model.currentID().has_value(), 5000);

        QCOMPARE(fileNames(model.photos()), (std::vector<std::string>{"IMG_2.jpg", "IMG_10.JPG"}));
        QCOMPARE(model.folderName(), QString::fromStdString(dir.path().filename().string()));
        QVERIFY(photosSpy.count() >= 2);  // the list, then the ratings from the sidecars

        // The first photo became current with what its sidecar holds.
        const Photo first = model.photos().front();
        QCOMPARE(model.currentID(), std::optional<Uuid>(first.id));
        QCOMPARE(first.rating, 3);
        QCOMPARE(first.flag, Flag::pick);
        QCOMPARE(model.edit()->settings().exposure, 0.5);
        QCOMPARE(model.selection(), PhotoIDs{first.id});
        QCOMPARE(model.photos().back().rating, 0);
        QCOMPARE(model.photos().back().flag, Flag::none);
        QVERIFY(!model.cachedSettings(model.photos().back().id).has_value());
        QCOMPARE(readFile(Sidecar::pathFor(broken)), std::string("{ not json"));
        QVERIFY(*Sidecar::read(second) == ratedSidecar(3, Flag::pick, 0.5));
    }

    void filesNameTheirFolderAndAreNotDeduplicated() {
        TempDir dir;
        fs::create_directory(dir / "b");
        const fs::path photo = copyTestFileAs(smallJpeg, dir / "b", "one.jpg");
        const fs::path text = dir / "b" / "readme.txt";
        writeFile(text, "x");

        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {photo, text, dir / "missing.jpg", photo}));

        QCOMPARE(model.photos().size(), std::size_t{2});
        QCOMPARE(model.photos()[0].url, photo);
        QCOMPARE(model.photos()[1].url, photo);
        QVERIFY(model.photos()[0].id != model.photos()[1].id);
        QCOMPARE(model.folderName(), QStringLiteral("b"));
    }

    // A folder without photos leaves the open one alone; another folder
    // writes the pending save of the previous photo at once.
    void openingAnotherFolder() {
        PhotoFolder folder(smallJpeg, {"a.jpg", "b.jpg"});
        TempDir empty, other;
        writeFile(empty / "notes.txt", "x");
        copyTestFileAs(smallJpeg, other.path(), "c.jpg");
        ModelTimings timings;
        timings.status = std::chrono::milliseconds(150);
        timings.save = std::chrono::seconds(60);  // pending until something writes it
        AppModel model(ModelServices::standard(), timings);
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        model.select(idOf(model, "b.jpg"), false, false);
        model.select(idOf(model, "a.jpg"), false, true);
        model.mutate("exposure", [](EditSettings& s) { s.exposure = 1.25; });
        const auto photos = model.photos();
        const auto selection = model.selection();
        const auto folderName = model.folderName();

        model.open({empty.path()});
        QCOMPARE(model.status(), QStringLiteral("No supported photos found"));
        QCOMPARE(model.photos(), photos);
        QCOMPARE(model.selection(), selection);
        QCOMPARE(model.currentID(), std::optional<Uuid>(idOf(model, "b.jpg")));
        QCOMPARE(model.folderName(), folderName);
        QTRY_COMPARE_WITH_TIMEOUT(model.status(), QString(), 1000);

        QVERIFY(model.savePending());
        model.open({other.path()});
        QVERIFY(!model.savePending());
        QCOMPARE(Sidecar::read(folder.files[1])->settings.exposure, 1.25);
        QVERIFY(!model.canUndo());
        QVERIFY(!model.currentID().has_value());
    }

    void aNewerMessageGetsItsOwnFullTime() {
        ModelTimings timings;
        timings.status = std::chrono::milliseconds(300);
        AppModel model(ModelServices::standard(), timings);

        model.flash(QStringLiteral("first"));
        QTest::qWait(100);
        model.flash(QStringLiteral("second"));
        QElapsedTimer sinceSecond;
        sinceSecond.start();
        QCOMPARE(model.status(), QStringLiteral("second"));

        QTRY_COMPARE_WITH_TIMEOUT(model.status(), QString(), 2000);
        // Cleared by the second message's own countdown, not the first one's.
        QVERIFY2(sinceSecond.elapsed() >= 290, qPrintable(QString::number(sinceSecond.elapsed())));
    }

    // A rating filter hides p3: steps skip it and stop at the ends; shift-clicks
    // select visible ranges only and keep the current photo.
    void theVisibleListBoundsStepsAndShiftClicks() {
        Strip strip({1, 1, 0, 1, 1});
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {strip.dir.path()}));
        model.setMinRating(1);
        const auto current = [&] { return model.current()->url.filename().string(); };
        model.step(-1);
        QCOMPARE(current(), std::string("p1.png"));
        model.step(1);
        model.step(1);
        QCOMPARE(current(), std::string("p4.png"));
        model.step(1);
        model.step(1);  // no wrapping
        QCOMPARE(current(), std::string("p5.png"));

        model.select(idOf(model, "p2.png"), false, false);
        model.select(idOf(model, "p5.png"), true, false);
        QCOMPARE(model.selection(), ids(model, {"p2.png", "p4.png", "p5.png"}));
        QCOMPARE(current(), std::string("p2.png"));
        model.select(idOf(model, "p1.png"), true, false);  // backwards
        QCOMPARE(model.selection(), ids(model, {"p1.png", "p2.png"}));
        // A hidden end is not in the visible list: the click falls through to an ordinary switch.
        model.select(idOf(model, "p3.png"), true, false);
        QCOMPARE(model.selection(), ids(model, {"p3.png"}));
        QCOMPARE(current(), std::string("p3.png"));
    }

    // Ctrl-clicks toggle, a plain click on the current photo collapses the
    // selection: neither switches, reloads or redraws.
    void clicksThatKeepTheCurrentPhotoNeverReload() {
        Strip strip;
        auto loads = std::make_shared<std::atomic<int>>(0);
        AppModel model(countingLoads(loads));
        QVERIFY(openAndWait(model, {strip.dir.path()}));
        QVERIFY(waitForLoad(model));
        const int loadsBefore = *loads;
        const int tick = model.view()->tick();
        const Uuid current = *model.currentID();
        QSignalSpy currentSpy(&model, &AppModel::currentIDChanged);

        model.select(idOf(model, "p3.png"), false, true);
        QCOMPARE(model.selection(), ids(model, {"p1.png", "p3.png"}));
        model.select(idOf(model, "p3.png"), false, true);
        QCOMPARE(model.selection(), ids(model, {"p1.png"}));
        // The current photo stays selected and current.
        model.select(current, false, true);
        QCOMPARE(model.selection(), PhotoIDs{current});

        model.select(idOf(model, "p4.png"), true, false);
        QCOMPARE(model.selection().size(), std::size_t{4});
        model.select(current, false, false);
        QCOMPARE(model.selection(), PhotoIDs{current});

        QCOMPARE(currentSpy.count(), 0);
        QCOMPARE(model.view()->tick(), tick);
        QVERIFY(!model.loading());
        QCOMPARE(loads->load(), loadsBefore);
    }

    void switchingSavesAtOnceAndResetsTheView() {
        Strip strip;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {strip.dir.path()}));
        model.mutate("exposure", [](EditSettings& s) { s.exposure = 0.75; });
        model.view()->setZoom(3);
        model.view()->setPan({12, -4});
        model.view()->setZoomLabel(QStringLiteral("300%"));
        model.view()->setCropEditing(true);
        model.view()->setEyedropper(true);
        QVERIFY(model.savePending());

        model.select(idOf(model, "p2.png"), false, false);

        QVERIFY(!model.savePending());
        QCOMPARE(Sidecar::read(strip.files[0])->settings.exposure, 0.75);
        QCOMPARE(model.edit()->settings(), EditSettings{});
        QCOMPARE(model.view()->zoom(), 1.0);
        QCOMPARE(model.view()->pan(), QSizeF(0, 0));
        QCOMPARE(model.view()->zoomLabel(), QStringLiteral("Fit"));
        QVERIFY(!model.view()->cropEditing());
        QVERIFY(!model.view()->eyedropper());

        // Coming back shows the edit again, from the settings cache.
        model.select(idOf(model, "p1.png"), false, false);
        QCOMPARE(model.edit()->settings().exposure, 0.75);
    }

    void theCurrentRejectStaysVisibleUnderPicksUntilTheSwitch() {
        Strip strip;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {strip.dir.path()}));
        model.select(idOf(model, "p5.png"), true, false);
        model.toggleFlag(Flag::pick);  // all five picked
        model.select(idOf(model, "p2.png"), false, false);
        model.setFlagFilter(FlagFilter::picks);

        model.toggleFlag(Flag::reject);
        QCOMPARE(model.visiblePhotos().size(), std::size_t{5});

        model.step(1);
        QCOMPARE(fileNames(model.visiblePhotos()), (std::vector<std::string>{"p1.png", "p3.png", "p4.png", "p5.png"}));
        QCOMPARE(Sidecar::read(strip.files[1])->flag, Flag::reject);
    }

    // A rating goes to every target at once, sidecars included, even to
    // selected photos a filter hides; the others keep theirs.
    void ratingWritesEveryTargetsSidecarEvenWhenHidden() {
        Strip strip({0, 3, 0, 3, 0});
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {strip.dir.path()}));
        model.select(idOf(model, "p3.png"), true, false);
        model.setMinRating(2);  // hides p3; p1 stays, being current
        QCOMPARE(fileNames(model.visiblePhotos()), (std::vector<std::string>{"p1.png", "p2.png", "p4.png"}));
        QCOMPARE(model.targetIDs().size(), std::size_t{3});

        model.setRating(1);

        for (std::size_t i = 0; i < 3; ++i) {
            QCOMPARE(model.photos()[i].rating, 1);
            QCOMPARE(Sidecar::read(strip.files[i])->rating, 1);
        }
        QCOMPARE(Sidecar::read(strip.files[3])->rating, 3);
        QVERIFY(!fs::exists(Sidecar::pathFor(strip.files[4])));
    }

    void flagTogglingMakesAMixedSetUniformThenClearsIt() {
        Strip strip;
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {strip.dir.path()}));
        model.toggleFlag(Flag::reject);  // p1 rejected
        model.select(idOf(model, "p2.png"), false, false);
        model.toggleFlag(Flag::pick);  // p2 picked
        model.select(idOf(model, "p1.png"), false, true);
        QCOMPARE(model.targetIDs(), (std::vector<Uuid>{idOf(model, "p1.png"), idOf(model, "p2.png")}));

        model.toggleFlag(Flag::pick);
        QCOMPARE(model.photos()[0].flag, Flag::pick);
        QCOMPARE(model.photos()[1].flag, Flag::pick);

        model.toggleFlag(Flag::pick);
        QCOMPARE(model.photos()[0].flag, Flag::none);
        QCOMPARE(model.photos()[1].flag, Flag::none);
        // Back to nothing worth keeping: the sidecars are gone.
        QVERIFY(!fs::exists(Sidecar::pathFor(strip.files[0])));
        QVERIFY(!fs::exists(Sidecar::pathFor(strip.files[1])));
    }

};

QTEST_GUILESS_MAIN(AppModelNavigationTest)
#include "AppModelNavigationTest.moc"
