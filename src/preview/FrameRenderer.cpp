#include "FrameRenderer.h"

#include "render/Engine.h"

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
        done_(render(pipeline_, next));
    }
}

Frame FrameRenderer::render(Pipeline& pipeline, const FrameRequest& request) {
    Frame frame{request.id, nullptr, request.region, request.outputScale, 0, 0, request.draft};
    if (!request.source) return frame;
    const Graph graph = pipeline.build(request.source, request.shown.settings, request.sourceScale,
                                        request.shown.skipCrop, request.shown.clipping);
    frame.pictureWidth = graph.width() * request.outputScale;
    frame.pictureHeight = graph.height() * request.outputScale;
    if (request.region.width <= 0 || request.region.height <= 0) return frame;
    auto bitmap = std::make_shared<FrameBitmap>(request.region.width, request.region.height);
    if (!Engine::shared().renderBgra(graph, request.outputScale, request.region, bitmap->data(), bitmap->rowLength()))
        return frame;
    frame.pixels = std::move(bitmap);
    return frame;
}

}  // namespace ombrel
