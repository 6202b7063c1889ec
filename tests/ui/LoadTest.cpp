// A large folder in the real window: it opens, its filmstrip scrolls end to
// end and the arrow keys step far while thumbnails load, in bounded memory;
// photos that change under the open folder give messages, not crashes.
#include "WindowFixture.h"

#include "ui/Filmstrip.h"

#include <QListView>
#include <QScrollBar>

#include <cstdio>
#include <sys/resource.h>

using namespace ombrel;
using test::Window;
namespace fs = std::filesystem;

namespace {

// 500 in the normal run; `make stress` asks for 5,000.
int photoCount() {
    const QByteArray env = qgetenv("OMBREL_LOAD_PHOTOS");
    return env.isEmpty() ? 500 : env.toInt();
}

long peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

std::string numbered(int i, const char* ext) {
    char name[32];
    std::snprintf(name, sizeof name, "%05d.%s", i, ext);
    return name;
}

}  // namespace

class LoadTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        OMBREL_QSKIP_WITHOUT_TESTDATA();
        qputenv("XDG_CACHE_HOME", QByteArray((home.path() / "cache").c_str()));
    }

    void aLargeFolderOpensScrollsAndStepsInBoundedMemory() {
        const int n = photoCount();
        test::TempDir dir;
        const fs::path jpeg = test::copyTestFileAs(test::smallJpeg, dir.path(), numbered(0, "jpg"));
        const fs::path raw = test::copyTestFileAs("raw/canon_powershot_s40_crop_from_CRW_0117.dng", dir.path(),
                                                  numbered(1, "dng"));
        // Every 25th photo a RAW, as hard links: many files, little disk.
        for (int i = 2; i < n; ++i) {
            if (i % 25 == 1) fs::create_hard_link(raw, dir / numbered(i, "dng"));
            else fs::copy_file(jpeg, dir / numbered(i, "jpg"));
        }

        Window w;
        w.window->openLocations({dir.path()});
        QVERIFY(QTest::qWaitFor([&] { return w.model->photos().size() == std::size_t(n); }, 60000));
        QVERIFY(w.waitForFrame(30000));

        QScrollBar* bar = w.window->filmstrip()->strip()->horizontalScrollBar();
        QVERIFY(QTest::qWaitFor([&] { return bar->maximum() > 0; }, 5000));
        for (int v = 0; v < bar->maximum(); v += bar->pageStep()) {
            bar->setValue(v);
            QTest::qWait(1);
        }
        bar->setValue(bar->maximum());
        QVERIFY(QTest::qWaitFor([&] { return w.window->filmstrip()->thumbnailsInViewShown(); }, 30000));

        const int steps = n / 5;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(w.window.get(), Qt::Key_Right);
            QTest::qWait(1);
        }
        QVERIFY(w.waitForFrame(30000));
        QCOMPARE(w.model->current()->url, w.model->visiblePhotos()[std::size_t(steps)].url);
        const long peak = peakRssMiB();
        std::printf("load: %d photos, %d steps, peak RSS %ld MiB\n", n, steps, peak);
        QVERIFY2(peak <= 1024, qPrintable(QString::number(peak)));
    }

    void photosChangingUnderTheOpenFolderGiveMessages() {
        test::TempDir dir;
        for (const char* name : {"a.jpg", "deleted.jpg", "renamed.jpg", "replaced.jpg", "truncated.jpg"})
            test::copyTestFileAs(test::smallJpeg, dir.path(), name);
        Window w;
        w.window->openLocations({dir.path()});
        QVERIFY(w.waitForFrame(30000));

        fs::remove(dir / "deleted.jpg");
        fs::rename(dir / "renamed.jpg", dir / "elsewhere.jpg");
        fs::copy_file(test::testDataDir().value() / test::mediumJpeg, dir / "replaced.jpg",
                      fs::copy_options::overwrite_existing);
        fs::resize_file(dir / "truncated.jpg", 100);
        const std::vector<std::pair<const char*, QString>> cases{
            {"deleted.jpg", QStringLiteral("Could not open deleted.jpg")},
            {"renamed.jpg", QStringLiteral("Could not open renamed.jpg")},
            {"truncated.jpg", QStringLiteral("Could not open truncated.jpg")},
            {"replaced.jpg", QString()},
        };
        for (const auto& [name, message] : cases) {
            w.model->select(test::idOf(*w.model, name), false, false);
            QVERIFY(QTest::qWaitFor([&] { return !w.model->loading(); }, 15000));
            if (message.isEmpty()) {
                QVERIFY2(w.waitForFrame(), name);
                QCOMPARE(w.model->proxy()->fullSize.width, 1800.0);  // the new picture
            } else {
                QCOMPARE(w.model->status(), message);
            }
        }
    }

private:
    test::TempDir home;
};

QTEST_MAIN(LoadTest)
#include "LoadTest.moc"
