#include <algorithm>
#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "platform/thread_name.h"
#include "test_peer.h"

namespace kiv::simconnect {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::PipeSession;
using testing::TestEnvironment;

struct Collected {
    std::vector<Bytes> messages;
};

void collect(const std::uint8_t* message, std::uint32_t size, void* context) {
    static_cast<Collected*>(context)->messages.emplace_back(message, message + size);
}

// Dispatches until `count` messages arrived or the dispatch result turns non-zero.
Hresult dispatchUntil(HSimConnect handle, Collected& collected, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    Hresult result = kS_OK;
    while (std::chrono::steady_clock::now() < deadline) {
        result = SimConnect_CallDispatch(handle, collect, &collected);
        if (result != kS_OK || collected.messages.size() >= count) {
            break;
        }
        std::this_thread::sleep_for(1ms); // the dispatch loop's own pace
    }
    return result;
}

// Dispatches until the connection reports a failure.
Hresult dispatchUntilFailed(HSimConnect handle, Collected& collected) {
    return dispatchUntil(handle, collected, static_cast<std::size_t>(-1));
}

// A session over loopback TCP: the pipe is not there, the registry names the IPv4 port.
struct TcpSession {
    TestEnvironment env;
    std::optional<platform::StreamListener> listener;
    platform::StreamSocket peer;
    HSimConnect handle = nullptr;

    TcpSession() {
        platform::SocketError error;
        listener = platform::StreamListener::listenTcp(platform::IpFamily::ipv4, "127.0.0.1", 0, error);
        EXPECT_TRUE(listener) << error.text;
        env.writeRegistryPorts("", std::to_string(listener->port()));
        EXPECT_EQ(SimConnect_Open(&handle, "VELT_P3D", 0, 0, 0, 0, env.environment()), kS_OK);
        if (auto accepted = listener->accept(5s, error)) {
            peer = std::move(*accepted);
            testing::readPacket(peer);
        }
    }
    ~TcpSession() {
        if (handle != nullptr) {
            SimConnect_Close(handle);
        }
    }
};

TEST(Connection, SocketWithoutOpenReplyTimesOutAfterFourSeconds) {
    TcpSession session;
    ASSERT_NE(session.handle, nullptr);
    EXPECT_EQ(session.handle->connection->kind(), TransportKind::socket);
    session.env.clock.advance(3999ms);
    EXPECT_EQ(SimConnect_AIReleaseControl(session.handle, 1, 104), kS_OK);
    session.env.clock.advance(1ms);
    EXPECT_EQ(SimConnect_AIReleaseControl(session.handle, 1, 104), kStatusHandshakeTimeout);
    EXPECT_EQ(SimConnect_SubscribeToSystemEvent(session.handle, 201, "Sim"), kStatusHandshakeTimeout);
    Collected collected;
    EXPECT_EQ(SimConnect_CallDispatch(session.handle, collect, &collected), kStatusHandshakeTimeout);
    const auto failure = session.handle->connection->failure();
    EXPECT_EQ(failure.code, 7u);
    EXPECT_EQ(failure.status, kStatusHandshakeTimeout);
    std::uint32_t last = 0;
    SimConnect_GetLastSentPacketID(session.handle, &last);
    EXPECT_EQ(last, 2u) << "calls on the failed connection reserve nothing";
}

TEST(Connection, OpenReplyStopsTheHandshakeClock) {
    TcpSession session;
    ASSERT_NE(session.handle, nullptr);
    ASSERT_TRUE(session.peer.sendAll(testing::openReply()));
    Collected collected;
    ASSERT_EQ(dispatchUntil(session.handle, collected, 1), kS_OK);
    session.env.clock.advance(60s);
    EXPECT_EQ(SimConnect_AIReleaseControl(session.handle, 1, 104), kS_OK);
    EXPECT_EQ(SimConnect_CallDispatch(session.handle, collect, &collected), kS_OK);
}

TEST(Connection, PipeHasNoHandshakeTimeOut) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    session.env.clock.advance(60s);
    EXPECT_EQ(SimConnect_AIReleaseControl(session.handle, 1, 104), kS_OK);
}

// The peer closing the socket leaves no error status (0); calls must fail all the same,
// or the client would never notice that it has to reconnect.
TEST(Connection, PeerClosingFailsEveryLaterCallWithEFail) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    session.peer.close();
    Collected collected;
    EXPECT_EQ(dispatchUntilFailed(session.handle, collected), kE_FAIL);
    EXPECT_EQ(session.handle->connection->failure().status, kS_OK);
    EXPECT_EQ(SimConnect_AIRemoveObject(session.handle, 1, 105), kE_FAIL);
    EXPECT_EQ(SimConnect_CallDispatch(session.handle, collect, &collected), kE_FAIL);
}

TEST(Connection, DeliversMessagesInOrderAndDropsRunts) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    const Bytes event = testing::recvMessage(4, Bytes(16, 1));
    const Bytes frame = testing::recvMessage(7, Bytes(24, 2));
    Bytes stream = testing::openReply();
    stream.insert(stream.end(), {8, 0, 0, 0, 1, 2, 3, 4}); // 8 bytes: framed, never dispatched
    stream.insert(stream.end(), event.begin(), event.end());
    stream.insert(stream.end(), {0, 0, 0, 0, 0, 0, 0, 0}); // padding
    stream.insert(stream.end(), frame.begin(), frame.end());
    ASSERT_TRUE(session.peer.sendAll(stream));
    Collected collected;
    ASSERT_EQ(dispatchUntil(session.handle, collected, 3), kS_OK);
    ASSERT_EQ(collected.messages.size(), 3u);
    EXPECT_EQ(collected.messages[0], testing::openReply());
    EXPECT_EQ(collected.messages[1], event);
    EXPECT_EQ(collected.messages[2], frame);
}

TEST(Connection, BadMessageSizeFailsTheConnectionWithAFramingError) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::uint32_t code;
    };
    Bytes huge = testing::recvMessage(8, {});
    huge[0] = 0x00;
    huge[1] = 0x00;
    huge[2] = 0x20; // 0x200000 bytes: past the 1 MiB limit
    const Case cases[] = {
        {"size 2", {2, 0, 0, 0}, 3},
        {"over MaxReceiveSize", {0x01, 0xA1, 0, 0}, 2},
        {"over the buffer limit", huge, 2},
    };
    for (const auto& c : cases) {
        PipeSession session;
        ASSERT_NE(session.handle, nullptr);
        const Bytes before = testing::recvMessage(4, Bytes(16, 9));
        ASSERT_TRUE(session.peer.sendAll(before));
        ASSERT_TRUE(session.peer.sendAll(c.bytes));
        Collected collected;
        const Hresult result = dispatchUntilFailed(session.handle, collected);
        EXPECT_EQ(result, hresultFromWin32(13)) << c.name;
        EXPECT_EQ(session.handle->connection->failure().code, c.code) << c.name;
        ASSERT_EQ(collected.messages.size(), 1u) << c.name << ": the message before still arrives";
        EXPECT_EQ(SimConnect_AIReleaseControl(session.handle, 1, 104), hresultFromWin32(13)) << c.name;
    }
}

TEST(Connection, CloseReturnsPromptlyWhileTheReaderWaits) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SimConnect_Close(session.handle), kS_OK);
    session.handle = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // The peer sees the end of the stream.
    std::uint8_t byte = 0;
    EXPECT_FALSE(session.peer.receiveExact({&byte, 1}, 2s));
}

TEST(Connection, PacketsQueuedBeforeCloseStillLeave) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    for (std::uint32_t object = 1; object <= 50; ++object) {
        ASSERT_EQ(SimConnect_AIRemoveObject(session.handle, object, 105), kS_OK);
    }
    EXPECT_EQ(SimConnect_Close(session.handle), kS_OK);
    session.handle = nullptr;
    for (std::uint32_t object = 1; object <= 50; ++object) {
        const Bytes packet = testing::readPacket(session.peer);
        ASSERT_EQ(packet.size(), 24u);
        EXPECT_EQ(packet[16], object);
    }
}

// Packets of uneven lengths, each carrying its index, so that any byte lost, repeated or
// moved shows in the packet that holds it.
Bytes numberedPacket(std::uint32_t index) {
    const auto length = static_cast<std::uint32_t>(16 + (index * 37) % 4001);
    Bytes packet(length);
    for (std::size_t at = 0; at < packet.size(); ++at) {
        packet[at] = static_cast<std::uint8_t>(index + at);
    }
    for (int i = 0; i < 4; ++i) {
        packet[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
        packet[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(index >> (8 * i));
    }
    return packet;
}

// Far more than the socket holds while the peer is not reading, in packets big enough that
// one batch is more than a send takes: the writes stop short inside packets and between
// them, and each must go on exactly where the last one ended.
template <typename Session> void expectBacklogArrivesWholeAndInOrder() {
    Session session;
    ASSERT_NE(session.handle, nullptr);
    constexpr std::uint32_t kPackets = 4000; // some 8 MB
    for (std::uint32_t index = 0; index < kPackets; ++index) {
        ASSERT_TRUE(session.handle->connection->send(numberedPacket(index)));
    }
    for (std::uint32_t index = 0; index < kPackets; ++index) {
        const Bytes packet = testing::readPacket(session.peer);
        ASSERT_EQ(packet, numberedPacket(index)) << "packet " << index;
    }
    EXPECT_FALSE(session.handle->connection->hasFailed());
}

TEST(Connection, BacklogLargerThanTheSocketArrivesWholeAndInOrder) {
    expectBacklogArrivesWholeAndInOrder<PipeSession>();
    expectBacklogArrivesWholeAndInOrder<TcpSession>();
}

TEST(Connection, PeerGoingAwayInTheMiddleOfABacklogFailsTheConnectionOnce) {
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    for (std::uint32_t index = 0; index < 4000; ++index) {
        ASSERT_TRUE(session.handle->connection->send(numberedPacket(index)));
    }
    for (std::uint32_t index = 0; index < 100; ++index) {
        ASSERT_EQ(testing::readPacket(session.peer), numberedPacket(index));
    }
    session.peer.close();
    Collected collected;
    const Hresult result = dispatchUntilFailed(session.handle, collected);
    EXPECT_NE(result, kS_OK);
    const auto failure = session.handle->connection->failure();
    EXPECT_EQ(failure.code, kFailureIo);
    EXPECT_FALSE(session.handle->connection->send(numberedPacket(0))) << "nothing is queued on a failed connection";
    EXPECT_EQ(SimConnect_AIRemoveObject(session.handle, 1, 105), result);
    const auto later = session.handle->connection->failure();
    EXPECT_EQ(later.text, failure.text) << "the first failure stays the one recorded";
    EXPECT_EQ(later.status, failure.status);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SimConnect_Close(session.handle), kS_OK);
    session.handle = nullptr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "close waited for packets that can never leave";
}

TEST(Connection, IoThreadCarriesItsName) {
    const auto ioThreads = [] {
        const auto names = platform::threadNamesOfProcess();
        return std::count(names.begin(), names.end(), "simconnect-io");
    };
    const auto before = ioThreads();
    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    // The OPEN packet has left, so the I/O thread has run and named itself.
    EXPECT_EQ(ioThreads(), before + 1);
}

TEST(Connection, CallsWithoutAUsableHandleOrCallback) {
    EXPECT_EQ(SimConnect_AIReleaseControl(nullptr, 1, 104), kE_FAIL);
    EXPECT_EQ(SimConnect_Close(nullptr), kE_FAIL);
    EXPECT_EQ(SimConnect_CallDispatch(nullptr, collect, nullptr), kE_FAIL);
    std::uint32_t last = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(nullptr, &last), kE_FAIL);

    PipeSession session;
    ASSERT_NE(session.handle, nullptr);
    EXPECT_EQ(SimConnect_GetLastSentPacketID(session.handle, nullptr), kE_FAIL);
    EXPECT_EQ(SimConnect_CallDispatch(session.handle, nullptr, nullptr), kE_FAIL) << "no callback stored yet";
    Collected collected;
    EXPECT_EQ(SimConnect_CallDispatch(session.handle, collect, &collected), kS_OK) << "empty queue, sound connection";
    // A null callback falls back to the stored one and its context.
    ASSERT_TRUE(session.peer.sendAll(testing::openReply()));
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (collected.messages.empty() && std::chrono::steady_clock::now() < deadline) {
        EXPECT_EQ(SimConnect_CallDispatch(session.handle, nullptr, nullptr), kS_OK);
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(collected.messages.size(), 1u);
}

TEST(Connection, OpenFailures) {
    TestEnvironment env;
    HSimConnect handle = reinterpret_cast<HSimConnect>(0x1);
    EXPECT_EQ(SimConnect_Open(nullptr, "VELT_P3D", 0, 0, 0, 0, env.environment()), kE_INVALIDARG);
    EXPECT_EQ(SimConnect_Open(&handle, nullptr, 0, 0, 0, 0, env.environment()), kE_INVALIDARG);
    EXPECT_EQ(SimConnect_Open(&handle, "VELT_P3D", 0, 0, 0, 0, env.environment()), kE_FAIL) << "nothing listening";
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(SimConnect_Open(&handle, "VELT_P3D", 0, 0, 0, 4, env.environment()), kE_INVALIDARG)
        << "config index without a section";

    platform::SocketError error;
    auto listener = platform::StreamListener::listenLocal(env.defaultPipePath(), error);
    ASSERT_TRUE(listener) << error.text;
    EXPECT_EQ(SimConnect_Open(&handle, std::string(256, 'n').c_str(), 0, 0, 0, 0, env.environment()),
              kInsufficientBuffer);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(SimConnect_Open(&handle, std::string(255, 'n').c_str(), 0, 0, 0, 0, env.environment()), kS_OK);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(SimConnect_Close(handle), kS_OK);
}

} // namespace
} // namespace kiv::simconnect
