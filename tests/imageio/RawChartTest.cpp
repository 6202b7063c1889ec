// The default RAW look against a real colour checker shot (a Canon PowerShot
// S40 under daylight, with the camera's own JPEG thumbnail as its preview):
// colour accuracy against the chart's published values, no hue shifts from
// the tone boost, and brightness where the camera puts it.
#include "RawTestSupport.h"
#include "TestData.h"

#include "imageio/RawDecoder.h"
#include "imageio/RawToneCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace ombrel {
namespace {

using test::Lab;
using test::Rect;
using test::Rgb;

const std::string chartFile = "raw/canon_powershot_s40_colorchart_CRW_0104.dng";

struct Patch {
    const char* name;
    Lab d50;
};

// The 15 patches the frame shows whole: columns 2-6 of rows 2-4 (the top row
// and the left column are cut). L*a*b* (D50, 2 degrees) of charts made after
// November 2014, as published by X-Rite for the ColorChecker Classic.
const Patch patches[15] = {
    {"purplish blue", {39.43, 10.75, -45.17}}, {"moderate red", {50.57, 48.64, 16.67}},
    {"purple", {30.10, 22.54, -20.87}},        {"yellow green", {71.77, -24.13, 58.19}},
    {"orange yellow", {71.51, 18.24, 67.37}},  {"green", {54.38, -39.72, 32.27}},
    {"red", {42.43, 51.05, 28.62}},            {"yellow", {81.80, 2.67, 80.41}},
    {"magenta", {50.63, 51.28, -14.12}},       {"cyan", {49.57, -29.71, -28.32}},
    {"neutral 8", {81.29, -0.57, 0.44}},       {"neutral 6.5", {66.89, -0.75, -0.06}},
    {"neutral 5", {50.76, -0.13, 0.14}},       {"neutral 3.5", {35.63, -0.46, -0.48}},
    {"black", {20.64, 0.07, -0.46}}};
constexpr int colourPatches = 10, neutral8 = 10, neutral65 = 11, neutral35 = 13, black = 14;

// Patch centres in the upright 2312 x 1720 frame, read off the decoded
// picture: columns about 397 pixels apart, rows 394, patches about 340
// pixels wide. The 200-pixel boxes keep clear of the borders, also in the
// 256-pixel preview and with or without lens correction.
constexpr double frameWidth = 2312, frameHeight = 1720, box = 200;
constexpr double centreX[5] = {379, 776, 1174, 1570, 1965}, centreY[3] = {326, 718, 1113};
// The white patch's visible strip at the left edge of the bottom row.
constexpr double whiteStrip[4] = {20, 1013, 100, 200};

Rect scaled(double x, double y, double width, double height, int pictureWidth) {
    const double k = pictureWidth / frameWidth;
    return {static_cast<int>(x * k), static_cast<int>(y * k), std::max(1, static_cast<int>(width * k)),
            std::max(1, static_cast<int>(height * k))};
}

// Mean linear colour of each patch, then of the white strip.
template <typename Picture>
std::vector<Rgb> measure(const Picture& picture) {
    std::vector<Rgb> out;
    for (int i = 0; i < 15; ++i)
        out.push_back(test::meanColour(picture, scaled(centreX[i % 5] - box / 2, centreY[i / 5] - box / 2, box, box,
                                                       picture.width())));
    out.push_back(test::meanColour(picture, scaled(whiteStrip[0], whiteStrip[1], whiteStrip[2], whiteStrip[3],
                                                   picture.width())));
    return out;
}

Rgb times(const Rgb& c, double k) { return {c.r * k, c.g * k, c.b * k}; }

// Mean CIEDE2000 over the patches, as rendered or after scaling each channel
// so that neutral 6.5 matches its reference (white balance and exposure
// taken out, leaving colour and tone).
double meanDeltaE(const std::vector<Rgb>& measured, bool neutralised) {
    const Rgb grey = test::linearSrgbOf(test::fromD50(patches[neutral65].d50)), mine = measured[neutral65];
    double sum = 0;
    for (int i = 0; i < 15; ++i) {
        Rgb c = measured[i];
        if (neutralised) c = {c.r * grey.r / mine.r, c.g * grey.g / mine.g, c.b * grey.b / mine.b};
        sum += test::deltaE2000(test::labOf(c), test::fromD50(patches[i].d50));
    }
    return sum / 15;
}

struct Renderings {
    std::vector<Rgb> boosted, linear, plainMatrix, camera;
};

Renderings renderings() {
    const auto file = *test::testDataDir() / chartFile;
    const auto boosted = RawDecoder::decode(file, 1.0, {});
    RawOptions off;
    off.appleBoost = false;
    const auto linear = RawDecoder::decode(file, 1.0, off);
    const auto preview = RawDecoder::thumbnail(file, 256);
    if (!boosted || !linear || !preview || boosted->image.width() != frameWidth) return Renderings{};
    Renderings out{measure(boosted->image), measure(linear->image), {}, measure(*preview)};
    // LibRaw's own output from the same camera matrix: linear, sensor white at 1.
    for (const Rgb& c : out.linear) out.plainMatrix.push_back(times(c, 1 / exposureGain(0)));
    return out;
}

TEST(RawChart, ColoursAreAsAccurateAsThePlainMatrixAndBrightnessIsTheCamerasOwn) {
    OMBREL_REQUIRE_TESTDATA();
    const Renderings r = renderings();
    ASSERT_FALSE(r.camera.empty());
    EXPECT_LE(meanDeltaE(r.boosted, true), meanDeltaE(r.linear, true) + 0.3) << "neutralised on neutral 6.5";
    EXPECT_LT(meanDeltaE(r.boosted, false), meanDeltaE(r.plainMatrix, false)) << "as rendered";
    for (int i = 0; i < colourPatches; ++i)
        EXPECT_LE(std::abs(test::hueDifference(test::labOf(r.linear[i]), test::labOf(r.boosted[i]))), 3.0)
            << patches[i].name << ": the boost keeps hue";

    EXPECT_NEAR(std::log2(r.boosted[neutral65].luminance() / r.camera[neutral65].luminance()), 0, 0.15)
        << "mid-grey in EV";
    for (int i : {neutral35, black})
        EXPECT_NEAR(test::srgbLevel(r.boosted[i].luminance()), test::srgbLevel(r.camera[i].luminance()), 8)
            << patches[i].name << ": shadows in 8-bit levels";
    // Whites keep at least the camera's separation from the greys below them.
    const auto stops = [](const std::vector<Rgb>& c, int from) { return std::log2(c[15].luminance() / c[from].luminance()); };
    EXPECT_GE(stops(r.boosted, neutral8), stops(r.camera, neutral8));
    EXPECT_GE(stops(r.boosted, neutral65), stops(r.camera, neutral65));
}

}  // namespace
}  // namespace ombrel
