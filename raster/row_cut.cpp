#include "raster/row_cut.h"

#include <algorithm>

#include "raster/grow_array.h"
#include "raster/spans.h"

namespace {

constexpr uint32_t kPieceRun = 0x100u;
constexpr int32_t kPieceGrowth = 1024;
constexpr int32_t kWordGrowth = 64;
constexpr CutWord kAll = ~CutWord{0};

inline int32_t CountTrailingZeros(CutWord bits) {
    return sizeof(CutWord) == 8 ? __builtin_ctzll(bits) : __builtin_ctz(static_cast<uint32_t>(bits));
}

// The first bit from x on, before end, that is set (want) or clear, or end.
template <bool want>
inline int32_t NextBit(const CutWord* words, int32_t x, int32_t end) {
    if (x >= end) return end;
    int32_t w = x >> kCutWordShift;
    CutWord bits = (want ? words[w] : ~words[w]) & (kAll << (x & (kCutWordBits - 1)));
    while (bits == 0) {
        if (++w << kCutWordShift >= end) return end;
        bits = want ? words[w] : ~words[w];
    }
    return std::min(end, (w << kCutWordShift) + CountTrailingZeros(bits));
}

// Marks pixels begin..end-1 stored over.
void SetStored(RowCut& cut, int32_t begin, int32_t end) {
    const int32_t first = begin >> kCutWordShift, last = (end - 1) >> kCutWordShift;
    const CutWord head = kAll << (begin & (kCutWordBits - 1)),
                  tail = kAll >> (kCutWordBits - 1 - ((end - 1) & (kCutWordBits - 1)));
    CutWord* const words = cut.stored;
    if (first == last) {
        words[first] |= head & tail;
        return;
    }
    words[first] |= head;
    for (int32_t w = first + 1; w < last; ++w) words[w] = kAll;
    words[last] |= tail;
}

inline bool Keep(RowCut& cut, int32_t begin, int32_t end, uint32_t kind, uint32_t colour) {
    if (cut.pieceCount == cut.pieceCapacity &&
        !ProvideArray(cut.pieces, cut.pieceCapacity, int64_t{cut.pieceCount} + 1, kPieceGrowth, cut.pieceCount)) {
        return false;
    }
    cut.pieces[cut.pieceCount++] = {begin, static_cast<uint32_t>(end - begin) << 9 | kind, colour};
    return true;
}

// Pixels begin..end-1 (two or more) at coverage k, drawn by the run operation: the parts not stored over are kept; a
// store waits for the end of the disc's row.
bool KeepRun(RowCut& cut, int32_t begin, int32_t end, uint32_t k, uint32_t colour) {
    const uint32_t kind = k | kPieceRun;
    for (int32_t from = NextBit<false>(cut.stored, begin, end); from < end;) {
        const int32_t to = NextBit<true>(cut.stored, from, end);
        if (!Keep(cut, from, to, kind, colour)) return false;
        from = to < end ? NextBit<false>(cut.stored, to, end) : end;
    }
    if (k == 255) SetStored(cut, begin, end);
    return true;
}

}  // namespace

bool StartCutRow(RowCut& cut, int32_t width) {
    const int32_t words = (width + kCutWordBits - 1) >> kCutWordShift;
    if (!ProvideArray(cut.stored, cut.storedCapacity, words, kWordGrowth)) return false;
    std::fill(cut.stored, cut.stored + words, CutWord{0});
    cut.maxX = width - 1;
    cut.pieceCount = 0;
    return true;
}

bool CutHiddenInGeneral(const RowCut& cut, int32_t x0, int32_t x1) {
    return NextBit<false>(cut.stored, x0, x1 + 1) > x1;
}

bool KeepSpan(RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour) {
    const int64_t last = int64_t{x} + length - 1;
    if (x > cut.maxX || last < 0) return true;
    const int32_t begin = std::max(x, 0);
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(last, cut.maxX)) + 1;
    if (end - begin == 1) {  // a single pixel: never a store
        if ((cut.stored[begin >> kCutWordShift] >> (begin & (kCutWordBits - 1)) & 1) != 0) return true;
        return Keep(cut, begin, end, k, colour);
    }
    return KeepRun(cut, begin, end, k, colour);
}

void DrawCutRow(const RowCut& cut, uint32_t* row) {
    // The pixels of the pieces a little ahead are loaded while the current ones are drawn: most
    // pieces are single edge pixels far apart, whose reads would otherwise wait for memory.
    constexpr int32_t kAhead = 8;
    for (int32_t p = cut.pieceCount - 1; p >= 0; --p) {
        __builtin_prefetch(row + cut.pieces[std::max(p - kAhead, 0)].x, 1);
        const RowPiece& piece = cut.pieces[p];
        DrawNormalPart(row + piece.x, piece.colour, piece.packed >> 9, piece.packed & 255u,
                       (piece.packed & kPieceRun) != 0);
    }
}
