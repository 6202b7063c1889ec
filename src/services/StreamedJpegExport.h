#pragma once

#include "ExportOptions.h"
#include "RowDeveloper.h"

#include "imageio/JpegRowReader.h"
#include "imageio/OutputColor.h"
#include "model/EditSettings.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

namespace ombrel {

// A full-size JPEG export of a JPEG photo whose edit works on each pixel
// alone, made in strips of rows: while the decoder reads one strip, earlier
// strips are developed and encoded, so decoding, developing and encoding
// overlap on the cores and no full-size working image is ever made. The file
// is the one the band renderer writes for the same export, byte for byte.
class StreamedJpegExport {
public:
    // Nothing when the export needs more than this: another format, a smaller
    // size, a photo that is not a JPEG the decoder takes as grey or RGB, a
    // colour profile beyond curves and a matrix, or an edit with
    // neighbourhood, distortion or geometry stages. The band renderer does
    // those.
    static std::optional<StreamedJpegExport> prepare(const std::filesystem::path& photo, const EditSettings& settings,
                                                     const ExportOptions& options);

    // The size of the exported picture (upright).
    int width() const { return developer_.width(); }
    int height() const;

    // Writes the JPEG with the output space's ICC profile to `out` (the Exif
    // block is added afterwards, as for every export). False when decoding or
    // writing fails part-way. Call it once.
    bool write(std::FILE* out);

private:
    StreamedJpegExport(std::vector<std::uint8_t> bytes, JpegRowReader reader, RowDeveloper developer,
                       int orientation, int quality, OutputSpace space)
        : bytes_(std::move(bytes)), reader_(std::move(reader)), developer_(std::move(developer)),
          orientation_(orientation), quality_(quality), space_(space) {}

    bool run(std::FILE* out);

    std::vector<std::uint8_t> bytes_;  // the file, which the reader decodes from
    JpegRowReader reader_;
    RowDeveloper developer_;
    int orientation_;  // EXIF, 1...8
    int quality_;      // libjpeg's scale
    OutputSpace space_;
};

}  // namespace ombrel
