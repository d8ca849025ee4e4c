// Raster core, row batches: many mode-1 discs drawn as one picture, each pixel written only by the
// writes that the next disc does not store over (raster/row_cut.h). Drawing thread only.
//
// The discs are drawn in order, each row by row into the view, every pixel ending exactly as after
// drawing each disc by itself in turn. Before a disc is drawn, the next one's rows are walked, and the
// disc leaves out in each row what the next stores there for certain: in a spiral the next disc hides
// all but a crescent. How a disc is walked and drawn is its family's business: a record of procedures
// (the polygon discs of raster/disc_batch.h).
//
// With two cores the batch is drawn in two bands of rows at once, the lower band by the drawing
// helper (raster/draw_helper.h), each thread in its own record (raster/raster_thread.h): a row's
// pixels depend on no other row. The split row follows the time the bands took, so that neither
// thread waits long for the other. If memory runs out, or a disc is one its family cannot take row by
// row, the band's discs from there on are drawn one by one by the family, which gives the same
// picture.
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
    // Walks the disc just prepared into w, once; false if memory runs out.
    bool (*walk)(RasterThread& t, DiscRows& rows, WalkedDisc& w);
    // Draws the walked disc but for what the next disc (if not null, walked) stores for certain.
    void (*draw)(RasterThread& t, const DiscRows& rows, const WalkedDisc& w, const DiscRows* next,
                 const WalkedDisc* nextWalked);
    // Draws discs[from..count-1] one by one, in view rows first..end-1 only.
    void (*drawOneByOne)(const void* discs, int32_t from, int32_t count, int32_t first, int32_t end);
    BandSplit* split;  // kept from batch to batch of this family
};

// Draws the batch; the rows from split on by the drawing helper, if there is one (DrawRowBatch splits
// where the last batches say the work halves). The picture is the same wherever the split lies.
void DrawRowBatch(const RowFamily& family, const void* discs, int32_t count);
void DrawRowBatchSplit(const RowFamily& family, const void* discs, int32_t count, int32_t split);
