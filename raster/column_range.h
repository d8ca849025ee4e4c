// Raster core, a range of columns of one row: what a later disc of a batch stores over, and the parts
// of a span that lie outside it.
#pragma once

#include <cstdint>

// Columns begin..end of a row, none if begin > end.
struct ColumnRange {
    int32_t begin, end;
};
constexpr ColumnRange kNoColumns = {0, -1};

inline bool InColumns(int32_t x, ColumnRange range) { return range.begin <= x && x <= range.end; }

// The columns of span before range and after it, either none.
struct ColumnsAround {
    ColumnRange before, after;
};
inline ColumnsAround ColumnsOutside(ColumnRange span, ColumnRange range) {
    if (range.begin > range.end) return {span, kNoColumns};
    return {{span.begin, span.end < range.begin - 1 ? span.end : range.begin - 1},
            {span.begin > range.end + 1 ? span.begin : range.end + 1, span.end}};
}
