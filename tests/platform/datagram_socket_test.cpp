#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/datagram_socket.h"

namespace kiv::platform {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

DatagramSocket boundReceiver() {
    SocketError error;
    auto socket = DatagramSocket::open(error);
    EXPECT_TRUE(socket) << error.text;
    EXPECT_TRUE(socket->bind("127.0.0.1", 0, error)) << error.text;
    EXPECT_TRUE(socket->setReceiveTimeout(2000ms, error)) << error.text;
    return std::move(*socket);
}

void sendTo(const DatagramSocket& receiver, const Bytes& bytes) {
    SocketError error;
    auto sender = DatagramSocket::open(error);
    ASSERT_TRUE(sender) << error.text;
    ASSERT_EQ(sender->sendTo("", receiver.localPort(), bytes).status, IoStatus::done);
}

// The reader tells a datagram that did not fit from one that filled its buffer exactly.
TEST(DatagramSocket, ReportsTheWholeLengthOfADatagramLongerThanTheBuffer) {
    DatagramSocket receiver = boundReceiver();
    ASSERT_NE(receiver.localPort(), 0);
    Bytes buffer(8);
    for (const std::size_t length : {std::size_t{8}, std::size_t{9}, std::size_t{3000}}) {
        sendTo(receiver, Bytes(length, 0x41));
        const DatagramResult result = receiver.receive(buffer);
        ASSERT_EQ(result.status, IoStatus::done);
        EXPECT_EQ(result.length, length);
    }
}

TEST(DatagramSocket, ReceiveTimeOutReadsAsWouldBlock) {
    SocketError error;
    auto socket = DatagramSocket::open(error);
    ASSERT_TRUE(socket);
    ASSERT_TRUE(socket->bind("127.0.0.1", 0, error));
    ASSERT_TRUE(socket->setReceiveTimeout(20ms, error));
    Bytes buffer(16);
    EXPECT_EQ(socket->receive(buffer).status, IoStatus::wouldBlock);
}

TEST(DatagramSocket, BindingAPortInUseFailsWithItsCode) {
    DatagramSocket first = boundReceiver();
    SocketError error;
    auto second = DatagramSocket::open(error);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->bind("127.0.0.1", first.localPort(), error));
    EXPECT_EQ(error.code, 10048); // WSAEADDRINUSE
}

} // namespace
} // namespace kiv::platform
