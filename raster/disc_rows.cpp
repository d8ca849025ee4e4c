#include "raster/disc_rows.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "host/frame_buffer.h"
#include "raster/cells.h"
#include "raster/grow_array.h"
#include "raster/line_walk.h"
#include "raster/polygon.h"
#include "raster/row_cut.h"

namespace {

constexpr int32_t kLineGrowth = 4096;
constexpr int32_t kCellGrowth = 1024;
constexpr int32_t kWalkGrowth = 1024;

// The coverage a span carries for raw coverage, folded by the even-odd rule: a table over |raw| modulo
// 512, so that the sweep needs no branches for it.
struct FoldedCoverage {
    uint8_t of[512];
};
const FoldedCoverage foldedCoverage = [] {
    FoldedCoverage t{};
    for (int32_t c = 0; c < 512; ++c) t.of[c] = shapeCoverageTable[CoverageOfRaw(c)];
    return t;
}();

inline uint32_t SpanCoverage(int32_t raw) { return foldedCoverage.of[(raw < 0 ? -raw : raw) & 511]; }

inline int32_t UpperY(const RowLine& l) { return l.down ? l.y1 : l.y2; }
inline int32_t LowerY(const RowLine& l) { return l.down ? l.y2 : l.y1; }

// Puts a chain's lines in order from the top down: walked upward, the outline order is reversed. The
// chain is monotone if, taken round as a cycle, exactly one line begins above where the one before
// it ends; it then starts with that line. False if it is not.
bool OrderChain(RowLine* lines, int32_t count, bool reversed) {
    if (count == 0) return true;
    if (reversed) std::reverse(lines, lines + count);
    int32_t start = -1;
    for (int32_t k = 0; k < count; ++k) {
        if (UpperY(lines[k]) < LowerY(lines[k == 0 ? count - 1 : k - 1])) {
            if (start >= 0) return false;
            start = k;
        }
    }
    if (start < 0) return false;
    std::rotate(lines, lines + start, lines + count);
    return true;
}

// The crossing of a line with the boundary above row j (fixed y = 256 j), strictly between its ends:
// the walk's floor division in closed form, with its remainder.
int32_t Crossing(const RowLine& l, int32_t j, int32_t& remainder) {
    const int64_t along = l.down ? int64_t{j} * kOnePixel - l.y1 : l.y1 - int64_t{j} * kOnePixel;
    const int64_t n = along * (l.x2 - l.x1);
    int64_t q = n / l.divisor, r = n % l.divisor;
    if (r < 0) --q, r += l.divisor;
    remainder = static_cast<int32_t>(r);
    return l.x1 + static_cast<int32_t>(q);
}

// The line's crossings for its first row y in the band. In its top row the crossing below is the
// walk's first division for a line walked downward, and for one walked upward its last, which the
// walk reaches from the start: x1 + floor((y1 - 256 (top + 1)) dx / d) = x2 + floor((fy2 - 256) dx / d).
void StartLine(RowLine& l, int32_t y) {
    const int32_t dx = l.x2 - l.x1;
    if (l.bottom - l.top >= 2) FloorDivide(kOnePixel * dx, l.divisor, l.lift, l.rem);
    if (y == l.bottom) {
        l.lowerX = l.down ? l.x2 : l.x1;
    } else if (y != l.top) {
        l.lowerX = Crossing(l, y + 1, l.remainder);
    } else if (l.down) {
        int32_t q;
        FloorDivide((kOnePixel - (l.y1 & kPixelMask)) * dx, l.divisor, q, l.remainder);
        l.lowerX = l.x1 + q;
    } else {
        int32_t q;
        FloorDivide(((l.y2 & kPixelMask) - kOnePixel) * dx, l.divisor, q, l.remainder);
        l.lowerX = l.x2 + q;
    }
    int32_t unused;
    l.upperX = y == l.top ? (l.down ? l.x1 : l.x2) : Crossing(l, y, unused);
}

// A line's crossing of the next row boundary down from the one before, with its division's remainder:
// stepped forward for a line walked downward, backward for one walked upward (whose crossings are still
// counted from its start). Without a branch: whether the remainder carries is as good as random.
// The step, 256 dx = lift * divisor + rem, comes by value, so that a caller may keep it in registers.
inline void StepForward(int32_t& lowerX, int32_t& remainder, int32_t lift, int32_t rem, int32_t divisor) {
    remainder += rem;
    const int32_t carry = remainder >= divisor ? 1 : 0;
    remainder -= divisor & -carry;
    lowerX += lift + carry;
}
inline void StepBackward(int32_t& lowerX, int32_t& remainder, int32_t lift, int32_t rem, int32_t divisor) {
    remainder -= rem;
    const int32_t borrow = remainder < 0 ? 1 : 0;
    remainder += divisor & -borrow;
    lowerX -= lift + borrow;
}

// Moves the line's crossings from row y - 1 to row y.
inline void StepLine(RowLine& l, int32_t y) {
    l.upperX = l.lowerX;
    if (y == l.bottom) {
        l.lowerX = l.down ? l.x2 : l.x1;
    } else if (l.down) {
        StepForward(l.lowerX, l.remainder, l.lift, l.rem, l.divisor);
    } else {
        StepBackward(l.lowerX, l.remainder, l.lift, l.rem, l.divisor);
    }
}

// A chain of a lone-line row, the usual row: its one piece, fixed x range and extent.
struct LoneChain {
    static constexpr int32_t count = 1;
    LinePiece piece;
    int32_t minX, maxX;
    int32_t extent;
};

// The chains of a lone-line row from where its lines cross the row's upper and lower boundary, their
// pieces as PieceOf gives them: a downward line's from the top down, an upward line's from the bottom up.
inline LoneChain DownChain(int32_t upperX, int32_t lowerX) {
    return {{upperX, 0, lowerX, kOnePixel}, std::min(upperX, lowerX), std::max(upperX, lowerX), kOnePixel};
}
inline LoneChain UpChain(int32_t upperX, int32_t lowerX) {
    return {{lowerX, kOnePixel, upperX, 0}, std::min(upperX, lowerX), std::max(upperX, lowerX), -kOnePixel};
}

inline LinePiece PieceOf(const RowLine& l, int32_t y) {
    const int32_t upperFy = y == l.top ? UpperY(l) & kPixelMask : 0;
    const int32_t lowerFy = y == l.bottom ? LowerY(l) & kPixelMask : kOnePixel;
    if (l.down) return {l.upperX, upperFy, l.lowerX, lowerFy};
    return {l.lowerX, lowerFy, l.upperX, upperFy};
}

// Where a chain lies in a row: its pieces, its fixed x range, and the cover it leaves (its vertical
// extent in the row).
struct ChainRow {
    const LinePiece* pieces;
    int32_t count;
    int32_t minX, maxX;
    int32_t extent;
};

inline void AddPiece(ChainRow& c, LinePiece* pieces, const LinePiece& p) {
    pieces[c.count++] = p;
    c.minX = std::min(c.minX, std::min(p.xa, p.xb));
    c.maxX = std::max(c.maxX, std::max(p.xa, p.xb));
    c.extent += p.yb - p.ya;
}

// BringChain for any chain row.
[[gnu::noinline]] ChainRow BringChainInGeneral(RowLine* lines, int32_t count, int32_t& first, int32_t& next, int32_t y,
                                               LinePiece* pieces) {
    while (first < next && lines[first].bottom < y) ++first;
    ChainRow c = {pieces, 0, INT32_MAX, INT32_MIN, 0};
    for (int32_t k = first; k < next; ++k) {
        StepLine(lines[k], y);
        AddPiece(c, pieces, PieceOf(lines[k], y));
    }
    for (; next < count && lines[next].top <= y; ++next) {
        StartLine(lines[next], y);
        AddPiece(c, pieces, PieceOf(lines[next], y));
    }
    return c;
}

// The next usual chain row: a vertex, one line ending in the row and the next one starting there and
// going on below. The line that ends is dropped from the chain's active lines.
[[gnu::noinline]] ChainRow BringChainAtVertex(RowLine* lines, int32_t count, int32_t& first, int32_t& next, int32_t y,
                                              LinePiece* pieces) {
    if (next - first != 1 || next == count || lines[first].bottom != y || lines[next].top != y ||
        lines[next].bottom == y || (next + 1 < count && lines[next + 1].top <= y)) {
        return BringChainInGeneral(lines, count, first, next, y, pieces);
    }
    RowLine& ending = lines[first];
    RowLine& starting = lines[next];
    StepLine(ending, y);
    StartLine(starting, y);
    first = next++;
    ChainRow c = {pieces, 0, INT32_MAX, INT32_MIN, 0};
    AddPiece(c, pieces, PieceOf(ending, y));
    AddPiece(c, pieces, PieceOf(starting, y));
    return c;
}

// The lines of a chain crossing row y, brought to that row, and their pieces there. The usual chain
// row is one line going on from the row above to the row below.
[[gnu::always_inline]] inline ChainRow BringChain(RowLine* lines, int32_t count, int32_t& first, int32_t& next,
                                                  int32_t y, LinePiece* pieces) {
    if (next - first == 1 && lines[first].bottom > y && (next == count || lines[next].top > y)) {
        RowLine& l = lines[first];
        l.upperX = l.lowerX;
        if (l.down) {
            StepForward(l.lowerX, l.remainder, l.lift, l.rem, l.divisor);
        } else {
            StepBackward(l.lowerX, l.remainder, l.lift, l.rem, l.divisor);
        }
        const LoneChain c = l.down ? DownChain(l.upperX, l.lowerX) : UpChain(l.upperX, l.lowerX);
        pieces[0] = c.piece;
        return {pieces, 1, c.minX, c.maxX, c.extent};
    }
    return BringChainAtVertex(lines, count, first, next, y, pieces);
}

// The cells of one row, gathered as the cell store gathers them: a piece begins in the cell holding
// its start, consecutive pieces in one pixel add up, and a cell whose sums are zero is not kept.
struct CellSink {
    RowCell* cells;
    int32_t count = 0;
    int32_t ex = INT32_MIN, cover = 0, area = 0;

    void Store() {
        if ((cover | area) != 0) cells[count++] = {ex, cover, area};
        cover = area = 0;
    }
    void Enter(int32_t x) {
        if (x != ex) {
            Store();
            ex = x;
        }
    }
    void Add(int32_t c, int32_t a) { cover += c, area += a; }
};

// Orders cells by column. The pieces of one quarter of the outline run one way, so most rows are in
// order or in reverse order; cells of equal column may end in any order, as the sweep adds them up.
void OrderCells(RowCell* cells, int32_t count) {
    if (count < 2) return;
    bool ascending = true, descending = true;
    for (int32_t i = 1; i < count; ++i) {
        ascending = ascending && cells[i - 1].x <= cells[i].x;
        descending = descending && cells[i - 1].x >= cells[i].x;
    }
    if (ascending) return;
    if (descending) {
        std::reverse(cells, cells + count);
    } else if (count <= 16) {
        for (int32_t i = 1; i < count; ++i) {
            const RowCell moving = cells[i];
            int32_t to = i;
            for (; to > 0 && moving.x < cells[to - 1].x; --to) cells[to] = cells[to - 1];
            cells[to] = moving;
        }
    } else {
        std::sort(cells, cells + count, [](const RowCell& a, const RowCell& b) { return a.x < b.x; });
    }
}

// A chain's cells in its row, in column order, into cells; returns their number. A lone piece in one
// or two columns, the usual one, is cut here as CutRowPiece cuts it, without its loop.
int32_t ChainCellsInGeneral(const ChainRow& c, RowCell* cells);

// A piece's cell when it lies in column ex alone.
inline RowCell OneColumnCell(const LinePiece& p, int32_t ex) {
    const int32_t extent = p.yb - p.ya;
    return {ex, extent, ((p.xa & kPixelMask) + (p.xb & kPixelMask)) * extent};
}

// A piece's cells in columns ex1 and ex2 next to each other, the left one first, as CutRowPiece cuts it;
// either may have no sums. Field by field and without a branch: which way the piece runs changes from
// disc to disc. (Whole cells picked by a condition went through the stack, and their wide reads could
// not take the narrow writes.)
struct CellPair {
    RowCell left, right;
};
inline CellPair TwoColumnCells(const LinePiece& p, int32_t ex1, int32_t ex2) {
    const bool rightward = p.xb > p.xa;
    const TwoColumnCut cut = CutAcrossOneBoundary(p.xa, p.ya, p.xb, p.yb);
    return {
        {rightward ? ex1 : ex2, rightward ? cut.startCover : cut.endCover, rightward ? cut.startArea : cut.endArea},
        {rightward ? ex2 : ex1, rightward ? cut.endCover : cut.startCover, rightward ? cut.endArea : cut.startArea}};
}

inline bool HasSums(const RowCell& c) { return (c.cover | c.area) != 0; }

[[gnu::always_inline]] inline int32_t ChainCells(const ChainRow& c, RowCell* cells) {
    if (c.count == 1) {
        const LinePiece& p = c.pieces[0];
        const int32_t ex1 = p.xa >> kPixelBits, ex2 = p.xb >> kPixelBits;
        if (ex1 == ex2) {
            const RowCell cell = OneColumnCell(p, ex1);
            cells[0] = cell;
            return cell.cover != 0 ? 1 : 0;
        }
        if (ex2 == ex1 + 1 || ex2 == ex1 - 1) {
            // Whether a cell is empty is as good as random: each is written, and kept by moving on.
            const CellPair pair = TwoColumnCells(p, ex1, ex2);
            RowCell* out = cells;
            *out = pair.left;
            out += HasSums(pair.left);
            *out = pair.right;
            out += HasSums(pair.right);
            return static_cast<int32_t>(out - cells);
        }
    }
    return ChainCellsInGeneral(c, cells);
}

// ChainCells for any chain row.
[[gnu::noinline]] int32_t ChainCellsInGeneral(const ChainRow& c, RowCell* cells) {
    CellSink sink{cells};
    for (int32_t k = 0; k < c.count; ++k) {
        const LinePiece& p = c.pieces[k];
        sink.Enter(p.xa >> kPixelBits);
        CutRowPiece(sink, p.xa, p.ya, p.xb, p.yb);
    }
    sink.Store();
    OrderCells(cells, sink.count);
    return sink.count;
}

// A span the sweep finds, at coverage k (none draws nothing); the usual one, at full coverage, inline.
[[gnu::always_inline]] inline void DrawSweptSpan(const RowCut& cut, int32_t x, int32_t length, uint32_t k,
                                                 uint32_t colour) {
    if (k == 255) {
        FillCutSpan(cut, x, length, colour);
    } else if (k != 0) {
        DrawCutSpan(cut, x, length, k, colour);
    }
}

// The store's sweep over cells in column order, from cover (a row's sums stay far inside 32 bits): each cell with area
// in it is a span of its own pixel, the gap to the next cell one span. after is the column after the last cell's own
// span; cover is left as the sweep has it there.
[[gnu::always_inline]] inline void Sweep(const RowCut& cut, const RowCell* cells, int32_t count, int32_t& cover,
                                         int32_t& after, uint32_t colour) {
    int32_t x = 0;
    for (int32_t i = 0; i < count;) {
        x = cells[i].x;
        int32_t area = cells[i].area;
        cover += cells[i].cover;
        for (++i; i < count && cells[i].x == x; ++i) {
            area += cells[i].area;
            cover += cells[i].cover;
        }
        if (area != 0) {
            DrawCutPixel(cut, x, SpanCoverage((cover * 512 - area) >> 9), colour);
            ++x;
        }
        if (i < count && cells[i].x > x) DrawSweptSpan(cut, x, cells[i].x - x, SpanCoverage(cover), colour);
    }
    after = x;
}

enum class Cut { done, inGeneral };

// A chain row's cells in column order, in the cells given to it.
struct ChainCellRun {
    const RowCell* cell;
    int32_t count;
};

inline ChainCellRun CellsOfChain(const ChainRow& c, RowCell* room) { return {room, ChainCells(c, room)}; }
inline int32_t FirstColumn(const ChainCellRun& c) { return c.cell[0].x; }
[[gnu::always_inline]] inline void Sweep(const RowCut& cut, const ChainCellRun& c, int32_t& cover, int32_t& after,
                                         uint32_t colour) {
    Sweep(cut, c.cell, c.count, cover, after, colour);
}

// A row whose two chains are apart, left's columns all before right's; cells has room for their cells.
template <class Chain>
[[gnu::always_inline]] inline Cut CutApart(const RowCut& cut, RowCell* cells, const Chain& left, const Chain& right,
                                           uint32_t colour) {
    const int32_t lMax = left.maxX >> kPixelBits, rMin = right.minX >> kPixelBits;
    bool lHidden = CutHidden(cut, left.minX >> kPixelBits, lMax);
    bool rHidden = CutHidden(cut, rMin, right.maxX >> kPixelBits);
    if (lHidden && rHidden && CutHidden(cut, lMax + 1, rMin - 1)) return Cut::done;
    // Without the cells of a hidden chain the run between is known only up to that chain's columns,
    // which are not drawn; its kind is the same if it is two pixels or more without them.
    if ((lHidden || rHidden) && std::min(rMin, cut.maxX + 1) - std::max(lMax + 1, 0) < 2) lHidden = rHidden = false;
    using Cells = decltype(CellsOfChain(left, cells));
    const Cells lc = lHidden ? Cells{} : CellsOfChain(left, cells);
    const Cells rc = rHidden ? Cells{} : CellsOfChain(right, cells + lc.count);
    if ((!lHidden && lc.count == 0) || (!rHidden && rc.count == 0)) return Cut::inGeneral;

    int32_t cover = 0;
    int32_t after = lMax + 1;
    if (lHidden) {
        cover = left.extent;
    } else {
        Sweep(cut, lc, cover, after, colour);
    }
    const int32_t before = rHidden ? rMin : FirstColumn(rc);
    if (before > after) DrawSweptSpan(cut, after, before - after, SpanCoverage(cover), colour);
    if (!rHidden) Sweep(cut, rc, cover, after, colour);
    return Cut::done;
}

// CutApart for whichever chain lies left, if they are apart.
template <class Chain>
[[gnu::always_inline]] inline Cut CutIfApart(const RowCut& cut, RowCell* cells, const Chain& dn, const Chain& up,
                                             uint32_t colour) {
    if (dn.maxX >> kPixelBits < up.minX >> kPixelBits) return CutApart(cut, cells, dn, up, colour);
    if (up.maxX >> kPixelBits < dn.minX >> kPixelBits) return CutApart(cut, cells, up, dn, colour);
    return Cut::inGeneral;
}

// The columns a disc's row stores for certain: those between its chains, if the chains are apart, the
// run between them is at full coverage and they are two or more in the view (maxX: the last column).
// The run the sweep finds between the chains' cells may only be longer.
template <class Chain>
[[gnu::always_inline]] inline ColumnRange StoredBetween(const Chain& dn, const Chain& up, int32_t maxX) {
    if (dn.count == 0 || up.count == 0) return kNoColumns;
    const bool downLeft = dn.maxX >> kPixelBits < up.minX >> kPixelBits;
    if (!downLeft && up.maxX >> kPixelBits >= dn.minX >> kPixelBits) return kNoColumns;
    // By value, not by reference to the chain on either side, so that the chains may stay in registers.
    if (SpanCoverage(downLeft ? dn.extent : up.extent) != 255) return kNoColumns;
    const int32_t begin = std::max(((downLeft ? dn.maxX : up.maxX) >> kPixelBits) + 1, 0);
    const int32_t end = std::min(((downLeft ? up.minX : dn.minX) >> kPixelBits) - 1, maxX);
    return end > begin ? ColumnRange{begin, end} : kNoColumns;
}

// A walked chain row and back: its pieces are kept as an index, since the walk's pieces may move as
// they grow.
ChainRecord RecordOf(const ChainRow& c, int32_t first) { return {first, c.count, c.minX, c.maxX, c.extent}; }
ChainRow ChainOf(const WalkedDisc& w, const ChainRecord& r) {
    return {w.pieces + r.first, r.count, r.minX, r.maxX, r.extent};
}

// The row after the last of the chain's rows from y on in which it is one line going on from the row
// above to the row below, as BringChain's usual row; y itself if row y is not one of them.
inline int32_t LoneLineEnd(const RowLine* lines, int32_t count, int32_t first, int32_t next, int32_t y) {
    if (next - first != 1) return y;
    const int32_t end = next == count ? lines[first].bottom : std::min(lines[first].bottom, lines[next].top);
    return std::max(end, y);
}

// Walks the lone-line rows y..end-1 of the lines down and up, each stepped as BringChain steps it in
// its usual row (kept in registers here), into the rows' crossings and stored columns.
void WalkStretch(RowLine& down, RowLine& up, int32_t y, int32_t end, LoneCrossings* crossings, ColumnRange* stored,
                 int32_t maxX) {
    int32_t dUpper = down.upperX, dLower = down.lowerX, dRemainder = down.remainder;
    int32_t uUpper = up.upperX, uLower = up.lowerX, uRemainder = up.remainder;
    const int32_t dLift = down.lift, dRem = down.rem, dDivisor = down.divisor;
    const int32_t uLift = up.lift, uRem = up.rem, uDivisor = up.divisor;
    for (; y < end; ++y) {
        dUpper = dLower;
        StepForward(dLower, dRemainder, dLift, dRem, dDivisor);
        uUpper = uLower;
        StepBackward(uLower, uRemainder, uLift, uRem, uDivisor);
        *crossings++ = {dLower, uLower};
        *stored++ = StoredBetween(DownChain(dUpper, dLower), UpChain(uUpper, uLower), maxX);
    }
    down.upperX = dUpper, down.lowerX = dLower, down.remainder = dRemainder;
    up.upperX = uUpper, up.lowerX = uLower, up.remainder = uRemainder;
}

// Draws a row of chains dn and up, cut as cut says, in colour; cells has room for the row's cells.
[[gnu::always_inline]] inline void DrawRow(const RowCut& cut, RowCell* cells, const ChainRow& dn, const ChainRow& up,
                                           uint32_t colour) {
    if (dn.count == 0 && up.count == 0) return;
    const Cut apart = dn.count > 0 && up.count > 0 ? CutIfApart(cut, cells, dn, up, colour) : Cut::inGeneral;
    if (apart == Cut::done ||
        CutHidden(cut, std::min(dn.minX, up.minX) >> kPixelBits, std::max(dn.maxX, up.maxX) >> kPixelBits)) {
        return;
    }
    // Anything else: the row's cells all together.
    const int32_t nd = ChainCells(dn, cells);
    const int32_t count = nd + ChainCells(up, cells + nd);
    OrderCells(cells, count);
    int32_t cover = 0;
    int32_t after;
    Sweep(cut, cells, count, cover, after, colour);
}

// A lone piece's cells in its row, in column order, kept in registers: as ChainCells cuts a piece in
// one or two columns. The piece crosses the whole row, so the left of two cells always has sums (at
// least 1/256 of the row's height lies in it); the right one has none if the piece ends on the boundary.
struct PieceCells {
    int32_t count;
    RowCell cell[2];
};

inline PieceCells CellsOfChain(const LoneChain& c, RowCell*) {
    const LinePiece& p = c.piece;
    const int32_t ex1 = p.xa >> kPixelBits, ex2 = p.xb >> kPixelBits;
    if (ex1 == ex2) return {1, {OneColumnCell(p, ex1), {}}};
    const CellPair pair = TwoColumnCells(p, ex1, ex2);
    return {HasSums(pair.right) ? 2 : 1, {pair.left, pair.right}};
}
inline int32_t FirstColumn(const PieceCells& c) { return c.cell[0].x; }

// Sweep over a lone piece's cells. A second cell is in the column after the first, whose part of the
// piece runs up to the boundary between them and so has area: no gap lies between them.
[[gnu::always_inline]] inline void Sweep(const RowCut& cut, const PieceCells& c, int32_t& cover, int32_t& after,
                                         uint32_t colour) {
    int32_t x = c.cell[0].x;
    cover += c.cell[0].cover;
    if (c.cell[0].area != 0) {
        DrawCutPixel(cut, x, SpanCoverage((cover * 512 - c.cell[0].area) >> 9), colour);
        ++x;
    }
    if (c.count == 2) {
        cover += c.cell[1].cover;
        if (c.cell[1].area != 0) {
            DrawCutPixel(cut, x, SpanCoverage((cover * 512 - c.cell[1].area) >> 9), colour);
            ++x;
        }
    }
    after = x;
}

// DrawRow for a lone-line row that CutIfApart did not draw, from the crossings of its upper and lower
// boundary. All comes by value, so that the caller's own copies need not be kept in memory for it.
[[gnu::noinline]] void DrawLoneRowInGeneral(RowCut cut, RowCell* cells, LoneCrossings upper, LoneCrossings lower,
                                            uint32_t colour) {
    const LoneChain dn = DownChain(upper.down, lower.down), up = UpChain(upper.up, lower.up);
    const LinePiece pieces[2] = {dn.piece, up.piece};
    DrawRow(cut, cells, {pieces, 1, dn.minX, dn.maxX, dn.extent}, {pieces + 1, 1, up.minX, up.maxX, up.extent}, colour);
}

// Whether a lone piece lies in one column or two, so that its chain's row has at most two cells.
inline bool InTwoColumns(const LinePiece& p) {
    const uint32_t apart = static_cast<uint32_t>((p.xb >> kPixelBits) - (p.xa >> kPixelBits) + 1);
    return apart <= 2;
}

// Row y's cut: but for the columns that the next disc, if any, stores for certain there.
inline RowCut CutOfRow(int32_t y, const DiscRows* next, const WalkedDisc* nextWalked) {
    const FrameBuffer& fb = frameBuffer;
    RowCut cut;
    StartCutRow(cut, fb.rows[y], fb.viewWidth,
                next && y >= next->top && y <= next->bottom ? nextWalked->stored[y - next->top] : kNoColumns);
    return cut;
}

// Draws the rows of a lone-line stretch from their crossings, as DrawWalkedDisc draws a row.
[[gnu::noinline]] void DrawStretch(RasterThread& t, const LoneLineStretch& stretch, const LoneCrossings* crossings,
                                   uint32_t colour, const DiscRows* next, const WalkedDisc* nextWalked) {
    LoneCrossings upper = stretch.above;
    for (int32_t y = stretch.top; y < stretch.end; ++y) {
        const LoneCrossings lower = *crossings++;
        const LoneChain dn = DownChain(upper.down, lower.down), up = UpChain(upper.up, lower.up);
        const RowCut cut = CutOfRow(y, next, nextWalked);
        // A piece wider than two columns has more cells than PieceCells keeps.
        const bool narrow = InTwoColumns(dn.piece) && InTwoColumns(up.piece);
        if (!narrow || CutIfApart(cut, nullptr, dn, up, colour) == Cut::inGeneral) {
            DrawLoneRowInGeneral(cut, t.batch.cells, upper, lower, colour);
        }
        upper = lower;
    }
}

}  // namespace

DiscRowsResult PrepareDiscRows(RasterThread& t, const BatchDisc& disc, int32_t first, int32_t end, DiscRows& rows) {
    const float cx = disc.x, cy = disc.y, r = disc.radius;
    if (VertexBoxOutsideView(cx - r, cx + r, cy - r, cy + r)) return DiscRowsResult::empty;
    // The vertices lie within the radius of the centre, give or take their rounding, and a vertex's
    // row is its y rounded: a disc wholly above or below the rows asked for has no line in them.
    const double reach = std::fabs(static_cast<double>(r)) * (1.0 + 1.0e-5) + 2.0;
    if (cy + reach < first || cy - reach > end) return DiscRowsResult::empty;
    // The vertices' own box is not tested as DrawPolygonDisc tests it: outside the view, its lines
    // lie wholly above or below the rows, or its spans wholly left or right of the columns, and cut
    // to nothing.
    ShapeVertex v[kMaxDiscVertices];
    const int32_t n = DiscOutlineVertices(cx, cy, r, v);

    // Each line may become three where it is projected; the closing line is one more. The upward
    // lines are gathered apart, after room for the downward ones.
    DiscBatch& b = t.batch;
    const int32_t room = 3 * (n + 1);
    if (!ProvideArray(b.lines, b.lineCapacity, 2 * room, kLineGrowth)) {
        return DiscRowsResult::noMemory;
    }
    RowLine* const downs = b.lines;
    RowLine* const ups = downs + room;
    int32_t downCount = 0, upCount = 0;
    int64_t cellBound = 0;  // the cells of any one row: at most a cell per column of each line, and one more
    const int64_t h = int64_t{std::max(0, std::min(frameBuffer.viewHeight, kRowLimit))} * kOnePixel;
    const auto add = [&](int32_t ax, int32_t ay, int32_t bx, int32_t by) {
        if (std::max(ay, by) >> kPixelBits < first || std::min(ay, by) >> kPixelBits >= end) return;
        ClipAndProjectLine(ax, ay, bx, by, h, [&](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
            if (y1 == y2) return;  // no cover: a horizontal line adds nothing to any cell
            const bool down = y1 < y2;
            const int32_t top = (down ? y1 : y2) >> kPixelBits, bottom = (down ? y2 : y1) >> kPixelBits;
            if (bottom < first || top >= end) return;
            cellBound += std::abs((x2 >> kPixelBits) - (x1 >> kPixelBits)) + 1;
            (down ? downs[downCount++] : ups[upCount++]) = {
                x1, y1, x2, y2, top, bottom, 0, 0, 0, 0, 0, down ? y2 - y1 : y1 - y2, down};
        });
    };
    // As RasteriseVertexList and the sweep take the points: repeats skipped, closed if lines were added.
    const int32_t startX = FixedFromFloat(v[0].x), startY = FixedFromFloat(v[0].y);
    int32_t penX = startX, penY = startY;
    bool pending = false;
    for (int32_t i = 1; i < n; ++i) {
        const int32_t x = FixedFromFloat(v[i].x), y = FixedFromFloat(v[i].y);
        if (x == penX && y == penY) continue;
        add(penX, penY, x, y);
        penX = x, penY = y;
        pending = true;
    }
    if (pending && (penX != startX || penY != startY)) add(penX, penY, startX, startY);
    if (downCount + upCount == 0) return DiscRowsResult::empty;
    if (!OrderChain(downs, downCount, false) || !OrderChain(ups, upCount, true)) return DiscRowsResult::irregular;

    int32_t top = INT32_MAX, bottom = INT32_MIN;
    if (downCount > 0) top = downs[0].top, bottom = downs[downCount - 1].bottom;
    if (upCount > 0) top = std::min(top, ups[0].top), bottom = std::max(bottom, ups[upCount - 1].bottom);
    std::memmove(downs + downCount, ups, sizeof(RowLine) * static_cast<size_t>(upCount));
    if (!ProvideArray(b.cells, b.cellCapacity, cellBound, kCellGrowth, 0)) {
        return DiscRowsResult::noMemory;
    }
    rows = {downCount, upCount, 0, 0, 0, 0, std::max(top, first), std::min(bottom, end - 1), disc.colour};
    return DiscRowsResult::ready;
}

bool WalkDiscRows(RasterThread& t, DiscRows& d, WalkedDisc& w) {
    const int64_t rowCount = int64_t{d.bottom} - d.top + 1;
    if (!ProvideArray(w.stored, w.storedCapacity, rowCount, kWalkGrowth) ||
        !ProvideArray(w.rows, w.rowCapacity, rowCount, kWalkGrowth) ||
        !ProvideArray(w.crossings, w.crossingCapacity, rowCount, kWalkGrowth) ||
        !ProvideArray(w.stretches, w.stretchCapacity, rowCount, kWalkGrowth)) {
        return false;
    }
    RowLine* const downs = t.batch.lines;
    RowLine* const ups = downs + d.downCount;
    const int32_t maxX = frameBuffer.viewWidth - 1;
    // A chain's row has at most a piece per line of the chain.
    const int32_t most = d.downCount + d.upCount;
    int32_t used = 0;
    w.stretchCount = 0;  // at most one a row, as the stretches' room allows
    for (int32_t y = d.top; y <= d.bottom;) {
        const int32_t end = std::min({LoneLineEnd(downs, d.downCount, d.downFirst, d.downNext, y),
                                      LoneLineEnd(ups, d.upCount, d.upFirst, d.upNext, y), d.bottom + 1});
        if (end > y) {
            RowLine& down = downs[d.downFirst];
            RowLine& up = ups[d.upFirst];
            w.stretches[w.stretchCount++] = {y, end, {down.lowerX, up.lowerX}};
            WalkStretch(down, up, y, end, w.crossings + (y - d.top), w.stored + (y - d.top), maxX);
            y = end;
            continue;
        }
        if (w.pieceCapacity - used < most &&
            !ProvideArray(w.pieces, w.pieceCapacity, int64_t{used} + most, kWalkGrowth, used)) {
            return false;
        }
        const ChainRow dn = BringChain(downs, d.downCount, d.downFirst, d.downNext, y, w.pieces + used);
        const ChainRow up = BringChain(ups, d.upCount, d.upFirst, d.upNext, y, w.pieces + used + dn.count);
        w.rows[y - d.top] = {RecordOf(dn, used), RecordOf(up, used + dn.count)};
        w.stored[y - d.top] = StoredBetween(dn, up, maxX);
        used += dn.count + up.count;
        ++y;
    }
    return true;
}

void DrawWalkedDisc(RasterThread& t, const DiscRows& d, const WalkedDisc& w, const DiscRows* next,
                    const WalkedDisc* nextWalked) {
    int32_t s = 0;
    for (int32_t y = d.top; y <= d.bottom;) {
        if (s < w.stretchCount && w.stretches[s].top == y) {
            const LoneLineStretch& stretch = w.stretches[s++];
            DrawStretch(t, stretch, w.crossings + (y - d.top), d.colour, next, nextWalked);
            y = stretch.end;
            continue;
        }
        const WalkedRow& r = w.rows[y - d.top];
        DrawRow(CutOfRow(y, next, nextWalked), t.batch.cells, ChainOf(w, r.down), ChainOf(w, r.up), d.colour);
        ++y;
    }
}
