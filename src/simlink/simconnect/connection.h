// One SimConnect connection: the socket (TCP, or the Unix-domain socket that stands for
// the named pipe), an I/O thread of its own that writes queued packets in order, one
// gathered write at a time, and cuts what it reads into messages, the receive queue, the send buffer and the failure
// record. Created by the connector, destroyed by SimConnect_Close. The send buffer is used
// under the process-wide send lock; everything else is safe from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "platform/stream_socket.h"
#include "simlink/simconnect/hresult.h"
#include "simlink/simconnect/packet_buffer.h"
#include "simlink/simconnect/receive_framer.h"
#include "simlink/simconnect/send_batch.h"
#include "simlink/simconnect/send_buffer.h"

namespace kiv::simconnect {

enum class TransportKind : std::uint32_t { socket = 0, pipe = 1 };

// Failure codes besides the framer's (2 too large, 3 invalid size).
inline constexpr std::uint32_t kFailureIo = 1;               // I/O error, or the peer closed
inline constexpr std::uint32_t kFailureHandshakeTimeout = 7; // no OPEN reply within 4 s
inline constexpr std::chrono::seconds kHandshakeTimeout{4};

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
using DispatchProc = void (*)(const std::uint8_t* message, std::uint32_t size, void* context);

struct ConnectionFailure {
    std::uint32_t code = 0;
    Hresult status = kS_OK;
    std::string text;
};

class Connection {
public:
    Connection(platform::StreamSocket socket, TransportKind kind, std::string peer, std::uint32_t maxReceiveSize,
               bool disableNagle, SteadyClock clock);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    std::uint32_t id() const { return id_; }
    TransportKind kind() const { return kind_; }
    const std::string& peer() const { return peer_; }

    SendBuffer& sendBuffer() { return sendBuffer_; }
    // Queues a copy of the bytes for the I/O thread; refused once the connection failed.
    bool send(std::span<const std::uint8_t> bytes);
    // The oldest received message, or an empty handle.
    PacketHandle takeReceived();

    // True when the connection has failed; a socket connection without the OPEN reply
    // 4 s after it was made fails here with code 7 and status 0xC000013F.
    bool check();
    bool hasFailed() const { return failed_.load(); }
    ConnectionFailure failure() const;
    // Records the first failure only, and ends the socket so that the I/O thread wakes.
    void fail(std::uint32_t code, Hresult status, std::string text);

    // Waits up to `drain` for queued packets to leave, then ends the I/O thread and the socket.
    void close(std::chrono::milliseconds drain);

    // The client's dispatch callback and notification values (stored for SimConnect_CallDispatch).
    DispatchProc dispatchProc = nullptr;
    void* dispatchContext = nullptr;
    std::uintptr_t window = 0;
    std::uint32_t windowMessage = 0;
    std::uintptr_t eventHandle = 0;

private:
    void ioLoop();
    bool readSome();
    bool writeSome();
    void deliver(std::span<const std::uint8_t> message);
    void packetsWritten(std::size_t count);

    PacketPool pool_; // first member: outlives every queue and handle of this connection
    const std::uint32_t id_;
    const TransportKind kind_;
    const std::string peer_;
    SteadyClock clock_;
    const std::chrono::steady_clock::time_point connectedAt_;
    platform::StreamSocket socket_;
    platform::IoWaiter waiter_;
    ReceiveFramer framer_;
    SendBuffer sendBuffer_;

    std::mutex sendQueueMutex_;
    PacketQueue sendQueue_;
    SendBatch writing_; // I/O thread only
    std::atomic<std::size_t> packetsInFlight_{0};
    std::condition_variable drained_;

    std::mutex receiveQueueMutex_;
    PacketQueue receiveQueue_;

    mutable std::mutex failureMutex_;
    ConnectionFailure failure_;
    std::atomic<bool> failed_{false};
    std::atomic<bool> openReplySeen_{false};
    std::atomic<bool> stopping_{false};
    std::thread ioThread_;
};

} // namespace kiv::simconnect
