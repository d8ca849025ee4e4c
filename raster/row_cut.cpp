#include "raster/row_cut.h"

#include <algorithm>

#include "raster/spans.h"

void DrawCutSpan(const RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour) {
    const int64_t last = int64_t{x} + length - 1;
    if (x > cut.maxX || last < 0) return;
    const int32_t begin = std::max(x, 0);
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(last, cut.maxX)) + 1;
    const bool run = end - begin > 1;
    const ColumnsAround parts = ColumnsOutside({begin, end - 1}, cut.cover);
    for (const ColumnRange part : {parts.before, parts.after}) {
        if (part.end >= part.begin) {
            DrawNormalPart(cut.row + part.begin, colour, static_cast<uint32_t>(part.end - part.begin + 1), k, run);
        }
    }
}
