#include "app/save_stack.h"

#include <cstring>

#include "host/frame_buffer.h"
#include "host/threads.h"
#include "raster/blend.h"

SaveStack saveStack;

namespace {

// A bigger arena holding the saved bytes at their old offsets; false (arena unchanged) without memory.
bool GrowArena(uint32_t needed) {
    SaveStack& s = saveStack;
    if (needed > UINT32_MAX - s.growth) return false;
    const uint32_t size = needed + s.growth;
    auto* arena = static_cast<uint32_t*>(AllocAligned(size));
    if (!arena) return false;
    if (s.arena) std::memcpy(arena, s.arena, s.arenaUsed);
    for (int32_t i = 0; i < s.count; ++i) s.entries[i].block = arena + (s.entries[i].block - s.arena);
    FreeAligned(s.arena);
    s.arena = arena;
    s.arenaSize = size;
    return true;
}

}  // namespace

int32_t CreateSaveStack() {
    ReleaseSaveStack();
    saveStack.arena = static_cast<uint32_t*>(AllocAligned(kSaveArenaStep));
    saveStack.arenaSize = saveStack.arena ? kSaveArenaStep : 0;
    return saveStack.arena ? 1 : 0;
}

void ReleaseSaveStack() {
    FreeAligned(saveStack.arena);
    saveStack.arena = nullptr;
    saveStack.arenaSize = saveStack.arenaUsed = 0;
    saveStack.count = 0;
}

int32_t SaveRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    SaveStack& s = saveStack;
    if (s.count == kSaveStackEntries) return 0;
    x0 = x0 < 0 ? 0 : x0;
    y0 = y0 < 0 ? 0 : y0;
    x1 = x1 > frameBuffer.maxX ? frameBuffer.maxX : x1;
    y1 = y1 > frameBuffer.maxY ? frameBuffer.maxY : y1;
    if (x0 > x1 || y0 > y1) return 1;
    const uint64_t size = (uint64_t{1} + x1 - x0) * (uint64_t{1} + y1 - y0) * 4;
    if (size > UINT32_MAX - s.arenaUsed) return 0;
    const uint32_t offset = s.arenaUsed;
    const uint32_t used = offset + static_cast<uint32_t>(size);
    // The new entry is placed after the growth, at its offset in the arena it will live in.
    if (used > s.arenaSize && !GrowArena(used)) return 0;
    s.arenaUsed = used;
    SavedRect& entry = s.entries[s.count++];
    entry = {x0, y0, x1, y1, s.arena + offset / 4};
    ReadBlock(entry.block, x0, y0, x1, y1);
    return 1;
}

int32_t RestoreRects() {
    SaveStack& s = saveStack;
    if (s.count == 0) return 0;
    while (s.count > 0) {
        const SavedRect& e = s.entries[--s.count];
        const int32_t stride = e.x1 - e.x0 + 1;
        const uint32_t* from = e.block;
        int32_t x0 = e.x0, y0 = e.y0;
        if (x0 < 0) from -= x0, x0 = 0;
        if (y0 < 0) from -= static_cast<ptrdiff_t>(y0) * stride, y0 = 0;
        const int32_t x1 = e.x1 > frameBuffer.maxX ? frameBuffer.maxX : e.x1;
        const int32_t y1 = e.y1 > frameBuffer.maxY ? frameBuffer.maxY : e.y1;
        if (x0 <= x1 && y0 <= y1) WriteBlock(x0, y0, from, stride, x1 - x0 + 1, y1 - y0 + 1);
    }
    s.arenaUsed = 0;
    return 1;
}
