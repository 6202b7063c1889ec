#include "ModelFixture.h"

#include "model/Sidecar.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

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

}  // namespace

class AppModelOpeningTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    void listsOneFolderInFileBrowserOrderWithItsSidecars() {
        TempDir dir;
        copyTestFileAs(smallJpeg, dir.path(), "IMG_10.JPG");
        const fs::path second = copyTestFileAs(smallJpeg, dir.path(), "IMG_2.jpg");
        Sidecar::write(ratedSidecar(3, Flag::pick, 0.5), second);
        fs::create_directory(dir / "raw");  // not listed: one folder only
        copyTestFileAs(smallJpeg, dir / "raw", "IMG_1.jpg");

        AppModel model(ModelServices::standard());
        QSignalSpy photosSpy(&model, &AppModel::photosChanged);
        QVERIFY(openAndWait(model, {dir.path()}));

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
        QVERIFY(!model.cachedSettings(model.photos().back().id).has_value());
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

    void aFolderWithoutPhotosLeavesTheOpenOneAlone() {
        TempDir dir, other;
        copyTestFileAs(smallJpeg, dir.path(), "a.jpg");
        copyTestFileAs(smallJpeg, dir.path(), "b.jpg");
        writeFile(other / "notes.txt", "x");

        ModelTimings timings;
        timings.status = std::chrono::milliseconds(150);
        AppModel model(ModelServices::standard(), timings);
        QVERIFY(openAndWait(model, {dir.path()}));
        model.select(idOf(model, "b.jpg"), false, false);
        model.select(idOf(model, "a.jpg"), false, true);
        const auto photos = model.photos();
        const auto selection = model.selection();
        const auto folderName = model.folderName();

        model.open({other.path()});

        QCOMPARE(model.status(), QStringLiteral("No supported photos found"));
        QCOMPARE(model.photos(), photos);
        QCOMPARE(model.selection(), selection);
        QCOMPARE(model.currentID(), std::optional<Uuid>(idOf(model, "b.jpg")));
        QCOMPARE(model.folderName(), folderName);
        QTRY_COMPARE_WITH_TIMEOUT(model.status(), QString(), 1000);
    }

    void anUnreadableSidecarLeavesOnlyItsPhotoAtDefaults() {
        TempDir dir;
        const fs::path broken = copyTestFileAs(smallJpeg, dir.path(), "a.jpg");
        const fs::path good = copyTestFileAs(smallJpeg, dir.path(), "b.jpg");
        writeFile(Sidecar::pathFor(broken), "{ not json");
        Sidecar::write(ratedSidecar(4, Flag::reject, 0), good);

        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {dir.path()}));

        QCOMPARE(model.photos()[0].rating, 0);
        QCOMPARE(model.photos()[0].flag, Flag::none);
        QVERIFY(!model.cachedSettings(model.photos()[0].id).has_value());
        QCOMPARE(model.photos()[1].rating, 4);
        QCOMPARE(model.photos()[1].flag, Flag::reject);
        // Reading never touches the file.
        QCOMPARE(readFile(Sidecar::pathFor(broken)), std::string("{ not json"));
    }

    void openingWritesThePendingSaveOfThePreviousPhotoAtOnce() {
        TempDir dir, other;
        const fs::path photo = copyTestFileAs(smallJpeg, dir.path(), "a.jpg");
        copyTestFileAs(smallJpeg, other.path(), "b.jpg");

        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {dir.path()}));
        model.mutate("exposure", [](EditSettings& s) { s.exposure = 1.25; });
        QVERIFY(model.savePending());

        model.open({other.path()});

        QVERIFY(!model.savePending());
        const auto saved = Sidecar::read(photo);
        QVERIFY(saved.has_value());
        QCOMPARE(saved->settings.exposure, 1.25);
        QVERIFY(!model.canUndo());
        QVERIFY(!model.currentID().has_value());
    }

    // Sidecars read for a list that was replaced before they arrived must not
    // pick a current photo or land on the new list.
    void aSecondOpenSupersedesTheFirstOnesSidecars() {
        TempDir first, second;
        Sidecar::write(ratedSidecar(2, Flag::none, 0), copyTestFileAs(smallJpeg, first.path(), "x.jpg"));
        const fs::path y = copyTestFileAs(smallJpeg, second.path(), "y.jpg");
        Sidecar::write(ratedSidecar(5, Flag::none, -1.0), y);

        AppModel model(ModelServices::standard());
        model.open({first.path()});
        QVERIFY(openAndWait(model, {second.path()}));

        QCOMPARE(fileNames(model.photos()), std::vector<std::string>{"y.jpg"});
        QCOMPARE(model.photos()[0].rating, 5);
        QCOMPARE(model.edit()->settings().exposure, -1.0);
    }

    // Before the sidecars are in, the photos' stored edits are unknown: acting
    // on them then would overwrite those edits on disk.
    void photosWaitForTheirSidecarsBeforeTheyCanBeChanged() {
        TempDir dir;
        const fs::path a = copyTestFileAs(smallJpeg, dir.path(), "a.jpg");
        const fs::path b = copyTestFileAs(smallJpeg, dir.path(), "b.jpg");
        Sidecar::write(ratedSidecar(0, Flag::none, 0.7), a);
        Sidecar::write(ratedSidecar(2, Flag::none, 0), b);

        AppModel model(ModelServices::standard());
        model.open({dir.path()});
        model.setSelection({model.photos()[0].id, model.photos()[1].id});
        model.setRating(1);
        model.toggleFlag(Flag::reject);
        model.select(model.photos()[1].id, false, false);
        QVERIFY(!model.currentID().has_value());

        QTRY_VERIFY_WITH_TIMEOUT(model.currentID().has_value(), 5000);
        QCOMPARE(model.currentID(), std::optional<Uuid>(model.photos()[0].id));
        QCOMPARE(model.edit()->settings().exposure, 0.7);
        QCOMPARE(Sidecar::read(a)->settings.exposure, 0.7);
        QCOMPARE(Sidecar::read(a)->flag, Flag::none);
        QCOMPARE(Sidecar::read(b)->rating, 2);
        QCOMPARE(model.photos()[1].rating, 2);
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
};

QTEST_GUILESS_MAIN(AppModelOpeningTest)
#include "AppModelOpeningTest.moc"
