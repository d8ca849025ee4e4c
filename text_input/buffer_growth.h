// Buffer growth: the host's one rule for heap buffers that grow with their contents. A buffer too small
// for a need is replaced by one of the next multiple of 4096 bytes above the need (integer division, so
// a need of exactly 4096 gets 8192), with the old buffer's whole allocated size copied into it.
//
// A buffer belongs to one thread; lastGrowSize and the allocation slot are process-wide.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

constexpr uint32_t kBufferGrowthStep = 4096;

struct GrowableBuffer {
    char* data = nullptr;
    uint32_t size = 0;  // bytes allocated
};

// Where grown buffers come from; whatever it returns is released with std::free. A slot so that a
// failing allocation can be exercised.
using BufferAllocate = void* (*)(size_t bytes);
extern std::atomic<BufferAllocate> bufferAllocate;

// Size of the buffer allocated by the last GrowBuffer, 0 when that call allocated none.
extern std::atomic<uint32_t> lastGrowSize;

// Makes buffer hold at least needed bytes: 1 when it does (grown or already large enough), 0 when the
// larger buffer could not be had, and buffer is left as it was. A missing buffer is always allocated.
int32_t GrowBuffer(GrowableBuffer& buffer, uint32_t needed);

// Frees the buffer and leaves it empty.
void ReleaseBuffer(GrowableBuffer& buffer);
