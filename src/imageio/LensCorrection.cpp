#include "LensCorrection.h"

#include <lensfun.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace ombrel {

namespace {

// The database is read once per process (it is a few megabytes of XML) and
// only read from afterwards; searches are serialised, they take microseconds.
struct Database {
    lfDatabase db;
    bool loaded = false;
    std::mutex searchLock;
    Database() { loaded = db.Load() == LF_NO_ERROR || db.GetCameras() != nullptr; }
};

Database& database() {
    static Database instance;
    return instance;
}

template <typename T>
struct LfList {
    const T** items;
    ~LfList() { lf_free(items); }
    const T* first() const { return items ? items[0] : nullptr; }
};

bool hasCalibration(const lfLens* lens) {
    const auto nonEmpty = [](auto** list) { return list && list[0]; };
    return nonEmpty(lens->CalibDistortion) || nonEmpty(lens->CalibTCA) || nonEmpty(lens->CalibVignetting);
}

const lfCamera* findCamera(const lfDatabase& db, const LensQuery& q) {
    // Files name the maker separately; lensfun spells some models with the
    // maker in front, as the camera's EXIF does.
    for (const std::string& model : {q.model, q.make + " " + q.model}) {
        LfList<lfCamera> cameras{db.FindCameras(q.make.c_str(), model.c_str())};
        if (cameras.first()) return cameras.first();
    }
    return nullptr;
}

const lfLens* findLens(const lfDatabase& db, const lfCamera* camera, const std::string& lensName) {
    if (!lensName.empty()) {
        LfList<lfLens> lenses{db.FindLenses(camera, nullptr, lensName.c_str())};
        return lenses.first();
    }
    // Interchangeable-lens mounts are declared in the database; a camera on
    // an undeclared mount has its lens built in.
    if (!camera->Mount || db.FindMount(camera->Mount)) return nullptr;
    lfLens pattern;
    pattern.AddMount(camera->Mount);
    pattern.CropFactor = camera->CropFactor;
    LfList<lfLens> lenses{db.FindLenses(&pattern)};
    return lenses.first();
}

inline float sampleBilinear(const Image& src, float x, float y, int channel) {
    const int w = src.width(), h = src.height();
    x = std::clamp(std::isnan(x) ? 0.0f : x, 0.0f, static_cast<float>(w - 1));
    y = std::clamp(std::isnan(y) ? 0.0f : y, 0.0f, static_cast<float>(h - 1));
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    const float fx = x - x0, fy = y - y0;
    const float top = src.pixel(x0, y0)[channel] + fx * (src.pixel(x1, y0)[channel] - src.pixel(x0, y0)[channel]);
    const float bottom = src.pixel(x0, y1)[channel] + fx * (src.pixel(x1, y1)[channel] - src.pixel(x0, y1)[channel]);
    return top + fy * (bottom - top);
}

}  // namespace

std::optional<LensCorrection> LensCorrection::find(const LensQuery& query) {
    if (!(query.focalLength > 0) || query.make.empty() || query.model.empty()) return std::nullopt;
    Database& data = database();
    if (!data.loaded) return std::nullopt;
    const std::lock_guard lock(data.searchLock);
    const lfCamera* camera = findCamera(data.db, query);
    if (!camera) return std::nullopt;
    const lfLens* lens = findLens(data.db, camera, query.lens);
    if (!lens || !hasCalibration(lens)) return std::nullopt;
    return LensCorrection(lens, camera->CropFactor, query.focalLength, query.aperture);
}

Image LensCorrection::apply(Image source) const {
    const int width = source.width(), height = source.height();
    lfModifier modifier(lens_, cropFactor_, width, height);
    int wanted = LF_MODIFY_DISTORTION | LF_MODIFY_TCA | LF_MODIFY_SCALE;
    // Vignetting depends on the aperture; without it, leave the corners be.
    if (aperture_ > 0) wanted |= LF_MODIFY_VIGNETTING;
    const int done = modifier.Initialize(lens_, LF_PF_F32, focalLength_, aperture_ > 0 ? aperture_ : 8.0f, 1000.0f,
                                         0.0f, lens_->Type, wanted, false);

    if (done & LF_MODIFY_VIGNETTING) {
        tbb::parallel_for(0, height, [&](int y) {
            modifier.ApplyColorModification(source.row(y), 0.0f, static_cast<float>(y), width, 1,
                                            LF_CR_4(RED, GREEN, BLUE, UNKNOWN),
                                            static_cast<int>(source.rowLength() * sizeof(float)));
        });
    }
    if (!(done & (LF_MODIFY_DISTORTION | LF_MODIFY_TCA | LF_MODIFY_SCALE))) return source;

    Image out(width, height);
    tbb::parallel_for(tbb::blocked_range<int>(0, height), [&](const tbb::blocked_range<int>& rows) {
        std::vector<float> coords(static_cast<std::size_t>(width) * 6);
        for (int y = rows.begin(); y < rows.end(); ++y) {
            float* dst = out.row(y);
            if (!modifier.ApplySubpixelGeometryDistortion(0.0f, static_cast<float>(y), width, 1, coords.data())) {
                std::copy_n(source.row(y), source.rowLength(), dst);
                continue;
            }
            const float* c = coords.data();
            for (int x = 0; x < width; ++x, c += 6, dst += 4) {
                dst[0] = sampleBilinear(source, c[0], c[1], 0);
                dst[1] = sampleBilinear(source, c[2], c[3], 1);
                dst[2] = sampleBilinear(source, c[4], c[5], 2);
                dst[3] = 1.0f;
            }
        }
    });
    return out;
}

}  // namespace ombrel
