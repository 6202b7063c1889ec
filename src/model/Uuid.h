#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

// A 128-bit identifier. Written in lower case; parsed in either case.
class Uuid {
public:
    Uuid() = default;  // the nil UUID

    static Uuid generate();
    // Only the standard 8-4-4-4-12 hexadecimal form is accepted.
    static std::optional<Uuid> parse(std::string_view text);

    std::string toString() const;
    bool isNil() const { return bytes_ == std::array<std::uint8_t, 16>{}; }

    auto operator<=>(const Uuid&) const = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace ombrel
