#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace ombrel {

// A fixed two-way table between the cases of an enumeration and their texts,
// in the order the cases are listed to the user.
template <typename E, std::size_t N>
struct EnumTexts {
    std::array<std::pair<E, std::string_view>, N> entries;

    constexpr std::string_view text(E value) const {
        for (const auto& [e, t] : entries) {
            if (e == value) return t;
        }
        return {};
    }

    // Exact, case-sensitive: "Pick" is not "pick".
    constexpr std::optional<E> fromText(std::string_view t) const {
        for (const auto& [e, s] : entries) {
            if (s == t) return e;
        }
        return std::nullopt;
    }

    constexpr std::array<E, N> cases() const {
        std::array<E, N> out{};
        for (std::size_t i = 0; i < N; ++i) out[i] = entries[i].first;
        return out;
    }
};

}  // namespace ombrel
