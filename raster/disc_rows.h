// Raster core, a polygon disc's outline one view row at a time, for the disc batches
// (raster/disc_batch.h): the spans the cell store's sweep (raster/cells.h) would hand over for a row,
// worked out for that row alone.
//
// The outline is the one DrawPolygonDisc builds: the same vertices and fixed points, the same lines
// clipped to the rows and projected into the columns (raster/line_walk.h). A disc is convex and its
// vertices are placed monotonically, so its lines fall into two chains, those walked downward and
// those walked upward, and each chain meets a row in one stretch of consecutive lines. Each active
// line keeps where it crosses the current row's upper and lower boundary: the walk's floor divisions,
// stepped from row to row (a line walked upward is stepped backward, its crossings still counted from
// its start, as the walk counts them). A row's pieces are then cut at the column boundaries exactly as
// the walk cuts them. Cells of equal column add up in the sweep, however the pieces fall into visits,
// and a closed outline's cover sums to zero along every row, so a row's sweep starts from zero cover.
//
// A disc is walked row by row before it is drawn, so that the disc before it can leave out what it
// stores. The usual row has its two chains apart. A chain whose columns the next disc stores over is
// not cut into cells at all: the cover it leaves is its vertical extent in the row, and the run
// between the chains keeps its kind as long as it is two pixels or more without that chain's columns.
//
// Most rows are lone-line rows: either chain is one line going on from the row above to the row below.
// A run of them is walked as a stretch, both lines stepped in registers, and only where they cross each
// row's lower boundary is kept. Drawing makes the two pieces again from those crossings and, where each
// lies in one or two columns, cuts it into cells kept in registers.
#pragma once

#include <cstdint>

#include "raster/disc_batch.h"
#include "raster/raster_thread.h"
#include "raster/row_batch.h"

// Builds the outline of disc for view rows first..end-1 into the thread's line store, in place of the
// disc before's (a disc's lines are done with once it is walked). Lines wholly outside those rows are
// left out. Irregular if the outline is not two monotone chains (a NaN or another pathological value).
DiscRowsResult PrepareDiscRows(RasterThread& t, const BatchDisc& disc, int32_t first, int32_t end, DiscRows& rows);

// Walks the disc last prepared, its chains from its top row to its bottom, into w: each row's
// pieces, and the columns the row stores for certain. The disc is walked once; false if memory runs
// out.
bool WalkDiscRows(RasterThread& t, DiscRows& rows, WalkedDisc& w);

// Draws the walked disc's rows into the view, in the disc's colour, but for the columns that the next
// disc of the batch (if not null, walked into nextWalked) stores for certain in each row.
void DrawWalkedDisc(RasterThread& t, const DiscRows& rows, const WalkedDisc& w, const DiscRows* next,
                    const WalkedDisc* nextWalked);
