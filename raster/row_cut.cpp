#include "raster/row_cut.h"

#include <algorithm>

#include "raster/spans.h"

void DrawCutSpan(const RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour) {
    const int64_t last = int64_t{x} + length - 1;
    if (x > cut.maxX || last < 0) return;
    const int32_t begin = std::max(x, 0);
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(last, cut.maxX)) + 1;
    const ColumnRange cover = cut.cover;
    const bool run = end - begin > 1;
    const auto draw = [&](int32_t from, int32_t to) {
        if (to > from) DrawNormalPart(cut.row + from, colour, static_cast<uint32_t>(to - from), k, run);
    };
    if (end <= cover.begin || begin > cover.end || cover.begin > cover.end) {
        draw(begin, end);
        return;
    }
    draw(begin, cover.begin);
    draw(cover.end + 1, end);
}
