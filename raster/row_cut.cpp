#include "raster/row_cut.h"

#include <algorithm>

#include "raster/grow_array.h"
#include "raster/spans.h"

namespace {

constexpr uint32_t kPieceRun = 0x100u;
constexpr int32_t kPieceGrowth = 1024;

inline bool Keep(RowPieces& list, int32_t begin, int32_t end, uint32_t kind, uint32_t colour) {
    if (list.count == list.capacity &&
        !ProvideArray(list.at, list.capacity, int64_t{list.count} + 1, kPieceGrowth, list.count)) {
        return false;
    }
    list.at[list.count++] = {begin, static_cast<uint32_t>(end - begin) << 9 | kind, colour};
    return true;
}

}  // namespace

bool KeepSpan(RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour) {
    const int64_t last = int64_t{x} + length - 1;
    if (x > cut.maxX || last < 0) return true;
    const int32_t begin = std::max(x, 0);
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(last, cut.maxX)) + 1;
    const ColumnRange cover = cut.cover;
    if (end - begin == 1) {  // a single pixel: never a store
        return (begin >= cover.begin && begin <= cover.end) || Keep(cut.pieces, begin, end, k, colour);
    }
    if (k == 255) cut.stored = MergeColumns(cut.stored, {begin, end - 1});
    const uint32_t kind = k | kPieceRun;
    if (end <= cover.begin || begin > cover.end) return Keep(cut.pieces, begin, end, kind, colour);
    return (begin >= cover.begin || Keep(cut.pieces, begin, cover.begin, kind, colour)) &&
           (end <= cover.end + 1 || Keep(cut.pieces, cover.end + 1, end, kind, colour));
}

void DrawCutRow(const RowCut& cut, uint32_t* row, const uint32_t* next) {
    // Backwards: the earliest disc's first.
    for (int32_t p = cut.pieces.count - 1; p >= 0; --p) {
        const RowPiece& piece = cut.pieces.at[p];
        const uint32_t length = piece.packed >> 9, k = piece.packed & 255u;
        const bool run = (piece.packed & kPieceRun) != 0;
        if (next && run && k == 255) {
            for (uint32_t x = 0; x < length; x += 16) __builtin_prefetch(next + piece.x + x);
        }
        DrawNormalPart(row + piece.x, piece.colour, length, k, run);
    }
}
