#include "tools/render_progress.h"

#include <cmath>
#include <cstdio>

bool ProgressDue(const RenderProgress& progress, double elapsed) {
    if (!progress.enabled || elapsed < kProgressDelaySeconds) return false;
    return progress.lastShownSeconds < 0 || elapsed - progress.lastShownSeconds >= kProgressIntervalSeconds;
}

std::string ProgressLine(int64_t done, int64_t total, double elapsed) {
    const int64_t percent = total > 0 ? done * 100 / total : 100;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", elapsed);
    std::string line = "pass " + std::to_string(done) + " of " + std::to_string(total) + " (" +
                       std::to_string(percent) + "%), " + seconds;
    if (done > 0 && done < total) {
        const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
        line += ", about " + std::to_string(static_cast<int64_t>(std::ceil(left))) + " s left";
    }
    return line;
}
