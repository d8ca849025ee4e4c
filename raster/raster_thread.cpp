#include "raster/raster_thread.h"

void ReleaseThreadRasteriser() {
    RasterThread& t = rasterThread;
    for (int32_t b = 0; b < t.cells.blocksAllocated; ++b) delete[] t.cells.blocks[b];
    delete[] t.cells.blocks;
    delete[] t.cells.sorted;
    delete[] t.cells.rowStarts;
    delete[] t.vertices.vertices;
    delete[] t.spans.spans;
    delete[] t.batch.stores;
    delete[] t.batch.storeCounts;
    delete[] t.batch.hidden;
    delete[] t.batch.pieces;
    delete[] t.batch.firstPiece;
    t = RasterThread();
}
