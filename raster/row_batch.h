// Raster core, row batches: many mode-1 discs drawn as one picture, one view row at a time, each pixel
// written only by the writes that survive (raster/row_cut.h). Drawing thread only.
//
// In each row the discs that reach it are visited from the last to the first, each cuts its writes in
// that row, and what survives is drawn, the earliest disc first, while the row is in the cache. Every
// pixel ends exactly as after drawing each disc by itself in turn, since a row's pixels depend on no
// other row. How a disc is drawn is its family's business: a record of procedures (the polygon discs
// of raster/disc_batch.h) whose spans in a row do not overlap each other.
//
// With two cores the batch is drawn in two bands of rows at once, the lower band by the drawing
// helper (raster/draw_helper.h), each thread in its own record (raster/raster_thread.h). The split
// row follows the time the bands took, so that neither thread waits long for the other. If memory runs
// out, or a disc is one its family cannot take row by row, the band's rows from there on are drawn
// disc by disc by the family, which gives the same picture.
#pragma once

#include <cstdint>

#include "raster/raster_thread.h"

enum class DiscRowsResult {
    empty,      // the disc writes nothing in the rows asked for
    ready,      // rows holds the disc's rows top..bottom
    irregular,  // the family cannot take this disc row by row (only pathological values)
    noMemory,
};

// The share of a batch's rows the drawing thread keeps, moved after every batch toward the share at
// which both bands would have taken equally long.
struct BandSplit {
    double upperShare = 0.5;
};

struct RowFamily {
    // Gets disc index of discs ready for view rows first..end-1 in the thread's record.
    DiscRowsResult (*prepare)(RasterThread& t, const void* discs, int32_t index, int32_t first, int32_t end,
                              DiscRows& rows);
    // Cuts the disc's writes in row y into t.batch.cut; asked for each row from its top to its
    // bottom in turn. False if memory runs out.
    bool (*cutRow)(RasterThread& t, DiscRows& rows, int32_t y);
    // Draws discs[0..count-1] one by one, in view rows first..end-1 only.
    void (*drawOneByOne)(const void* discs, int32_t count, int32_t first, int32_t end);
    BandSplit* split;  // kept from batch to batch of this family
};

// Draws the batch; the rows from split on by the drawing helper, if there is one (DrawRowBatch splits
// where the last batches say the work halves). The picture is the same wherever the split lies.
void DrawRowBatch(const RowFamily& family, const void* discs, int32_t count);
void DrawRowBatchSplit(const RowFamily& family, const void* discs, int32_t count, int32_t split);
