#include "tools/render_scene.h"

#include <cmath>
#include <cstdint>
#include <sstream>

#include "host/frame_buffer.h"
#include "raster/polygon.h"
#include "sprite/disc.h"
#include "tools/render_options.h"

namespace {

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    std::istringstream in(line.substr(0, line.find('#')));
    std::string token;
    while (in >> token) tokens.push_back(token);
    return tokens;
}

bool SceneFloat(const std::string& token, float& value, bool radius) {
    if (!ParseFloat(token, value)) return false;
    if (radius) return value >= 0.0f && value <= kMaxSceneCoordinate;
    return std::fabs(value) <= kMaxSceneCoordinate;
}

bool SceneInt32(const std::string& token, int32_t& value) {
    int64_t v;
    if (!ParseCInteger(token, v) || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

// Any 32-bit number: the drawing operations treat the ones they do not know as mode 1.
bool SceneMode(const std::string& token, BlendMode& mode) {
    int32_t value;
    if (!SceneInt32(token, value)) return false;
    mode = static_cast<BlendMode>(value);
    return true;
}

bool SceneCoordinate(const std::string& token, int32_t& value) {
    return SceneInt32(token, value) && value >= -1000000 && value <= 1000000;
}

// Parses one line's tokens (the first is the primitive's name); returns a message or "".
std::string ParseCommand(const std::vector<std::string>& t, SceneCommand& c) {
    const std::string& name = t[0];
    const size_t args = t.size() - 1;
    if (name == "clear") {
        c.kind = SceneCommand::Clear;
        if (args != 1) return "clear wants COLOUR";
        if (!ParseColour(t[1], c.colour)) return "bad colour '" + t[1] + "'";
        return "";
    }
    if (name == "pdisc") {
        c.kind = SceneCommand::PolygonDisc;
        if (args != 5) return "pdisc wants CX CY R COLOUR MODE";
        if (!SceneFloat(t[1], c.x0, false) || !SceneFloat(t[2], c.y0, false)) return "bad centre";
        if (!SceneFloat(t[3], c.r, true)) return "bad radius '" + t[3] + "' (0 to 1000000)";
        if (!ParseColour(t[4], c.colour)) return "bad colour '" + t[4] + "'";
        if (!SceneMode(t[5], c.mode)) return "bad mode '" + t[5] + "'";
        return "";
    }
    if (name == "disc") {
        c.kind = SceneCommand::Disc;
        if (args != 5) return "disc wants MODE CX CY R COLOUR";
        if (!SceneMode(t[1], c.mode)) return "bad mode '" + t[1] + "'";
        if (!SceneCoordinate(t[2], c.cx) || !SceneCoordinate(t[3], c.cy)) return "bad centre (integers)";
        if (!SceneFloat(t[4], c.r, true)) return "bad radius '" + t[4] + "' (0 to 1000000)";
        if (!ParseColour(t[5], c.colour)) return "bad colour '" + t[5] + "'";
        return "";
    }
    if (name == "rrect") {
        c.kind = SceneCommand::RoundedRect;
        if (args != 5) return "rrect wants COLOUR X0 Y0 X1 Y1";
        if (!ParseColour(t[1], c.colour)) return "bad colour '" + t[1] + "'";
        if (!SceneFloat(t[2], c.x0, false) || !SceneFloat(t[3], c.y0, false) || !SceneFloat(t[4], c.x1, false) ||
            !SceneFloat(t[5], c.y1, false)) {
            return "bad corner";
        }
        return "";
    }
    return "unknown primitive '" + name + "'";
}

}  // namespace

bool ParseScene(const std::string& text, Scene& scene, std::string& error) {
    scene = Scene{};
    std::istringstream in(text);
    std::string line;
    int32_t number = 0;
    bool sized = false;
    while (std::getline(in, line)) {
        ++number;
        const std::vector<std::string> t = Tokens(line);
        if (t.empty()) continue;
        std::string problem;
        if (t[0] == "size") {
            int64_t w = 0, h = 0;
            if (sized) {
                problem = "size given twice";
            } else if (t.size() != 3 || !ParseCInteger(t[1], w) || !ParseCInteger(t[2], h) || w < 1 ||
                       w > kMaxRenderSide || h < 1 || h > kMaxRenderSide) {
                problem = "size wants W H, each 1 to 8192";
            } else {
                scene.width = static_cast<int32_t>(w);
                scene.height = static_cast<int32_t>(h);
                sized = true;
            }
        } else if (!sized) {
            problem = "the first line must be 'size W H'";
        } else {
            SceneCommand command{};
            problem = ParseCommand(t, command);
            if (problem.empty()) scene.commands.push_back(command);
        }
        if (!problem.empty()) {
            error = "line " + std::to_string(number) + ": " + problem;
            return false;
        }
    }
    if (!sized) {
        error = "line " + std::to_string(number + 1) + ": no 'size W H' line";
        return false;
    }
    return true;
}

void DrawScene(const Scene& scene) {
    for (const SceneCommand& c : scene.commands) {
        switch (c.kind) {
        case SceneCommand::Clear:
            frameBuffer.clearColour = c.colour;
            ClearView();
            break;
        case SceneCommand::PolygonDisc:
            DrawPolygonDisc(c.x0, c.y0, c.r, c.colour, c.mode);
            break;
        case SceneCommand::Disc:
            DrawDisc(c.mode, c.cx, c.cy, c.r, c.colour);
            break;
        case SceneCommand::RoundedRect:
            FillRoundedRect(c.colour, c.x0, c.y0, c.x1, c.y1);
            break;
        }
    }
}
