// Raster core, the rasteriser's working memory: one record per drawing thread, holding the shape
// vertex list, the cell store, the span buffer with the installed blend-mode operations, and the
// row batch's discs, lines, cells and walked discs. Two threads draw: the one that draws
// the frame (the effect thread, or a tool's or test's only thread) and the drawing helper
// (raster/draw_helper.h), which draws the lower band of a row batch with its own record. Each part
// grows to the largest shape or batch it meets and is kept until ReleaseThreadRasteriser, which
// each thread calls for itself. Code reaches the record once per shape, row or batch and passes it
// down.
#pragma once

#include <climits>
#include <cstdint>

#include "raster/column_range.h"
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
    int32_t firstCellRow = INT32_MIN, endCellRow = INT32_MAX;  // see SetCellRows
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

// The row batch (row_batch.h) of polygon discs (disc_rows.h).
//
// A line of a disc's outline as the walk takes it (raster/disc_rows.h), and while the rows pass over
// it where it crosses the current row's upper and lower boundary (its own end in its end rows).
struct RowLine {
    int32_t x1, y1, x2, y2;  // clipped and projected, in the walk's direction
    int32_t top, bottom;     // rows of its upper and lower end
    int32_t upperX, lowerX;
    int32_t remainder;  // of the floor division that gave lowerX, 0..divisor-1
    int32_t lift, rem;  // 256 dx = lift * divisor + rem, for lines over three rows or more
    int32_t divisor;    // |y2 - y1|
    bool down;          // walked downward
};

// The piece of a line within one row, in the walk's direction; ya and yb are fractions of the row.
struct LinePiece {
    int32_t xa, ya, xb, yb;
};

// A pixel's coverage cell within one row.
struct RowCell {
    int32_t x, cover, area;
};

// A disc of a batch, ready to be walked one row at a time: its downward chain of lines, then its
// upward chain, each from the top down, in the line store; [first, next) of each chain are the lines
// crossing the current row.
struct DiscRows {
    int32_t downCount, upCount;
    int32_t downFirst, downNext, upFirst, upNext;
    int32_t top, bottom;  // its rows in the band
    uint32_t colour;
};

// One chain of a walked disc in one row: its pieces, from first on in the walk's pieces, their fixed
// x range and the cover the chain leaves (its vertical extent in the row).
struct ChainRecord {
    int32_t first, count;
    int32_t minX, maxX;
    int32_t extent;
};

// A walked row outside the lone-line stretches.
struct WalkedRow {
    ChainRecord down, up;
};

// Where a lone-line row's chains cross the boundary below it (see LoneLineStretch).
struct LoneCrossings {
    int32_t down, up;
};

// Rows top..end-1 of a walked disc, in each of which either chain is one line going on from the row
// above to the row below (the usual row). Their pieces are not kept, only where the lines cross each
// row's lower boundary; above is where they cross the first row's upper one.
struct LoneLineStretch {
    int32_t top, end;
    LoneCrossings above;
};

// A disc's rows in the band, walked before it is drawn (raster/disc_rows.h). Each array is from its
// top row on.
struct WalkedDisc {
    ColumnRange* stored = nullptr;  // every row's columns that it stores for certain
    int32_t storedCapacity = 0;
    WalkedRow* rows = nullptr;  // the rows outside the stretches
    int32_t rowCapacity = 0;
    LoneCrossings* crossings = nullptr;  // the rows of the stretches
    int32_t crossingCapacity = 0;
    LinePiece* pieces = nullptr;
    int32_t pieceCapacity = 0;
    LoneLineStretch* stretches = nullptr;  // in order of rows
    int32_t stretchCapacity = 0;
    int32_t stretchCount = 0;
};

// The disc row being drawn: the view row's pixels and the columns a later disc stores over (a local of
// the drawing code, not part of this record).
struct RowCut {
    uint32_t* row = nullptr;
    int32_t maxX = -1;
    ColumnRange cover = kNoColumns;
};

struct DiscBatch {
    RowLine* lines = nullptr;  // the line store, for the disc being walked
    int32_t lineCapacity = 0;
    RowCell* cells = nullptr;  // one row of one disc
    int32_t cellCapacity = 0;
    DiscRows discs[2] = {};  // the disc being drawn and the next, whose stores it is cut against
    WalkedDisc walked[2];
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
