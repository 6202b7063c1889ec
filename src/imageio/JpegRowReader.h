#pragma once

#include "Samples.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace ombrel {

// Decodes a JPEG held in memory a few rows at a time, top to bottom, into
// exactly the samples JpegDecoder::decode gives at full size: the same header
// checks, grey kept grey and everything else as RGB, the same decoder
// settings, warnings (damaged or missing scan data) let through and files
// with an absurd number of progressive scans refused. CMYK is not read here.
class JpegRowReader {
public:
    // Reads the header (decoding starts with the first rows); nothing when
    // JpegDecoder would refuse the file or it holds CMYK. `jpeg` must outlive
    // the reader.
    static std::optional<JpegRowReader> open(std::span<const std::uint8_t> jpeg);

    JpegRowReader(JpegRowReader&&) noexcept;
    JpegRowReader& operator=(JpegRowReader&&) noexcept;
    ~JpegRowReader();

    int width() const;
    int height() const;
    SampleLayout layout() const;  // Gray8 or Rgb8
    int rowsRead() const;

    // The next `count` rows into `rows`, `stride` bytes apart. False when the
    // decoder fails outright; the reader reads nothing more after that.
    bool read(std::uint8_t* rows, std::size_t stride, int count);

    // After the last row: reads the rest of the file as the whole-picture
    // decode does, which fails on a damaged marker after the scans.
    bool finish();

    // The decoder's state, opaque outside the implementation.
    struct State;

private:
    explicit JpegRowReader(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace ombrel
