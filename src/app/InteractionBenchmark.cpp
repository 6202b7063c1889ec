#include "InteractionBenchmark.h"

#include "library/AppModel.h"
#include "preview/PreviewView.h"
#include "ui/AdjSlider.h"
#include "ui/Filmstrip.h"
#include "ui/MainWindow.h"
#include "ui/PreviewArea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace ombrel {

namespace {

using SteadyClock = std::chrono::steady_clock;

double msSince(SteadyClock::time_point t0) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - t0).count();
}

// Gaps in the main thread's timer ticks: anything over 50 ms is a stall the
// user would feel.
class StallWatch {
public:
    StallWatch() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double gap = msSince(last_);
            if (gap > 50) stalls_.push_back({gap, phase_});
            last_ = SteadyClock::now();
        });
        last_ = SteadyClock::now();
        timer_.start();
    }
    // What the benchmark is driving now: each stall is reported with it.
    void during(const char* phase) { phase_ = phase; }
    // Work the benchmark itself does on the main thread between samples.
    void pause() { timer_.stop(); }
    void resume() {
        last_ = SteadyClock::now();
        timer_.start();
    }
    struct Stall {
        double ms;
        const char* phase;
    };
    const std::vector<Stall>& stalls() const { return stalls_; }

private:
    QTimer timer_;
    SteadyClock::time_point last_;
    const char* phase_ = "start";
    std::vector<Stall> stalls_;
};

void report(const char* name, std::vector<double> samples) {
    if (samples.empty()) {
        std::printf("%s n=0\n", name);
        return;
    }
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) { return samples[std::min(samples.size() - 1, std::size_t(q * double(samples.size())))]; };
    std::printf("%s median=%.1fms p95=%.1fms max=%.1fms n=%zu\n", name, at(0.5), at(0.95), samples.back(),
                samples.size());
    std::fflush(stdout);
}

// Runs the event loop until `done` holds or `timeoutMs` passes. It sleeps
// between events: a polling loop would take a core from the work it waits for.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    QTimer tick;  // wakes the loop to look at the clock even when nothing happens
    tick.start(10);
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Bench {
    MainWindow& window;
    AppModel& model;
    PreviewView& preview;

    bool settled() const { return model.proxy() && !model.loading() && preview.settled() && preview.shownFrameId(); }

    // `post` posts one input; the sample ends when the preview shows a frame
    // of the newest state: during a drag a draft, else a full one.
    double untilFrame(const std::function<void()>& post, bool full = false) {
        const std::uint64_t before = preview.shownFrameId();
        const auto t0 = SteadyClock::now();
        post();
        waitUntil([&] {
            return preview.shownFrameId() > before && (full ? preview.settled() : preview.upToDate());
        });
        return msSince(t0);
    }

    void openAndSelect(const std::filesystem::path& file) {
        model.open({file.parent_path()});
        waitUntil([&] { return model.currentID().has_value(); });
        for (const Photo& p : model.photos())
            if (p.url.filename() == file.filename()) model.select(p.id, false, false);
        waitUntil([&] { return settled(); });
    }

    void postKey(Qt::Key key) {
        QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
    }

    // Exposure changes one after another as a drag sends them or, `single`,
    // each alone after the preview has settled.
    std::vector<double> exposureChanges(int count, bool single = false) {
        std::vector<double> samples;
        for (int i = 0; i < count; ++i) {
            const double ev = (i % 20) * 0.1 - 1.0;
            if (single) {
                // A change on its own: the preview settled and a pause, as between two clicks.
                waitUntil([&] { return settled(); });
                pause(300);
            }
            samples.push_back(untilFrame(
                [&] {
                    QMetaObject::invokeMethod(
                        &model, [this, ev] { model.mutate("exposure", [ev](EditSettings& s) { s.exposure = ev; }); },
                        Qt::QueuedConnection);
                },
                single));
        }
        return samples;
    }

    // The sidebar's real Exposure slider, dragged with the mouse.
    std::vector<double> sidebarDrags(int count) {
        std::vector<double> samples;
        QSlider* slider = nullptr;
        for (AdjSlider* s : window.findChildren<AdjSlider*>())
            if (s->titleLabel()->text() == QStringLiteral("Exposure")) slider = s->slider();
        if (!slider) return samples;
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        const QRect handle =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
        QPointF at = handle.center();
        auto send = [&](QEvent::Type type, QPointF pos, Qt::MouseButtons buttons) {
            QCoreApplication::postEvent(slider, new QMouseEvent(type, pos, slider->mapToGlobal(pos), Qt::LeftButton,
                                                                buttons, Qt::NoModifier));
        };
        send(QEvent::MouseButtonPress, at, Qt::LeftButton);
        waitUntil([&] { return settled(); }, 2000);
        for (int i = 0; i < count; ++i) {
            at += QPointF((i / 10) % 2 == 0 ? 3 : -3, 0);
            samples.push_back(untilFrame([&] { send(QEvent::MouseMove, at, Qt::LeftButton); }));
        }
        send(QEvent::MouseButtonRelease, at, Qt::NoButton);
        waitUntil([&] { return settled(); }, 2000);
        return samples;
    }

    struct Switch {
        double firstPicture = 0;
        double sharpPicture = 0;
    };
    // A right-arrow press until something of the next photo, and its sharp
    // frame, are on screen.
    Switch step() {
        bool first = false, sharp = false;
        Switch times;
        const auto t0 = SteadyClock::now();
        const auto connection = QObject::connect(&preview, &PreviewView::picturePainted, [&](bool isSharp) {
            if (!first) times.firstPicture = msSince(t0), first = true;
            if (isSharp && !sharp && model.proxy() && !model.loading())
                times.sharpPicture = msSince(t0), sharp = true;
        });
        const std::optional<Uuid> before = model.currentID();
        postKey(Qt::Key_Right);
        waitUntil([&] { return model.currentID() != before && sharp && settled(); });
        QObject::disconnect(connection);
        return times;
    }
};

}  // namespace

int runInteractionBenchmark(MainWindow& window, AppModel& model, const InteractionBenchmarkFiles& files) {
    PreviewView& preview = *window.previewArea()->preview();
    Bench bench{window, model, preview};
    window.showNormal();
    bench.openAndSelect(files.raw);
    if (!bench.settled()) {
        std::fprintf(stderr, "could not open %s\n", files.raw.c_str());
        return 1;
    }
    // Grow the window until the preview is 1600 x 1000.
    for (int i = 0; i < 3 && preview.size() != QSize(1600, 1000); ++i) {
        window.resize(window.size() + QSize(1600 - preview.width(), 1000 - preview.height()));
        pause(300);
    }
    waitUntil([&] { return bench.settled(); });
    std::printf("preview %dx%d, device pixel ratio %.2f\n", preview.width(), preview.height(),
                preview.devicePixelRatioF());
    StallWatch watch;
    watch.during("slider");
    report("slider-to-frame", bench.exposureChanges(60));
    report("single-change-to-full-frame", bench.exposureChanges(20, true));
    watch.during("sidebar");
    report("sidebar-slider-to-frame", bench.sidebarDrags(60));

    // The histogram after the last change of a drag.
    std::vector<double> histogram;
    for (int i = 0; i < 10; ++i) {
        waitUntil([&] { return bench.settled(); });
        pause(300);
        bool measured = false;
        const auto connection =
            QObject::connect(model.histogram(), &HistogramModel::dataChanged, [&] { measured = true; });
        const auto t0 = SteadyClock::now();
        model.mutate("exposure", [i](EditSettings& s) { s.exposure = 0.1 * (i % 2 ? 1 : -1); });
        waitUntil([&] { return measured; }, 5000);
        histogram.push_back(msSince(t0));
        QObject::disconnect(connection);
    }
    report("histogram-after-change", histogram);

    model.mutate("all-stages", [](EditSettings& s) {
        s.lumNR = 40;
        s.colorNR = 40;
        s.sharpAmount = 60;
        s.distortion = 10;
        s.vignette = -30;
        s.hsl.sat[2] = 20;
        s.curves.master = {{0, 0}, {0.25, 0.2}, {0.75, 0.8}, {1, 1}};
    });
    waitUntil([&] { return bench.settled(); });
    watch.during("all-stages");
    report("slider-to-frame-all-stages", bench.exposureChanges(40));
    report("single-change-to-full-frame-all-stages", bench.exposureChanges(10, true));
    model.mutate("benchmark-reset", [](EditSettings& s) { s = EditSettings{}; });

    // Stepping at a reading pace: the photo ahead is decoded meanwhile, and
    // at a slower pace its first frame is prepared too.
    std::vector<double> firstPictures, sharpColdRaw, sharpColdJpeg;
    auto stepAtPace = [&](int pauseMs, std::size_t steps) {
        std::vector<double> sharp;
        bench.openAndSelect(files.raw);
        for (std::size_t i = 0; i + 1 < model.photos().size() && i < steps; ++i) {
            const auto t = bench.step();
            if (i > 0) sharp.push_back(t.sharpPicture);
            watch.pause();
            pause(pauseMs);
            watch.resume();
        }
        return sharp;
    };
    watch.during("pace-1s");
    const std::vector<double> sharpWarm = stepAtPace(1000, 6);
    watch.during("pace-2s");
    const std::vector<double> sharpWarmSlow = stepAtPace(2000, 5);
    // Cold: a fresh open decodes nothing ahead.
    auto cold = [&](const std::filesystem::path& file, std::vector<double>& sharp, bool countFirst) {
        for (int i = 0; i < 5; ++i) {
            bench.openAndSelect(file);
            const auto t = bench.step();
            sharp.push_back(t.sharpPicture);
            if (countFirst) firstPictures.push_back(t.firstPicture);
        }
    };
    watch.during("cold-raw");
    cold(files.raw, sharpColdRaw, true);
    watch.during("cold-jpeg");
    if (files.jpeg) cold(*files.jpeg, sharpColdJpeg, false);
    report("switch-to-first-picture", firstPictures);
    report("switch-to-sharp-picture", sharpWarm);
    report("switch-to-sharp-picture-2s-pace", sharpWarmSlow);
    report("switch-to-sharp-picture-cold-raw", sharpColdRaw);
    if (files.jpeg) report("switch-to-sharp-picture-cold-jpeg", sharpColdJpeg);

    if (files.many) {
        // A large folder: open until the first screen of thumbnails is painted,
        // then a steady sideways scroll, one wheel step a frame.
        Filmstrip& filmstrip = *window.filmstrip();
        QListView& strip = *filmstrip.strip();
        watch.during("large-folder");
        const auto t0 = SteadyClock::now();
        model.open({*files.many});
        waitUntil([&] { return model.currentID() && filmstrip.thumbnailsInViewShown(); }, 60000);
        strip.viewport()->repaint();
        std::printf("open-%zu %.0fms\n", model.photos().size(), msSince(t0));
        std::vector<double> frames;
        for (int i = 0; i < 300; ++i) {
            const auto frame = SteadyClock::now();
            const QPointF at(strip.viewport()->rect().center());
            QWheelEvent wheel(at, strip.viewport()->mapToGlobal(at), QPoint(0, -60), QPoint(0, -60), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(strip.viewport(), &wheel);
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            frames.push_back(msSince(frame));
            const double left = 16.7 - frames.back();
            if (left > 0) pause(static_cast<int>(left));
        }
        report("filmstrip-scroll", frames);
    }

    double longest = 0;
    std::string where;
    for (const StallWatch::Stall& stall : watch.stalls()) {
        longest = std::max(longest, stall.ms);
        where += std::string(where.empty() ? " in " : ", ") + stall.phase + " " + std::to_string(std::lround(stall.ms)) + "ms";
    }
    std::printf("stalls count=%zu max=%.1fms%s\n", watch.stalls().size(), longest, where.c_str());
    return 0;
}

}  // namespace ombrel
