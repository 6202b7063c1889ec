#include "ExportReadBack.h"
#include "ImageStats.h"
#include "Must.h"
#include "TempDir.h"
#include "TestData.h"

#include "imageio/ColorProfile.h"
#include "imageio/FileBytes.h"
#include "imageio/HeifDecoder.h"
#include "imageio/ImageLoader.h"
#include "imageio/JpegDecoder.h"
#include "imageio/JpegMarkers.h"
#include "imageio/MetadataReader.h"
#include "render/Orientation.h"
#include "render/Resample.h"
#include "render/SrgbTables.h"
#include "render/ops/SrgbTransfer.h"
#include "imageio/StandardDecoder.h"
#include "imageio/WorkingSpace.h"

#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <png.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ombrel {
namespace {

namespace fs = std::filesystem;
using test::meanChroma;
using test::meanOf;
using test::quadrantDifference;
using test::Rgb;

fs::path photo(const std::string& relative) { return *test::testDataDir() / relative; }

template <typename Picture>
std::pair<int, int> sizeOf(const Picture& image) { return {image.width(), image.height()}; }

TEST(StandardDecoderOrientation, GreyOrientationSixMatchesTheColourPhotoItWasMadeFrom) {
    OMBREL_REQUIRE_TESTDATA();
    const auto grey = OMBREL_MUST(StandardDecoder::decodeFull(photo("jpeg/grayscale_orientation6_derived.jpg")));
    ASSERT_EQ(sizeOf(grey), std::pair(840, 557));
    EXPECT_EQ(meanChroma(grey), 0.0) << "every pixel grey";
    // Brightness on a 4 x 4 grid follows the upright colour original.
    const auto colour = OMBREL_MUST(StandardDecoder::decodeReduced(photo("jpeg/sony_slt_a57_DSC8833.jpg"), 840));
    for (int gy = 0; gy < 4; ++gy)
        for (int gx = 0; gx < 4; ++gx) {
            const Rgb g = meanOf(grey, gx / 4.0, gy / 4.0, (gx + 1) / 4.0, (gy + 1) / 4.0);
            const Rgb c = meanOf(colour, gx / 4.0, gy / 4.0, (gx + 1) / 4.0, (gy + 1) / 4.0);
            EXPECT_NEAR(g.r, c.luminance(), 0.05) << "cell " << gx << "," << gy;
        }
}

// The PNG with the orientation in its eXIf chunk (a 26-byte big-endian TIFF
// block holding only the orientation) changed, and the chunk's CRC redone.
std::string withPngOrientation(std::string png, int orientation) {
    const std::size_t type = png.find("eXIf");
    if (type == std::string::npos) return {};
    const std::size_t data = type + 4;
    png[data + 19] = static_cast<char>(orientation);
    return png.replace(data + 26, 4, test::be(test::crc32(png.substr(type, 4 + 26)), 4));
}

// The JPEG with its EXIF orientation entry (tag 0x0112, type SHORT, count 1,
// in either byte order; the value follows the 8-byte head) changed.
std::string withJpegOrientation(std::string jpeg, int orientation) {
    const std::size_t little = jpeg.find(std::string("\x12\x01\x03\x00\x01\x00\x00\x00", 8));
    const std::size_t big = jpeg.find(std::string("\x01\x12\x00\x03\x00\x00\x00\x01", 8));
    if (little != std::string::npos) jpeg[little + 8] = static_cast<char>(orientation);
    else if (big != std::string::npos) jpeg[big + 9] = static_cast<char>(orientation);
    else return {};
    return jpeg;
}

// Every orientation, the mirrored and transposed ones (2, 4, 5, 7) that no
// camera photo here has included, in a JPEG's EXIF block and a PNG's eXIf
// chunk: the upright size and exactly the stored pixels turned.
TEST(StandardDecoderOrientation, EveryExifOrientationGivesTheStoredPictureTurned) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    const std::pair<const char*, std::string (*)(std::string, int)> files[] = {
        {"jpeg/orientation_6_Landscape_6.jpg", withJpegOrientation},  // stored 1200 x 1800
        {"png/rgb8_with_exif_chunk.png", withPngOrientation}};
    for (const auto& [name, turn] : files) {
        const std::string bytes = test::readFile(photo(name));
        std::optional<Image> stored;
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(name) + " turned " + std::to_string(orientation));
            const auto turned = dir / ("turned" + std::to_string(orientation) + fs::path(name).extension().string());
            test::writeFile(turned, turn(bytes, orientation));
            ASSERT_EQ(StandardDecoder::properties(turned)->orientation, orientation);
            const auto upright = OMBREL_MUST(StandardDecoder::decodeFull(turned));
            if (!stored) stored = upright;
            const Image expected = applyOrientation(*stored, orientation);
            ASSERT_EQ(sizeOf(upright), sizeOf(expected));
            EXPECT_EQ(ImageLoader::pixelSize(turned), (PixelSize{double(expected.width()), double(expected.height())}));
            EXPECT_EQ(std::memcmp(upright.data(), expected.data(), expected.byteCount()), 0);
        }
    }
}

// One IFD entry; values of more than 4 bytes go to the data area.
struct TiffEntry {
    std::uint16_t tag, type;
    std::uint32_t count;
    std::vector<std::uint8_t> value;  // big-endian bytes
};

// A big-endian TIFF block: IFD0 with `ifd0` and a pointer to an EXIF IFD with
// `exif`; values of more than 4 bytes follow both IFDs.
std::vector<std::uint8_t> tiffBlock(std::vector<TiffEntry> ifd0, const std::vector<TiffEntry>& exif) {
    using test::be;
    const auto ifdSize = [](std::size_t n) { return static_cast<std::uint32_t>(2 + 12 * n + 4); };
    const std::uint32_t exifAt = 8 + ifdSize(ifd0.size() + 1), dataAt = exifAt + ifdSize(exif.size());
    ifd0.push_back({0x8769, 4, 1, {std::uint8_t(exifAt >> 24), std::uint8_t(exifAt >> 16), std::uint8_t(exifAt >> 8),
                                   std::uint8_t(exifAt)}});
    std::string out = "MM" + be(42, 2) + be(8, 4), data;
    for (const std::vector<TiffEntry>* ifd : {&std::as_const(ifd0), &exif}) {
        out += be(static_cast<std::uint32_t>(ifd->size()), 2);
        for (const TiffEntry& e : *ifd) {
            const std::string value(e.value.begin(), e.value.end());
            out += be(e.tag, 2) + be(e.type, 2) + be(e.count, 4);
            out += value.size() <= 4 ? value + std::string(4 - value.size(), '\0') : be(dataAt + data.size(), 4);
            if (value.size() > 4) data += value;
        }
        out += be(0, 4);
    }
    out += data;
    return {out.begin(), out.end()};
}

TEST(StandardDecoderMetadata, TagsAreTakenOnlyWithTheirExpectedType) {
    constexpr std::uint16_t ascii = 2, shortType = 3, rational = 5;
    const auto block = tiffBlock(
        {{0x010F, shortType, 1, {0, 7}},                          // Make as a number: left out
         {0x0110, ascii, 3, {'M', '1', 0}}},                      // Model
        {{0x829A, rational, 1, {0, 0, 0, 1, 0, 0, 0, 0}},        // ExposureTime 1/0: no number
         {0x829D, ascii, 4, {'2', '.', '8', 0}},                  // FNumber as text: left out
         {0x8827, shortType, 2, {0, 200, 0, 100}},                // ISO 200, 100
         {0x920A, rational, 1, {0, 0, 0, 105, 0, 0, 0, 2}},       // FocalLength 52.5
         {0x9003, shortType, 1, {0, 1}},                          // DateTimeOriginal as a number: left out
         {0xA434, ascii, 6, {'L', 'e', 'n', 's', '1', 0}}});      // LensModel
    ImageProperties p;
    MetadataReader::addExifBlock(block, p);
    EXPECT_FALSE(p.make);
    EXPECT_EQ(p.model, "M1");
    EXPECT_FALSE(p.exposureTime);
    EXPECT_FALSE(p.fNumber);
    EXPECT_EQ(p.isoSpeedRatings, (std::vector<std::int64_t>{200, 100}));
    EXPECT_EQ(p.focalLength, 52.5);
    EXPECT_FALSE(p.dateTimeOriginal);
    EXPECT_EQ(p.lensModel, "Lens1");
}

TEST(StandardDecoderJpeg, DctScaleIsTheSmallestThatStillCoversTheTarget) {
    const JpegDecoder::Size large{6000, 4000};
    EXPECT_EQ(JpegDecoder::scaleDenominator(large, 2800), 2);
    EXPECT_EQ(JpegDecoder::scaleDenominator(large, 3000), 2);
    EXPECT_EQ(JpegDecoder::scaleDenominator(large, 3001), 1);
    EXPECT_EQ(JpegDecoder::scaleDenominator(large, 750), 8);
    EXPECT_EQ(JpegDecoder::scaleDenominator(large, 751), 4);
    EXPECT_EQ(JpegDecoder::scaleDenominator(large, 0), 1);
    // Scaled sides round up: 1001 / 8 decodes to 126 pixels.
    EXPECT_EQ(JpegDecoder::scaleDenominator({1001, 10}, 126), 8);
}

TEST(StandardDecoderJpeg, ReducedDecodeHasTheExactFittedSizeAndTheFullDecodesLook) {
    OMBREL_REQUIRE_TESTDATA();
    const auto file = photo("jpeg/canon_eos_rp_MG_0633.jpg");
    const auto full = OMBREL_MUST(StandardDecoder::decodeFull(file));
    ASSERT_EQ(sizeOf(full), std::pair(4160, 2768));
    const struct {
        double target;
        std::pair<int, int> size;
    } cases[] = {
        {900, {900, 599}},     // a quarter, then resampled
        {2080, {2080, 1384}},  // halved, exactly the size asked
        {1900, {2080, 1384}},  // halved and kept: under a tenth larger than asked
        {2800, {2800, 1863}},  // whole, then resampled
        {519.5, {520, 346}},   // an eighth
    };
    for (const auto& [target, expected] : cases) {
        const auto reduced = OMBREL_MUST(StandardDecoder::decodeReduced(file, target));
        ASSERT_EQ(sizeOf(reduced), expected) << target;
        const Image scaled = resample(full, expected.first, expected.second);
        EXPECT_LT(quadrantDifference(reduced, scaled), 0.01) << target;
    }
}

TEST(StandardDecoderPng, SamplesSurviveAtTheirFullPrecision) {
    OMBREL_REQUIRE_TESTDATA();
    struct Case {
        const char* name;
        double unit;  // largest stored value
    };
    for (const Case c : {Case{"png/rgb16_photo_from_CRW_0104.png", 65535}, Case{"png/pngsuite_basn2c16_rgb16.png", 65535},
                         Case{"png/rgb8_with_exif_chunk.png", 255}}) {
        const auto stored = OMBREL_MUST(test::readPng(photo(c.name)));
        ASSERT_EQ(stored.channels, 3) << c.name;
        const auto image = OMBREL_MUST(StandardDecoder::decodeFull(photo(c.name)));
        ASSERT_EQ(std::pair(stored.width, stored.height), sizeOf(image)) << c.name;
        double worst = 0;
        int between8BitSteps = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    const double back = ops::srgbEncode(image.pixel(x, y)[ch]) * c.unit;
                    worst = std::max(worst, std::abs(back - stored.sample(x, y, ch)));
                    if (c.unit > 255 && stored.sample(x, y, ch) % 257 != 0) ++between8BitSteps;
                }
        // Within half a stored step: an 8-bit detour would miss by up to 128.
        EXPECT_LT(worst, 0.5) << c.name;
        if (c.unit > 255) {
            EXPECT_GT(between8BitSteps, 0) << c.name << " holds real 16-bit values";
        }
    }
}

// Writes `pixels` (rows packed, `format` as the simplified libpng API names it).
bool writePng(const fs::path& file, int width, int height, png_uint_32 format, const std::vector<std::uint8_t>& pixels,
              const std::vector<std::uint8_t>& colourMap = {}) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colourMap.size() / 4);
    return png_image_write_to_file(&image, file.c_str(), 0, pixels.data(), 0,
                                   colourMap.empty() ? nullptr : colourMap.data()) != 0;
}

TEST(StandardDecoderPng, PaletteGreyAndAlphaLayoutsExpandToRgba) {
    const test::TempDir dir;
    const float* lin = srgb8ToLinear();
    struct Case {
        const char* name;
        png_uint_32 format;
        std::vector<std::uint8_t> pixels;  // two pixels
        std::vector<std::uint8_t> colourMap;
        std::array<float, 8> expected;  // two RGBA pixels
    };
    const Case cases[] = {
        {"grey.png", PNG_FORMAT_GRAY, {10, 200}, {}, {lin[10], lin[10], lin[10], 1, lin[200], lin[200], lin[200], 1}},
        {"grey-alpha.png", PNG_FORMAT_GA, {10, 255, 200, 51}, {},
         {lin[10], lin[10], lin[10], 1, lin[200], lin[200], lin[200], 0.2f}},
        {"rgba.png", PNG_FORMAT_RGBA, {1, 2, 3, 255, 250, 128, 0, 0}, {},
         {lin[1], lin[2], lin[3], 1, lin[250], lin[128], lin[0], 0}},
        {"palette.png", PNG_FORMAT_RGBA_COLORMAP, {1, 0}, {30, 60, 90, 255, 200, 100, 50, 102},
         {lin[200], lin[100], lin[50], 0.4f, lin[30], lin[60], lin[90], 1}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(writePng(dir / c.name, 2, 1, c.format, c.pixels, c.colourMap)) << c.name;
        const auto image = OMBREL_MUST(StandardDecoder::decodeFull(dir / c.name));
        ASSERT_EQ(sizeOf(image), std::pair(2, 1)) << c.name;
        for (int i = 0; i < 8; ++i) EXPECT_NEAR(image.data()[i], c.expected[i], 1e-6f) << c.name << " sample " << i;
    }
}

TEST(StandardDecoderColour, CmykComesOutAsRedLettersOnBlack) {
    OMBREL_REQUIRE_TESTDATA();
    const auto image = OMBREL_MUST(StandardDecoder::decodeFull(photo("jpeg/cmyk_pil_sample_cmyk.jpg")));
    for (const auto& corner : {meanOf(image, 0, 0.9, 0.1, 1), meanOf(image, 0.9, 0.9, 1, 1)})
        EXPECT_LT(std::max({corner.r, corner.g, corner.b}), 0.02);
    int red = 0, otherColour = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const float* p = image.pixel(x, y);
            if (p[0] > 0.3f && p[1] < 0.05f && p[2] < 0.05f) ++red;
            if (p[1] > 0.3f || p[2] > 0.3f) ++otherColour;
        }
    EXPECT_GT(red, 500);
    EXPECT_EQ(otherColour, 0);
}

// The JPEG without its APP2 (ICC profile) segments: the same pixels, untagged.
std::string withoutIccSegments(const std::string& jpeg) {
    std::string out = jpeg.substr(0, 2);
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[pos]) == 0xFF) {
        const auto marker = static_cast<unsigned char>(jpeg[pos + 1]);
        if (marker == 0xDA) break;
        const std::size_t length = (static_cast<unsigned char>(jpeg[pos + 2]) << 8) | static_cast<unsigned char>(jpeg[pos + 3]);
        if (marker != 0xE2) out += jpeg.substr(pos, length + 2);
        pos += length + 2;
    }
    return out + jpeg.substr(pos);
}

TEST(StandardDecoderColour, AdobeRgbProfileMakesThePictureMoreColourfulThanTakingItAsSrgb) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    const auto tagged = photo("jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg");
    const auto untagged = dir / "untagged.jpg";
    test::writeFile(untagged, withoutIccSegments(test::readFile(tagged)));
    ASSERT_TRUE(readJpegColourInfo(*readFileBytes(untagged)).icc.empty());

    const auto withProfile = OMBREL_MUST(StandardDecoder::decodeFull(tagged));
    const auto asSrgb = OMBREL_MUST(StandardDecoder::decodeFull(untagged));
    // Adobe RGB primaries lie outside sRGB's: honouring them spreads the channels.
    EXPECT_GT(meanChroma(withProfile), 1.1 * meanChroma(asSrgb));

    const auto thumbWithProfile = OMBREL_MUST(StandardDecoder::thumbnail(tagged, 300));
    const auto thumbAsSrgb = OMBREL_MUST(StandardDecoder::thumbnail(untagged, 300));
    EXPECT_GT(meanChroma(thumbWithProfile), 1.1 * meanChroma(thumbAsSrgb));
}

// One 8-bit RGB pixel through `icc`, as 8-bit (table path) or 16-bit (engine path) samples.
Rgb throughProfile(const std::vector<std::uint8_t>& icc, int r, int g, int b, bool sixteenBit) {
    Samples s;
    s.width = s.height = 1;
    s.layout = sixteenBit ? SampleLayout::Rgb16 : SampleLayout::Rgb8;
    std::uint8_t* data = allocateRows(s);
    const int v[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        if (sixteenBit) reinterpret_cast<std::uint16_t*>(data)[c] = static_cast<std::uint16_t>(v[c] * 257);
        else data[c] = static_cast<std::uint8_t>(v[c]);
    }
    s.icc = icc;
    const auto image = ColorProfile::toWorking(s);
    if (!image) return {NAN, NAN, NAN};
    return {image->data()[0], image->data()[1], image->data()[2]};
}

void expectRgbNear(const Rgb& actual, const Rgb& expected, const std::string& what) {
    EXPECT_LT(test::distance(actual, expected), 2e-3) << what;
}

TEST(StandardDecoderColour, EmbeddedProfilesKeepPrimariesOutsideSrgbUnclipped) {
    OMBREL_REQUIRE_TESTDATA();
    const auto adobe = readJpegColourInfo(*readFileBytes(photo("jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg"))).icc;
    const auto heic = HeifDecoder::decode(*readFileBytes(photo("heic/iphone_xr_IMG_3578.heic")));
    ASSERT_FALSE(adobe.empty());
    ASSERT_TRUE(heic && !heic->icc.empty());
    // Columns of the published Adobe RGB -> sRGB and Display P3 -> sRGB matrices.
    for (bool sixteenBit : {false, true}) {
        const std::string path = sixteenBit ? "16-bit" : "8-bit";
        expectRgbNear(throughProfile(adobe, 255, 0, 0, sixteenBit), {1.3984, 0, 0}, "Adobe red " + path);
        expectRgbNear(throughProfile(adobe, 0, 255, 0, sixteenBit), {-0.3984, 1, -0.0429}, "Adobe green " + path);
        expectRgbNear(throughProfile(heic->icc, 255, 0, 0, sixteenBit), {1.2249, -0.0420, -0.0196}, "P3 red " + path);
        expectRgbNear(throughProfile(heic->icc, 0, 0, 255, sixteenBit), {0, 0, 1.0983}, "P3 blue " + path);
        expectRgbNear(throughProfile(heic->icc, 255, 255, 255, sixteenBit), {1, 1, 1}, "P3 white " + path);
    }
}

// Random 8-bit samples of `layout`, optionally tagged.
Samples noiseSamples(int width, int height, SampleLayout layout, std::vector<std::uint8_t> icc, unsigned seed) {
    Samples s;
    s.width = width;
    s.height = height;
    s.layout = layout;
    std::uint8_t* rows = allocateRows(s);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < s.stride * height; ++i) rows[i] = static_cast<std::uint8_t>(rng());
    s.icc = std::move(icc);
    return s;
}

TEST(StandardDecoderConversion, OnePassShrinkMatchesConvertingThenResampling) {
    OMBREL_REQUIRE_TESTDATA();
    const auto adobe = readJpegColourInfo(*readFileBytes(photo("jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg"))).icc;
    struct Case {
        SampleLayout layout;
        std::vector<std::uint8_t> icc;
        int width, height;
    };
    const Case cases[] = {{SampleLayout::Rgb8, {}, 301, 157},     {SampleLayout::Rgb8, adobe, 640, 95},
                          {SampleLayout::Rgba8, {}, 97, 211},     {SampleLayout::Gray8, {}, 250, 250},
                          {SampleLayout::GrayAlpha8, {}, 33, 400}, {SampleLayout::Rgb8, {}, 1000, 700}};
    for (const Case& c : cases) {
        const Samples s = noiseSamples(1000, 700, c.layout, c.icc, c.width);
        const auto reference = OMBREL_MUST(toWorkingImage(s));
        const auto onePass = OMBREL_MUST(toWorkingImage(s, c.width, c.height));
        const Image expected = resample(reference, c.width, c.height);
        ASSERT_EQ(sizeOf(onePass), sizeOf(expected));
        EXPECT_LT(test::maxDifference(onePass, expected), 1e-5) << c.width << " x " << c.height;
    }
}

TEST(StandardDecoderThumbnail, EmbeddedThumbnailsOnlyWhenLargeEnoughAndAlikeDecoded) {
    OMBREL_REQUIRE_TESTDATA();
    // The HEIC's 320 x 240 thumbnail item serves 320 and below; 400 needs a decode.
    const auto heic = photo("heic/iphone_xr_IMG_3578.heic");
    const auto item = OMBREL_MUST(StandardDecoder::thumbnail(heic, 320));
    const auto smaller = OMBREL_MUST(StandardDecoder::thumbnail(heic, 200));
    const auto decoded = OMBREL_MUST(StandardDecoder::thumbnail(heic, 400));
    EXPECT_EQ(sizeOf(item), std::pair(320, 240));
    EXPECT_EQ(sizeOf(smaller), std::pair(200, 150));
    EXPECT_EQ(sizeOf(decoded), std::pair(400, 300));
    EXPECT_LT(quadrantDifference(item, resample(decoded, 320, 240)), 8.0);

    // The 7D's EXIF thumbnail is 171 x 256 and sRGB although the picture is Adobe RGB.
    const auto jpeg = photo("jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg");
    const auto exif = OMBREL_MUST(StandardDecoder::thumbnail(jpeg, 256));
    const auto fromPicture = OMBREL_MUST(StandardDecoder::thumbnail(jpeg, 257));
    EXPECT_EQ(sizeOf(exif), std::pair(171, 256));
    EXPECT_LT(quadrantDifference(exif, resample(fromPicture, 171, 256)), 8.0);

    // A letterboxed 4:3 EXIF thumbnail of a 3:2 picture is not used.
    const auto rp = OMBREL_MUST(StandardDecoder::thumbnail(photo("jpeg/canon_eos_rp_MG_0633.jpg"), 160));
    EXPECT_EQ(sizeOf(rp), std::pair(160, 106));
}

struct HeicPicture {
    int width = 64, height = 32;
    int bits = 8;  // per channel
    heif_orientation orientation = heif_orientation_normal;
    std::vector<std::uint8_t> exif;
    std::function<std::array<int, 3>(int x, int y)> pixel;
};

// Encodes a picture as HEIC; false when no HEVC encoder is available.
bool writeHeic(const fs::path& file, const HeicPicture& picture) {
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    if (heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code != heif_error_Ok) {
        heif_context_free(ctx);
        return false;
    }
    heif_encoder_set_lossy_quality(encoder, 95);
    const bool deep = picture.bits > 8;
    heif_image* image = nullptr;
    heif_image_create(picture.width, picture.height, heif_colorspace_RGB,
                      deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width, picture.height, picture.bits);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const auto rgb = picture.pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                std::uint8_t* p = plane + y * stride + (x * 3 + c) * (deep ? 2 : 1);
                p[0] = static_cast<std::uint8_t>(rgb[c] & 0xFF);
                if (deep) p[1] = static_cast<std::uint8_t>(rgb[c] >> 8);
            }
        }
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = picture.orientation;
    heif_image_handle* handle = nullptr;
    const bool encoded = heif_context_encode_image(ctx, image, encoder, options, &handle).code == heif_error_Ok;
    if (encoded) {
        if (!picture.exif.empty()) {
            heif_context_add_exif_metadata(ctx, handle, picture.exif.data(), static_cast<int>(picture.exif.size()));
        }
        heif_context_write_to_file(ctx, file.c_str());
        heif_image_handle_release(handle);
    }
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
    return encoded;
}

TEST(StandardDecoderHeif, ItsOwnTurnIsAppliedOnceAndExifOrientationIgnored) {
    const test::TempDir dir;
    const auto file = dir / "turned.heic";
    // Stored 64 x 32, left half red and right half blue, shown turned 90° clockwise
    // by the file's own transform, and also carrying EXIF orientation 6.
    HeicPicture picture;
    picture.orientation = heif_orientation_rotate_90_cw;
    picture.exif = tiffBlock({{0x010F, 2, 5, {'T', 'e', 's', 't', 0}}, {0x0112, 3, 1, {0, 6}}}, {});  // Make, Orientation
    picture.pixel = [](int x, int) { return x < 32 ? std::array{220, 20, 20} : std::array{20, 20, 220}; };
    if (!writeHeic(file, picture)) GTEST_SKIP() << "no HEVC encoder";

    const auto props = OMBREL_MUST(StandardDecoder::properties(file));
    EXPECT_EQ(props.pixelWidth, 32);
    EXPECT_EQ(props.pixelHeight, 64);
    EXPECT_EQ(props.orientation, 1);
    EXPECT_EQ(props.make, "Test");

    for (const auto& image : {StandardDecoder::decodeFull(file), StandardDecoder::decodeReduced(file, 16)}) {
        ASSERT_TRUE(image);
        EXPECT_EQ(image->height(), 2 * image->width());
        // Turned clockwise once: the red left half is now on top.
        const Rgb top = meanOf(*image, 0.2, 0.1, 0.8, 0.4), bottom = meanOf(*image, 0.2, 0.6, 0.8, 0.9);
        EXPECT_GT(top.r, 5 * top.b);
        EXPECT_GT(bottom.b, 5 * bottom.r);
    }
}

TEST(StandardDecoderHeif, TenBitSamplesAreWidenedToTheirFullRange) {
    const test::TempDir dir;
    const auto file = dir / "deep.heic";
    HeicPicture picture;
    picture.bits = 10;
    picture.pixel = [](int x, int) { return x < 32 ? std::array{800, 400, 100} : std::array{1023, 1023, 1023}; };
    if (!writeHeic(file, picture)) GTEST_SKIP() << "no HEVC encoder";
    const auto image = StandardDecoder::decodeFull(file);
    if (!image) GTEST_SKIP() << "the HEVC encoder cannot write 10-bit files";
    const Rgb mean = meanOf(*image, 0.1, 0.25, 0.4, 0.75);
    // Lossy coding of a flat colour stays within a few 10-bit steps.
    for (const auto& [linear, stored] : {std::pair{mean.r, 800}, {mean.g, 400}, {mean.b, 100}})
        EXPECT_NEAR(ops::srgbEncode(static_cast<float>(linear)) * 1023, stored, 4);
    // White is full white, not a step below it.
    EXPECT_EQ(image->pixel(48, 16)[0], 1.0f);
}

// Damaged test files and photos cut short give what decodes (their sizes:
// ImageLoaderTest).
TEST(StandardDecoderFailure, DamagedAndCutFilesGiveWhatDecodes) {
    OMBREL_REQUIRE_TESTDATA();
    const auto truncated = photo("bad/truncated_60pct_canon_350d_MG_9380.jpg");
    EXPECT_EQ(OMBREL_MUST(StandardDecoder::properties(truncated)).model, "Canon EOS DIGITAL REBEL XT");
    const auto image = OMBREL_MUST(StandardDecoder::decodeFull(truncated));
    ASSERT_EQ(sizeOf(image), std::pair(2496, 1664));
    // The top holds the photo; the missing bottom is flat mid grey.
    const Rgb bottom = meanOf(image, 0, 0.95, 1, 1);
    const float grey = srgb8ToLinear()[128];
    EXPECT_NEAR(bottom.r, grey, 0.01);
    EXPECT_NEAR(bottom.b, grey, 0.01);
    EXPECT_GT(test::distance(meanOf(image, 0, 0, 1, 0.2), {grey, grey, grey}), 0.03);

    // Cut here: the rows that arrived are the whole file's, the rest is not.
    const test::TempDir dir;
    for (const char* name : {"jpeg/orientation_1_Landscape_1.jpg", "png/rgb8_with_exif_chunk.png"}) {
        const std::string bytes = test::readFile(photo(name));
        const auto cut = dir / fs::path(name).filename();
        test::writeFile(cut, bytes.substr(0, bytes.size() * 3 / 4));
        const auto whole = OMBREL_MUST(StandardDecoder::decodeFull(photo(name)));
        const auto partial = OMBREL_MUST(StandardDecoder::decodeFull(cut));
        ASSERT_EQ(sizeOf(partial), sizeOf(whole)) << name;
        EXPECT_LT(test::distance(meanOf(partial, 0, 0, 1, 0.3), meanOf(whole, 0, 0, 1, 0.3)), 1e-6) << name;
        EXPECT_GT(test::distance(meanOf(partial, 0, 0.97, 1, 1), meanOf(whole, 0, 0.97, 1, 1)), 0.01) << name;
    }
}

// Through the loader too, which sends a .dng to the RAW decoder.
TEST(StandardDecoderFailure, NonImagesGiveNothing) {
    const test::TempDir dir;
    std::mt19937 rng(7);
    std::string noise(50000, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    const std::pair<const char*, std::string> files[] = {{"empty.jpg", ""}, {"text.png", "just some words, not a picture\n"},
                                                         {"noise.jpg", noise}, {"noise.heic", noise}, {"noise.dng", noise}};
    for (const auto& [name, bytes] : files) test::writeFile(dir / name, bytes);
    for (const char* name : {"missing.jpg", "empty.jpg", "text.png", "noise.jpg", "noise.heic", "noise.dng"}) {
        const auto file = dir / name;
        EXPECT_FALSE(StandardDecoder::properties(file) || StandardDecoder::decodeFull(file) ||
                     StandardDecoder::decodeReduced(file, 100) || StandardDecoder::thumbnail(file, 100)) << name;
        EXPECT_FALSE(ImageLoader::pixelSize(file) || ImageLoader::load(file, 100.0, {}, std::nullopt) ||
                     ImageLoader::load(file, std::nullopt, {}, std::nullopt) || ImageLoader::thumbnail(file, 100)) << name;
    }
    EXPECT_FALSE(StandardDecoder::decodeReduced(dir / "missing.jpg", 0));
}

// Whatever comes back from a damaged file is a plain picture of the promised size.
void expectNoCrashAndSaneSize(const fs::path& file, std::pair<int, int> size) {
    if (const auto image = StandardDecoder::decodeFull(file)) {
        EXPECT_EQ(sizeOf(*image), size) << file;
    }
    if (const auto image = StandardDecoder::decodeReduced(file, 100)) {
        EXPECT_EQ(sizeOf(*image), fitWithin(size.first, size.second, 100)) << file;
    }
    if (const auto thumb = StandardDecoder::thumbnail(file, 64)) {
        EXPECT_LE(std::max(thumb->width(), thumb->height()), 64);
    }
    StandardDecoder::properties(file);
}

// Cuts at the very start, inside the headers and across the whole file.
std::vector<std::size_t> cutPoints(std::size_t size) {
    std::vector<std::size_t> cuts{1, 2, 3, 8, 12, 20, 40, 100, 300, 1000, 3000};
    for (int i = 1; i < 24; ++i) cuts.push_back(size * i / 24);
    cuts.push_back(size - 1);
    return cuts;
}

TEST(StandardDecoderFailure, TruncationsAnywhereAndCorruptScanDataGiveNothingOrThePromisedSize) {
    OMBREL_REQUIRE_TESTDATA();
    const test::TempDir dir;
    const std::pair<const char*, std::pair<int, int>> files[] = {
        {"jpeg/orientation_6_Landscape_6.jpg", {1800, 1200}},
        {"jpeg/progressive_panasonic_dmc_lc70.jpg", {1280, 960}},
        {"png/rgb8_with_exif_chunk.png", {512, 512}},
        {"png/rgb16_photo_from_CRW_0104.png", {800, 595}},
        {"heic/iphone_xr_IMG_3578.heic", {4032, 3024}},
    };
    for (const auto& [name, size] : files) {
        const std::string bytes = test::readFile(photo(name));
        const auto cut = dir / fs::path(name).filename();
        for (std::size_t n : cutPoints(bytes.size())) {
            test::writeFile(cut, bytes.substr(0, n));
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(n));
            expectNoCrashAndSaneSize(cut, size);
        }
    }
    // Whole, but with noise over its scan data.
    std::string bytes = test::readFile(photo("jpeg/orientation_3_Landscape_3.jpg"));
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) bytes[bytes.size() / 2 + rng() % (bytes.size() / 3)] = static_cast<char>(rng());
    test::writeFile(dir / "corrupt.jpg", bytes);
    expectNoCrashAndSaneSize(dir / "corrupt.jpg", {1800, 1200});
}

}  // namespace
}  // namespace ombrel
