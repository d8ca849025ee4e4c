// libFuzzer target for gyrata-render's scene reader, the one input users write by hand: any text is
// parsed, and a scene that parses is drawn as gyrata-render would draw it, so every primitive meets
// arbitrary sizes, centres, radii, colours and blend modes. Built by the fuzz configuration.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "raster/polygon.h"
#include "tools/render_scene.h"

namespace {

// Views and shapes beyond these are valid scenes but would make each input take seconds.
constexpr int64_t kMaxDrawnArea = 128 * 128;
constexpr float kMaxDrawnRadius = 20000.0f;

bool CheapToDraw(const Scene& scene) {
    if (int64_t{scene.width} * scene.height > kMaxDrawnArea) return false;
    for (const SceneCommand& c : scene.commands) {
        if (c.r > kMaxDrawnRadius || c.r < -kMaxDrawnRadius) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitShapeRasteriser();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Scene scene;
    std::string error;
    if (!ParseScene(std::string(reinterpret_cast<const char*>(data), size), scene, error)) {
        if (error.empty()) __builtin_trap();  // a refusal always says why
        return 0;
    }
    if (scene.width <= 0 || scene.height <= 0) __builtin_trap();
    if (!CheapToDraw(scene) || !CreateHeadlessBuffer(scene.width, scene.height)) return 0;
    DrawScene(scene);
    ReleaseHeadlessBuffer();
    return 0;
}
