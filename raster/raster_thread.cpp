#include "raster/raster_thread.h"

void ReleaseThreadRasteriser() {
    RasterThread& t = rasterThread;
    for (int32_t b = 0; b < t.cells.blocksAllocated; ++b) delete[] t.cells.blocks[b];
    delete[] t.cells.blocks;
    delete[] t.cells.sorted;
    delete[] t.cells.rowStarts;
    delete[] t.vertices.vertices;
    delete[] t.spans.spans;
    DiscBatch& b = t.batch;
    delete[] b.lines;
    delete[] b.cells;
    for (WalkedDisc& w : b.walked) {
        delete[] w.stored;
        delete[] w.rows;
        delete[] w.crossings;
        delete[] w.pieces;
        delete[] w.stretches;
    }
    t = RasterThread();
}
