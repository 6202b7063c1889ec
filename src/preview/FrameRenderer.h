#pragma once

#include "ShownEdit.h"

#include "render/Pipeline.h"
#include "render/PixelBuffer.h"
#include "render/ops/AreaStatistics.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace ombrel {

// One preview frame to draw: the visible part of a picture shown at
// `outputScale` output pixels per pixel of its developed frame.
struct FrameRequest {
    std::uint64_t id = 0;
    std::shared_ptr<const Image> source;
    double sourceScale = 1;  // source pixels per full-resolution pixel
    ShownEdit shown;
    double outputScale = 1;
    ops::PixelRect region;  // in output pixels, origin at the picture's top left
    bool draft = false;     // drawn at reduced resolution while a drag goes on
};

// Opaque 8-bit sRGB pixels, bytes B, G, R, A.
using FrameBitmap = PixelBuffer<std::uint8_t, 4>;

struct Frame {
    std::uint64_t id = 0;
    std::shared_ptr<const FrameBitmap> pixels;
    ops::PixelRect region;
    double outputScale = 1;
    double pictureWidth = 0, pictureHeight = 0;  // the whole shown picture, in output pixels
    bool draft = false;
};

// Renders preview frames on its own thread so the caller never waits. While
// one frame renders, a newer request replaces the one waiting, so a fast
// drag skips frames rather than queueing them and the last frame drawn is
// always of the newest request.
class FrameRenderer {
public:
    // `done` is called on the render thread with each finished frame.
    explicit FrameRenderer(std::function<void(Frame)> done);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    void request(FrameRequest request);

    // Draws `request` on the calling thread, building its graph with `pipeline`.
    static Frame render(Pipeline& pipeline, const FrameRequest& request);

private:
    void run();

    std::function<void(Frame)> done_;
    Pipeline pipeline_;  // used by the render thread alone
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<FrameRequest> waiting_;
    bool stopping_ = false;
    std::thread thread_;  // last: started once everything above exists
};

}  // namespace ombrel
