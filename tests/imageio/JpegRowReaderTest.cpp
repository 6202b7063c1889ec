#include "DamagedJpeg.h"
#include "TestData.h"

#include "imageio/FileBytes.h"
#include "imageio/JpegDecoder.h"
#include "imageio/JpegRowReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace ombrel {
namespace {

std::vector<std::uint8_t> bytesOf(const std::string& relative) {
    auto bytes = readFileBytes(*test::testDataDir() / relative);
    if (!bytes) throw std::runtime_error("unreadable test photo " + relative);
    return *bytes;
}

// Every row through the reader, `strip` rows a call; nothing when a call fails.
std::optional<std::vector<std::uint8_t>> readAll(JpegRowReader& reader, int strip) {
    const std::size_t stride = std::size_t(reader.width()) * channelCount(reader.layout());
    std::vector<std::uint8_t> rows(stride * reader.height());
    while (reader.rowsRead() < reader.height()) {
        const int count = std::min(strip, reader.height() - reader.rowsRead());
        if (!reader.read(rows.data() + stride * reader.rowsRead(), stride, count)) return std::nullopt;
    }
    return rows;
}

// Differing samples between the reader's rows and the whole-picture decode.
std::size_t differences(const std::vector<std::uint8_t>& rows, const Samples& whole) {
    const std::size_t stride = std::size_t(whole.width) * channelCount(whole.layout);
    std::size_t count = 0;
    for (int y = 0; y < whole.height; ++y)
        for (std::size_t i = 0; i < stride; ++i) count += rows[stride * y + i] != whole.row(y)[i];
    return count;
}

TEST(JpegRowReader, GivesTheWholePictureDecodersSamplesInStripsOfAnySize) {
    OMBREL_REQUIRE_TESTDATA();
    // Baseline 4:2:0, 4:2:2 and 4:4:4, progressive, grey, turned, an Adobe RGB
    // file, and damaged files that decode with warnings.
    for (const std::string name :
         {"jpeg/orientation_1_Landscape_1.jpg", "jpeg/orientation_6_Landscape_6.jpg", "jpeg/sony_slt_a57_DSC8833.jpg",
          "jpeg/canon_eos_7d_lens_only_in_xmp_aux.jpg", "jpeg/progressive_panasonic_dmc_lc70.jpg",
          "jpeg/grayscale_orientation6_derived.jpg", "bad/truncated_60pct_canon_350d_MG_9380.jpg",
          "bad/corrupt_exif_olympus_u1020.jpg"}) {
        SCOPED_TRACE(name);
        const auto bytes = bytesOf(name);
        const auto whole = JpegDecoder::decode(bytes, 1);
        ASSERT_TRUE(whole);
        for (int strip : {1, 7, 16, 1000}) {
            auto reader = JpegRowReader::open(bytes);
            ASSERT_TRUE(reader);
            ASSERT_EQ(reader->width(), whole->width);
            ASSERT_EQ(reader->height(), whole->height);
            ASSERT_EQ(reader->layout(), whole->layout);
            const auto rows = readAll(*reader, strip);
            ASSERT_TRUE(rows) << "strips of " << strip;
            EXPECT_EQ(differences(*rows, *whole), 0u) << "strips of " << strip;
            EXPECT_TRUE(reader->finish());
        }
    }
}

// A small progressive JPEG whose every AC coefficient of every component
// comes in three scans of its own: 568 scans, a file built to make a decoder
// grind.
std::vector<std::uint8_t> manyScanJpeg() {
    constexpr int side = 32;
    std::vector<std::uint8_t> pixels(side * side * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 37 % 251);
    std::vector<jpeg_scan_info> scans{{3, {0, 1, 2, 0}, 0, 0, 0, 0}};
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k) {
            scans.push_back({1, {c, 0, 0, 0}, k, k, 0, 2});
            scans.push_back({1, {c, 0, 0, 0}, k, k, 2, 1});
            scans.push_back({1, {c, 0, 0, 0}, k, k, 1, 0});
        }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = cinfo.image_height = side;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.scan_info = scans.data();
    cinfo.num_scans = static_cast<int>(scans.size());
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < side; ++y) {
        JSAMPROW row = pixels.data() + y * side * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Cut headers, absurdly many scans and damage after the scans fail where the
// whole-picture decoder fails; CMYK, which that decoder takes, is refused; and
// no read goes past the last row.
TEST(JpegRowReader, RefusesWhatTheWholePictureDecoderRefusesAndCmyk) {
    OMBREL_REQUIRE_TESTDATA();
    const auto photo = bytesOf("jpeg/orientation_1_Landscape_1.jpg");
    const std::vector<std::uint8_t> headerCut(photo.begin(), photo.begin() + 300);
    EXPECT_FALSE(JpegDecoder::decode(headerCut, 1));
    EXPECT_FALSE(JpegRowReader::open(headerCut));
    EXPECT_FALSE(JpegRowReader::open(std::vector<std::uint8_t>(photo.size(), 0)));

    const auto cmyk = bytesOf("jpeg/cmyk_pil_sample_cmyk.jpg");
    ASSERT_TRUE(JpegDecoder::decode(cmyk, 1)) << "the whole-picture decoder does take CMYK";
    EXPECT_FALSE(JpegRowReader::open(cmyk));

    const auto manyScans = manyScanJpeg();
    EXPECT_FALSE(JpegDecoder::decode(manyScans, 1));
    auto reader = JpegRowReader::open(manyScans);
    ASSERT_TRUE(reader) << "its header is sound; the scans come with decoding";
    std::vector<std::uint8_t> rows(std::size_t(reader->width()) * reader->height() * 3);
    EXPECT_FALSE(reader->read(rows.data(), std::size_t(reader->width()) * 3, reader->height()));

    const auto damaged = test::withSecondFrameHeader(photo);
    EXPECT_FALSE(JpegDecoder::decode(damaged, 1));
    reader = JpegRowReader::open(damaged);
    ASSERT_TRUE(reader) << "the header is sound";
    ASSERT_TRUE(readAll(*reader, 16)) << "so are the scans";
    EXPECT_FALSE(reader->finish()) << "the damage shows at the end";

    reader = JpegRowReader::open(photo);
    ASSERT_TRUE(reader);
    const std::size_t stride = std::size_t(reader->width()) * 3;
    rows.assign(stride * (reader->height() + 1), 0);
    EXPECT_FALSE(reader->read(rows.data(), stride, reader->height() + 1)) << "more rows than the picture has";
    EXPECT_FALSE(reader->finish()) << "not every row was read";
}

}  // namespace
}  // namespace ombrel
