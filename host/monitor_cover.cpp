#include "host/monitor_cover.h"

#include <algorithm>

namespace {

bool IsEmpty(const ScreenRect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Appends the parts of piece outside hole to out.
void AppendDifference(const ScreenRect& piece, const ScreenRect& hole, std::vector<ScreenRect>* out) {
    const ScreenRect overlap = {std::max(piece.left, hole.left), std::max(piece.top, hole.top),
                                std::min(piece.right, hole.right), std::min(piece.bottom, hole.bottom)};
    if (IsEmpty(overlap)) {
        out->push_back(piece);
        return;
    }
    const ScreenRect parts[] = {
        {piece.left, piece.top, piece.right, overlap.top},
        {piece.left, overlap.bottom, piece.right, piece.bottom},
        {piece.left, overlap.top, overlap.left, overlap.bottom},
        {overlap.right, overlap.top, piece.right, overlap.bottom},
    };
    for (const ScreenRect& part : parts)
        if (!IsEmpty(part)) out->push_back(part);
}

}  // namespace

std::vector<ScreenRect> RectsToCover(const std::vector<ScreenRect>& monitors, const ScreenRect& mainWindow) {
    std::vector<ScreenRect> covered;
    std::vector<ScreenRect> pieces, rest;
    for (const ScreenRect& monitor : monitors) {
        if (IsEmpty(monitor)) continue;
        pieces.assign(1, monitor);
        // What the main window and the rectangles before show is taken out, one of them at a time.
        for (size_t i = 0; i <= covered.size() && !pieces.empty(); ++i) {
            const ScreenRect& hole = i == 0 ? mainWindow : covered[i - 1];
            rest.clear();
            for (const ScreenRect& piece : pieces) AppendDifference(piece, hole, &rest);
            pieces.swap(rest);
        }
        covered.insert(covered.end(), pieces.begin(), pieces.end());
    }
    return covered;
}
