#pragma once

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>

namespace ombrel {

// libjpeg reports a fatal error by calling error_exit, which must not return:
// it jumps back to the setjmp of whoever started the work, so a damaged file
// or a failed write becomes a return value instead of an exit. Messages are
// dropped (warnings still count: libjpeg goes on).
struct JpegErrorExit {
    jpeg_error_mgr base;
    std::jmp_buf escape;

    // Sets up `base` for `errorExit` and `dropMessage`; returns it for the
    // codec's `err` field.
    jpeg_error_mgr* install() {
        jpeg_std_error(&base);
        base.error_exit = errorExit;
        base.output_message = dropMessage;
        return &base;
    }

    [[noreturn]] static void errorExit(j_common_ptr cinfo) {
        std::longjmp(reinterpret_cast<JpegErrorExit*>(cinfo->err)->escape, 1);
    }
    static void dropMessage(j_common_ptr) {}
};

}  // namespace ombrel
