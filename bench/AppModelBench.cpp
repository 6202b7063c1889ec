// Opening a large folder: listing, sorting, reading every sidecar and
// applying ratings, flags and settings until the first photo is current.
#include "LargeJpeg.h"
#include "library/AppModel.h"

#include "model/Sidecar.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using namespace ombrel;

constexpr int photoCount = 2000;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "app_model_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A folder of small real PNG files (hard links of one file) with an edited
// sidecar each; removed when the program ends.
class LargeFolder {
public:
    LargeFolder() {
        std::string templ = (fs::temp_directory_path() / "ombrel-bench-XXXXXX").string();
        if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
        path_ = templ;

        const fs::path source = bench::testData() / "png/pngsuite_basn2c16_rgb16.png";
        const fs::path first = path_ / "source.png";
        fs::copy_file(source, first);
        for (int i = 1; i <= photoCount; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%d.png", i);
            const fs::path photo = path_ / name;
            fs::create_hard_link(first, photo);
            Sidecar sidecar;
            sidecar.rating = i % 6;
            sidecar.flag = i % 3 == 0 ? Flag::pick : Flag::none;
            sidecar.settings.exposure = 0.01 * i;
            sidecar.settings.curves.master = {{0, 0}, {0.25, 0.2}, {0.5, 0.55}, {0.75, 0.8}, {1, 1}};
            sidecar.settings.hsl.sat[i % 8] = 12;
            sidecar.settings.crop.aspect = "3:2";
            Sidecar::write(sidecar, photo);
        }
        fs::remove(first);
    }
    ~LargeFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void BM_OpenFolderWithSidecars(benchmark::State& state) {
    QCoreApplication& app = application();
    static LargeFolder folder;
    AppModel model(ModelServices::standard());

    for (auto _ : state) {
        model.open({folder.path()});
        while (!model.currentID()) app.processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (model.photos().size() != photoCount || model.photos()[1].rating != 2) state.SkipWithError("not applied");
    state.counters["photos"] = static_cast<double>(model.photos().size());
}
BENCHMARK(BM_OpenFolderWithSidecars)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(15);

}  // namespace
