#include "Must.h"
#include "RawTestSupport.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/RawDecoder.h"
#include "imageio/RawNoiseAmounts.h"
#include "imageio/RawToneCurve.h"
#include "render/Orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using test::DngBytes;
using test::Rect;
using test::Rgb;

fs::path shared(const std::string& relative) { return *test::testDataDir() / relative; }
std::string bytesOf(const std::string& relative) { return test::readFile(shared(relative)); }

fs::path write(const test::TempDir& dir, const std::string& name, const std::string& bytes) {
    test::writeFile(dir / name, bytes);
    return dir / name;
}

// Options built one field at a time (designated initialisers would leave the
// others to a compiler warning).
struct Options {
    RawOptions o;
    Options& lum(double v) { return o.lumNR = v, *this; }
    Options& colour(double v) { return o.colorNR = v, *this; }
    Options& moire(double v) { return o.moire = v, *this; }
    Options& lens(bool v) { return o.lensProfile = v, *this; }
    Options& boost(bool v) { return o.appleBoost = v, *this; }
    operator RawOptions() const { return o; }
};

// A flat stretch of grey wall in the CRW (stored orientation, full size).
constexpr Rect crwWall{40, 900, 260, 300};

template <typename Picture>
void expectSamePicture(const Picture& a, const Picture& b, double tolerance = 0) {
    ASSERT_EQ(std::pair(a.width(), a.height()), std::pair(b.width(), b.height()));
    EXPECT_LE(test::maxDifference(a, b), tolerance);
}

// The grid upside down, for telling a correctly oriented picture from a
// turned one.
std::vector<double> upsideDown(const std::vector<double>& grid) { return {grid.rbegin(), grid.rend()}; }

// The CRW's preview is the camera's own JPEG: the decode matches its grey wall
// closely, its colour, and its picture block by block. (The DNG's preview, which
// LibRaw rendered, is compared with the decoded thumbnail: RawThumbnail.)
TEST(RawDecoder, DefaultLookMatchesTheCamerasOwnPreview) {
    OMBREL_REQUIRE_TESTDATA();
    const auto preview = OMBREL_MUST(test::largestEmbeddedJpeg(bytesOf(test::crwFile)));
    ASSERT_EQ(preview.width(), 640);
    const Image image = OMBREL_MUST(RawDecoder::decode(shared(test::crwFile), 1.0, {})).image;
    ASSERT_EQ(image.width(), 2312);
    ASSERT_EQ(image.height(), 1720);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7) ASSERT_EQ(image.pixel(x, y)[3], 1.0f);

    const double k = 640.0 / 2312;
    const Rect previewWall{static_cast<int>(crwWall.x * k), static_cast<int>(crwWall.y * k),
                           static_cast<int>(crwWall.width * k), static_cast<int>(crwWall.height * k)};
    EXPECT_NEAR(std::log2(test::meanColour(image, crwWall).luminance() / test::meanColour(preview, previewWall).luminance()),
                0.0, 0.25)
        << "exposure in EV";
    const Rgb d = test::meanColour(image).normalised(), p = test::meanColour(preview).normalised();
    for (const double shareRatio : {d.r / p.r, d.g / p.g, d.b / p.b}) EXPECT_NEAR(shareRatio, 1.0, 0.10) << "r, g, b share";

    const auto mine = test::luminanceGrid(image, 16, 12), theirs = test::luminanceGrid(preview, 16, 12);
    const double upright = test::correlation(mine, theirs);
    EXPECT_GT(upright, 0.9) << "the picture matches the preview block by block";
    EXPECT_GT(upright, test::correlation(upsideDown(mine), theirs) + 0.3) << "and is not upside down";
}

// The picture and the thumbnail, embedded or decoded; lens correction, whose
// models are radial, around the turned picture's centre.
TEST(RawDecoder, OrientationIsAppliedExactlyOnce) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    const Bitmap8 preview = DngBytes(bytesOf(test::dngFile)).ifd0Preview();
    const RawOptions noLens = Options().lens(false);
    const auto stored = OMBREL_MUST(RawDecoder::decode(shared(test::dngFile), 0.25, noLens));
    const auto storedCorrected = OMBREL_MUST(RawDecoder::decode(shared(test::dngFile), 0.25, {}));
    // Lens correction reshapes the frame: the middle stays put, the corners move.
    const auto shift = [&](Rect r) {
        return std::abs(test::meanColour(storedCorrected.image, r).luminance() - test::meanColour(stored.image, r).luminance());
    };
    EXPECT_GT(test::meanAbsDifference(storedCorrected.image, stored.image), 0.003);
    EXPECT_LT(shift({190, 140, 20, 20}), shift({0, 0, 20, 20})) << "centre against corner";
    for (int orientation : {3, 6, 8}) {
        SCOPED_TRACE(orientation);
        DngBytes dng(bytesOf(test::dngFile));
        dng.setOrientation(orientation);
        const fs::path file = write(dir, "turned.dng", dng.bytes());
        const auto turned = OMBREL_MUST(RawDecoder::decode(file, 0.25, noLens));
        expectSamePicture(turned.image, applyOrientation(stored.image, orientation), 1e-6f);

        // Lens correction on the upright picture matches correcting first:
        // its models are radial. One pixel of misplacement would cost far
        // more than this.
        const auto turnedCorrected = OMBREL_MUST(RawDecoder::decode(file, 0.25, {}));
        const Image expected = applyOrientation(storedCorrected.image, orientation);
        const Image shifted = applyOrientation(expected, 2);  // a mirror: gross misplacement
        ASSERT_EQ(turnedCorrected.image.width(), expected.width());
        EXPECT_LT(test::meanAbsDifference(turnedCorrected.image, expected), 1e-3)
            << "a mirrored picture differs by " << test::meanAbsDifference(shifted, expected);

        const auto embedded = OMBREL_MUST(RawDecoder::thumbnail(file, 256));
        expectSamePicture(embedded, applyOrientation(preview, orientation));
        const auto decoded = OMBREL_MUST(RawDecoder::thumbnail(file, 320));
        EXPECT_EQ(decoded.width(), orientation == 3 ? 320 : 240);
    }
}

TEST(RawDecoder, ReducedDecodesHaveTheExactScaledSize) {
    OMBREL_REQUIRE_TESTDATA();
    const auto full = OMBREL_MUST(RawDecoder::decode(shared(test::dngFile), 1.0, {}));
    const Rgb fullColour = test::meanColour(full.image);
    for (double scale : {0.7, 0.5, 0.37, 0.001}) {
        SCOPED_TRACE(scale);
        const auto reduced = OMBREL_MUST(RawDecoder::decode(shared(test::dngFile), scale, {}));
        EXPECT_EQ(reduced.image.width(), std::max(1L, std::lround(1600 * scale)));
        EXPECT_EQ(reduced.image.height(), std::max(1L, std::lround(1200 * scale)));
        if (scale < 0.01) continue;  // two pixels say nothing about the colour
        // The half-size path (scale <= 0.5) develops like the full one.
        const Rgb colour = test::meanColour(reduced.image);
        EXPECT_NEAR(colour.luminance() / fullColour.luminance(), 1.0, 0.03);
        EXPECT_NEAR(colour.normalised().r / fullColour.normalised().r, 1.0, 0.02);
        EXPECT_NEAR(colour.normalised().b / fullColour.normalised().b, 1.0, 0.02);
    }
    const auto crw = OMBREL_MUST(RawDecoder::decode(shared(test::crwFile), 0.4, {}));
    EXPECT_EQ(crw.image.width(), 925);
    EXPECT_EQ(crw.image.height(), 688);
}

// Defaults follow the file: at ISO 50, with a camera and fixed lens lensfun
// knows, every option is at its default; ISO 3200 raises the noise
// reductions; a camera lensfun does not know gets no lens profile, even when
// asked. Options that restate a default change nothing, and the defaults are
// reported before the options.
TEST(RawDecoder, DefaultsFollowTheFileAndOptionsThatRestateThemChangeNothing) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    DngBytes iso(bytesOf(test::dngFile)), camera(bytesOf(test::dngFile));
    iso.setIso(3200);
    camera.replaceText("PowerShot S40", "PowerShot X99");
    const RawOptions plain = Options().lum(0).colour(0).moire(0).lens(true).boost(true);
    const RawOptions noisy = Options{plain}.lum(raw::defaultLuminanceAmount(3200)).colour(raw::defaultColorAmount(3200));
    RawOptions noLens = plain;
    noLens.lensProfile.reset();
    const struct {
        fs::path file;
        RawOptions defaults;
        std::vector<RawOptions> restating;
    } cases[] = {
        {shared(test::crwFile), plain, {}},
        {shared(test::dngFile), plain,
         {Options().lum(0), Options().colour(0), Options().moire(0), Options().lens(true), Options().boost(true)}},
        {write(dir, "iso3200.dng", iso.bytes()), noisy, {}},
        {write(dir, "unknown.dng", camera.bytes()), noLens, {Options().lens(true), Options().lens(false)}},
    };
    std::vector<Image> byDefault;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto decoded = OMBREL_MUST(RawDecoder::decode(c.file, 0.25, {}));
        EXPECT_EQ(decoded.defaults, c.defaults);
        for (const RawOptions& options : c.restating) {
            const auto result = OMBREL_MUST(RawDecoder::decode(c.file, 0.25, options));
            expectSamePicture(result.image, decoded.image);
            EXPECT_EQ(result.defaults, c.defaults);
        }
        byDefault.push_back(decoded.image);
    }
    // The ISO changes the defaults and nothing else.
    const auto without = OMBREL_MUST(RawDecoder::decode(cases[2].file, 0.25, Options().lum(0).colour(0)));
    expectSamePicture(without.image, byDefault[1]);
    EXPECT_GT(test::meanAbsDifference(byDefault[2], byDefault[1]), 1e-4);
}

TEST(RawDecoder, NoiseReductionSmoothsAFlatWall) {
    OMBREL_REQUIRE_TESTDATA();
    const auto decodeWall = [](const RawOptions& options) {
        const Image image = OMBREL_MUST(RawDecoder::decode(shared(test::crwFile), 1.0, options)).image;
        return std::pair(test::measureNoise(image, crwWall), test::meanColour(image, crwWall).luminance());
    };
    const auto [plain, plainLevel] = decodeWall({});
    const auto [lumHalf, lumHalfLevel] = decodeWall(Options().lum(0.5));
    const auto [lumFull, lumFullLevel] = decodeWall(Options().lum(1));
    const auto [colour, colourLevel] = decodeWall(Options().colour(1));
    const auto [moire, moireLevel] = decodeWall(Options().moire(1));

    EXPECT_LT(lumHalf.luma, 0.8 * plain.luma);
    EXPECT_LT(lumFull.luma, 0.8 * lumHalf.luma) << "more is smoother";
    EXPECT_LT(colour.chroma, 0.6 * plain.chroma);
    EXPECT_NEAR(colour.luma / plain.luma, 1.0, 0.1) << "colour noise reduction keeps the luminance";
    EXPECT_LT(moire.chroma, 0.9 * plain.chroma) << "the median passes calm false colour";
    for (double level : {lumHalfLevel, lumFullLevel, colourLevel, moireLevel})
        EXPECT_NEAR(level / plainLevel, 1.0, 0.02) << "the wall keeps its brightness";
}

// The boosted picture is the plain one through the curve (whose shape
// RawLookTest checks), so the boost comes last and keeps every colour below white.
TEST(RawDecoder, ToneBoostIsTheLastStep) {
    OMBREL_REQUIRE_TESTDATA();
    const auto on = OMBREL_MUST(RawDecoder::decode(shared(test::crwFile), 0.5, {}));
    const auto off = OMBREL_MUST(RawDecoder::decode(shared(test::crwFile), 0.5, Options().boost(false)));
    ASSERT_EQ(on.image.width(), off.image.width());
    const ToneBoost boost(exposureGain(0));
    float brightestOff = 0, brightestOn = 0;
    for (int y = 0; y < on.image.height(); ++y)
        for (int x = 0; x < on.image.width(); ++x) {
            const float *a = off.image.pixel(x, y), *b = on.image.pixel(x, y);
            const float n = ToneBoost::norm(a[0], a[1], a[2]), top = std::max({b[0], b[1], b[2]});
            if (n > 0 && top < 0.95f) {
                for (int c = 0; c < 3; ++c) ASSERT_NEAR(b[c], a[c] * boost.curve(n) / n, 2e-3);
            }
            brightestOff = std::max({brightestOff, a[0], a[1], a[2]});
            brightestOn = std::max(brightestOn, top);
        }
    EXPECT_GT(brightestOff, 1.1f) << "without the boost sensor white lies above 1";
    EXPECT_LE(brightestOn, 1.0f) << "with it, on white at most";
    EXPECT_GT(brightestOn, 0.97f);
}

TEST(RawDecoder, UnreadableFilesGiveNothing) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    const std::string dng = bytesOf(test::dngFile);
    std::vector<std::size_t> cuts = {0, 1, 2, 4, 7, 8, 16, 64, 300, 543, 544, 600, 766, 887, 888, 10000, 148343,
                                     148344, 148345, 151544, dng.size() - 2, dng.size() - 1};
    for (int i = 1; i < 40; ++i) cuts.push_back(dng.size() * i / 40);
    for (std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        const fs::path file = write(dir, "cut.dng", dng.substr(0, cut));
        EXPECT_FALSE(RawDecoder::decode(file, 0.25, {}));
        // The preview lies before the sensor data, so a cut file may keep it.
        if (const auto thumb = RawDecoder::thumbnail(file, 160)) {
            EXPECT_EQ(thumb->width(), 160);
        }
    }

    std::mt19937 random(42);
    for (std::size_t size : {1u, 100u, 4096u, 65536u, 1u << 20}) {
        SCOPED_TRACE(size);
        std::string noise(size, '\0');
        for (char& c : noise) c = static_cast<char>(random());
        const fs::path file = write(dir, "noise.dng", noise);
        EXPECT_FALSE(RawDecoder::decode(file, 1.0, {}));
        EXPECT_FALSE(RawDecoder::thumbnail(file, 320));
    }

    const fs::path jpeg = write(dir, "photo.dng", bytesOf("jpeg/canon_eos_rp_MG_0633.jpg"));
    EXPECT_FALSE(RawDecoder::decode(jpeg, 1.0, {}));
    EXPECT_FALSE(RawDecoder::thumbnail(jpeg, 320));
    EXPECT_FALSE(RawDecoder::decode(write(dir, "empty.dng", ""), 1.0, {}));
    EXPECT_FALSE(RawDecoder::decode(dir / "missing.dng", 1.0, {}));
    EXPECT_FALSE(RawDecoder::decode(dir.path(), 1.0, {}));
    EXPECT_FALSE(RawDecoder::decode(shared(test::dngFile), 0.0, {}));
    EXPECT_FALSE(RawDecoder::thumbnail(shared(test::dngFile), 0));

    // LibRaw 0.20 cannot read deflate-compressed sensor data.
    DngBytes deflate(dng);
    deflate.setRawCompression(8);
    EXPECT_FALSE(RawDecoder::decode(write(dir, "deflate.dng", deflate.bytes()), 1.0, {}));
}

// The embedded preview when it is large enough, else a decode that looks like it.
TEST(RawThumbnail, EmbeddedPreviewWhenLargeEnoughElseADecode) {
    OMBREL_REQUIRE_TESTDATA();
    const auto crwPreview = OMBREL_MUST(test::largestEmbeddedJpeg(bytesOf(test::crwFile)));
    const auto whole = OMBREL_MUST(RawDecoder::thumbnail(shared(test::crwFile), 640));
    expectSamePicture(whole, crwPreview);
    const auto small = OMBREL_MUST(RawDecoder::thumbnail(shared(test::crwFile), 320));
    EXPECT_EQ(small.width(), 320);
    EXPECT_EQ(small.height(), 240);
    EXPECT_NEAR(test::meanColour(small).luminance() / test::meanColour(crwPreview).luminance(), 1.0, 0.03);

    const Bitmap8 dngPreview = DngBytes(bytesOf(test::dngFile)).ifd0Preview();
    const auto dngThumb = OMBREL_MUST(RawDecoder::thumbnail(shared(test::dngFile), 256));
    expectSamePicture(dngThumb, dngPreview);

    const auto thumb = OMBREL_MUST(RawDecoder::thumbnail(shared(test::dngFile), 320));
    EXPECT_EQ(thumb.width(), 320);
    EXPECT_EQ(thumb.height(), 240);
    const Rgb mine = test::meanColour(thumb), theirs = test::meanColour(dngPreview);
    EXPECT_NEAR(std::log2(mine.luminance() / theirs.luminance()), 0.0, 0.75) << "a preview LibRaw brightened";
    EXPECT_NEAR(mine.normalised().b / theirs.normalised().b, 1.0, 0.1);
    EXPECT_GT(test::correlation(test::luminanceGrid(thumb, 16, 12), test::luminanceGrid(dngPreview, 16, 12)), 0.9);

    const auto large = OMBREL_MUST(RawDecoder::thumbnail(shared(test::crwFile), 1000));
    EXPECT_EQ(large.width(), 1000);
    EXPECT_EQ(large.height(), 744);
}

}  // namespace
}  // namespace ombrel
