#include "HeifDecoder.h"

#include "ColorProfile.h"
#include "DecodeLimits.h"

#include <libheif/heif.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string_view>

namespace ombrel::HeifDecoder {

namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<const heif_image_handle, HandleRelease>;

// The library is initialised once for the process and never torn down, so
// decodes on any thread find its plugins loaded.
void initialise() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

Context contextFromMemory(std::span<const std::uint8_t> bytes) {
    initialise();
    Context ctx(heif_context_alloc());
    if (!ctx) return nullptr;
    if (heif_context_read_from_memory_without_copy(ctx.get(), bytes.data(), bytes.size(), nullptr).code !=
        heif_error_Ok) {
        return nullptr;
    }
    return ctx;
}

Handle primary(heif_context* ctx) {
    heif_image_handle* h = nullptr;
    if (heif_context_get_primary_image_handle(ctx, &h).code != heif_error_Ok) return nullptr;
    return Handle(h);
}

std::vector<std::uint8_t> metadataBlock(const heif_image_handle* h, heif_item_id id) {
    std::vector<std::uint8_t> data(heif_image_handle_get_metadata_size(h, id));
    if (data.empty() || heif_image_handle_get_metadata(h, id, data.data()).code != heif_error_Ok) return {};
    return data;
}

// An EXIF item starts with a 4-byte big-endian offset to the TIFF header.
std::vector<std::uint8_t> exifBlock(const heif_image_handle* h) {
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(h, "Exif", &id, 1) < 1) return {};
    const auto data = metadataBlock(h, id);
    if (data.size() < 4) return {};
    const std::size_t offset = (std::size_t{data[0]} << 24) | (std::size_t{data[1]} << 16) |
                               (std::size_t{data[2]} << 8) | data[3];
    if (offset > data.size() - 4) return {};
    return {data.begin() + 4 + static_cast<std::ptrdiff_t>(offset), data.end()};
}

std::vector<std::uint8_t> xmpBlock(const heif_image_handle* h) {
    const int count = heif_image_handle_get_list_of_metadata_block_IDs(h, "mime", nullptr, 0);
    if (count <= 0) return {};
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_image_handle_get_list_of_metadata_block_IDs(h, "mime", ids.data(), count);
    for (heif_item_id id : ids) {
        if (std::string_view(heif_image_handle_get_metadata_content_type(h, id)) == "application/rdf+xml") {
            return metadataBlock(h, id);
        }
    }
    return {};
}

// The colour description as ICC bytes: the embedded profile, or one built
// from nclx primaries unless those are plain sRGB (which needs none).
std::vector<std::uint8_t> colourProfile(const heif_image_handle* h) {
    const std::size_t iccSize = heif_image_handle_get_raw_color_profile_size(h);
    if (iccSize > 0) {
        std::vector<std::uint8_t> icc(iccSize);
        if (heif_image_handle_get_raw_color_profile(h, icc.data()).code == heif_error_Ok) return icc;
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(h, &nclx).code != heif_error_Ok || !nclx) return {};
    std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx*)> owned(nclx,
                                                                                   heif_nclx_color_profile_free);
    const auto primaries = nclx->color_primaries;
    const bool linear = nclx->transfer_characteristics == heif_transfer_characteristic_linear;
    if ((primaries == heif_color_primaries_ITU_R_BT_709_5 || primaries == heif_color_primaries_unspecified) &&
        !linear) {
        return {};
    }
    return ColorProfile::rgbProfile({nclx->color_primary_red_x, nclx->color_primary_red_y,
                                     nclx->color_primary_green_x, nclx->color_primary_green_y,
                                     nclx->color_primary_blue_x, nclx->color_primary_blue_y,
                                     nclx->color_primary_white_x, nclx->color_primary_white_y},
                                    linear);
}

// Samples above 8 bits come as 16-bit words holding `bits` significant bits;
// they are widened to the full 16-bit range (rounded, so the top value maps to 65535).
Samples widened(const Samples& s, int bits) {
    Samples wide;
    wide.width = s.width;
    wide.height = s.height;
    wide.layout = s.layout;
    std::uint8_t* rows = allocateRows(wide);
    const int n = channelCount(s.layout) * s.width;
    const std::uint32_t max = (1u << bits) - 1;
    for (int y = 0; y < s.height; ++y) {
        const auto* in = reinterpret_cast<const std::uint16_t*>(s.row(y));
        auto* out = reinterpret_cast<std::uint16_t*>(rows + static_cast<std::size_t>(y) * wide.stride);
        for (int i = 0; i < n; ++i) {
            out[i] = static_cast<std::uint16_t>((std::min<std::uint32_t>(in[i], max) * 65535u + max / 2) / max);
        }
    }
    return wide;
}

std::optional<Samples> decodeHandle(const heif_image_handle* h) {
    if (!acceptableSize(heif_image_handle_get_width(h), heif_image_handle_get_height(h))) return std::nullopt;
    const bool alpha = heif_image_handle_has_alpha_channel(h) != 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(h) > 8;
    constexpr bool little = std::endian::native == std::endian::little;
    heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    if (deep) {
        chroma = alpha ? (little ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBBAA_BE)
                       : (little ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RRGGBB_BE);
    }
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) return std::nullopt;
    options->convert_hdr_to_8bit = 0;

    heif_image* decoded = nullptr;
    if (heif_decode_image(h, &decoded, heif_colorspace_RGB, chroma, options.get()).code != heif_error_Ok ||
        !decoded) {
        return std::nullopt;
    }
    std::shared_ptr<const heif_image> image(decoded, heif_image_release);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!plane || stride <= 0) return std::nullopt;

    Samples s;
    s.width = heif_image_get_width(decoded, heif_channel_interleaved);
    s.height = heif_image_get_height(decoded, heif_channel_interleaved);
    if (!acceptableSize(s.width, s.height)) return std::nullopt;
    s.layout = deep ? (alpha ? SampleLayout::Rgba16 : SampleLayout::Rgb16)
                    : (alpha ? SampleLayout::Rgba8 : SampleLayout::Rgb8);
    s.data = plane;
    s.stride = static_cast<std::size_t>(stride);
    s.owner = image;
    const int bits = heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
    if (deep && bits > 8 && bits < 16) s = widened(s, bits);
    s.icc = colourProfile(h);
    return s;
}

}  // namespace

bool isHeif(std::span<const std::uint8_t> head) {
    if (head.size() < 12) return false;
    return heif_check_filetype(head.data(), static_cast<int>(std::min<std::size_t>(head.size(), 1 << 20))) ==
           heif_filetype_yes_supported;
}

std::optional<Info> readInfo(const std::filesystem::path& file) {
    try {
        initialise();
        Context ctx(heif_context_alloc());
        if (!ctx || heif_context_read_from_file(ctx.get(), file.c_str(), nullptr).code != heif_error_Ok) {
            return std::nullopt;
        }
        const Handle h = primary(ctx.get());
        if (!h) return std::nullopt;
        Info info;
        info.width = heif_image_handle_get_width(h.get());
        info.height = heif_image_handle_get_height(h.get());
        info.exif = exifBlock(h.get());
        info.xmp = xmpBlock(h.get());
        return info;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<Samples> decode(std::span<const std::uint8_t> heif) {
    try {
        const Context ctx = contextFromMemory(heif);
        if (!ctx) return std::nullopt;
        const Handle h = primary(ctx.get());
        if (!h) return std::nullopt;
        return decodeHandle(h.get());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<Samples> decodeThumbnail(std::span<const std::uint8_t> heif, int minLongSide) {
    try {
        const Context ctx = contextFromMemory(heif);
        if (!ctx) return std::nullopt;
        const Handle h = primary(ctx.get());
        if (!h) return std::nullopt;
        const int count = heif_image_handle_get_number_of_thumbnails(h.get());
        if (count <= 0) return std::nullopt;
        std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
        heif_image_handle_get_list_of_thumbnail_IDs(h.get(), ids.data(), count);
        for (heif_item_id id : ids) {
            heif_image_handle* t = nullptr;
            if (heif_image_handle_get_thumbnail(h.get(), id, &t).code != heif_error_Ok) continue;
            const Handle thumb(t);
            if (std::max(heif_image_handle_get_width(t), heif_image_handle_get_height(t)) < minLongSide) continue;
            auto samples = decodeHandle(t);
            if (!samples) continue;
            // Thumbnails rarely carry a profile of their own; they share the picture's.
            if (samples->icc.empty()) samples->icc = colourProfile(h.get());
            return samples;
        }
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace ombrel::HeifDecoder
