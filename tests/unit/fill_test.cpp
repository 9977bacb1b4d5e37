#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "support/picture.h"

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// A pixel buffer placed between guard bands, so stray writes on either side show up.
struct GuardedBuffer {
    static constexpr size_t kGuard = 4 * 5400;
    std::vector<uint8_t> memory = std::vector<uint8_t>(PixelBuffer::kBytes + 2 * kGuard, 0xA5);
    PixelBuffer buffer;
    GuardedBuffer() {
        buffer.data = memory.data() + kGuard;
        buffer.width = PixelBuffer::kWidth;
        buffer.height = PixelBuffer::kHeight;
        std::memset(buffer.data, 0, PixelBuffer::kBytes);
    }
    bool guardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (memory[i] != 0xA5 || memory[memory.size() - 1 - i] != 0xA5) return false;
        }
        return true;
    }
};

TEST(FillRect, WritesLowEightBitsAtBottomUpOffsets) {
    GuardedBuffer g;
    FillColor{256, -1, 300}.fillRect(g.buffer, 0, 0, 0, 0);
    const uint8_t* at = g.buffer.data + 5394600;
    EXPECT_EQ(at[0], 0);
    EXPECT_EQ(at[1], 255);
    EXPECT_EQ(at[2], 44);

    FillColor{1, 2, 3}.fillRect(g.buffer, 0, 999, 0, 999);
    EXPECT_EQ(g.buffer.data[0], 1);
    EXPECT_EQ(g.buffer.data[1], 2);
    EXPECT_EQ(g.buffer.data[2], 3);
}

TEST(FillRect, FillsExactlyTheInclusiveRectangle) {
    GuardedBuffer g;
    const Rgb red{200, 10, 20};
    FillColor{200, 10, 20}.fillRect(g.buffer, 10, 20, 14, 22);
    const RegionCount count = countColor(g.buffer, red, 10, 20, 14, 22);
    EXPECT_EQ(count.inside, 5 * 3);
    EXPECT_EQ(count.outside, 0);

    FillColor{200, 10, 20}.fillRect(g.buffer, 1799, 999, 1799, 999);
    EXPECT_EQ(pixel(g.buffer, 1799, 999), red);
    EXPECT_EQ(countColor(g.buffer, red, 10, 20, 14, 22).outside, 1);
}

TEST(FillRect, EmptyRectanglesWriteNothing) {
    GuardedBuffer g;
    FillColor{9, 9, 9}.fillRect(g.buffer, 5, 6, 5, 5);  // y1 > y2
    FillColor{9, 9, 9}.fillRect(g.buffer, 6, 5, 5, 5);  // x1 > x2 with y1 <= y2
    FillColor{9, 9, 9}.fillRect(g.buffer, kMax, kMax, kMin, kMin);
    EXPECT_EQ(countColor(g.buffer, {9, 9, 9}, 0, 0, -1, -1).outside, 0);
}

TEST(FillRect, WholeBufferWritesEveryByteAndNothingBeyond) {
    GuardedBuffer g;
    FillColor{7, 7, 7}.fillRect(g.buffer, 0, 0, 1799, 999);
    for (size_t i = 0; i < PixelBuffer::kBytes; ++i) ASSERT_EQ(g.buffer.data[i], 7) << i;
    EXPECT_TRUE(g.guardsIntact());
}

// A redraw clears what its grid leaves uncovered: every pixel outside the rectangle, none in it,
// nothing beyond the buffer, for rectangles at each edge and of one pixel.
TEST(ClearOutside, ClearsEveryPixelButTheRectangles) {
    const PixelRect kept[] = {{1, 217, 1785, 991},    {0, 0, 1799, 999}, {0, 0, 0, 0},
                              {1799, 999, 1799, 999}, {5, 0, 1799, 3},   {0, 996, 9, 999},
                              {300, 400, 299, 400}};  // the last is empty: all is cleared
    for (const PixelRect& r : kept) {
        GuardedBuffer g;
        FillColor{7, 7, 7}.fillRect(g.buffer, 0, 0, 1799, 999);
        g.buffer.clearOutside(r);
        const int64_t area = r.empty() ? 0 : int64_t(r.right - r.left + 1) * (r.bottom - r.top + 1);
        const RegionCount kept7 = countColor(g.buffer, {7, 7, 7}, r.left, r.top, r.right, r.bottom);
        EXPECT_EQ(kept7.inside, area) << r.left << ", " << r.top;
        EXPECT_EQ(kept7.outside, 0) << r.left << ", " << r.top;
        EXPECT_EQ(countColor(g.buffer, {0, 0, 0}, 0, 0, -1, -1).outside, 1800 * 1000 - area);
        EXPECT_TRUE(g.guardsIntact());
    }
}

TEST(FillRect, ClipsRectanglesThatLeaveTheBuffer) {
    struct Case {
        int32_t x1, y1, x2, y2;      // asked for
        int32_t cx1, cy1, cx2, cy2;  // what lies inside
    };
    const Case cases[] = {
        {-5, -5, 3, 2, 0, 0, 3, 2},
        {1790, 990, 1810, 1010, 1790, 990, 1799, 999},
        {kMin, 500, kMax, 500, 0, 500, 1799, 500},
        {100, kMin, 100, kMax, 100, 0, 100, 999},
        {kMin, kMin, kMax, kMax, 0, 0, 1799, 999},
    };
    for (const Case& c : cases) {
        GuardedBuffer g;
        FillColor{1, 2, 3}.fillRect(g.buffer, c.x1, c.y1, c.x2, c.y2);
        const RegionCount count = countColor(g.buffer, {1, 2, 3}, c.cx1, c.cy1, c.cx2, c.cy2);
        EXPECT_EQ(count.inside, int64_t(c.cx2 - c.cx1 + 1) * (c.cy2 - c.cy1 + 1)) << c.x1;
        EXPECT_EQ(count.outside, 0);
        EXPECT_TRUE(g.guardsIntact());
    }
    // Wholly outside on each side.
    GuardedBuffer g;
    FillColor{1, 2, 3}.fillRect(g.buffer, -10, 0, -1, 999);
    FillColor{1, 2, 3}.fillRect(g.buffer, 1800, 0, kMax, 999);
    FillColor{1, 2, 3}.fillRect(g.buffer, 0, kMin, 1799, -1);
    FillColor{1, 2, 3}.fillRect(g.buffer, 0, 1000, 1799, 1000);
    EXPECT_EQ(countColor(g.buffer, {1, 2, 3}, 0, 0, -1, -1).outside, 0);
    EXPECT_TRUE(g.guardsIntact());
}

}  // namespace
