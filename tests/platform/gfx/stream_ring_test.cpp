// The GL backend's bookkeeping without GL: the stream buffer's ranges and the shadow of sent states.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gfx/stream_ring.h"

TEST(SentStates, AStateSetTwiceIsSentOnce)
{
    GfxSentStates sent;
    EXPECT_TRUE(sent.Differs(3, 7u));
    EXPECT_FALSE(sent.Differs(3, 7u));
    EXPECT_TRUE(sent.Differs(3, 8u));
    EXPECT_TRUE(sent.Differs(4, 8u)) << "each slot holds its own value";
    EXPECT_FALSE(sent.Differs(3, 8u));
    EXPECT_EQ(sent.Sent(), 3u);
    sent.Assume(3, 0);
    EXPECT_TRUE(sent.Holds(3, 0));
    EXPECT_TRUE(sent.Differs(3, 8u)) << "a value the driver dropped by itself goes again";
    sent.ForgetAll();
    EXPECT_TRUE(sent.Differs(4, 8u)) << "a new context holds nothing known";
}

// A buffer whose storage is replaced on each orphaning, the old storage kept for the draws
// that read it: every draw must find its own bytes when the frame is done.
TEST(StreamRing, AWrapOrphansOnceAndEveryDrawKeepsItsData)
{
    GfxStreamRing ring(100);
    std::vector<std::vector<unsigned char>> storages;
    struct Draw {
        size_t storage, offset;
        std::vector<unsigned char> bytes;
    };
    std::vector<Draw> draws;
    unsigned orphans = 0;
    for (int d = 0; d < 7; ++d) {
        // Vertices of 28 and 32 bytes in turn: each draw starts at a whole vertex of its own.
        const size_t stride = d % 2 ? 32 : 28;
        std::vector<unsigned char> bytes(stride, (unsigned char)(d + 1));
        bool orphan = false;
        size_t at = ring.Place(bytes.size(), stride, &orphan);
        if (orphan) {
            ++orphans;
            storages.emplace_back(ring.Capacity());
        }
        ASSERT_EQ(at % stride, 0u) << "a whole number of vertices from the start";
        ASSERT_LE(at + bytes.size(), storages.back().size());
        std::memcpy(storages.back().data() + at, bytes.data(), bytes.size());
        draws.push_back({storages.size() - 1, at, bytes});
        if (d == 1) {
            EXPECT_EQ(at, 32u);
            EXPECT_EQ(ring.Wraps(), 0u);
        }
        if (d == 2) {
            EXPECT_EQ(at, 0u) << "84 + 28 bytes do not fit in 100: the third draw starts the buffer over";
        }
    }
    EXPECT_EQ(orphans, 4u) << "the first storage and three wraps, one each";
    EXPECT_EQ(ring.Wraps(), 3u);
    for (const Draw& d : draws)
        EXPECT_EQ(std::memcmp(storages[d.storage].data() + d.offset, d.bytes.data(), d.bytes.size()), 0)
            << "draw of value " << int(d.bytes[0]);
}

TEST(StreamRing, ADrawLargerThanTheBufferGrowsIt)
{
    GfxStreamRing ring(64);
    bool orphan = false;
    EXPECT_EQ(ring.Place(40, 4, &orphan), 0u);
    EXPECT_TRUE(orphan);
    EXPECT_EQ(ring.Place(200, 4, &orphan), 0u);
    EXPECT_TRUE(orphan);
    EXPECT_GE(ring.Capacity(), 200u);
    EXPECT_EQ(ring.Place(8, 4, &orphan), 200u);
    EXPECT_FALSE(orphan);
}
