// gyrata-render: a scene, a list of primitives drawn instead of the spiral. One per line:
//   size W H                      the view size (first line, once)
//   clear COLOUR                  fill the view
//   pdisc CX CY R COLOUR MODE     DrawPolygonDisc (floats, then colour and blend mode)
//   disc MODE CX CY R COLOUR      DrawDisc (integer centre, float radius)
//   rrect COLOUR X0 Y0 X1 Y1      FillRoundedRect (floats)
// Numbers are written as in C: colours usually hex (0xff336699). '#' starts a comment; blank lines
// are ignored. The whole scene is parsed before anything is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/pixel.h"

// Coordinates and radii beyond this are rejected: no view comes near, and the rasterisers' working
// memory grows with the shapes they are given.
constexpr float kMaxSceneCoordinate = 1000000.0f;

struct SceneCommand {
    enum Kind { Clear, PolygonDisc, Disc, RoundedRect } kind;
    uint32_t colour = 0;
    BlendMode mode = Normal;
    int32_t cx = 0, cy = 0;                       // Disc
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0, r = 0;  // PolygonDisc: x0, y0, r; RoundedRect: x0..y1
};

struct Scene {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<SceneCommand> commands;
};

// Parses the text of a scene. On a malformed line returns false with error "line N: what is wrong".
bool ParseScene(const std::string& text, Scene& scene, std::string& error);

// Draws the commands into the current view, in order.
void DrawScene(const Scene& scene);
