// The TCP server the RT App connects to, playing an Aerowinx PSX simulator server: one
// listener, at most one client, one line out at a time. The object owns its sockets; any
// thread may call any member. close() wakes a thread blocked in waitForClient or receive:
// a blocked call keeps its own share of the socket, which closes when the call returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/stream_socket.h"

namespace kiv {

inline constexpr std::size_t kRTAppReceiveBytes = 16384;

// At most one "sendbuffer" request is outstanding: set when one is sent, cleared by the end of
// the buffered traffic or the traffic reader's exit. Any thread, under the mutex.
struct BufferRequestFlag {
    std::mutex mutex;
    std::atomic<bool> inFlight{false};

    void clear() {
        const std::lock_guard lock(mutex);
        inFlight = false;
    }
};

class RTAppServer {
public:
    // Listens on every local IPv4 address at the port (decimal text; "0" lets the system
    // pick). Throws std::runtime_error.
    void listen(std::string_view port);
    // Blocks until a client is accepted; false when connected already, without a listener,
    // or when the accept failed (the listener was closed).
    bool waitForClient();
    // One line to the client; false without a client or when the send failed (the client
    // is then closed).
    bool sendDataPacket(std::string_view text);
    // One blocking read of at most 16,383 bytes; empty on any failure or when the peer closed.
    std::string receive();
    // Reads and drops whatever the client sent, without blocking.
    void drainReceiveBuffer();
    // Closes listener and client.
    void close();

    bool connected() const { return connected_.load(); }
    // Counts the calls of close(), so that a waiting caller can tell that the server was
    // closed under it.
    std::uint64_t closeCount() const { return closeCount_.load(); }
    // The port the listener is bound to; 0 without one.
    std::uint16_t port() const;

private:
    using SocketPtr = std::shared_ptr<platform::StreamSocket>;
    SocketPtr clientSocket() const;
    void closeClient(const SocketPtr& socket);

    mutable std::mutex stateMutex_; // listener_, client_, connected_
    std::mutex sendMutex_;
    std::mutex receiveMutex_;
    std::shared_ptr<platform::StreamListener> listener_;
    SocketPtr client_;
    std::atomic<bool> connected_{false};
    std::atomic<std::uint64_t> closeCount_{0};
};

} // namespace kiv
