#include "text_input/buffer_growth.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

void* AllocateFromHeap(size_t bytes) { return std::malloc(bytes); }

}  // namespace

std::atomic<BufferAllocate> bufferAllocate{AllocateFromHeap};
std::atomic<uint32_t> lastGrowSize{0};

int32_t GrowBuffer(GrowableBuffer& buffer, uint32_t needed) {
    lastGrowSize.store(0, relaxed);
    if (buffer.data && buffer.size >= needed) return 1;
    // Past this the next multiple of 4096 no longer fits 32 bits.
    if (needed / kBufferGrowthStep >= UINT32_MAX / kBufferGrowthStep) return 0;
    const uint32_t size = (needed / kBufferGrowthStep + 1) * kBufferGrowthStep;
    const BufferAllocate allocate = bufferAllocate.load(relaxed);
    char* grown = allocate ? static_cast<char*>(allocate(size)) : nullptr;
    if (!grown) return 0;
    if (buffer.data) {
        std::memcpy(grown, buffer.data, buffer.size);
        std::free(buffer.data);
    }
    buffer.data = grown;
    buffer.size = size;
    lastGrowSize.store(size, relaxed);
    return 1;
}

void ReleaseBuffer(GrowableBuffer& buffer) {
    std::free(buffer.data);
    buffer = GrowableBuffer();
}
