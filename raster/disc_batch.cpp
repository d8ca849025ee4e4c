// Polygon disc batches: the polygon discs as a family of the row batches (raster/row_batch.h), each
// disc walked and drawn row by row (raster/disc_rows.h).
#include "raster/disc_batch.h"

#include <climits>

#include "raster/cells.h"
#include "raster/disc_rows.h"
#include "raster/polygon.h"
#include "raster/row_batch.h"
#include "raster/spans.h"

namespace {

DiscRowsResult PreparePolygonDisc(RasterThread& t, const void* discs, int32_t index, int32_t first, int32_t end,
                                  DiscRows& rows) {
    return PrepareDiscRows(t, static_cast<const BatchDisc*>(discs)[index], first, end, rows);
}

// The discs from on one by one through the cell store, in rows first..end-1 only.
void DrawPolygonDiscsOneByOne(const void* discs, int32_t from, int32_t count, int32_t first, int32_t end) {
    SetCellRows(first, end);
    SelectShapeMode(Normal);
    for (int32_t i = from; i < count; ++i) {
        const BatchDisc& d = static_cast<const BatchDisc*>(discs)[i];
        if (BuildDiscOutline(d.x, d.y, d.radius) && RasteriseVertexList()) SweepCells(d.colour);
    }
    SetCellRows(INT32_MIN, INT32_MAX);
}

BandSplit polygonSplit;
const RowFamily polygonDiscs = {PreparePolygonDisc, WalkDiscRows, DrawWalkedDisc, DrawPolygonDiscsOneByOne,
                                &polygonSplit};

}  // namespace

void DrawPolygonDiscs(const BatchDisc* discs, int32_t count) { DrawRowBatch(polygonDiscs, discs, count); }

void DrawPolygonDiscsSplit(const BatchDisc* discs, int32_t count, int32_t split) {
    DrawRowBatchSplit(polygonDiscs, discs, count, split);
}
