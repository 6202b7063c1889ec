#pragma once

#include <cstddef>

namespace ombrel::ops {

// Memory for an operation's intermediate rows and planes, held for the
// lifetime of this object. Blocks are kept per thread and handed out again to
// the next request they fit, so each render reuses the pages the previous one
// already faulted in; only blocks beyond a few tens of megabytes go back to
// the system when released. The contents start undefined.
class Scratch {
public:
    explicit Scratch(std::size_t floats);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    float* data() const { return data_; }

    struct Block;  // defined where the blocks are kept

private:
    Block* block_;
    float* data_;
};

}  // namespace ombrel::ops
