#include "tools/render_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "app/steering.h"

namespace {

bool ParseInteger(const std::string& token, int base, int64_t& value) {
    if (token.empty() || std::isspace(static_cast<unsigned char>(token[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(token.c_str(), &end, base);
    if (errno != 0 || end != token.c_str() + token.size()) return false;
    value = static_cast<int64_t>(v);
    return true;
}

bool ParseInt32(const std::string& token, int32_t& value) {
    int64_t v;
    if (!ParseDecimal(token, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

bool ParseSize(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return false;
    int64_t w, h;
    if (!ParseDecimal(text.substr(0, x), w) || !ParseDecimal(text.substr(x + 1), h)) return false;
    if (w < 1 || w > kMaxRenderSide || h < 1 || h > kMaxRenderSide) return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

}  // namespace

RenderOptions::RenderOptions() {
    const Settings initial;
    colourScheme = Load(initial.colourScheme);
    period = Load(initial.period);
    direction = Load(initial.direction);
}

bool ParseDecimal(const std::string& token, int64_t& value) { return ParseInteger(token, 10, value); }

bool ParseCInteger(const std::string& token, int64_t& value) { return ParseInteger(token, 0, value); }

bool ParseColour(const std::string& token, uint32_t& value) {
    int64_t v;
    if (!ParseCInteger(token, v) || v < 0 || v > 0xffffffffLL) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool ParseFloat(const std::string& token, float& value) {
    if (token.empty() || std::isspace(static_cast<unsigned char>(token[0]))) return false;
    char* end = nullptr;
    const double v = std::strtod(token.c_str(), &end);
    if (end != token.c_str() + token.size() || !std::isfinite(v)) return false;
    if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    value = static_cast<float>(v);
    return true;
}

const char* RenderUsage() {
    return "usage: gyrata-render [options]\n"
           "Draws spiral frames (or a scene of primitives) into a fresh back buffer, without a window.\n"
           "  --size WxH       view size, 1x1 to 8192x8192 (default 1920x1080)\n"
           "  --frames N       passes to draw from program start, 1 to 10000000 (default 86, the first\n"
           "                   frame a user sees; 1 is the first hidden one)\n"
           "  --scheme S       colour scheme (default 0)\n"
           "  --period P       period index (default 3)\n"
           "  --direction D    direction of rotation (default -1)\n"
           "  --help-panel     the help panel up from the first pass (F1 released before it); the\n"
           "                   last pass is written as presented, panel on\n"
           "  --splash         the start-up splash screen as presented, instead of the spiral\n"
           "  --preview        what a preview window of --size shows, instead of the spiral\n"
           "  --scene FILE     draw the primitives listed in FILE instead of the spiral\n"
           "  --out FILE.png   write the view as an 8-bit RGBA PNG\n"
           "  --raw FILE       write the view as bytes B, G, R, A per pixel, top row first\n"
           "Exit codes: 0 done, 1 the output could not be written, 2 bad arguments or scene.\n";
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error) {
    bool spiralOption = false, sizeGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            return true;
        }
        if (name == "--help-panel") {
            options.helpPanel = true;
            spiralOption = true;
            continue;
        }
        if (name == "--splash" || name == "--preview") {
            (name == "--splash" ? options.splash : options.preview) = true;
            continue;
        }
        const bool known = name == "--size" || name == "--frames" || name == "--scheme" || name == "--period" ||
                           name == "--direction" || name == "--scene" || name == "--out" || name == "--raw";
        if (!known) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (name == "--size") {
            if (!ParseSize(value, options.width, options.height)) {
                error = "--size wants WxH with each side 1 to 8192, not '" + value + "'";
                return false;
            }
            sizeGiven = true;
        } else if (name == "--frames") {
            int64_t frames;
            if (!ParseDecimal(value, frames) || frames < 1 || frames > kMaxRenderFrames) {
                error = "--frames wants a number from 1 to 10000000, not '" + value + "'";
                return false;
            }
            options.frames = frames;
            spiralOption = true;
        } else if (name == "--scheme" || name == "--period" || name == "--direction") {
            int32_t* target = name == "--scheme"   ? &options.colourScheme
                              : name == "--period" ? &options.period
                                                   : &options.direction;
            if (!ParseInt32(value, *target)) {
                error = name + " wants a 32-bit integer, not '" + value + "'";
                return false;
            }
            spiralOption = true;
        } else if (value.empty()) {
            error = name + " needs a file name";
            return false;
        } else if (name == "--scene") {
            options.scenePath = value;
        } else if (name == "--out") {
            options.outPath = value;
        } else {
            options.rawPath = value;
        }
    }
    const int32_t pictures = options.splash + options.preview + !options.scenePath.empty();
    if (pictures > 1) {
        error = "--splash, --preview and --scene each draw a picture of their own: give one of them";
        return false;
    }
    if ((options.splash || options.preview) && spiralOption) {
        error = std::string(options.splash ? "--splash" : "--preview") +
                " draws no spiral: drop --frames, --scheme, --period, --direction and --help-panel";
        return false;
    }
    if (!options.scenePath.empty() && (spiralOption || sizeGiven)) {
        error =
            "--scene takes its size from the scene and draws no spiral: drop --size, --frames, --scheme, "
            "--period, --direction and --help-panel";
        return false;
    }
    if (options.outPath.empty() && options.rawPath.empty()) {
        error = "nothing to write: give --out FILE.png or --raw FILE";
        return false;
    }
    if (!options.outPath.empty() && options.outPath == options.rawPath) {
        error = "--out and --raw name the same file";
        return false;
    }
    return true;
}
