#include "platform/datagram_socket.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include <arpa/inet.h>
#include <fmt/format.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/socket_error_codes.h"

namespace kiv::platform {
namespace {

SocketError errorOf(int errnoValue, std::string_view what) {
    return {toWinsockError(errnoValue), fmt::format("{}: {}", what, std::strerror(errnoValue))};
}

bool ipv4Address(std::string_view text, std::uint16_t port, sockaddr_in& address, bool emptyIsAny) {
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (text.empty()) {
        address.sin_addr.s_addr = htonl(emptyIsAny ? INADDR_ANY : INADDR_LOOPBACK);
        return true;
    }
    const std::string host(text);
    return ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1;
}

DatagramResult resultOf(ssize_t count) {
    if (count >= 0) {
        return {IoStatus::done, static_cast<std::size_t>(count), 0};
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return {IoStatus::wouldBlock, 0, 0};
    }
    return {IoStatus::failed, 0, toWinsockError(errno)};
}

} // namespace

DatagramSocket::~DatagramSocket() { close(); }

DatagramSocket::DatagramSocket(DatagramSocket&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

DatagramSocket& DatagramSocket::operator=(DatagramSocket&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

std::optional<DatagramSocket> DatagramSocket::open(SocketError& error) {
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (handle < 0) {
        error = errorOf(errno, "socket");
        return std::nullopt;
    }
    return DatagramSocket(handle);
}

bool DatagramSocket::bind(std::string_view address, std::uint16_t port, SocketError& error) {
    sockaddr_in local{};
    if (!ipv4Address(address, port, local, true)) {
        error = errorOf(EINVAL, fmt::format("bind {}:{}", address, port));
        return false;
    }
    if (::bind(handle_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        error = errorOf(errno, fmt::format("bind {}:{}", address.empty() ? "*" : address, port));
        return false;
    }
    return true;
}

std::uint16_t DatagramSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

bool DatagramSocket::setReceiveTimeout(std::chrono::milliseconds timeout, SocketError& error) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    if (::setsockopt(handle_, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value) != 0) {
        error = errorOf(errno, "setsockopt SO_RCVTIMEO");
        return false;
    }
    return true;
}

DatagramResult DatagramSocket::receive(std::span<std::uint8_t> buffer) {
    // MSG_TRUNC makes the call return the datagram's real length; Windows reports
    // WSAEMSGSIZE instead, and the caller handles both the same way.
    return resultOf(::recv(handle_, buffer.data(), buffer.size(), MSG_TRUNC));
}

DatagramResult DatagramSocket::sendTo(std::string_view address, std::uint16_t port,
                                      std::span<const std::uint8_t> bytes) {
    sockaddr_in target{};
    if (!ipv4Address(address, port, target, false)) {
        return {IoStatus::failed, 0, toWinsockError(EINVAL)};
    }
    return resultOf(::sendto(handle_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                             reinterpret_cast<const sockaddr*>(&target), sizeof target));
}

void DatagramSocket::close() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

} // namespace kiv::platform
