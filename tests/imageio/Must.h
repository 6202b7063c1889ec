#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace ombrel::test {

// What a call that must succeed returned; when it gave nothing the test fails
// with an exception that names the call.
template <typename T>
T must(std::optional<T> value, const std::string& what) {
    if (!value) throw std::runtime_error(what + " gave nothing");
    return std::move(*value);
}

}  // namespace ombrel::test

// The value of `call`, which must succeed; the failure quotes the call.
#define OMBREL_MUST(call) ::ombrel::test::must(call, #call)
