#include "ExportReadBack.h"

#include "TempDir.h"
#include "TestData.h"
#include "imageio/JpegCodec.h"

#include <exiv2/exiv2.hpp>
#include <jpeglib.h>
#include <lcms2.h>
#include <lcms2_plugin.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdio>
#include <random>
#include <stdexcept>

namespace ombrel::test {
namespace {

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void jpegFail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->escape, 1); }

bool decodeJpeg(jpeg_decompress_struct& cinfo, JpegErrors& errors, std::FILE* in, ReadBack& out) {
    if (setjmp(errors.escape)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xffff);
    jpeg_read_header(&cinfo, TRUE);
    JOCTET* icc = nullptr;
    unsigned iccSize = 0;
    if (jpeg_read_icc_profile(&cinfo, &icc, &iccSize)) {
        out.icc.assign(icc, icc + iccSize);
        std::free(icc);
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.channels = 3;
    out.bitsPerSample = 8;
    out.samples.resize(std::size_t(out.width) * out.height * 3);
    std::vector<JSAMPLE> row(std::size_t(out.width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        const std::size_t y = cinfo.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        std::copy(row.begin(), row.end(), out.samples.begin() + y * row.size());
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

void ensureExiv2() {
    static const bool ready = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return Exiv2::XmpParser::initialize();
    }();
    (void)ready;
}

[[noreturn]] void pngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool decodePng(png_structp png, png_infop info, std::FILE* in, ReadBack& out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, in);
    png_read_info(png, info);
    out.width = static_cast<int>(png_get_image_width(png, info));
    out.height = static_cast<int>(png_get_image_height(png, info));
    out.bitsPerSample = png_get_bit_depth(png, info);
    out.channels = png_get_channels(png, info);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) == PNG_INFO_iCCP) {
        out.icc.assign(profile, profile + profileSize);
    }
    if (out.bitsPerSample == 16) png_set_swap(png);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_byte> row(rowBytes);
    out.samples.resize(std::size_t(out.width) * out.height * out.channels);
    for (int y = 0; y < out.height; ++y) {
        png_read_row(png, row.data(), nullptr);
        const std::size_t n = std::size_t(out.width) * out.channels;
        for (std::size_t i = 0; i < n; ++i) {
            out.samples[y * n + i] = out.bitsPerSample == 16
                                         ? reinterpret_cast<const std::uint16_t*>(row.data())[i]
                                         : row[i];
        }
    }
    return true;
}

cmsCIEXYZ colorant(cmsHPROFILE profile, cmsTagSignature tag) {
    const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    return xyz ? *xyz : cmsCIEXYZ{0, 0, 0};
}

}  // namespace

std::optional<ReadBack> readJpeg(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return std::nullopt;
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jpegFail;
    ReadBack out;
    const bool ok = decodeJpeg(cinfo, errors, in, out);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    if (!ok) return std::nullopt;
    return out;
}

std::optional<ReadBack> readTiff(const std::filesystem::path& file) {
    TIFF* tiff = TIFFOpen(file.c_str(), "r");
    if (!tiff) return std::nullopt;
    ReadBack out;
    std::uint32_t w = 0, h = 0;
    std::uint16_t bits = 0, spp = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &spp);
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.bitsPerSample = bits;
    out.channels = spp;
    std::uint32_t iccSize = 0;
    void* icc = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &iccSize, &icc)) {
        const auto* bytes = static_cast<const std::uint8_t*>(icc);
        out.icc.assign(bytes, bytes + iccSize);
    }
    bool ok = bits == 16;
    if (ok) {
        out.samples.resize(std::size_t(w) * h * spp);
        for (std::uint32_t y = 0; ok && y < h; ++y) {
            ok = TIFFReadScanline(tiff, out.samples.data() + std::size_t(y) * w * spp, y) == 1;
        }
    }
    TIFFClose(tiff);
    if (!ok) return std::nullopt;
    return out;
}

std::optional<ReadBack> readPng(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, nullptr);
    png_infop info = png_create_info_struct(png);
    ReadBack out;
    const bool ok = decodePng(png, info, in, out);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    if (!ok) return std::nullopt;
    return out;
}

std::map<std::string, std::string> readExif(const std::filesystem::path& file) {
    ensureExiv2();
    std::map<std::string, std::string> tags;
    auto image = Exiv2::ImageFactory::open(file.string());
    image->readMetadata();
    for (const auto& datum : image->exifData()) tags[datum.key()] = datum.toString();
    return tags;
}

std::optional<ProfileInfo> describeProfile(const std::vector<std::uint8_t>& icc) {
    if (icc.empty()) return std::nullopt;
    cmsHPROFILE profile = cmsOpenProfileFromMem(icc.data(), static_cast<cmsUInt32Number>(icc.size()));
    if (!profile) return std::nullopt;
    ProfileInfo info;
    char text[256] = {};
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
    info.description = text;
    // Colorants are stored adapted to D50; the adaptation tag takes them back.
    cmsMAT3 back{{{{1, 0, 0}}, {{0, 1, 0}}, {{0, 0, 1}}}};
    if (const auto* chad = static_cast<const cmsMAT3*>(cmsReadTag(profile, cmsSigChromaticAdaptationTag))) {
        _cmsMAT3inverse(chad, &back);
    }
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int i = 0; i < 3; ++i) {
        const cmsCIEXYZ d50 = colorant(profile, tags[i]);
        const cmsVEC3 adapted{{d50.X, d50.Y, d50.Z}};
        cmsVEC3 xyz;
        _cmsMAT3eval(&xyz, &back, &adapted);
        info.primaries[i] = {xyz.n[0] / (xyz.n[0] + xyz.n[1] + xyz.n[2]), xyz.n[1] / (xyz.n[0] + xyz.n[1] + xyz.n[2])};
    }
    cmsCloseProfile(profile);
    return info;
}

void writeJpegFixture(const std::filesystem::path& file, const Bitmap8& pixels, int quality) {
    const auto jpeg = encodeJpeg(pixels, quality);
    if (!jpeg) throw std::runtime_error("cannot encode " + file.string());
    writeFile(file, *jpeg);
}

void addExif(const std::filesystem::path& file, const std::map<std::string, std::string>& tags,
             const std::optional<Bitmap8>& thumbnail) {
    ensureExiv2();
    auto image = Exiv2::ImageFactory::open(file.string());
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    for (const auto& [key, text] : tags) {
        const Exiv2::ExifKey exifKey(key);
        Exiv2::Value::AutoPtr value = Exiv2::Value::create(exifKey.defaultTypeId());
        value->read(text);
        exif.add(exifKey, value.get());
    }
    if (thumbnail) {
        const std::filesystem::path thumbFile = file.string() + ".thumb.jpg";
        writeJpegFixture(thumbFile, *thumbnail, 80);
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumbFile.string());
        std::filesystem::remove(thumbFile);
    }
    image->writeMetadata();
}

Bitmap8 noisyBitmap(int width, int height, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-40, 40);
    Bitmap8 pixels(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int base = (c == 0 ? x * 255 / width : c == 1 ? y * 255 / height : 128);
                pixels.pixel(x, y)[c] = static_cast<std::uint8_t>(std::clamp(base + noise(rng), 0, 255));
            }
    return pixels;
}

const std::filesystem::path& largeCameraJpeg() {
    static const TempDir dir;
    static const std::filesystem::path file = [] {
        const auto photo = readJpeg(copyTestFile("jpeg/sony_slt_a57_DSC8833.jpg", dir.path()));
        if (!photo) throw std::runtime_error("test photo unreadable");
        const Bitmap8 grain = noisyBitmap(6000, 4000);
        Bitmap8 large(6000, 4000);
        for (int y = 0; y < 4000; ++y)
            for (int x = 0; x < 6000; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int v = photo->sample(x * photo->width / 6000, y * photo->height / 4000, c) +
                                  (grain.pixel(x, y)[c] - 128) / 16;
                    large.pixel(x, y)[c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
                }
        writeJpegFixture(dir / "large.jpg", large, 90);
        addExif(dir / "large.jpg", {{"Exif.Image.Make", "Sony"}, {"Exif.Photo.FNumber", "16/1"}});
        return dir / "large.jpg";
    }();
    return file;
}

}  // namespace ombrel::test
