// UDP sockets: a receiver bound to a port (with a receive time-out, so that a loop can look
// at its stop flag) and a sender for tools and tests. Datagrams longer than the caller's
// buffer are reported with their full length instead of arriving cut short.
// One owner thread per socket.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/stream_socket.h"

namespace kiv::platform {

struct DatagramResult {
    IoStatus status = IoStatus::failed; // wouldBlock also for the receive time-out and a signal
    std::size_t length = 0;             // the datagram's whole length, even beyond the buffer
    std::int32_t errorCode = 0;         // Winsock-style, when failed
};

class DatagramSocket {
public:
    DatagramSocket() = default;
    ~DatagramSocket();
    DatagramSocket(DatagramSocket&& other) noexcept;
    DatagramSocket& operator=(DatagramSocket&& other) noexcept;
    DatagramSocket(const DatagramSocket&) = delete;
    DatagramSocket& operator=(const DatagramSocket&) = delete;

    // An unbound IPv4 UDP socket.
    static std::optional<DatagramSocket> open(SocketError& error);

    bool isOpen() const { return handle_ >= 0; }
    // An empty address binds every local address; port 0 lets the system pick (see localPort).
    bool bind(std::string_view address, std::uint16_t port, SocketError& error);
    std::uint16_t localPort() const;
    bool setReceiveTimeout(std::chrono::milliseconds timeout, SocketError& error);

    // One datagram into `buffer`; a longer one is cut to the buffer but its full length is
    // reported, so the caller can tell it was too long.
    DatagramResult receive(std::span<std::uint8_t> buffer);
    // One datagram to the IPv4 address (empty: loopback) and port.
    DatagramResult sendTo(std::string_view address, std::uint16_t port, std::span<const std::uint8_t> bytes);

    void close();

private:
    explicit DatagramSocket(int handle) : handle_(handle) {}
    int handle_ = -1;
};

} // namespace kiv::platform
