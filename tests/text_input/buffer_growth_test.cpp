#include "text_input/buffer_growth.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int32_t allocations = 0;
void* CountingAllocate(size_t bytes) {
    ++allocations;
    return std::malloc(bytes);
}
void* FailingAllocate(size_t) { return nullptr; }

char Fill(uint32_t i) { return static_cast<char>('a' + i % 26); }

class BufferGrowthTest : public ::testing::Test {
  protected:
    void SetUp() override { heapAllocate = bufferAllocate.exchange(CountingAllocate); }
    void TearDown() override {
        bufferAllocate = heapAllocate;
        ReleaseBuffer(buffer);
    }
    // A buffer of size bytes, every one of them in use; none for 0.
    void Hold(uint32_t size) {
        ReleaseBuffer(buffer);
        if (size == 0) return;
        buffer = {static_cast<char*>(std::malloc(size)), size};
        for (uint32_t i = 0; i < size; ++i) buffer.data[i] = Fill(i);
    }
    BufferAllocate heapAllocate = nullptr;
    GrowableBuffer buffer;
};

TEST_F(BufferGrowthTest, GrowsToTheNextMultipleOf4096AboveTheNeedCopyingTheOldBuffer) {
    struct Case {
        uint32_t held, needed, grownTo;  // held 0: no buffer; grownTo 0: nothing allocated
    };
    const Case cases[] = {
        {0, 0, 4096},    {0, 4095, 4096},    {0, 4096, 8192},      {4096, 1, 0},
        {4096, 4096, 0}, {4096, 4097, 8192}, {8192, 12288, 16384},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.held << " " << c.needed);
        Hold(c.held);
        allocations = 0;
        lastGrowSize = 12345;
        const char* before = buffer.data;
        ASSERT_EQ(GrowBuffer(buffer, c.needed), 1);
        EXPECT_EQ(lastGrowSize.load(), c.grownTo);
        EXPECT_EQ(allocations, c.grownTo ? 1 : 0);
        EXPECT_EQ(buffer.size, c.grownTo ? c.grownTo : c.held);
        EXPECT_EQ(buffer.data != before, c.grownTo != 0);
        for (uint32_t i = 0; i < c.held; ++i) ASSERT_EQ(buffer.data[i], Fill(i)) << i;
    }
}

TEST_F(BufferGrowthTest, AFailedGrowthLeavesTheBufferAsItWas) {
    Hold(4096);
    const char* before = buffer.data;
    bufferAllocate = FailingAllocate;
    lastGrowSize = 4096;
    EXPECT_EQ(GrowBuffer(buffer, 4097), 0);
    EXPECT_EQ(lastGrowSize.load(), 0u);
    EXPECT_EQ(buffer.data, before);
    EXPECT_EQ(buffer.size, 4096u);

    // A need whose rounded size would not fit 32 bits is refused before asking for memory.
    bufferAllocate = CountingAllocate;
    allocations = 0;
    EXPECT_EQ(GrowBuffer(buffer, 0xFFFFF000u), 0);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(buffer.size, 4096u);
}

}  // namespace
