// Raster core, coverage spans: one row of runs of equal coverage, drawn into the view with the shape's
// colour through the PixelOp/RunOp pair of the selected blend mode. Drawing thread only.
#pragma once

#include <cstdint>

struct CoverageSpan {
    int32_t x;        // view column of the first pixel; clipped only when drawn
    uint32_t packed;  // bits 0-7 coverage, bits 8-19 length (at most 4095)
};

using PixelOp = void (*)(uint32_t* pixel, uint32_t colour, uint32_t coverage);
using RunOp = void (*)(uint32_t* first, uint32_t colour, uint32_t length, uint32_t coverage);

// Installs the pixel and run operations of mode (1..5, 10; any other value acts as 1) unless they
// are installed already.
void SelectShapeMode(int32_t mode);

// Empties the buffer and makes room for a row spanning cell columns minX..maxX.
void ResetScanline(int32_t minX, int32_t maxX);

// Appends a span of row y; a span of another row first flushes the held row. Lengths beyond what one
// span holds are split over several spans.
void AddSpan(int32_t x, int32_t y, uint32_t length, uint32_t coverage);

// Draws the held row with colour; leaves the buffer as it is.
void FlushScanline(uint32_t colour);

// Number of spans held (for the rasteriser's final flush).
int32_t HeldSpanCount();

// Releases the span array (process exit).
void ReleaseScanline();
