#include "ColorProfile.h"

#include <lcms2.h>

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <memory>

namespace ombrel::ColorProfile {

namespace {

struct ProfileClose {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDelete {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
struct CurveFree {
    void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};
using Profile = std::unique_ptr<void, ProfileClose>;
using Transform = std::unique_ptr<void, TransformDelete>;
using Curve = std::unique_ptr<cmsToneCurve, CurveFree>;

constexpr cmsCIExyYTRIPLE srgbPrimaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
constexpr cmsCIExyY d65{0.3127, 0.3290, 1.0};

Curve srgbCurve() {
    const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return Curve(cmsBuildParametricToneCurve(nullptr, 4, params));
}

Profile makeRgbProfile(const cmsCIExyY& white, const cmsCIExyYTRIPLE& primaries, bool linear) {
    Curve curve = linear ? Curve(cmsBuildGamma(nullptr, 1.0)) : srgbCurve();
    if (!curve) return nullptr;
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return Profile(cmsCreateRGBProfile(&white, &primaries, curves));
}

Profile workingSpace() { return makeRgbProfile(d65, srgbPrimaries, true); }

bool describes(cmsColorSpaceSignature space, SampleLayout layout) {
    if (layout == SampleLayout::Cmyk8) return space == cmsSigCmykData;
    if (isGray(layout)) return space == cmsSigGrayData;
    return space == cmsSigRgbData;
}

cmsUInt32Number lcmsFormat(SampleLayout layout, bool inverted) {
    switch (layout) {
        case SampleLayout::Gray8: return TYPE_GRAY_8;
        case SampleLayout::GrayAlpha8: return TYPE_GRAYA_8;
        case SampleLayout::Rgb8: return TYPE_RGB_8;
        case SampleLayout::Rgba8: return TYPE_RGBA_8;
        case SampleLayout::Cmyk8: return inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8;
        case SampleLayout::Gray16: return TYPE_GRAY_16;
        case SampleLayout::GrayAlpha16: return TYPE_GRAYA_16;
        case SampleLayout::Rgb16: return TYPE_RGB_16;
        case SampleLayout::Rgba16: return TYPE_RGBA_16;
    }
    return 0;
}

// Alpha of the stored pixel x (1 when the layout has none).
float alphaAt(const std::uint8_t* row, int x, SampleLayout layout) {
    const int n = channelCount(layout);
    if (!hasAlpha(layout)) return 1.0f;
    if (isSixteenBit(layout)) {
        return reinterpret_cast<const std::uint16_t*>(row)[static_cast<std::size_t>(x) * n + n - 1] / 65535.0f;
    }
    return row[static_cast<std::size_t>(x) * n + n - 1] / 255.0f;
}

// A matrix/shaper profile as tables and a matrix. The tables are its curves;
// the matrix columns are where the engine sends each linear primary (the
// curves map 0 to 0 and 1 to 1, so device (1,0,0) is linear (1,0,0)).
std::optional<LinearMapping> matrixShaper(cmsHPROFILE in) {
    if (!cmsIsMatrixShaper(in) || cmsGetColorSpace(in) != cmsSigRgbData) return std::nullopt;
    const cmsTagSignature trcTags[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    LinearMapping m;
    for (int c = 0; c < 3; ++c) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(in, trcTags[c]));
        if (!curve) return std::nullopt;
        for (int v = 0; v < 256; ++v) m.table[c][v] = cmsEvalToneCurveFloat(curve, v / 255.0f);
    }
    Profile out = workingSpace();
    if (!out) return std::nullopt;
    Transform t(cmsCreateTransform(in, TYPE_RGB_DBL, out.get(), TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                   cmsFLAGS_NOCACHE));
    if (!t) return std::nullopt;
    for (int c = 0; c < 3; ++c) {
        double unit[3] = {0, 0, 0}, column[3];
        unit[c] = 1;
        cmsDoTransform(t.get(), unit, column, 1);
        for (int r = 0; r < 3; ++r) m.matrix[r][c] = static_cast<float>(column[r]);
    }
    m.identity = false;
    return m;
}

void applyTransform(cmsHTRANSFORM t, const Samples& s, Image& out) {
    tbb::parallel_for(tbb::blocked_range<int>(0, s.height, 16), [&](const tbb::blocked_range<int>& rows) {
        for (int y = rows.begin(); y < rows.end(); ++y) {
            float* o = out.row(y);
            cmsDoTransform(t, s.row(y), o, static_cast<cmsUInt32Number>(s.width));
            for (int x = 0; x < s.width; ++x) o[static_cast<std::size_t>(x) * 4 + 3] = alphaAt(s.row(y), x, s.layout);
        }
    });
}

}  // namespace

std::optional<LinearMapping> linearMapping(const Samples& s) {
    if (!mappable(s.layout)) return std::nullopt;
    if (s.icc.empty()) return srgbMapping();
    Profile in(cmsOpenProfileFromMem(s.icc.data(), static_cast<cmsUInt32Number>(s.icc.size())));
    if (!in || !describes(cmsGetColorSpace(in.get()), s.layout)) return srgbMapping();
    if (isGray(s.layout)) return std::nullopt;
    return matrixShaper(in.get());
}

std::optional<Image> toWorking(const Samples& s) {
    if (s.icc.empty() || s.width <= 0 || s.height <= 0 || !s.data) return std::nullopt;
    Profile in(cmsOpenProfileFromMem(s.icc.data(), static_cast<cmsUInt32Number>(s.icc.size())));
    if (!in || !describes(cmsGetColorSpace(in.get()), s.layout)) return std::nullopt;
    Profile out = workingSpace();
    if (!out) return std::nullopt;
    // Extra (alpha) channels are skipped by the engine and filled in afterwards.
    Transform t(cmsCreateTransform(in.get(), lcmsFormat(s.layout, s.cmykInverted), out.get(), TYPE_RGBA_FLT,
                                   INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE));
    if (!t) return std::nullopt;
    Image image(s.width, s.height);
    applyTransform(t.get(), s, image);
    return image;
}

std::vector<std::uint8_t> rgbProfile(const Chromaticities& space, bool linearTransfer) {
    const cmsCIExyY white{space.whiteX, space.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{
        {space.redX, space.redY, 1.0}, {space.greenX, space.greenY, 1.0}, {space.blueX, space.blueY, 1.0}};
    Profile p = makeRgbProfile(white, primaries, linearTransfer);
    cmsUInt32Number size = 0;
    if (!p || !cmsSaveProfileToMem(p.get(), nullptr, &size) || size == 0) return {};
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(p.get(), bytes.data(), &size)) return {};
    return bytes;
}

}  // namespace ombrel::ColorProfile
