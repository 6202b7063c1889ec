#pragma once

#include <cstdint>
#include <vector>

namespace ombrel::test {

// A copy of a JPEG with a second frame header (its own SOF segment again)
// just before the end marker: every scan decodes, but a decoder that reads on
// to the end of the file fails there. Throws when `jpeg` has no SOF or EOI.
std::vector<std::uint8_t> withSecondFrameHeader(const std::vector<std::uint8_t>& jpeg);

}  // namespace ombrel::test
