#include "ModelFixture.h"
#include "Slowdown.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

using namespace ombrel;
using namespace ombrel::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The standard services, watched: every decode and histogram is recorded,
// and full-size decodes can be held back until the test lets them finish,
// in the order they started.
class Recorder {
public:
    struct Decode {
        fs::path file;
        bool full = false;
        RawOptions raw;
        std::optional<PixelSize> knownFullSize;
    };

    explicit Recorder(bool holdFullDecodes = false) : holdFull_(holdFullDecodes) {}

    // Runs `f` under the lock and returns its result.
    template <typename F>
    auto locked(F f) const {
        std::lock_guard lock(mutex_);
        return f();
    }

    ModelServices services() {
        ModelServices services = ModelServices::standard();
        services.load = [this, load = services.load](const fs::path& file, std::optional<double> maxSide,
                                                     const RawOptions& raw, std::optional<PixelSize> known,
                                                     const ModelServices::QuickLookSink& sink) {
            const bool full = !maxSide;
            std::unique_lock lock(mutex_);
            const int earlierFulls = count(true);
            decodes_.push_back({file, full, raw, known});
            if (full && holdFull_) turn_.wait(lock, [&] { return allowedFull_ > earlierFulls; });
            lock.unlock();
            auto image = load(file, maxSide, raw, known, sink);
            lock.lock();
            finishedFull_ += full;
            return image;
        };
        services.histogram = [this, measure = services.histogram](const LoadedImage& proxy,
                                                                  const EditSettings& settings) {
            locked([&] { histogramExposures_.push_back(settings.exposure); });
            return measure(proxy, settings);
        };
        return services;
    }

    // Lets the next `count` held full-size decodes run.
    void allowFull(int count = 1) {
        locked([&] { allowedFull_ += count; });
        turn_.notify_all();
    }
    void releaseAll() { allowFull(1 << 20); }

    std::vector<Decode> decodes() const { return locked([&] { return decodes_; }); }
    int previews() const { return locked([&] { return count(false); }); }
    int fulls() const { return locked([&] { return count(true); }); }
    int finishedFulls() const { return locked([&] { return finishedFull_; }); }
    std::vector<double> histogramExposures() const { return locked([&] { return histogramExposures_; }); }

private:
    // The caller holds the mutex.
    int count(bool full) const {
        const auto matches = [&](const Decode& d) { return d.full == full; };
        return static_cast<int>(std::count_if(decodes_.begin(), decodes_.end(), matches));
    }

    const bool holdFull_;
    mutable std::mutex mutex_;
    std::condition_variable turn_;
    std::vector<Decode> decodes_;
    int allowedFull_ = 0;
    int finishedFull_ = 0;
    std::vector<double> histogramExposures_;
};

// Copies of test photos opened in a model over the recorder's services. Held
// decodes are let go before the model goes, so a failing test never leaves its
// destructor waiting on one.
struct Loaded {
    PhotoFolder folder;
    Recorder recorder;
    AppModel model;

    explicit Loaded(std::initializer_list<std::pair<const char*, const char*>> photos, bool holdFull = false,
                    ModelTimings timings = {})
        : folder(photos), recorder(holdFull), model(recorder.services(), timings) {}
    ~Loaded() { recorder.releaseAll(); }

    // Opens the folder and, with `load`, waits for the first photo's preview.
    bool open(bool load = true) { return openAndWait(model, {folder.dir.path()}) && (!load || waitForLoad(model)); }
};

RawOptions lumNR(double amount) {
    RawOptions raw;
    raw.lumNR = amount;
    return raw;
}

void setRawLuminanceNR(AppModel& model, double amount) {
    model.mutate("rawlum", [amount](EditSettings& s) { s.raw.lumNR = amount; });
}

}  // namespace

class AppModelLoadingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { OMBREL_QSKIP_WITHOUT_TESTDATA(); }

    // A switch decodes a proxy and reads the metadata; after quick switches
    // only the last photo is shown.
    void aSwitchDecodesAProxyAndQuickSwitchesShowOnlyTheLast() {
        Loaded f({{largeJpeg, "a.jpg"}, {mediumJpeg, "b.jpg"}, {smallPng, "c.png"}});
        QSignalSpy tickSpy(f.model.view(), &ViewState::tickChanged);
        QVERIFY(f.open(false));
        QVERIFY(f.model.loading() && !f.model.proxy());
        QVERIFY(waitForLoad(f.model));

        QVERIFY(f.model.proxy().has_value());
        const LoadedImage& proxy = *f.model.proxy();
        QCOMPARE(proxy.fullSize, (PixelSize{4160, 2768}));
        QVERIFY(proxy.scale < AppModel::fullDecodeBelowScale);
        QCOMPARE(std::max(proxy.image->width(), proxy.image->height()), 2800);
        QCOMPARE(f.recorder.previews(), 1);
        QVERIFY(tickSpy.count() >= 2);  // the switch and the arrival
        QTRY_VERIFY_WITH_TIMEOUT(!f.model.edit()->exif().empty(), 5000);
        QCOMPARE(f.model.edit()->exif(), ModelServices::standard().readMetadata(f.folder.files[0]));
        QVERIFY(f.model.status().isEmpty());

        QSignalSpy loadingSpy(&f.model, &AppModel::loadingChanged);
        f.model.select(idOf(f.model, "b.jpg"), false, false);
        f.model.select(idOf(f.model, "c.png"), false, false);
        QVERIFY(waitForLoad(f.model));
        QCOMPARE(f.recorder.previews(), 3);
        QCOMPARE(f.model.proxy()->fullSize, (PixelSize{32, 32}));
        QCOMPARE(loadingSpy.count(), 2);  // true at the first switch, false once at the very end
        // The earlier decode finishes and is dropped; nothing changes after that.
        QTRY_COMPARE_WITH_TIMEOUT(f.model.edit()->exif(), ModelServices::standard().readMetadata(f.folder.files[2]),
                                  5000);
        QTest::qWait(300);
        QCOMPARE(f.model.proxy()->fullSize, (PixelSize{32, 32}));
        QVERIFY(!f.model.loading());
    }

    // A full decode of the old RAW options, whether it was running when they
    // changed or asked for before the re-decode came back, is never shown
    // over the new proxy; the next request decodes with the new options,
    // once however often it is asked for, and its picture arrives.
    void aFullImageOfOldRawOptionsIsDropped_data() {
        QTest::addColumn<bool>("askedBeforeTheChange");
        QTest::newRow("running at the change") << true;
        QTest::newRow("asked before the re-decode") << false;
    }
    void aFullImageOfOldRawOptionsIsDropped() {
        QFETCH(bool, askedBeforeTheChange);
        Loaded f({{largeJpeg, "a.jpg"}}, true);
        QVERIFY(f.open());

        if (askedBeforeTheChange) f.model.requestFull();
        setRawLuminanceNR(f.model, 0.4);
        if (!askedBeforeTheChange) f.model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(f.recorder.fulls(), 1, 2000);
        QCOMPARE(f.recorder.decodes().back().raw, RawOptions{});
        QTRY_COMPARE_WITH_TIMEOUT(f.model.loadedRaw(), lumNR(0.4), 5000);
        QVERIFY(waitForLoad(f.model));

        f.recorder.allowFull();
        QTRY_COMPARE_WITH_TIMEOUT(f.recorder.finishedFulls(), 1, 10000);
        QTest::qWait(50);  // let its result reach the model
        QVERIFY(!f.model.full());

        f.model.requestFull();
        f.model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(f.recorder.fulls(), 2, 2000);
        QCOMPARE(f.recorder.decodes().back().raw, lumNR(0.4));
        QCOMPARE(f.recorder.decodes().back().knownFullSize, std::optional(f.model.proxy()->fullSize));
        const int tick = f.model.view()->tick();
        f.recorder.allowFull();
        QTRY_VERIFY_WITH_TIMEOUT(f.model.full().has_value(), 10000);
        QCOMPARE(f.model.full()->scale, 1.0);
        QCOMPARE(f.model.full()->image->width(), 4160);
        QCOMPARE(f.model.view()->tick(), tick + 1);
        f.model.requestFull();  // already there
        QTest::qWait(50);
        QCOMPARE(f.recorder.fulls(), 2);
    }

    void rawChangesRedecodeOnceAfterTheyStopKeepingThePicture() {
        Loaded f({{mediumJpeg, "a.jpg"}});
        QVERIFY(f.open());
        const auto reload = f.model.timings().reload;
        // A proxy at full size never asks for more.
        QCOMPARE(f.model.proxy()->scale, 1.0);
        f.model.requestFull();

        for (int i = 1; i <= 6; ++i) {
            setRawLuminanceNR(f.model, i / 10.0);
            QTest::qWait(50);
        }
        QElapsedTimer sinceLast;
        sinceLast.start();
        QCOMPARE(f.recorder.previews(), 1);
        QVERIFY(f.model.proxy().has_value());  // still on screen

        QTRY_COMPARE_WITH_TIMEOUT(f.recorder.previews(), 2, 2000);
        QVERIFY2(sinceLast.elapsed() >= reload.count() - 60, qPrintable(QString::number(sinceLast.elapsed())));
        QVERIFY(f.model.proxy().has_value());
        QVERIFY(waitForLoad(f.model));
        QCOMPARE(f.model.loadedRaw(), lumNR(0.6));
        QCOMPARE(f.model.history().undoCount(), std::size_t{1});

        // Other settings never re-decode.
        f.model.mutate("exposure", [](EditSettings& s) { s.exposure = 1; });
        QTest::qWait(static_cast<int>(reload.count()) + 150);
        QCOMPARE(f.recorder.previews(), 2);
        QCOMPARE(f.recorder.fulls(), 0);
        QVERIFY(!f.model.full());
    }

    void theHistogramFollowsTheLastChange() {
        ModelTimings timings;
        timings.histogram = 200ms;  // well above the pauses between the edits below
        Loaded f({{mediumJpeg, "a.jpg"}}, false, timings);
        QSignalSpy histogramSpy(f.model.histogram(), &HistogramModel::dataChanged);
        QVERIFY(f.open());
        QTRY_COMPARE_WITH_TIMEOUT(f.recorder.histogramExposures().size(), std::size_t{1}, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(f.model.histogram()->data().l.size(), std::size_t{Histogram::bins}, 2000);

        for (int i = 1; i <= 5; ++i) {
            f.model.binding(EditField::scalar(EditField::Scalar::exposure)).setValue(i * 0.5);
            QTest::qWait(10);
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.recorder.histogramExposures().size(), std::size_t{2}, 2000);
        QCOMPARE(f.recorder.histogramExposures().back(), 2.5);
        QTRY_VERIFY_WITH_TIMEOUT(histogramSpy.count() >= 2, 2000);
        QTest::qWait(static_cast<int>(timings.histogram.count()) * 2);
        QCOMPARE(f.recorder.histogramExposures().size(), std::size_t{2});
    }

    void aJpegAfterARawFileKeepsTheRawDefaults() {
        Loaded f({{"raw/canon_powershot_s40_crop_from_CRW_0117.dng", "a.dng"}, {smallJpeg, "b.jpg"}});
        QVERIFY(f.open());
        QVERIFY2(f.model.proxy() && f.model.proxy()->rawDefaults, "the RAW decoder did not decode the DNG");
        const RawOptions defaults = f.model.edit()->rawDefaults();
        QCOMPARE(defaults, *f.model.proxy()->rawDefaults);

        f.model.step(1);
        QVERIFY(waitForLoad(f.model));
        QVERIFY(f.model.proxy() && !f.model.proxy()->rawDefaults);
        QCOMPARE(f.model.edit()->rawDefaults(), defaults);
    }

    // Stepping at a reading pace: the next photo is decoded ahead and the one
    // left is kept, so both directions show their proxy at once, decoded once.
    void stepsShowPhotosDecodedAheadOrKept() {
        Loaded f({{mediumJpeg, "a.jpg"}, {mediumJpeg, "b.jpg"}, {mediumJpeg, "c.jpg"}, {mediumJpeg, "d.jpg"}});
        QVERIFY(f.open());
        QTest::qWait(200);
        QCOMPARE(f.recorder.previews(), 1);  // an open gives no direction: nothing ahead

        f.model.step(1);
        QVERIFY(waitForLoad(f.model));
        QTRY_COMPARE(f.recorder.previews(), 3);  // b, then c ahead
        // The decode ahead runs at idle priority: a busy machine holds it back.
        QTRY_COMPARE_WITH_TIMEOUT(f.model.keptProxyCount(), std::size_t(2), 20000 * test::slowdown);  // a kept, c ahead

        f.model.step(1);
        QVERIFY(f.model.proxy() && !f.model.loading());  // c at once
        f.model.step(-1);
        QVERIFY(f.model.proxy() && !f.model.loading());  // b at once
        QTRY_VERIFY(f.model.keptProxyCount() <= AppModel::keptProxyLimit);
        std::set<fs::path> decoded;
        for (const auto& d : f.recorder.decodes()) decoded.insert(d.file);
        QCOMPARE(decoded.size(), f.recorder.decodes().size());

        // A new folder drops what was kept.
        QVERIFY(openAndWait(f.model, {f.folder.files[3]}));
        QCOMPARE(f.model.keptProxyCount(), std::size_t(0));
    }

    void aPhotoDeletedWhileShownFailsItsFullDecodeOnce() {
        Loaded f({{largeJpeg, "large.jpg"}});
        QVERIFY(f.open());
        fs::remove(f.folder.files[0]);
        f.model.requestFull();
        QTRY_COMPARE(f.model.status(), QStringLiteral("Could not open large.jpg"));
        for (int i = 0; i < 3; ++i) f.model.requestFull();  // every zoomed frame asks
        QTest::qWait(100);
        QCOMPARE(f.recorder.fulls(), 1);
        QVERIFY(f.model.proxy().has_value());  // the picture stays on screen
    }

    void aQuickLookIsShownUntilTheProxyArrives() {
        PhotoFolder folder({{largeJpeg, "a.jpg"}});
        ModelServices services = ModelServices::standard();
        std::atomic<int> looks = 0;
        services.load = [&looks, load = services.load](const fs::path& file, std::optional<double> maxSide,
                                                       const RawOptions& raw, std::optional<PixelSize> known,
                                                       const ModelServices::QuickLookSink& sink) {
            return load(file, maxSide, raw, known, [&](Bitmap8 look) {
                ++looks;
                sink(std::move(look));
                std::this_thread::sleep_for(400ms);  // a slow proxy after the look
            });
        };
        AppModel model(services);
        QVERIFY(openAndWait(model, {folder.dir.path()}));
        QTRY_VERIFY(model.quickLook() != nullptr);
        QVERIFY(model.loading());
        QCOMPARE(model.quickLook()->width(), 640);  // the proxy's own 4160 x 2768 decode, fitted
        QVERIFY(waitForLoad(model));
        QVERIFY(model.quickLook() == nullptr);
        QCOMPARE(looks.load(), 1);  // handed over by the proxy's decode, not a second one
    }
};

QTEST_GUILESS_MAIN(AppModelLoadingTest)
#include "AppModelLoadingTest.moc"
