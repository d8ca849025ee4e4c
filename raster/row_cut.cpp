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

// The first word from w on, before end, not wholly stored over, or end.
inline int32_t NextNotFull(const RowCut& cut, int32_t w, int32_t end) {
    if (w >= end) return end;
    int32_t s = w >> kCutWordShift;
    CutWord open = ~cut.full[s] & (kAll << (w & (kCutWordBits - 1)));
    while (open == 0) {
        if (++s << kCutWordShift >= end) return end;
        open = ~cut.full[s];
    }
    return std::min(end, (s << kCutWordShift) + CountTrailingZeros(open));
}

inline void MarkFull(RowCut& cut, int32_t w) { cut.full[w >> kCutWordShift] |= CutWord{1} << (w & (kCutWordBits - 1)); }

inline bool Keep(RowPieces& list, int32_t begin, int32_t end, uint32_t kind, uint32_t colour) {
    if (list.count == list.capacity &&
        !ProvideArray(list.at, list.capacity, int64_t{list.count} + 1, kPieceGrowth, list.count)) {
        return false;
    }
    list.at[list.count++] = {begin, static_cast<uint32_t>(end - begin) << 9 | kind, colour};
    return true;
}

// Cuts a run word by word: the stretches of each word not stored over are kept, and at full coverage
// the word's pixels are then marked stored. A stretch that reaches a word's top bit goes on into the
// next word.
struct RunCutter {
    RowCut& cut;
    RowPieces& kept;
    uint32_t kind, colour;
    bool stores;
    int32_t open = -1;  // where a stretch reaching the previous word's top bit began

    [[gnu::always_inline]] bool Word(int32_t w, CutWord mask) {
        CutWord clear = ~cut.stored[w] & mask;
        if (stores && (cut.stored[w] |= mask) == kAll) MarkFull(cut, w);
        const int32_t base = w << kCutWordShift;
        if (open >= 0 && (clear & 1) == 0) {
            if (!Keep(kept, open, base, kind, colour)) return false;
            open = -1;
        }
        while (clear != 0) {
            const int32_t low = CountTrailingZeros(clear);
            const CutWord past = clear + (CutWord{1} << low);  // the lowest stretch's bits carried out
            const int32_t from = open >= 0 ? open : base + low;
            open = -1;
            if (past == 0) {
                open = from;
                break;
            }
            if (!Keep(kept, from, base + CountTrailingZeros(past), kind, colour)) return false;
            clear &= past;
        }
        return true;
    }
    bool Finish(int32_t end) { return open < 0 || Keep(kept, open, end, kind, colour); }
};

// Pixels begin..end-1 (two or more) at coverage k, drawn by the run operation, in one pass over the
// words.
bool KeepRun(RowCut& cut, int32_t begin, int32_t end, uint32_t k, uint32_t colour) {
    RunCutter run = {cut, k == 255 ? cut.stores : cut.others, k | kPieceRun, colour, k == 255};
    const int32_t first = begin >> kCutWordShift, last = (end - 1) >> kCutWordShift;
    const CutWord head = kAll << (begin & (kCutWordBits - 1)),
                  tail = kAll >> (kCutWordBits - 1 - ((end - 1) & (kCutWordBits - 1)));
    if (first == last) return run.Word(first, head & tail) && run.Finish(end);
    if (!run.Word(first, head)) return false;
    CutWord* const words = cut.stored;
    for (int32_t w = first + 1; w < last; ++w) {
        // Most words of a wide run are wholly stored over, with nothing to keep or mark, or wholly
        // clear inside a stretch that goes on.
        if (run.open < 0) {
            w = NextNotFull(cut, w, last);
            if (w == last) break;
        } else if (words[w] == 0) {
            if (run.stores) words[w] = kAll, MarkFull(cut, w);
            continue;
        }
        if (!run.Word(w, kAll)) return false;
    }
    return run.Word(last, tail) && run.Finish(end);
}

}  // namespace

bool StartCutRow(RowCut& cut, int32_t width) {
    const int32_t words = (width + kCutWordBits - 1) >> kCutWordShift;
    const int32_t fullWords = (words + kCutWordBits - 1) >> kCutWordShift;
    if (!ProvideArray(cut.stored, cut.storedCapacity, words + fullWords, kWordGrowth)) return false;
    std::fill(cut.stored, cut.stored + words + fullWords, CutWord{0});
    cut.full = cut.stored + words;
    cut.maxX = width - 1;
    cut.stores.count = cut.others.count = 0;
    return true;
}

bool CutHiddenInGeneral(const RowCut& cut, int32_t x0, int32_t x1) {
    const int32_t first = x0 >> kCutWordShift, last = x1 >> kCutWordShift;
    const CutWord head = kAll << (x0 & (kCutWordBits - 1)),
                  tail = kAll >> (kCutWordBits - 1 - (x1 & (kCutWordBits - 1)));
    return (cut.stored[first] & head) == head && (cut.stored[last] & tail) == tail &&
           NextNotFull(cut, first + 1, last) == last;
}

bool KeepSpan(RowCut& cut, int32_t x, int32_t length, uint32_t k, uint32_t colour) {
    const int64_t last = int64_t{x} + length - 1;
    if (x > cut.maxX || last < 0) return true;
    const int32_t begin = std::max(x, 0);
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(last, cut.maxX)) + 1;
    if (end - begin == 1) {  // a single pixel: never a store
        if ((cut.stored[begin >> kCutWordShift] >> (begin & (kCutWordBits - 1)) & 1) != 0) return true;
        return Keep(cut.others, begin, end, k, colour);
    }
    return KeepRun(cut, begin, end, k, colour);
}

void DrawCutRow(const RowCut& cut, uint32_t* row, const uint32_t* next) {
    for (int32_t p = 0; p < cut.stores.count; ++p) {
        const RowPiece& piece = cut.stores.at[p];
        const uint32_t length = piece.packed >> 9;
        FillRun(row + piece.x, piece.colour, length);
        if (next) {
            for (uint32_t x = 0; x < length; x += 16) __builtin_prefetch(next + piece.x + x);
        }
    }
    // Backwards: the earliest disc's first. Most are single edge pixels, in the cache after the stores.
    for (int32_t p = cut.others.count - 1; p >= 0; --p) {
        const RowPiece& piece = cut.others.at[p];
        DrawNormalPart(row + piece.x, piece.colour, piece.packed >> 9, piece.packed & 255u,
                       (piece.packed & kPieceRun) != 0);
    }
}
