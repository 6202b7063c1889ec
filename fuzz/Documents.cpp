// Sidecars and the presets file may be damaged or edited by hand. Decoding
// refuses what it cannot read, and whatever it accepts must write back and
// read again unchanged, or saving an edit would silently alter it.
#include "model/Preset.h"
#include "model/Sidecar.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto sidecar = ombrel::Sidecar::decode(bytes)) {
        const auto written = ombrel::Sidecar::encode(*sidecar);
        if (!written || ombrel::Sidecar::decode(*written) != sidecar) std::abort();
    }
    if (const auto presets = ombrel::decodePresets(bytes)) {
        const auto written = ombrel::encodePresets(*presets);
        if (!written || ombrel::decodePresets(*written) != presets) std::abort();
    }
    return 0;
}
