#include "ProgressBar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace ombrel::cli {
namespace {

int terminalColumns(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, int total)
    : stream_(stream), total_(std::max(total, 1)), shown_(::isatty(::fileno(stream)) == 1) {}

ProgressBar::~ProgressBar() { clear(); }

void ProgressBar::update(int done, const std::string& current) {
    if (!shown_) return;
    constexpr int barWidth = 30;
    const int filled = barWidth * std::clamp(done, 0, total_) / total_;
    std::string line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '-') + "] " +
                       std::to_string(done) + "/" + std::to_string(total_) + " " + current;
    // Never wrap: a wrapped line cannot be redrawn in place.
    const std::size_t columns = static_cast<std::size_t>(std::max(terminalColumns(stream_) - 1, 10));
    if (line.size() > columns) line.resize(columns);
    std::fprintf(stream_, "\r\x1b[K%s", line.c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::clear() {
    if (!drawn_) return;
    std::fprintf(stream_, "\r\x1b[K");
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace ombrel::cli
