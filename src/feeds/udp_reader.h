// The receive side shared by the RT App's two UDP readers: one socket, one preallocated
// buffer, the loop that drops oversized and repeated datagrams and hands the others on.
// The reader thread owns the socket and buffers; the stop flag and the datagram counter may
// be touched from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datagram_socket.h"

namespace kiv {

inline constexpr std::size_t kMaxDatagramBytes = 16384;

class UdpReader {
public:
    UdpReader();
    virtual ~UdpReader() = default;
    UdpReader(const UdpReader&) = delete;
    UdpReader& operator=(const UdpReader&) = delete;

    // A new IPv4 UDP socket in place of the old one; throws std::runtime_error.
    void create();
    // Binds to every local address at the port (0: the system picks); throws std::runtime_error.
    void bindToPort(std::uint16_t port);
    // Receives until the stop flag is set (seen within the 1 s receive time-out); throws on a
    // socket error. onDisconnect runs on every way out.
    void receive();
    void closeSocket();
    // What the loop does with one received datagram of `fullLength` bytes, of which
    // `received` holds the first ones: count it, drop it when oversized or a meaningless
    // repeat, else hand it on. Reader thread (tests call it to feed datagrams directly).
    void offerDatagram(std::string_view received, std::size_t fullLength);
    void offerDatagram(std::string_view datagram) { offerDatagram(datagram, datagram.size()); }

    // The port bound to, 0 before the bind and after the socket closed.
    std::uint16_t boundPort() const { return boundPort_.load(); }

    std::atomic<bool> stop{false};
    std::atomic<std::uint32_t> datagramCounter{0}; // every datagram received, oversized ones too
    std::uint32_t counterSeen = 0;                 // the status display's last look

protected:
    virtual void handleDatagram() = 0;
    virtual void onDisconnect() = 0;
    // True for a datagram that means something again when it repeats the last one (an end
    // marker, a weather report); any other repeat is dropped unhandled.
    virtual bool repeatIsMeaningful(std::string_view datagram) const = 0;
    // Forgets the datagrams and the counters, not the stop flag (the thread is not receiving).
    void resetReceiveState();

    std::string_view datagram_; // the datagram being handled; points into lastDatagram_

private:
    void receiveLoop();

    std::vector<std::uint8_t> buffer_;
    std::string lastDatagram_;
    std::optional<platform::DatagramSocket> socket_;
    std::atomic<std::uint16_t> boundPort_{0};
};

} // namespace kiv
