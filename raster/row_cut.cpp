#include "raster/row_cut.h"

#include "raster/spans.h"

void DrawCutSpan(const RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour) {
    const ColumnRange span = SpanInView(cut, x, length);
    if (span.begin > span.end) return;
    const bool run = span.end > span.begin;
    const ColumnsAround parts = ColumnsOutside(span, cut.cover);
    for (const ColumnRange part : {parts.before, parts.after}) {
        if (part.end >= part.begin) {
            DrawNormalPart(cut.row + part.begin, colour, static_cast<uint32_t>(part.end - part.begin + 1), k, run);
        }
    }
}
