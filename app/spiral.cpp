#include "app/spiral.h"

#include <cmath>

#include "app/steering.h"
#include "host/frame_buffer.h"
#include "raster/disc_batch.h"
#include "raster/pixel.h"
#include "raster/polygon.h"
#include "raster/portable_trig.h"
#include "sprite/fast_disc_batch.h"

float spiralPhase = 0.0f;

const float periodSteps[6] = {1.0f, 0.2f, 0.15f, 0.1f, 0.05f, 0.025f};

namespace {

constexpr double kSpread = 2.25 * 0.001;     // distance from the centre per disc index and growth
constexpr double kSize = 2.25 * 0.0008;      // diameter per disc index and growth
constexpr double kTurn = 6.283185307179586;  // 2 pi

int32_t ClampByte(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// GCC 12's SLP vectorizer, pairing the x and y computations on x86-64, drops the rounding of the
// double sine and cosine to single precision (a double -> float -> double round trip) and so moves
// some discs by one unit in the last place against the 32-bit build. Rounding out of line keeps it.
[[gnu::noinline]] float RoundToSingle(double v) { return static_cast<float>(v); }

}  // namespace

float PeriodStep(int32_t period) {
    if (period < 0) period = 0;
    if (period > 5) period = 5;
    return periodSteps[period];
}

uint32_t SchemeColour(int32_t scheme, int32_t bright, int32_t dim) {
    const uint32_t b = static_cast<uint32_t>(ClampByte(bright));
    const uint32_t d = static_cast<uint32_t>(ClampByte(dim));
    uint32_t red = 0, green = 0, blue = 0;
    switch ((scheme % 3 + 3) % 3) {
    case 0:
        red = b, green = d;
        break;
    case 1:
        red = d, green = b;
        break;
    default:
        green = d, blue = b;
        break;
    }
    return 0xff000000u | red << 16 | green << 8 | blue;
}

SpiralDisc NextSpiralDisc(SpiralCursor& cursor, float step, float phase, float cx, float cy) {
    const int32_t i = cursor.index;
    const float g = cursor.growth;
    SpiralDisc disc;

    const float theta = static_cast<float>(i) * step + phase;
    const double dist = static_cast<double>(i) * kSpread * static_cast<double>(g);
    // Angle 0 points down the screen; increasing angles turn toward the right.
    const float sine = RoundToSingle(PortableSin(static_cast<double>(theta)));
    const float cosine = RoundToSingle(PortableCos(static_cast<double>(theta)));
    disc.x = static_cast<float>(static_cast<double>(sine) * dist + static_cast<double>(cx));
    disc.y = static_cast<float>(static_cast<double>(cosine) * dist + static_cast<double>(cy));

    const float m = g * 0.125f;
    const double z = static_cast<double>(cursor.darkening);
    disc.bright = static_cast<int32_t>(255.0 - static_cast<double>(m) - z);
    disc.dim = static_cast<int32_t>(125.0 - static_cast<double>(m) - z);
    disc.radius = static_cast<float>(kSize * static_cast<double>(i) * static_cast<double>(g) * 0.5);

    cursor.darkening = std::abs(cursor.darkening - 15);
    cursor.growth = static_cast<float>(static_cast<double>(g) * 1.0235);
    cursor.index = i + 1;
    return disc;
}

float AdvanceSpiralPhase(float phase, int32_t direction) {
    float next = static_cast<float>(static_cast<double>(direction) * 0.0385 + static_cast<double>(phase));
    if (std::fabs(next) > kSpiralPhaseWrap) {
        // Whole turns in double precision, so the angle moves by less than the sum's own rounding.
        const double turns = std::round(static_cast<double>(next) / kTurn);
        next = static_cast<float>(static_cast<double>(next) - turns * kTurn);
    }
    return next;
}

void DrawSpiralFrame() {
    DrawSpiralDiscs([](int32_t) { return Load(steering.hiddenFrames) != 0; });
}

void DrawSpiralDiscs(bool (*fastDisc)(int32_t index)) {
    const float step = PeriodStep(Load(settings.period));
    const float cx = static_cast<float>(frameBuffer.viewWidth / 2);
    const float cy = static_cast<float>(frameBuffer.viewHeight / 2);
    const float phase = spiralPhase;

    // Discs are gathered and drawn as batches, which skip the writes that later discs of the batch
    // store over; a disc of the other kind first draws the batch so far, keeping the discs' order.
    BatchDisc polygonDiscs[kSpiralDiscCount];
    FastDisc fastDiscs[kSpiralDiscCount];
    int32_t polygons = 0, fasts = 0;
    SpiralCursor cursor;
    for (int32_t i = 0; i < kSpiralDiscCount; ++i) {
        const SpiralDisc disc = NextSpiralDisc(cursor, step, phase, cx, cy);
        const uint32_t colour = SchemeColour(Load(settings.colourScheme), disc.bright, disc.dim);
        if (fastDisc(i)) {
            DrawPolygonDiscs(polygonDiscs, polygons);
            polygons = 0;
            fastDiscs[fasts++] = {static_cast<int32_t>(disc.x), static_cast<int32_t>(disc.y), disc.radius, colour};
        } else {
            DrawFastDiscs(fastDiscs, fasts);
            fasts = 0;
            polygonDiscs[polygons++] = {disc.x, disc.y, disc.radius, colour};
        }
    }
    DrawPolygonDiscs(polygonDiscs, polygons);
    DrawFastDiscs(fastDiscs, fasts);
    spiralPhase = AdvanceSpiralPhase(phase, Load(settings.direction));
}
