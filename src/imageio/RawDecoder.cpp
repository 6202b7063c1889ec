#include "RawDecoder.h"

#include "ChromaNoiseReduction.h"
#include "LensCorrection.h"
#include "LibRawSession.h"
#include "MoireReduction.h"
#include "RawDefaults.h"
#include "RawGeometry.h"
#include "RawNoiseAmounts.h"
#include "RawToneCurve.h"

#include "render/Resample.h"

#include <utility>

namespace ombrel::RawDecoder {

namespace {

std::optional<Result> decodeOpened(raw::LibRawSession& session, double scale, const RawOptions& options) {
    const raw::RawFacts& facts = session.facts();
    const std::optional<LensCorrection> lens =
        LensCorrection::find({facts.make, facts.model, facts.lens, facts.focalLength, facts.aperture});
    const RawOptions defaults = raw::defaultOptions(facts.iso, lens.has_value());
    const RawOptions use = raw::effectiveOptions(defaults, options);

    raw::DevelopParams params;
    params.halfSize = raw::useHalfSize(scale);
    params.waveletThreshold = raw::waveletThreshold(use.lumNR.value_or(0));
    params.gain = exposureGain(facts.baselineExposure);
    std::optional<raw::Developed> developed = session.develop(params);
    if (!developed) return std::nullopt;
    Image image = std::move(developed->image);

    // The upright full-resolution size: what a full decode gives.
    raw::Size full{image.width(), image.height()};
    if (developed->halfSize) {
        full = facts.fullSize;
        if (facts.flip & 4) std::swap(full.width, full.height);
    }

    reduceMoire(image, raw::medianPasses(use.moire.value_or(0)));
    if (const double amount = use.colorNR.value_or(0); amount > 0) {
        // The blur radius is measured in full-resolution pixels.
        const float pixelScale = static_cast<float>(image.width()) / full.width;
        reduceChromaNoise(image, raw::chromaSigma(amount) * pixelScale);
    }
    const raw::Size target = raw::reducedSize(full, scale);
    if (image.width() != target.width || image.height() != target.height)
        image = resample(image, target.width, target.height);
    if (lens && use.lensProfile.value_or(false)) image = lens->apply(std::move(image));
    if (use.appleBoost.value_or(true)) ToneBoost(params.gain).apply(image);
    return Result{std::move(image), defaults};
}

}  // namespace

std::optional<Result> decode(const std::filesystem::path& file, double scale, const RawOptions& options) {
    if (!(scale > 0)) return std::nullopt;
    try {
        std::optional<raw::LibRawSession> session = raw::LibRawSession::open(file);
        if (!session) return std::nullopt;
        return decodeOpened(*session, std::min(scale, 1.0), options);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace ombrel::RawDecoder
