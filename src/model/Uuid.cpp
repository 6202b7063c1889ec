#include "Uuid.h"

#include <uuid/uuid.h>

namespace ombrel {

Uuid Uuid::generate() {
    Uuid id;
    uuid_generate_random(id.bytes_.data());
    return id;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    const std::string zeroTerminated(text);
    Uuid id;
    if (uuid_parse(zeroTerminated.c_str(), id.bytes_.data()) != 0) return std::nullopt;
    return id;
}

std::string Uuid::toString() const {
    char out[37];
    uuid_unparse_lower(bytes_.data(), out);
    return out;
}

}  // namespace ombrel
