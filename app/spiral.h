// Spiral effect: one frame of the rotating spiral of 300 discs that grow exponentially outward from
// the centre of the view and darken as they grow. Each frame paints over the previous one (nothing
// is cleared), with the polygon discs on presented frames and the fast discs while hiddenFrames is
// non-zero, and then turns the spiral by direction x 0.0385 radians.
//
// Reads the Settings and hiddenFrames (relaxed; period once at the start of a frame, direction once
// at its end, colourScheme and hiddenFrames for every disc). Effect thread only.
#pragma once

#include <cstdint>

constexpr int32_t kSpiralDiscCount = 300;

// Rotation of the whole spiral in radians, advanced once per frame (AdvanceSpiralPhase).
extern float spiralPhase;

// Angular step between consecutive discs for each period.
extern const float periodSteps[6];

// The step for a period; a period outside 0..5 (a hand-edited settings file) is clamped into 0..5.
float PeriodStep(int32_t period);

// Opaque colour of a disc: bright and dim are clamped to 0..255 and placed by the scheme (0: red
// bright, green dim; 1: green bright, red dim; 2: blue bright, green dim). A scheme outside 0..2 is
// taken modulo 3 with a non-negative result, the same wrap the colour keys use.
uint32_t SchemeColour(int32_t scheme, int32_t bright, int32_t dim);

// Per-disc values carried from one disc to the next within a frame.
struct SpiralCursor {
    int32_t index = 0;
    float growth = 2.0f;    // g, times 1.0235 per disc
    int32_t darkening = 0;  // z, alternating 0 and 15
};

// Where and how one disc of the frame is drawn.
struct SpiralDisc {
    float x, y;  // centre in view coordinates
    float radius;
    int32_t bright, dim;  // unclamped brightness levels
};

// The next disc of a frame with angular step `step` and phase `phase` around (cx, cy); advances
// the cursor.
SpiralDisc NextSpiralDisc(SpiralCursor& cursor, float step, float phase, float cx, float cy);

// The phase of the next frame. It is the running single-precision sum phase + direction x 0.0385
// until |phase| passes kSpiralPhaseWrap (well over an hour of turning one way at 30 frames per
// second); then a whole number of turns is taken off, so that the sum never grows coarse enough to
// change the speed of rotation, and the picture does not jump.
constexpr float kSpiralPhaseWrap = 4800.0f;
float AdvanceSpiralPhase(float phase, int32_t direction);

// Draws the 300 discs of one frame into the view and advances spiralPhase.
void DrawSpiralFrame();

// DrawSpiralFrame with the choice of disc made by fastDisc(i), asked just before disc i is drawn
// (DrawSpiralFrame asks whether hiddenFrames is non-zero): a fast disc if true, else a polygon disc.
void DrawSpiralDiscs(bool (*fastDisc)(int32_t index));
