#pragma once

#include "model/RawOptions.h"

namespace ombrel::raw {

// The decoder's own settings for a file, as reported to the user interface:
// noise-reduction amounts that follow the file's ISO, no moiré reduction,
// lens correction on where it is supported (absent otherwise) and the tone
// boost on.
RawOptions defaultOptions(double iso, bool lensCorrectionSupported);

// The settings a decode uses: each option the photo sets replaces the
// default, except lens correction where it is unsupported (the default is
// absent), which stays absent whatever the photo says.
RawOptions effectiveOptions(const RawOptions& defaults, const RawOptions& options);

}  // namespace ombrel::raw
