// Exporting a 24 MP camera JPEG and a 24 MP DNG at full size with a typical
// edit (and the JPEG with a colour edit alone, which streams), and the peak
// memory of one export against a batch of twenty.
#include "DngFixture.h"
#include "LargeJpeg.h"
#include "services/Exporter.h"

#include <benchmark/benchmark.h>
#include <exiv2/exiv2.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace ombrel;
namespace fs = std::filesystem;

void copyExif(const fs::path& from, const fs::path& to) {
    auto source = Exiv2::ImageFactory::open(from.string());
    source->readMetadata();
    auto target = Exiv2::ImageFactory::open(to.string());
    target->readMetadata();
    target->setExifData(source->exifData());
    target->writeMetadata();
}

// A 6000 x 4000 camera JPEG (quality 90, 4:2:0, the camera's Exif), made once
// from a real photo scaled up, in a temporary folder removed at exit.
class Fixture {
public:
    Fixture() {
        const fs::path camera = bench::testData() / "jpeg/canon_eos_rp_MG_0633.jpg";
        std::string dir = (fs::temp_directory_path() / "ombrel-export-bench-XXXXXX").string();
        if (!::mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = dir;
        photo_ = dir_ / "IMG_0001.jpg";
        if (!bench::writeLargeJpeg(camera, photo_, 6000, 4000)) throw std::runtime_error("cannot make the large photo");
        copyExif(camera, photo_);
        fs::create_directory(dir_ / "out");
        raw_ = dir_ / "IMG_0002.dng";
        rawOk_ = bench::writeBayerDng(camera, raw_, 6000, 4000, 1024);
    }
    ~Fixture() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    const fs::path& photo() const { return photo_; }
    const fs::path& raw() const { return raw_; }
    bool rawOk() const { return rawOk_; }
    fs::path out(const std::string& name) const { return dir_ / "out" / name; }

private:
    fs::path dir_, photo_, raw_;
    bool rawOk_ = false;
};

const Fixture& fixture() {
    static const Fixture f;
    return f;
}

EditSettings typicalEdit() {
    EditSettings s;
    s.temperature = 6;
    s.tint = 2;
    s.exposure = 0.3;
    s.contrast = 15;
    s.highlights = -25;
    s.shadows = 20;
    s.vibrance = 15;
    s.saturation = 5;
    s.sharpAmount = 30;
    return s;
}

// Exposure and saturation only: every stage works on a pixel alone, so a
// full-size JPEG export streams.
EditSettings colourEdit() {
    EditSettings s;
    s.exposure = 0.5;
    s.saturation = 20;
    return s;
}

void exportOnce(const ExportOptions& options, const std::string& name, const fs::path& photo = fixture().photo(),
                const EditSettings& edit = typicalEdit()) {
    const fs::path dest = fixture().out(name);
    if (const auto error = Exporter::exportPhoto(photo, edit, options, dest)) {
        throw std::runtime_error(error->message);
    }
    fs::remove(dest);
}

// Peak resident memory since the last reset, in MiB.
double peakMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Makes the kernel forget the peak so far (Linux), so each measurement
// starts from what the process holds now.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_BatchPeakMemory(benchmark::State& state) {
    fixture();
    const ExportOptions options;
    for (auto _ : state) {
        resetPeak();
        exportOnce(options, "one.jpg");
        const double one = peakMiB();
        resetPeak();
        for (int i = 0; i < 20; ++i) exportOnce(options, "batch.jpg");
        const double batch = peakMiB();
        state.counters["one_MiB"] = one;
        state.counters["batch20_MiB"] = batch;
        state.counters["ratio"] = batch / one;
    }
}
BENCHMARK(BM_BatchPeakMemory)->Unit(benchmark::kSecond)->Iterations(1);

void BM_ExportFullSizeJpeg(benchmark::State& state) {
    fixture();
    const ExportOptions options;
    for (auto _ : state) exportOnce(options, "full.jpg");
}
BENCHMARK(BM_ExportFullSizeJpeg)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_ExportFullSizeJpegColourEdit(benchmark::State& state) {
    fixture();
    const ExportOptions options;
    for (auto _ : state) exportOnce(options, "colour.jpg", fixture().photo(), colourEdit());
}
BENCHMARK(BM_ExportFullSizeJpegColourEdit)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7)
    ->ReportAggregatesOnly(true);

// A 6000 x 4000 Bayer DNG, decoded in full by the RAW decoder.
void BM_ExportRawFullSizeJpeg(benchmark::State& state) {
    if (!fixture().rawOk()) return state.SkipWithError("could not write the DNG fixture");
    const ExportOptions options;
    for (auto _ : state) exportOnce(options, "raw.jpg", fixture().raw());
}
BENCHMARK(BM_ExportRawFullSizeJpeg)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ExportResizedJpeg(benchmark::State& state) {
    fixture();
    ExportOptions options;
    options.resize = true;
    for (auto _ : state) exportOnce(options, "small.jpg");
}
BENCHMARK(BM_ExportResizedJpeg)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ExportFullSizeTiff(benchmark::State& state) {
    fixture();
    ExportOptions options;
    options.format = ExportFormat::tiff;
    for (auto _ : state) exportOnce(options, "full.tif");
}
BENCHMARK(BM_ExportFullSizeTiff)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
