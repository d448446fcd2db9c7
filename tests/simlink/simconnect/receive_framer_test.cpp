#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "simlink/simconnect/receive_framer.h"

namespace kiv::simconnect {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A message of `size` bytes: its size, then bytes counting up from `seed`.
Bytes message(std::uint32_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < 4 && i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    for (std::size_t i = 4; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i);
    }
    return bytes;
}

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct Result {
    std::vector<Bytes> messages;
    bool failed = false;
    std::uint32_t code = 0;
    std::string error;
};

// Feeds the stream in reads of at most `readSize` bytes, as a socket might deliver it.
Result frame(const Bytes& stream, std::size_t readSize, std::uint32_t maxReceiveSize = 41088) {
    ReceiveFramer framer(maxReceiveSize, "test peer");
    Result result;
    std::size_t fed = 0;
    while (!result.failed) {
        std::span<const std::uint8_t> piece;
        ReceiveFramer::Outcome outcome;
        while ((outcome = framer.next(piece)) == ReceiveFramer::Outcome::message) {
            result.messages.emplace_back(piece.begin(), piece.end());
        }
        if (outcome == ReceiveFramer::Outcome::failed) {
            result = {std::move(result.messages), true, framer.errorCode(), framer.error()};
            break;
        }
        if (fed == stream.size()) {
            break;
        }
        const auto space = framer.freeSpace();
        if (space.empty()) {
            result = {std::move(result.messages), true, framer.errorCode(), framer.error()};
            break;
        }
        const std::size_t count = std::min({readSize, space.size(), stream.size() - fed});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(fed), count, space.begin());
        framer.commit(count);
        fed += count;
    }
    return result;
}

TEST(ReceiveFramer, CutsTheStreamIntoMessages) {
    const Bytes a = message(24, 1);
    const Bytes b = message(308, 2);
    const Bytes c = message(12, 3);
    // Sizes whose low byte is zero (256 is 00 01 00 00 on the wire) look like padding to a
    // reader that skips zero bytes one by one.
    const Bytes m256 = message(256, 4);
    const Bytes m512 = message(512, 5);
    const Bytes zeros4(4, 0);
    const Bytes zeros7(7, 0);
    const Bytes zeros8(8, 0);
    struct Case {
        const char* name;
        Bytes stream;
        std::size_t readSize;
        std::vector<Bytes> expected;
    };
    const Case cases[] = {
        {"two messages in one read", joined({a, b}), 4096, {a, b}},
        {"one message over several reads", b, 5, {b}},
        {"reads that split the size field", joined({a, c, b}), 3, {a, c, b}},
        {"zero padding between messages is skipped", joined({a, zeros4, b, zeros8, c}), 4096, {a, b, c}},
        {"padding in whole words split across reads", joined({a, zeros4, zeros4, c}), 2, {a, c}},
        {"padding before a 256-byte message", joined({a, zeros4, m256, c}), 4096, {a, m256, c}},
        {"padding before sizes with a zero low byte, split across reads",
         joined({zeros8, m256, zeros4, m512, a}),
         3,
         {m256, m512, a}},
        {"trailing padding leaves nothing", joined({a, zeros7}), 4096, {a}},
        {"a message shorter than a header is still framed", message(4, 0), 4096, {message(4, 0)}},
    };
    for (const auto& c : cases) {
        const Result result = frame(c.stream, c.readSize);
        EXPECT_FALSE(result.failed) << c.name << ": " << result.error;
        EXPECT_EQ(result.messages, c.expected) << c.name;
    }
}

TEST(ReceiveFramer, InvalidSizesFailTheStream) {
    struct Case {
        const char* name;
        Bytes stream;
        std::uint32_t maxReceiveSize;
        std::uint32_t code;
        std::string error;
    };
    const Case cases[] = {
        {"size 2", joined({message(24, 1), Bytes{2, 0, 0, 0, 9, 9}}), 41088, ReceiveFramer::kInvalidSize,
         "SimConnect message from test peer at offset 24: size 2 found, at least 4 expected"},
        {"negative size", Bytes{0xFF, 0xFF, 0xFF, 0xFF}, 41088, ReceiveFramer::kInvalidSize,
         "SimConnect message from test peer at offset 0: size -1 found, at least 4 expected"},
        {"over MaxReceiveSize", message(41089, 0), 41088, ReceiveFramer::kMessageTooLarge,
         "SimConnect message from test peer at offset 0: size 41089 found, at most 41088 (MaxReceiveSize) expected"},
        // Dropping such a message would leave the reader inside its bytes; it must fail.
        {"over the 1 MiB buffer limit", message(0x100001, 0), 0x200000, ReceiveFramer::kMessageTooLarge,
         "SimConnect message from test peer at offset 0: size 1048577 found, at most 1048576 (receive buffer "
         "limit) expected"},
    };
    for (const auto& c : cases) {
        const Result result = frame(c.stream, 4096, c.maxReceiveSize);
        EXPECT_TRUE(result.failed) << c.name;
        EXPECT_EQ(result.code, c.code) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
    }
}

TEST(ReceiveFramer, GrowsPastItsFirstCapacityForALargerAllowedMessage) {
    const Bytes big = message(50000, 5);
    const Bytes after = message(40, 6);
    ReceiveFramer framer(100000, "test peer");
    EXPECT_EQ(framer.capacity(), 41088u);
    const Result result = frame(joined({message(20, 1), big, after}), 1000, 100000);
    EXPECT_FALSE(result.failed) << result.error;
    ASSERT_EQ(result.messages.size(), 3u);
    EXPECT_EQ(result.messages[1], big);
    EXPECT_EQ(result.messages[2], after);
}

TEST(ReceiveFramer, LargestMessageWithinTheLimitArrives) {
    const Bytes big = message(0x100000, 7);
    const Result result = frame(big, 65536, 0x200000);
    EXPECT_FALSE(result.failed) << result.error;
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0], big);
}

} // namespace
} // namespace kiv::simconnect
