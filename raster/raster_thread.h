// Raster core, the rasteriser's working memory: one record per drawing thread, holding the shape
// vertex list, the cell store, the span buffer with the installed blend-mode operations, and the
// disc batch's intervals and pieces. Two threads draw: the one that draws the frame (the effect
// thread, or a tool's or test's only thread) and the drawing helper (raster/draw_helper.h), which
// rasterises the lower band of a disc batch with its own record. Each part grows to the largest
// shape or batch it meets and is kept until ReleaseThreadRasteriser, which each thread calls for
// itself. Code reaches the record once per shape, row or batch and passes it down.
#pragma once

#include <cstdint>

#include "raster/pixel.h"

// The shape vertex list (cells.h builds shapes in it).
struct ShapeVertex {
    float x, y;
};

struct ShapeVertexList {
    ShapeVertex* vertices = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
    float minX = 100000.0f, maxX = -100000.0f, minY = 100000.0f, maxY = -100000.0f;
};

// The cell store: exact-area coverage of an outline, in blocks of cells (cells.h).
struct CoverageCell {
    int16_t x;      // pixel column
    int16_t y;      // pixel row
    int32_t key;    // x + y * 65536: sorting and identity
    int32_t cover;  // signed vertical extent of the outline inside the pixel, 1/256 pixel, downward positive
    int32_t area;   // sum of (entry x fraction + exit x fraction) * vertical extent
};
static_assert(sizeof(CoverageCell) == 16, "cells are 16 bytes, 4096 to a 64 KB block");

struct CellStore {
    CoverageCell current = {0x7fff, 0x7fff, 0x7fff7fff, 0, 0};
    CoverageCell** blocks = nullptr;  // table of blocks of kCellsPerBlock cells
    int32_t blockTableSize = 0;
    int32_t blocksAllocated = 0;
    int32_t blocksInUse = 0;
    int32_t cellCount = 0;
    int32_t minCellX = 0x7fffffff, maxCellX = static_cast<int32_t>(0x80000001u);
    int32_t minCellY = 0x7fffffff, maxCellY = static_cast<int32_t>(0x80000000u);  // rows of the stored cells
    int32_t currentX = 0, currentY = 0;                                           // the pen, fixed
    int32_t startX = 0, startY = 0;                                               // the outline's first vertex, fixed
    int32_t open = 0;                // accepts lines; cleared once the cells are sorted for drawing
    int32_t pending = 0;             // lines since the last move: the outline may need closing
    CoverageCell* sorted = nullptr;  // copies of every cell in key order, for the sweep
    int32_t sortedCapacity = 0;
    int32_t* rowStarts = nullptr;  // the sort's per-row counters, one per row of the shape and one more
    int32_t rowStartsCapacity = 0;
    const uint8_t* hiddenRows = nullptr;  // see SetHiddenRows
    int32_t hiddenFirst = 0, hiddenEnd = 0;
};

// The span buffer (spans.h) and the blend-mode operations it draws with.
struct CoverageSpan {
    int32_t x;        // view column of the first pixel; clipped only when drawn
    uint32_t packed;  // bits 0-7 coverage, bits 8-19 length (at most 4095), bit 31 see below
};

using PixelOp = void (*)(uint32_t* pixel, uint32_t colour, uint32_t coverage);
using RunOp = void (*)(uint32_t* first, uint32_t colour, uint32_t length, uint32_t coverage);

// Mode 1's operations, installed in a fresh record.
void NormalShapePixel(uint32_t* pixel, uint32_t colour, uint32_t coverage);
void NormalShapeRun(uint32_t* first, uint32_t colour, uint32_t length, uint32_t coverage);

// The held row. Only one row at a time, spans in increasing x, no overlaps.
struct ScanlineBuffer {
    CoverageSpan* spans = nullptr;
    uint32_t capacity = 0;  // in spans; grows in steps of kSpanGrowth
    int32_t count = 0;
    int32_t lastY = 0x7fff;  // row of the held spans; 0x7fff when empty
    uint32_t colour = 0;     // what AddSpan draws a finished row with
};

// The operations installed for the cached shape mode (the mode-1 pair and 1 at start-up).
struct ShapeModeSlots {
    PixelOp pixelOp = NormalShapePixel;
    RunOp runOp = NormalShapeRun;
    BlendMode mode = Normal;
};

// The disc batch (disc_batch.h): the pixels later discs store over, per view row, and the kept pieces.
// Pixels begin..end-1 of a row.
struct BatchInterval {
    int32_t begin, end;
};

// A kept part of a span: pixels x..x+length-1 of row y.
struct BatchPiece {
    int32_t x, y;
    uint32_t packed;  // bits 0-7 coverage, bit 8 drawn as a run, bits 9-31 length
};

struct DiscBatch {
    BatchInterval* stores = nullptr;  // kStoresPerRow per view row
    int32_t* storeCounts = nullptr;   // per view row
    uint8_t* hidden = nullptr;        // per view row, for the disc being rasterised
    int32_t storeRows = 0;            // rows the three arrays hold
    BatchPiece* pieces = nullptr;
    int32_t pieceCount = 0, pieceCapacity = 0;
    int32_t* firstPiece = nullptr;  // per disc of the batch
    int32_t discCapacity = 0;
    int32_t rows = 0;                        // view rows tracked in this batch
    int32_t bandFirst = 0, bandEnd = 0;      // the rows this thread draws
    int32_t markedFirst = 0, markedEnd = 0;  // rows of the band hidden for the current disc
    bool outOfMemory = false;
};

struct RasterThread {
    ShapeVertexList vertices;
    CellStore cells;
    ScanlineBuffer spans;
    ShapeModeSlots shapeMode;
    DiscBatch batch;
};
// Defined here, with its constant initial value in sight of every user, so that an access is a plain
// thread-local load rather than a call that first checks for dynamic initialisation.
inline thread_local RasterThread rasterThread;

// Frees every part of the calling thread's record and leaves it as new.
void ReleaseThreadRasteriser();
