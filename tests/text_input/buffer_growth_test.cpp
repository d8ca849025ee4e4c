#include "text_input/buffer_growth.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

int32_t allocations = 0;
void* CountingAllocate(size_t bytes) {
    ++allocations;
    return std::malloc(bytes);
}
void* FailingAllocate(size_t) {
    ++allocations;
    return nullptr;
}

class BufferGrowthTest : public ::testing::Test {
protected:
    void SetUp() override {
        heapAllocate = bufferAllocate.load();
        bufferAllocate = CountingAllocate;
        allocations = 0;
    }
    void TearDown() override {
        bufferAllocate = heapAllocate;
        ReleaseBuffer(buffer);
    }
    // A buffer of size bytes, every one of them set, as if full.
    void Hold(uint32_t size) {
        buffer.data = static_cast<char*>(std::malloc(size));
        buffer.size = size;
        for (uint32_t i = 0; i < size; ++i) buffer.data[i] = static_cast<char>('a' + i % 26);
    }
    BufferAllocate heapAllocate = nullptr;
    GrowableBuffer buffer;
};

TEST_F(BufferGrowthTest, GrowsToTheNextMultipleOf4096AboveTheNeed) {
    struct Case {
        uint32_t held;  // 0: no buffer
        uint32_t needed;
        uint32_t grownTo;  // 0: nothing allocated
    };
    const Case cases[] = {
        {0, 0, 4096},    {0, 7, 4096},       {0, 4095, 4096},       {0, 4096, 8192},
        {4096, 1, 0},    {4096, 4096, 0},    {4096, 4097, 8192},    {8192, 12288, 16384},
    };
    for (const Case& c : cases) {
        ReleaseBuffer(buffer);
        if (c.held) Hold(c.held);
        allocations = 0;
        lastGrowSize = 12345;
        const char* before = buffer.data;

        ASSERT_EQ(GrowBuffer(buffer, c.needed), 1) << c.held << " " << c.needed;
        EXPECT_EQ(lastGrowSize.load(), c.grownTo) << c.held << " " << c.needed;
        EXPECT_EQ(buffer.size, c.grownTo ? c.grownTo : c.held);
        EXPECT_EQ(allocations, c.grownTo ? 1 : 0);
        if (!c.grownTo) {
            EXPECT_EQ(buffer.data, before);
        }
    }
}

TEST_F(BufferGrowthTest, GrowingCopiesTheWholeOldAllocation) {
    Hold(4096);
    char old[4096];
    std::memcpy(old, buffer.data, sizeof old);
    ASSERT_EQ(GrowBuffer(buffer, 5000), 1);
    EXPECT_EQ(buffer.size, 8192u);
    EXPECT_EQ(std::memcmp(buffer.data, old, sizeof old), 0);
}

TEST_F(BufferGrowthTest, AFailedGrowthLeavesTheBufferAsItWas) {
    Hold(4096);
    const char* before = buffer.data;
    bufferAllocate = FailingAllocate;
    lastGrowSize = 4096;
    EXPECT_EQ(GrowBuffer(buffer, 4097), 0);
    EXPECT_EQ(buffer.data, before);
    EXPECT_EQ(buffer.size, 4096u);
    EXPECT_EQ(lastGrowSize.load(), 0u);
    EXPECT_EQ(buffer.data[4095], static_cast<char>('a' + 4095 % 26));

    // A need whose rounded size does not fit 32 bits is refused before asking for memory.
    bufferAllocate = CountingAllocate;
    allocations = 0;
    EXPECT_EQ(GrowBuffer(buffer, 0xFFFFF000u), 0);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(buffer.size, 4096u);
}

}  // namespace
