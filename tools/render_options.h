// gyrata-render: the command line. Everything is checked here, before anything is drawn or written.
#pragma once

#include <cstdint>
#include <string>

constexpr int32_t kMaxRenderSide = 8192;
constexpr int64_t kMaxRenderFrames = 10000000;  // more than three days of frames at 30 per second

struct RenderOptions {
    int32_t width = 1920;
    int32_t height = 1080;
    int64_t frames = 86;   // the first frame a user sees
    int32_t colourScheme;  // the initial Settings unless given
    int32_t period;
    int32_t direction;
    std::string outPath;     // PNG
    std::string rawPath;     // B, G, R, A per pixel, top row first
    std::string scenePath;   // a list of primitives instead of the spiral
    bool helpPanel = false;  // as if F1 had been released before the first pass
    bool splash = false;     // the splash screen as presented, instead of the spiral
    bool preview = false;    // what a preview window of this size shows, instead of the spiral
    bool help = false;

    RenderOptions();
};

// Fills options from argv[1..argc-1]. Returns false with a one-line error for an unknown option, a
// missing or malformed value, a value out of range, or no output named.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

// The usage text printed by --help.
const char* RenderUsage();

// Whole-token number conversions: base 10 integers with an optional sign (ParseDecimal), C-style
// integers with 0x and 0 prefixes (ParseCInteger), 32-bit colours (ParseColour) and finite floats
// (ParseFloat). Each returns false for an empty token, trailing characters or a value out of range.
bool ParseDecimal(const std::string& token, int64_t& value);
bool ParseCInteger(const std::string& token, int64_t& value);
bool ParseColour(const std::string& token, uint32_t& value);
bool ParseFloat(const std::string& token, float& value);
