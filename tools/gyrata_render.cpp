// gyrata-render: draws what the screen saver would show, without a window, and writes it to a file.
// The spiral is drawn by the same passes as the effect loop, from program start (85 hidden frames,
// phase 0) into a fresh back buffer; or the splash screen, the preview window's picture, or a scene
// of single primitives (render_scene.h) is drawn instead.
//
// Nothing is written unless every argument and the whole scene are valid; files are completed under
// a temporary name and renamed. Exit codes: 0 done, 1 output not written, 2 bad arguments or scene.
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/effect_loop.h"
#include "app/help_overlay.h"
#include "app/key_controls.h"
#include "app/preview_screen.h"
#include "app/render_passes.h"
#include "app/save_stack.h"
#include "app/splash_screen.h"
#include "app/steering.h"
#include "host/frame_buffer.h"
#include "host/headless_buffer.h"
#include "host/threads.h"
#include "host/utf8.h"
#include "raster/polygon.h"
#include "sprite/image_decoder.h"
#include "tools/image_output.h"
#include "tools/render_options.h"
#include "tools/render_progress.h"
#include "tools/render_scene.h"

namespace {

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "gyrata-render: %s\n", message.c_str());
    return code;
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) return false;
    text = content.str();
    return true;
}

// The screen saver shows these in a message box; here they go to the error stream.
void ReportToStderr(const wchar_t* text) { std::fprintf(stderr, "gyrata-render: %s\n", WideToUtf8(text).c_str()); }

bool ErrorStreamIsTerminal() {
#ifdef _WIN32
    return _isatty(2) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

RenderProgress progress;
std::chrono::steady_clock::time_point runStart;

void ShowProgress(int64_t done, int64_t total) {
    if (!progress.enabled) return;  // no clock read per pass when nothing is shown
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - runStart).count();
    const bool last = done == total && progress.lastShownSeconds >= 0;
    if (!last && !ProgressDue(progress, elapsed)) return;
    progress.lastShownSeconds = elapsed;
    // Rewritten in place; the last line stays.
    std::fprintf(stderr, "\r\033[Kgyrata-render: %s%s", ProgressLine(done, total, elapsed).c_str(), last ? "\n" : "");
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(argc, argv, options, error)) return Fail(2, error + " (--help lists the options)");
    if (options.help) {
        std::fputs(RenderUsage(), stdout);
        return 0;
    }
    if (!options.outPath.empty() && !PngAvailable()) {
        return Fail(2, "--out: PNG output is not available in this build; use --raw");
    }

    Scene scene;
    if (!options.scenePath.empty()) {
        std::string text;
        if (!ReadFile(options.scenePath, text)) return Fail(2, "cannot read scene '" + options.scenePath + "'");
        if (!ParseScene(text, scene, error)) return Fail(2, options.scenePath + ": " + error);
        options.width = scene.width;
        options.height = scene.height;
    }

    if (!CreateHeadlessBuffer(options.width, options.height)) return Fail(1, "out of memory for the back buffer");
    InitShapeRasteriser();
    runtimeErrorReport = ReportToStderr;
    InstallImageDecoder();
    if (!options.scenePath.empty()) {
        DrawScene(scene);
    } else if (options.splash) {
        frameBuffer.clearColour = kApplicationClearColour;
        PaintSplash();
    } else if (options.preview) {
        ComposePreview();
    } else {
        Store(settings.colourScheme, options.colourScheme);
        Store(settings.period, options.period);
        Store(settings.direction, options.direction);
        ResetSpiralRun();
        if (options.helpPanel) {
            if (!CreateSaveStack()) return Fail(1, "out of memory for the save stack");
            StartHelpOverlay();
            Store(steering.helpFrames, kHelpFramesShown);
        }
        progress.enabled = ErrorStreamIsTerminal();
        runStart = std::chrono::steady_clock::now();
        RenderPasses(options.frames, ShowProgress);
    }

    // Both files complete under temporary names before either takes its real name.
    std::string outTemporary, rawTemporary;
    bool ok = true;
    if (!options.outPath.empty()) {
        outTemporary = TemporaryName(options.outPath);
        ok = WritePngView(outTemporary, error);
    }
    if (ok && !options.rawPath.empty()) {
        rawTemporary = TemporaryName(options.rawPath);
        ok = WriteRawView(rawTemporary, error);
    }
    if (ok && !outTemporary.empty()) ok = CommitFile(outTemporary, options.outPath, error);
    if (ok && !rawTemporary.empty()) ok = CommitFile(rawTemporary, options.rawPath, error);
    if (!ok) {
        if (!outTemporary.empty()) std::remove(outTemporary.c_str());
        if (!rawTemporary.empty()) std::remove(rawTemporary.c_str());
    }
    StopHelpOverlay();
    ReleaseSaveStack();
    ReleaseShapeRasteriser();
    ReleaseHeadlessBuffer();
    return ok ? 0 : Fail(1, error);
}
