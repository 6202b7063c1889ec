#include "FrameRenderer.h"

#include "FrameEncoding.h"

#include "render/Engine.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <cmath>

namespace ombrel {

FrameRenderer::FrameRenderer(std::function<void(Frame)> done)
    : done_(std::move(done)), thread_([this] { run(); }) {}

FrameRenderer::~FrameRenderer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void FrameRenderer::request(FrameRequest request) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(request);
    }
    wake_.notify_one();
}

void FrameRenderer::run() {
    for (;;) {
        FrameRequest next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_) return;
            next = std::move(*waiting_);
            waiting_.reset();
        }
        done_(render(next));
    }
}

Frame FrameRenderer::render(const FrameRequest& request) {
    Frame frame{request.id, nullptr, request.region, request.outputScale, 0, 0};
    if (!request.source) return frame;
    const Graph graph = pipeline_.build(request.source, request.shown.settings, request.sourceScale,
                                        request.shown.skipCrop, request.shown.clipping);
    frame.pictureWidth = graph.width() * request.outputScale;
    frame.pictureHeight = graph.height() * request.outputScale;
    Image developed = Engine::shared().render(graph, request.outputScale, request.region);
    if (developed.empty()) return frame;

    auto bitmap = std::make_shared<FrameBitmap>(developed.width(), developed.height());
    tbb::parallel_for(tbb::blocked_range<int>(0, developed.height(), 16), [&](const tbb::blocked_range<int>& rows) {
        for (int y = rows.begin(); y < rows.end(); ++y) encodeBgra(developed.row(y), developed.width(), bitmap->row(y));
    });
    frame.pixels = std::move(bitmap);
    frame.region = {request.region.x, request.region.y, developed.width(), developed.height()};
    return frame;
}

}  // namespace ombrel
