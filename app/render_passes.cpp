#include "app/render_passes.h"

#include "app/help_overlay.h"
#include "app/spiral.h"
#include "app/steering.h"

void ResetSpiralRun() {
    spiralPhase = 0.0f;
    Store(steering.hiddenFrames, kHiddenFramesAfterChange);
}

int32_t CountDownHiddenFrame() {
    int32_t hidden = Load(steering.hiddenFrames);
    while (hidden != 0 && !steering.hiddenFrames.compare_exchange_weak(hidden, hidden - 1, std::memory_order_relaxed)) {
    }
    return hidden != 0 ? 1 : 0;
}

void RenderPasses(int64_t passes, void (*afterPass)(int64_t done, int64_t total)) {
    for (int64_t pass = 0; pass < passes; ++pass) {
        DrawSpiralFrame();
        DrawHelpPanel();
        const bool presented = CountDownHiddenFrame() == 0;
        if (presented && pass + 1 < passes) RemoveHelpPanel();
        if (afterPass) afterPass(pass + 1, passes);
    }
}
