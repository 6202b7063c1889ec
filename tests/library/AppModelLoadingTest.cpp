#include "ModelFixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

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

    ModelServices services() {
        ModelServices services = ModelServices::standard();
        services.load = [this, load = services.load](const fs::path& file, std::optional<double> maxSide,
                                                     const RawOptions& raw, std::optional<PixelSize> known) {
            const bool full = !maxSide;
            const std::size_t index = note(Decode{file, full, raw, known});
            if (full) waitForTurn(index);
            auto image = load(file, maxSide, raw, known);
            finished(full);
            return image;
        };
        services.histogram = [this, measure = services.histogram](const LoadedImage& proxy,
                                                                  const EditSettings& settings) {
            {
                std::lock_guard lock(mutex_);
                histogramExposures_.push_back(settings.exposure);
            }
            return measure(proxy, settings);
        };
        return services;
    }

    // Lets the next `count` held full-size decodes run.
    void allowFull(int count = 1) {
        std::lock_guard lock(mutex_);
        allowedFull_ += count;
        turn_.notify_all();
    }
    void releaseAll() { allowFull(1 << 20); }

    std::vector<Decode> decodes() const {
        std::lock_guard lock(mutex_);
        return decodes_;
    }
    int previews() const { return count(false); }
    int fulls() const { return count(true); }
    int finishedFulls() const {
        std::lock_guard lock(mutex_);
        return finishedFull_;
    }
    std::vector<double> histogramExposures() const {
        std::lock_guard lock(mutex_);
        return histogramExposures_;
    }

private:
    // Returns how many full-size decodes started before this one.
    std::size_t note(Decode decode) {
        std::lock_guard lock(mutex_);
        const auto earlierFulls = std::count_if(decodes_.begin(), decodes_.end(), [](const Decode& d) { return d.full; });
        decodes_.push_back(std::move(decode));
        return static_cast<std::size_t>(earlierFulls);
    }
    void waitForTurn(std::size_t fullIndex) {
        if (!holdFull_) return;
        std::unique_lock lock(mutex_);
        turn_.wait(lock, [&] { return static_cast<std::size_t>(allowedFull_) > fullIndex; });
    }
    void finished(bool full) {
        std::lock_guard lock(mutex_);
        if (full) ++finishedFull_;
    }
    int count(bool full) const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(decodes_.begin(), decodes_.end(),
                                              [&](const Decode& d) { return d.full == full; }));
    }

    const bool holdFull_;
    mutable std::mutex mutex_;
    std::condition_variable turn_;
    std::vector<Decode> decodes_;
    int allowedFull_ = 0;
    int finishedFull_ = 0;
    std::vector<double> histogramExposures_;
};

// Declared after the model, so a failing test never leaves the model's
// destructor waiting on a held decode.
struct ReleaseOnExit {
    Recorder& recorder;
    ~ReleaseOnExit() { recorder.releaseAll(); }
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

    void aSwitchDecodesAProxyAndItsMetadata() {
        TempDir dir;
        const fs::path photo = copyTestFileAs(largeJpeg, dir.path(), "large.jpg");
        Recorder recorder;
        AppModel model(recorder.services());
        QSignalSpy tickSpy(model.view(), &ViewState::tickChanged);
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(model.loading());
        QVERIFY(!model.proxy());
        QVERIFY(waitForLoad(model));

        QVERIFY(model.proxy().has_value());
        const LoadedImage& proxy = *model.proxy();
        QCOMPARE(proxy.fullSize, (PixelSize{4160, 2768}));
        QVERIFY(proxy.scale < AppModel::fullDecodeBelowScale);
        QCOMPARE(std::max(proxy.image->width(), proxy.image->height()), 2800);
        QCOMPARE(recorder.previews(), 1);
        QVERIFY(tickSpy.count() >= 2);  // the switch and the arrival
        QTRY_VERIFY_WITH_TIMEOUT(!model.edit()->exif().empty(), 5000);
        QCOMPARE(model.edit()->exif(), ModelServices::standard().readMetadata(photo));
        QVERIFY(model.status().isEmpty());
    }

    void quickSwitchesShowOnlyTheLastPhoto() {
        TempDir dir;
        copyTestFileAs(mediumJpeg, dir.path(), "a.jpg");
        copyTestFileAs(largeJpeg, dir.path(), "b.jpg");
        const fs::path c = copyTestFileAs(smallPng, dir.path(), "c.png");
        Recorder recorder;
        AppModel model(recorder.services());
        QVERIFY(openAndWait(model, {dir.path()}));
        QSignalSpy loadingSpy(&model, &AppModel::loadingChanged);

        model.select(idOf(model, "b.jpg"), false, false);
        model.select(idOf(model, "c.png"), false, false);
        QVERIFY(waitForLoad(model));

        QCOMPARE(recorder.previews(), 3);
        QCOMPARE(model.proxy()->fullSize, (PixelSize{32, 32}));
        QCOMPARE(loadingSpy.count(), 1);  // it went false once, at the very end
        // The earlier decodes finish and are dropped; nothing changes after that.
        QTRY_COMPARE_WITH_TIMEOUT(model.edit()->exif(), ModelServices::standard().readMetadata(c), 5000);
        QTest::qWait(300);
        QCOMPARE(model.proxy()->fullSize, (PixelSize{32, 32}));
        QVERIFY(!model.loading());
    }

    void aProxyAtFullSizeNeverAsksForMore() {
        TempDir dir;
        copyTestFileAs(mediumJpeg, dir.path(), "a.jpg");
        Recorder recorder;
        AppModel model(recorder.services());
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        QCOMPARE(model.proxy()->scale, 1.0);

        model.requestFull();
        QTest::qWait(50);
        QCOMPARE(recorder.fulls(), 0);
        QVERIFY(!model.full());
    }

    void aFullDecodeIsStartedOnceAndArrives() {
        TempDir dir;
        copyTestFileAs(largeJpeg, dir.path(), "a.jpg");
        Recorder recorder(true);
        AppModel model(recorder.services());
        ReleaseOnExit release{recorder};
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        const int tick = model.view()->tick();

        model.requestFull();
        model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.fulls(), 1, 2000);
        QCOMPARE(recorder.decodes().back().knownFullSize, std::optional<PixelSize>(model.proxy()->fullSize));
        recorder.allowFull();

        QTRY_VERIFY_WITH_TIMEOUT(model.full().has_value(), 10000);
        QCOMPARE(model.full()->scale, 1.0);
        QCOMPARE(model.full()->image->width(), 4160);
        QCOMPARE(model.view()->tick(), tick + 1);
        model.requestFull();  // already there
        QTest::qWait(50);
        QCOMPARE(recorder.fulls(), 1);
    }

    // The full decode was already running when the RAW options changed: it is
    // superseded, and the preview asks again after the re-decode.
    void aLateFullImageIsDroppedAfterARawChange() {
        TempDir dir;
        copyTestFileAs(largeJpeg, dir.path(), "a.jpg");
        Recorder recorder(true);
        AppModel model(recorder.services());
        ReleaseOnExit release{recorder};
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));

        model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.fulls(), 1, 2000);
        setRawLuminanceNR(model, 0.4);
        QTRY_COMPARE_WITH_TIMEOUT(model.loadedRaw(), lumNR(0.4), 5000);
        QVERIFY(waitForLoad(model));

        recorder.allowFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.finishedFulls(), 1, 10000);
        QTest::qWait(50);  // let its result reach the model
        QVERIFY(!model.full());

        model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.fulls(), 2, 2000);
        QCOMPARE(recorder.decodes().back().raw, lumNR(0.4));
        recorder.allowFull();
        QTRY_VERIFY_WITH_TIMEOUT(model.full().has_value(), 10000);
    }

    // Asked for between the change and the re-decode, the full image is
    // decoded with the old options; it must not be shown over the new proxy.
    void aFullImageOfOldOptionsIsDroppedAfterTheRedecode() {
        TempDir dir;
        copyTestFileAs(largeJpeg, dir.path(), "a.jpg");
        Recorder recorder(true);
        AppModel model(recorder.services());
        ReleaseOnExit release{recorder};
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));

        setRawLuminanceNR(model, 0.4);
        model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.fulls(), 1, 2000);
        QCOMPARE(recorder.decodes().back().raw, RawOptions{});
        QTRY_COMPARE_WITH_TIMEOUT(model.loadedRaw(), lumNR(0.4), 5000);

        recorder.allowFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.finishedFulls(), 1, 10000);
        QTest::qWait(50);
        QVERIFY(!model.full());

        model.requestFull();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.fulls(), 2, 2000);
        QCOMPARE(recorder.decodes().back().raw, lumNR(0.4));
    }

    void rawChangesRedecodeOnceAfterTheyStopKeepingThePicture() {
        TempDir dir;
        copyTestFileAs(mediumJpeg, dir.path(), "a.jpg");
        Recorder recorder;
        AppModel model(recorder.services());
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        const auto reload = model.timings().reload;

        for (int i = 1; i <= 6; ++i) {
            setRawLuminanceNR(model, i / 10.0);
            QTest::qWait(50);
        }
        QElapsedTimer sinceLast;
        sinceLast.start();
        QCOMPARE(recorder.previews(), 1);
        QVERIFY(model.proxy().has_value());  // still on screen

        QTRY_COMPARE_WITH_TIMEOUT(recorder.previews(), 2, 2000);
        QVERIFY2(sinceLast.elapsed() >= reload.count() - 60, qPrintable(QString::number(sinceLast.elapsed())));
        QVERIFY(model.proxy().has_value());
        QVERIFY(waitForLoad(model));
        QCOMPARE(model.loadedRaw(), lumNR(0.6));
        QCOMPARE(model.history().undoCount(), std::size_t{1});

        // Other settings never re-decode.
        model.mutate("exposure", [](EditSettings& s) { s.exposure = 1; });
        QTest::qWait(static_cast<int>(reload.count()) + 150);
        QCOMPARE(recorder.previews(), 2);
    }

    void theHistogramFollowsTheLastChange() {
        TempDir dir;
        copyTestFileAs(mediumJpeg, dir.path(), "a.jpg");
        Recorder recorder;
        ModelTimings timings;
        timings.histogram = 200ms;  // well above the pauses between the edits below
        AppModel model(recorder.services(), timings);
        QSignalSpy histogramSpy(model.histogram(), &HistogramModel::dataChanged);
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.histogramExposures().size(), std::size_t{1}, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!model.histogram()->data().l.empty(), 2000);
        QCOMPARE(model.histogram()->data().l.size(), std::size_t{Histogram::bins});

        for (int i = 1; i <= 5; ++i) {
            model.binding(EditField::scalar(EditField::Scalar::exposure)).setValue(i * 0.5);
            QTest::qWait(10);
        }
        QTRY_COMPARE_WITH_TIMEOUT(recorder.histogramExposures().size(), std::size_t{2}, 2000);
        QCOMPARE(recorder.histogramExposures().back(), 2.5);
        QTRY_VERIFY_WITH_TIMEOUT(histogramSpy.count() >= 2, 2000);
        QTest::qWait(static_cast<int>(model.timings().histogram.count()) * 3);
        QCOMPARE(recorder.histogramExposures().size(), std::size_t{2});
    }

    void aJpegAfterARawFileKeepsTheRawDefaults() {
        TempDir dir;
        copyTestFileAs("raw/canon_powershot_s40_crop_from_CRW_0117.dng", dir.path(), "a.dng");
        copyTestFileAs(smallJpeg, dir.path(), "b.jpg");
        AppModel model(ModelServices::standard());
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        QVERIFY2(model.proxy().has_value(), "the RAW decoder did not decode the DNG");
        QVERIFY(model.proxy()->rawDefaults.has_value());
        const RawOptions defaults = model.edit()->rawDefaults();
        QCOMPARE(defaults, *model.proxy()->rawDefaults);

        model.step(1);
        QVERIFY(waitForLoad(model));
        QVERIFY(model.proxy().has_value());
        QVERIFY(!model.proxy()->rawDefaults);
        QCOMPARE(model.edit()->rawDefaults(), defaults);
    }

    // Stepping at a reading pace: the next photo is decoded ahead and the one
    // left is kept, so both directions show their proxy at once, decoded once.
    void stepsShowPhotosDecodedAheadOrKept() {
        TempDir dir;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) copyTestFileAs(mediumJpeg, dir.path(), name);
        Recorder recorder;
        AppModel model(recorder.services());
        QVERIFY(openAndWait(model, {dir.path()}));
        QVERIFY(waitForLoad(model));
        QTest::qWait(200);
        QCOMPARE(recorder.previews(), 1);  // an open gives no direction: nothing ahead

        model.step(1);
        QVERIFY(waitForLoad(model));
        QTRY_COMPARE(recorder.previews(), 3);  // b, then c ahead
        QTRY_COMPARE(model.keptProxyCount(), std::size_t(2));  // a kept, c ahead

        model.step(1);
        QVERIFY(model.proxy() && !model.loading());  // c at once
        model.step(-1);
        QVERIFY(model.proxy() && !model.loading());  // b at once
        QTRY_VERIFY(model.keptProxyCount() <= AppModel::keptProxyLimit);
        std::vector<std::string> decoded;
        for (const auto& d : recorder.decodes()) decoded.push_back(d.file.filename().string());
        QCOMPARE(std::set<std::string>(decoded.begin(), decoded.end()).size(), decoded.size());

        // A new folder drops what was kept.
        QVERIFY(openAndWait(model, {dir.path() / "d.jpg"}));
        QCOMPARE(model.keptProxyCount(), std::size_t(0));
    }

    void aPhotoDeletedWhileShownFailsItsFullDecodeOnce() {
        TempDir dir;
        const fs::path photo = copyTestFileAs(largeJpeg, dir.path(), "large.jpg");
        Recorder recorder;
        AppModel model(recorder.services());
        QVERIFY(openAndWait(model, {dir.path()}) && waitForLoad(model));
        fs::remove(photo);
        model.requestFull();
        QTRY_COMPARE(model.status(), QStringLiteral("Could not open large.jpg"));
        for (int i = 0; i < 3; ++i) model.requestFull();  // every zoomed frame asks
        QTest::qWait(100);
        QCOMPARE(recorder.fulls(), 1);
        QVERIFY(model.proxy().has_value());  // the picture stays on screen
    }

    void aQuickLookIsShownUntilTheProxyArrives() {
        TempDir dir;
        copyTestFileAs(largeJpeg, dir.path(), "a.jpg");
        ModelServices services = ModelServices::standard();
        services.load = [load = services.load](const fs::path& file, std::optional<double> maxSide,
                                               const RawOptions& raw, std::optional<PixelSize> known) {
            std::this_thread::sleep_for(400ms);  // a slow RAW decode
            return load(file, maxSide, raw, known);
        };
        AppModel model(services);
        QVERIFY(openAndWait(model, {dir.path()}));
        QTRY_VERIFY(model.quickLook() != nullptr);
        QVERIFY(model.loading());
        QCOMPARE(model.quickLook()->width(), 640);  // 4160 x 2768 decoded at a quarter, then fitted
        QVERIFY(waitForLoad(model));
        QVERIFY(model.quickLook() == nullptr);
    }
};

QTEST_GUILESS_MAIN(AppModelLoadingTest)
#include "AppModelLoadingTest.moc"
