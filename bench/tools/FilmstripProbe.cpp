// The filmstrip on its own, outside the test suite:
//   filmstrip_probe shot OUT.png   a strip of real photos with ratings, flags
//                                  and a selection, grabbed into OUT.png
//   filmstrip_probe speed [COUNT]  opens COUNT (5000) small JPEGs with a cold
//                                  thumbnail cache: time to the first screen of
//                                  thumbnails, then frame times of a scroll
// Runs on any Qt platform; QT_QPA_PLATFORM=offscreen needs no display.
#include "LargeJpeg.h"

#include "imageio/ImageLoader.h"
#include "imageio/JpegCodec.h"
#include "library/AppModel.h"
#include "model/Sidecar.h"
#include "services/ThumbnailStore.h"
#include "ui/Filmstrip.h"
#include "ui/FilmstripModel.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>
#include <QWheelEvent>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace {

using namespace ombrel;
namespace fs = std::filesystem;

// The filmstrip's width in a 1600-point window beside the 310-point sidebar.
constexpr int stripWidth = 1290;

fs::path freshFolder(const char* name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

QListView* stripOf(Filmstrip& filmstrip) { return filmstrip.strip(); }

int shot(const fs::path& out) {
    struct Sample {
        const char* file;
        int rating;
        Flag flag;
    };
    const Sample samples[] = {
        {"jpeg/canon_eos_rp_MG_0633.jpg", 5, Flag::pick},
        {"jpeg/orientation_1_Landscape_1.jpg", 3, Flag::none},
        {"jpeg/orientation_6_Landscape_6.jpg", 0, Flag::reject},
        {"jpeg/sony_slt_a57_DSC8833.jpg", 4, Flag::pick},
        {"jpeg/progressive_panasonic_dmc_lc70.jpg", 2, Flag::none},
        {"jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg", 1, Flag::reject},
        {"jpeg/grayscale_orientation6_derived.jpg", 0, Flag::none},
        {"jpeg/orientation_8_Landscape_8.jpg", 3, Flag::none},
        {"", 0, Flag::none},  // an empty file: no thumbnail
        {"jpeg/cmyk_pil_sample_cmyk.jpg", 0, Flag::none},
        {"png/pngsuite_basn2c16_rgb16.png", 2, Flag::none},
        {"raw/canon_powershot_s40_colorchart_CRW_0104.dng", 0, Flag::none},
        {"jpeg/orientation_3_Landscape_3.jpg", 0, Flag::none},
    };
    const fs::path dir = freshFolder("ombrel-filmstrip-shot");
    int n = 0;
    for (const Sample& s : samples) {
        char name[64];
        const std::string extension = *s.file ? fs::path(s.file).extension().string() : ".jpg";
        std::snprintf(name, sizeof name, "IMG_%04d%s", 4210 + n++, extension.c_str());
        const fs::path target = dir / name;
        if (*s.file) {
            fs::copy_file(bench::testData() / s.file, target);
        } else {
            std::ofstream{target};
        }
        Sidecar::write(Sidecar{.settings = {}, .rating = s.rating, .flag = s.flag}, target);
    }

    // Slow thumbnails, so the strip can be seen waiting for them first.
    ThumbnailStore store(freshFolder("ombrel-filmstrip-shot-cache"), [](const fs::path& file, int maxSide) {
        QThread::msleep(600);
        return ImageLoader::thumbnail(file, maxSide);
    });
    AppModel model(ModelServices::standard());
    Filmstrip filmstrip(model, store);
    filmstrip.resize(stripWidth, filmstrip.height());
    filmstrip.show();
    model.open({dir});
    if (!waitUntil([&] { return model.currentID().has_value(); }, 10000)) return 1;
    // The fourth photo current, the two before it selected with it.
    model.select(model.photos()[3].id, false, false);
    model.select(model.photos()[1].id, true, false);
    waitUntil([] { return false; }, 300);
    const fs::path waiting = fs::path(out).replace_extension().string() + "-waiting.png";
    bool saved = filmstrip.grab().save(QString::fromStdString(waiting.string()));
    if (!waitUntil([&] { return filmstrip.thumbnailsInViewShown(); }, 20000)) return 1;
    waitUntil([] { return false; }, 300);  // the last repaints
    saved = filmstrip.grab().save(QString::fromStdString(out.string())) && saved;
    std::printf("%s %s and %s\n", saved ? "wrote" : "could not write", out.c_str(), waiting.c_str());
    return saved ? 0 : 1;
}

// Small JPEGs that differ from one another, so each is decoded for real.
void writeSmallJpegs(const fs::path& dir, int count) {
    constexpr int w = 400, h = 267;
    for (int i = 0; i < count; ++i) {
        Bitmap8 picture(w, h);
        for (int y = 0; y < h; ++y) {
            std::uint8_t* row = picture.row(y);
            for (int x = 0; x < w; ++x) {
                row[3 * x] = static_cast<std::uint8_t>((x + i * 7) & 255);
                row[3 * x + 1] = static_cast<std::uint8_t>((y * 2 + i * 13) & 255);
                row[3 * x + 2] = static_cast<std::uint8_t>(((x ^ y) + i) & 255);
            }
        }
        char name[32];
        std::snprintf(name, sizeof name, "DSC%05d.jpg", i);
        std::ofstream(dir / name, std::ios::binary) << *encodeJpeg(picture, 85);
    }
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5))];
}

int speed(int count) {
    const fs::path dir = fs::temp_directory_path() / ("ombrel-filmstrip-" + std::to_string(count));
    if (!fs::exists(dir / "DSC00000.jpg")) {
        fs::create_directories(dir);
        writeSmallJpegs(dir, count);
    }
    ThumbnailStore store(freshFolder("ombrel-filmstrip-speed-cache"));
    AppModel model(ModelServices::standard());
    Filmstrip filmstrip(model, store);
    filmstrip.resize(stripWidth, filmstrip.height());
    filmstrip.show();
    waitUntil([] { return false; }, 200);
    QListView& view = *stripOf(filmstrip);

    QElapsedTimer clock;
    clock.start();
    model.open({dir});
    if (!waitUntil([&] { return filmstrip.thumbnailsInViewShown(); }, 30000)) return 1;
    view.viewport()->repaint();
    std::printf("open-%d (cold thumbnail cache, first screen of thumbnails painted): %.0f ms\n", count,
                clock.nsecsElapsed() / 1e6);

    // A steady sideways scroll, 60 pixels a frame at 60 frames a second. A
    // frame is what the event loop does between two screen refreshes: take the
    // thumbnails that came back, handle the wheel step and paint what changed.
    // Wall time is what the user waits; the main thread's own CPU time is the
    // frame's work without the other programs sharing this machine's cores.
    // Forth with thumbnails still to make, then back over cells whose
    // thumbnails the store holds in memory.
    const auto cpuNow = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    const auto scroll = [&](const char* what, int pixelsPerFrame, int steps) {
        std::vector<double> walls;
        std::vector<double> cpus;
        for (int i = 0; i < steps; ++i) {
            QElapsedTimer frame;
            frame.start();
            const double cpu = cpuNow();
            QCoreApplication::processEvents();
            const QPointF at(view.viewport()->rect().center());
            const QPoint delta(0, -pixelsPerFrame);
            QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), delta, delta, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(view.viewport(), &wheel);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
            const double ms = frame.nsecsElapsed() / 1e6;
            walls.push_back(ms);
            cpus.push_back(cpuNow() - cpu);
            if (ms < 16.7) QThread::usleep(static_cast<unsigned long>((16.7 - ms) * 1000));
        }
        std::printf("filmstrip-scroll %s (%d frames of %d px, now at cell %d): wall median %.2f ms, p95 %.2f ms, "
                    "max %.2f ms; main-thread CPU median %.2f ms, p95 %.2f ms\n",
                    what, steps, std::abs(pixelsPerFrame), view.horizontalScrollBar()->value() / 122,
                    percentile(walls, 0.5), percentile(walls, 0.95), percentile(walls, 1.0), percentile(cpus, 0.5),
                    percentile(cpus, 0.95));
    };
    scroll("forth, cold", 60, 1500);
    scroll("back, in memory", -60, 1500);

    // A click on a cell: the selection and the current photo change, every
    // row is compared with the model's, and the changed cells are painted.
    std::vector<double> clicks;
    for (int i = 0; i < 40; ++i) {
        const QPoint at = view.visualRect(view.model()->index(i % 8, 0)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, view.viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, i % 2 ? Qt::ShiftModifier : Qt::NoModifier);
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendEvent(view.viewport(), &press);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        clicks.push_back(clock.nsecsElapsed() / 1e6);
        waitUntil([] { return false; }, 20);
    }
    std::printf("click on a cell of %d: median %.2f ms, max %.2f ms\n", count, percentile(clicks, 0.5),
                percentile(clicks, 1.0));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    theme::apply(app);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "shot" && argc > 2) return shot(argv[2]);
    if (mode == "speed") return speed(argc > 2 ? std::atoi(argv[2]) : 5000);
    std::fprintf(stderr, "usage: filmstrip_probe shot OUT.png | speed [COUNT]\n");
    return 2;
}
