#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/stream_socket.h"
#include "test_support/temp_folder.h"

namespace kiv::platform {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Block = std::span<const std::uint8_t>;

// Both ends of one local stream socket.
struct SocketPair {
    test_support::TempFolder temp;
    StreamSocket writer;
    StreamSocket reader;

    SocketPair() {
        SocketError error;
        auto listener = StreamListener::listenLocal(temp.path() / "pair", error);
        EXPECT_TRUE(listener) << error.text;
        auto connected = StreamSocket::connectLocal(temp.path() / "pair", error);
        EXPECT_TRUE(connected) << error.text;
        auto accepted = listener->accept(5s, error);
        EXPECT_TRUE(accepted) << error.text;
        writer = std::move(*connected);
        reader = std::move(*accepted);
    }

    Bytes readAvailable() {
        Bytes received;
        std::vector<std::uint8_t> chunk(65536);
        while (reader.waitReadable(0ms)) {
            const IoResult result = reader.receive(chunk);
            if (result.status != IoStatus::done) {
                break;
            }
            received.insert(received.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(result.bytes));
        }
        return received;
    }
};

TEST(StreamSocket, GatheredSendKeepsTheBlocksInOrderAndSkipsEmptyOnes) {
    SocketPair pair;
    const Bytes a = {1, 2}, c = {3, 4, 5}, d = {6};
    const Block blocks[] = {a, {}, c, d};
    const IoResult result = pair.writer.sendGathered(blocks);
    ASSERT_EQ(result.status, IoStatus::done);
    EXPECT_EQ(result.bytes, 6u);
    Bytes received(6);
    ASSERT_TRUE(pair.reader.receiveExact(received, 5s));
    EXPECT_EQ(received, (Bytes{1, 2, 3, 4, 5, 6}));

    const Block none[] = {{}, {}};
    EXPECT_EQ(pair.writer.sendGathered(none).bytes, 0u);
}

TEST(StreamSocket, GatheredSendTakesAtMostItsLimitOfBlocks) {
    SocketPair pair;
    Bytes bytes(kMaxGatheredBlocks + 6);
    std::vector<Block> blocks;
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        bytes[index] = static_cast<std::uint8_t>(index);
        blocks.emplace_back(&bytes[index], 1);
    }
    const IoResult result = pair.writer.sendGathered(blocks);
    ASSERT_EQ(result.status, IoStatus::done);
    ASSERT_EQ(result.bytes, kMaxGatheredBlocks);
    Bytes received(kMaxGatheredBlocks);
    ASSERT_TRUE(pair.reader.receiveExact(received, 5s));
    EXPECT_TRUE(std::equal(received.begin(), received.end(), bytes.begin()));
}

// A full socket takes part of a gathered send; the count it reports must be exactly what
// the peer gets, or a caller resuming from it would lose or repeat bytes.
TEST(StreamSocket, ShortGatheredSendReportsExactlyWhatLeft) {
    SocketPair pair;
    ASSERT_TRUE(pair.writer.setNonBlocking(true));
    Bytes stream(8 << 20);
    for (std::size_t index = 0; index < stream.size(); ++index) {
        stream[index] = static_cast<std::uint8_t>(index % 251);
    }
    constexpr std::size_t kBlockSize = 997; // blocks never line up with the socket's own chunks
    std::size_t sent = 0;
    Bytes received;
    int shortSends = 0;
    while (received.size() < stream.size()) {
        std::vector<Block> blocks;
        for (std::size_t start = sent; start < stream.size() && blocks.size() < kMaxGatheredBlocks;
             start += kBlockSize) {
            blocks.push_back(Block(stream).subspan(start, std::min(kBlockSize, stream.size() - start)));
        }
        std::size_t offered = 0;
        for (const auto block : blocks) {
            offered += block.size();
        }
        const IoResult result = pair.writer.sendGathered(blocks);
        ASSERT_NE(result.status, IoStatus::failed);
        ASSERT_NE(result.status, IoStatus::closed);
        if (result.status == IoStatus::done) {
            ASSERT_LE(result.bytes, offered);
            shortSends += result.bytes < offered ? 1 : 0;
            sent += result.bytes;
        }
        if (result.status == IoStatus::wouldBlock || sent == stream.size()) {
            ASSERT_TRUE(pair.reader.waitReadable(5s));
            const Bytes more = pair.readAvailable();
            received.insert(received.end(), more.begin(), more.end());
            ASSERT_LE(received.size(), sent);
        }
    }
    EXPECT_GT(shortSends, 0) << "the socket never filled; the test proved nothing";
    EXPECT_EQ(sent, stream.size());
    EXPECT_TRUE(received == stream) << "bytes lost, repeated or out of order";
}

// A server closing down must not stay stuck in accept: shutting the listener down from another
// thread ends the wait with an error.
TEST(StreamListener, ShutdownFromAnotherThreadEndsABlockedAccept) {
    SocketError error;
    auto listener = StreamListener::listenTcp(IpFamily::ipv4, "", 0, error);
    ASSERT_TRUE(listener) << error.text;
    std::optional<StreamSocket> accepted;
    std::thread waiter([&] {
        SocketError acceptError;
        accepted = listener->accept(-1ms, acceptError);
    });
    std::this_thread::sleep_for(50ms); // let the waiter block; the test passes either way
    listener->shutdown();
    waiter.join();
    EXPECT_FALSE(accepted);
}

} // namespace
} // namespace kiv::platform
