#include "feeds/udp_reader.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/socket_error_text.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kErrorMessageSize = 10040; // WSAEMSGSIZE

void logOversized() { gf_logLine(fmt::format("UDP datagram exceeds {} bytes; discarded", kMaxDatagramBytes)); }

} // namespace

UdpReader::UdpReader() : buffer_(kMaxDatagramBytes + 1) {}

void UdpReader::create() {
    platform::SocketError error;
    std::optional<platform::DatagramSocket> socket = platform::DatagramSocket::open(error);
    if (!socket) {
        throw std::runtime_error(fmt::format("failed to create the socket, error: {}", gf_socketErrorText(error.code)));
    }
    closeSocket();
    socket_ = std::move(socket);
}

void UdpReader::bindToPort(std::uint16_t port) {
    if (!socket_) {
        throw std::runtime_error("bindToPort: socket_ is INVALID_SOCKET");
    }
    platform::SocketError error;
    if (!socket_->bind("", port, error)) {
        throw std::runtime_error(fmt::format("bind failed, error: {}", gf_socketErrorText(error.code)));
    }
    boundPort_ = socket_->localPort();
}

void UdpReader::closeSocket() {
    socket_.reset();
    boundPort_ = 0;
}

void UdpReader::resetReceiveState() {
    datagram_ = {};
    lastDatagram_.clear();
    datagramCounter = 0;
    counterSeen = 0;
}

void UdpReader::receive() {
    if (!socket_) {
        throw std::runtime_error("receive: socket_ is INVALID_SOCKET");
    }
    // The stop flag is not cleared here: a stop asked for before the loop starts must end it.
    platform::SocketError error;
    if (!socket_->setReceiveTimeout(1000ms, error)) {
        throw std::runtime_error(fmt::format("setsockopt SO_RCVTIMEO failed, socket_={}, error={}", boundPort(),
                                             gf_socketErrorText(error.code)));
    }
    try {
        receiveLoop();
    } catch (...) {
        onDisconnect();
        throw;
    }
}

void UdpReader::receiveLoop() {
    for (;;) {
        if (stop) {
            onDisconnect();
            return;
        }
        const platform::DatagramResult result = socket_->receive(buffer_);
        if (result.status == platform::IoStatus::wouldBlock ||
            (result.status == platform::IoStatus::done && result.length == 0)) {
            continue;
        }
        if (result.status == platform::IoStatus::failed) {
            if (result.errorCode == kErrorMessageSize) {
                ++datagramCounter;
                logOversized();
                continue;
            }
            if (stop) {
                onDisconnect();
                return;
            }
            throw std::runtime_error(fmt::format("receive error: {}", gf_socketErrorText(result.errorCode)));
        }
        const std::size_t kept = std::min(result.length, buffer_.size());
        offerDatagram({reinterpret_cast<const char*>(buffer_.data()), kept}, result.length);
    }
}

void UdpReader::offerDatagram(std::string_view received, std::size_t fullLength) {
    ++datagramCounter;
    if (fullLength > kMaxDatagramBytes) {
        logOversized();
        return;
    }
    if (received == lastDatagram_ && !repeatIsMeaningful(received)) {
        return;
    }
    lastDatagram_.assign(received);
    datagram_ = lastDatagram_;
    handleDatagram();
}

} // namespace kiv
