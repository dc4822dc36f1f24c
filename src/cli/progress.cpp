#include "cli/progress.h"

namespace trawlix::cli {

void Progress::update() {
    const int count = form_.RecordCount.value();
    if (count == shown_) {
        return;
    }
    shown_ = count;
    const auto now = std::chrono::steady_clock::now();
    if (terminal_) {
        std::fprintf(stderr, "\r%s\033[K", view_.activity.c_str());
    } else if (now - lastLine_ >= std::chrono::seconds(1)) {
        if (described_) {
            std::fprintf(stderr, "%s\n", view_.activity.c_str());
        } else {
            std::fprintf(stderr, "%d records\n", count);
        }
        lastLine_ = now;
    }
    std::fflush(stderr);
}

void Progress::finish() {
    if (terminal_ && shown_ >= 0) {
        std::fprintf(stderr, "\n");
    }
}

}  // namespace trawlix::cli
