#include "ProgressBar.h"

#include <algorithm>
#include <unistd.h>

namespace peelwise::tools {

ProgressBar::ProgressBar(std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) != 0) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::update(double fraction, const std::string& label) {
    if (!terminal_) {
        return;
    }
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0 + 0.5);
    if (percent == shown_) {
        return;
    }
    shown_ = percent;
    open_ = true;
    constexpr int width = 30;
    const int filled = percent * width / 100;
    std::fprintf(stream_, "\r[%s%s] %3d%% %s", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), percent, label.c_str());
    std::fflush(stream_);
}

void ProgressBar::finish() {
    if (open_) {
        std::fputc('\n', stream_);
        open_ = false;
        shown_ = -1;
    }
}

} // namespace peelwise::tools
