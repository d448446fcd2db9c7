#include <algorithm>

#include <gtest/gtest.h>

#include "foundation/byte_reader.h"
#include "simlink/simconnect/send_buffer.h"

namespace kiv::simconnect {
namespace {

std::uint32_t sendIdOf(std::span<const std::uint8_t> packet) {
    ByteReader reader(packet, "packet");
    reader.seek(kSendIdOffset);
    return reader.u32();
}

TEST(SendBuffer, SendIdsStartAtOneAndSkipZeroOnWrap) {
    struct Case {
        std::uint32_t last;
        std::uint32_t next;
    };
    for (const auto& c : {Case{0, 1}, Case{41, 42}, Case{0xFFFFFFFEu, 0xFFFFFFFFu}, Case{0xFFFFFFFFu, 1}}) {
        SendBuffer buffer;
        buffer.setLastSendIdForTesting(c.last);
        const auto block = buffer.reserve(24);
        ASSERT_TRUE(block);
        EXPECT_EQ(sendIdOf(*block), c.next) << c.last;
        EXPECT_EQ(buffer.lastSendId(), c.next);
    }
}

TEST(SendBuffer, RefusesMoreThanItsFreeRoomWithoutUsingAnId) {
    SendBuffer buffer;
    EXPECT_FALSE(buffer.reserve(kSendBufferSize + 1));
    EXPECT_FALSE(buffer.reserve(8)) << "smaller than a header";
    EXPECT_EQ(buffer.lastSendId(), 0u);
    ASSERT_TRUE(buffer.reserve(kSendBufferSize - 100));
    EXPECT_FALSE(buffer.reserve(101));
    EXPECT_TRUE(buffer.reserve(100));
    EXPECT_EQ(buffer.freeRoom(), 0u);
}

TEST(SendBuffer, ReleaseGivesTheRoomBackZeroedButKeepsTheIdUsed) {
    SendBuffer buffer;
    auto block = buffer.reserve(40);
    ASSERT_TRUE(block);
    std::fill(block->begin(), block->end(), std::uint8_t{0xAB});
    buffer.release();
    EXPECT_TRUE(buffer.pending().empty());
    const auto again = buffer.reserve(40);
    ASSERT_TRUE(again);
    EXPECT_EQ(sendIdOf(*again), 2u);
    EXPECT_TRUE(std::all_of(again->begin() + 16, again->end(), [](auto b) { return b == 0; }));
}

TEST(SendBuffer, CommitClearsWhatWasSent) {
    SendBuffer buffer;
    auto block = buffer.reserve(32);
    std::fill(block->begin(), block->end(), std::uint8_t{0x11});
    EXPECT_EQ(buffer.pending().size(), 32u);
    buffer.clearAfterCommit();
    EXPECT_TRUE(buffer.pending().empty());
    const auto next = buffer.reserve(32);
    EXPECT_TRUE(std::all_of(next->begin() + 16, next->end(), [](auto b) { return b == 0; }));
}

} // namespace
} // namespace kiv::simconnect
