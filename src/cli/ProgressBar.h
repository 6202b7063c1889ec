#pragma once

#include <cstdio>
#include <string>

namespace ombrel::cli {

// A one-line bar redrawn in place on a terminal. Silent when the stream is
// not a terminal, so logs and pipes get only the real messages.
class ProgressBar {
public:
    ProgressBar(std::FILE* stream, int total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    bool shown() const { return shown_; }
    // `done` photos finished; `current` is the one being worked on.
    void update(int done, const std::string& current);
    // Removes the bar so that a message can be written on a clean line.
    void clear();

private:
    std::FILE* stream_;
    int total_;
    bool shown_;
    bool drawn_ = false;
};

}  // namespace ombrel::cli
