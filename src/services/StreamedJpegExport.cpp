#include "StreamedJpegExport.h"

#include "ExportRender.h"

#include "imageio/ColorProfile.h"
#include "imageio/FileBytes.h"
#include "imageio/ImageFormat.h"
#include "imageio/JpegMarkers.h"
#include "imageio/JpegWriter.h"
#include "imageio/MetadataReader.h"
#include "model/SupportedFiles.h"
#include "render/Orientation.h"
#include "render/Pipeline.h"

#include <tbb/parallel_pipeline.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace ombrel {
namespace {

// Rows per strip: one iMCU row of a 4:2:0 file, a few hundred kilobytes of a
// wide picture, small enough that a handful in flight keep every core busy.
constexpr int stripRows = 16;

// Orientations whose upright rows are stored rows (mirrored at most); the
// others need the whole stored picture before the first upright row.
constexpr bool keepsRows(int orientation) { return orientation == 1 || orientation == 2; }

// One strip on its way through the decoder, the develop and the encoder. Each
// holds its own buffers, reused from strip to strip.
struct Strip {
    int y = 0, rows = 0;
    std::vector<std::uint8_t> stored;  // the decoded rows, when they come straight from the decoder
    std::vector<std::uint8_t> upright;  // one row turned upright, when the stored one is not
    std::vector<float> scratch;
    std::vector<std::uint8_t> encoded;  // RGB rows for the encoder
};

// Upright row `y` from stored rows (the first of them row `firstRow` of the
// stored `storedW` x `storedH` picture), `C` samples a pixel.
template <int C>
void gatherRow(const std::uint8_t* stored, std::size_t stride, int firstRow, int storedW, int storedH,
               int orientation, int y, int width, std::uint8_t* out) {
    for (int x = 0; x < width; ++x, out += C) {
        const StoredPoint p = storedPoint(orientation, storedW, storedH, x, y);
        const std::uint8_t* in = stored + std::size_t(p.y - firstRow) * stride + std::size_t(p.x) * C;
        std::copy_n(in, C, out);
    }
}

int exifOrientation(std::span<const std::uint8_t> bytes) {
    const auto meta = MetadataReader::read(bytes);
    const int orientation = meta ? meta->properties.orientation.value_or(1) : 1;
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

}  // namespace

std::optional<StreamedJpegExport> StreamedJpegExport::prepare(const std::filesystem::path& photo,
                                                              const EditSettings& settings,
                                                              const ExportOptions& options) {
    if (options.format != ExportFormat::jpeg || isRawFile(photo)) return std::nullopt;
    try {
        // Which stages an edit makes does not depend on the picture's size, so
        // an edit this cannot take is turned away before the file is read.
        Pipeline pipeline;
        if (!RowDeveloper::takes(pipeline.stages(1, 1, settings, 1.0, false, false))) return std::nullopt;

        std::optional<std::vector<std::uint8_t>> bytes = readFileBytes(photo);
        if (!bytes || sniffFormat(*bytes) != ImageFormat::Jpeg) return std::nullopt;
        std::optional<JpegRowReader> reader = JpegRowReader::open(*bytes);
        if (!reader) return std::nullopt;

        Samples described;
        described.layout = reader->layout();
        described.icc = readJpegColourInfo(*bytes).icc;
        const std::optional<LinearMapping> mapping = ColorProfile::linearMapping(described);
        if (!mapping) return std::nullopt;

        const int orientation = exifOrientation(*bytes);
        const bool swap = swapsAxes(orientation);
        const int width = swap ? reader->height() : reader->width();
        const int height = swap ? reader->width() : reader->height();
        if (options.resize && shrinkFactor(width, height, options.longEdge)) return std::nullopt;

        const OutputSpace space = options.displayP3 ? OutputSpace::displayP3 : OutputSpace::srgb;
        std::optional<RowDeveloper> developer = RowDeveloper::make(
            pipeline.stages(width, height, settings, 1.0, false, false), *mapping, reader->layout(), width, space);
        if (!developer) return std::nullopt;
        return StreamedJpegExport(std::move(*bytes), std::move(*reader), std::move(*developer), orientation,
                                  jpegQuality(options.quality), space);
    } catch (...) {
        return std::nullopt;
    }
}

int StreamedJpegExport::height() const {
    return swapsAxes(orientation_) ? reader_.width() : reader_.height();
}

bool StreamedJpegExport::write(std::FILE* out) {
    try {
        return run(out);
    } catch (...) {
        return false;
    }
}

bool StreamedJpegExport::run(std::FILE* out) {
    const std::vector<std::uint8_t>& icc = iccProfile(space_);
    if (icc.empty()) return false;
    const int w = width(), h = height();
    JpegRowWriter writer(out, w, h, quality_, icc);
    if (!writer.ok()) return false;

    const int channels = channelCount(reader_.layout());
    const int storedW = reader_.width(), storedH = reader_.height();
    const std::size_t storedStride = std::size_t(storedW) * channels;
    const std::size_t outStride = std::size_t(w) * 3;
    const bool streamed = keepsRows(orientation_);
    std::unique_ptr<std::uint8_t[]> whole;
    if (!streamed) {
        whole = std::make_unique_for_overwrite<std::uint8_t[]>(storedStride * storedH);
        if (!reader_.read(whole.get(), storedStride, storedH) || !reader_.finish()) return false;
    }

    const int tokens = 2 * tbb::this_task_arena::max_concurrency() + 2;
    std::vector<Strip> strips(static_cast<std::size_t>(tokens));
    for (Strip& s : strips) {
        if (streamed) s.stored.resize(storedStride * stripRows);
        if (orientation_ != 1) s.upright.resize(std::size_t(w) * channels);
        s.scratch.resize(developer_.scratchFloats());
        s.encoded.resize(outStride * stripRows);
    }

    // A failure anywhere stops the decoder at its next strip; strips already
    // on their way are dropped by the encoder.
    std::atomic<bool> failed = false;
    int nextRow = 0;
    std::size_t issued = 0;
    auto decode = [&](tbb::flow_control& control) -> Strip* {
        if (nextRow >= h || failed) {
            control.stop();
            return nullptr;
        }
        Strip& s = strips[issued++ % strips.size()];
        s.y = nextRow;
        s.rows = std::min(stripRows, h - nextRow);
        nextRow += s.rows;
        if (streamed) {
            const bool read = reader_.read(s.stored.data(), storedStride, s.rows) && (nextRow < h || reader_.finish());
            if (!read) {
                failed = true;
                control.stop();
                return nullptr;
            }
        }
        return &s;
    };
    auto develop = [&](Strip* s) {
        for (int r = 0; r < s->rows; ++r) {
            const int y = s->y + r;
            const std::uint8_t* samples = streamed ? s->stored.data() + storedStride * r : nullptr;
            if (orientation_ != 1) {
                const std::uint8_t* from = streamed ? s->stored.data() : whole.get();
                const int firstRow = streamed ? s->y : 0;
                if (channels == 1) {
                    gatherRow<1>(from, storedStride, firstRow, storedW, storedH, orientation_, y, w, s->upright.data());
                } else {
                    gatherRow<3>(from, storedStride, firstRow, storedW, storedH, orientation_, y, w, s->upright.data());
                }
                samples = s->upright.data();
            }
            developer_.develop(samples, y, s->scratch.data(), s->encoded.data() + outStride * r);
        }
        return s;
    };
    auto encode = [&](Strip* s) {
        if (!failed && !writer.write(s->encoded.data(), outStride, s->rows)) failed = true;
    };
    tbb::parallel_pipeline(static_cast<std::size_t>(tokens),
                           tbb::make_filter<void, Strip*>(tbb::filter_mode::serial_in_order, decode) &
                               tbb::make_filter<Strip*, Strip*>(tbb::filter_mode::parallel, develop) &
                               tbb::make_filter<Strip*, void>(tbb::filter_mode::serial_in_order, encode));
    return !failed && writer.finish();
}

}  // namespace ombrel
