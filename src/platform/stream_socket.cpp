#include "platform/stream_socket.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <fmt/format.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/socket_error_codes.h"

namespace kiv::platform {
namespace {

SocketError errorOf(int errnoValue, std::string_view what) {
    return {toWinsockError(errnoValue), fmt::format("{}: {}", what, std::strerror(errnoValue))};
}

int pollTimeout(std::chrono::milliseconds timeout) {
    return timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
}

bool localAddress(const std::filesystem::path& path, sockaddr_un& address, SocketError& error) {
    const std::string text = path.string();
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (text.empty() || text.size() >= sizeof address.sun_path) {
        error = {toWinsockError(ENAMETOOLONG), fmt::format("local socket path '{}': {} bytes, at most {} fit", text,
                                                           text.size(), sizeof address.sun_path - 1)};
        return false;
    }
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

int familyValue(IpFamily family) { return family == IpFamily::ipv6 ? AF_INET6 : AF_INET; }

std::string_view loopbackOf(IpFamily family) { return family == IpFamily::ipv6 ? "::1" : "127.0.0.1"; }

} // namespace

StreamSocket::~StreamSocket() { close(); }

StreamSocket::StreamSocket(StreamSocket&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

StreamSocket& StreamSocket::operator=(StreamSocket&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

std::optional<StreamSocket> StreamSocket::connectTcp(IpFamily family, std::string_view address, std::string_view port,
                                                     SocketError& error) {
    const std::string host(address.empty() ? loopbackOf(family) : address);
    const std::string service(port);
    addrinfo hints{};
    hints.ai_family = familyValue(family);
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = {toWinsockError(EHOSTUNREACH), fmt::format("getaddrinfo {}:{}: {}", host, service, ::gai_strerror(rc))};
        return std::nullopt;
    }
    int lastErrno = ECONNREFUSED;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        const int handle = ::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol);
        if (handle < 0) {
            lastErrno = errno;
            continue;
        }
        if (::connect(handle, entry->ai_addr, entry->ai_addrlen) == 0) {
            ::freeaddrinfo(found);
            return StreamSocket(handle);
        }
        lastErrno = errno;
        ::close(handle);
    }
    ::freeaddrinfo(found);
    error = errorOf(lastErrno, fmt::format("connect {}:{}", host, service));
    return std::nullopt;
}

std::optional<StreamSocket> StreamSocket::connectLocal(const std::filesystem::path& path, SocketError& error) {
    sockaddr_un address{};
    if (!localAddress(path, address, error)) {
        return std::nullopt;
    }
    const int handle = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        error = errorOf(errno, "socket");
        return std::nullopt;
    }
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errorOf(errno, fmt::format("connect {}", path.string()));
        ::close(handle);
        return std::nullopt;
    }
    return StreamSocket(handle);
}

bool StreamSocket::setNoDelay(bool on) {
    const int value = on ? 1 : 0;
    return ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0;
}

bool StreamSocket::setNonBlocking(bool on) {
    const int flags = ::fcntl(handle_, F_GETFL, 0);
    if (flags < 0) {
        return false;
    }
    return ::fcntl(handle_, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

namespace {

IoResult resultOf(ssize_t count) {
    if (count > 0) {
        return {IoStatus::done, static_cast<std::size_t>(count), 0};
    }
    if (count == 0) {
        return {IoStatus::closed, 0, 0};
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return {IoStatus::wouldBlock, 0, 0};
    }
    return {IoStatus::failed, 0, toWinsockError(errno)};
}

} // namespace

IoResult StreamSocket::send(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return {IoStatus::done, 0, 0};
    }
    return resultOf(::send(handle_, bytes.data(), bytes.size(), MSG_NOSIGNAL));
}

IoResult StreamSocket::sendGathered(std::span<const std::span<const std::uint8_t>> blocks) {
    static_assert(kMaxGatheredBlocks <= IOV_MAX);
    std::array<iovec, kMaxGatheredBlocks> vectors;
    std::size_t count = 0;
    for (const auto block : blocks.first(std::min(blocks.size(), kMaxGatheredBlocks))) {
        if (!block.empty()) {
            // iovec has no const pointer; sendmsg only reads from it.
            vectors[count++] = {const_cast<std::uint8_t*>(block.data()), block.size()};
        }
    }
    if (count == 0) {
        return {IoStatus::done, 0, 0};
    }
    msghdr message{};
    message.msg_iov = vectors.data();
    message.msg_iovlen = count;
    return resultOf(::sendmsg(handle_, &message, MSG_NOSIGNAL));
}

IoResult StreamSocket::receive(std::span<std::uint8_t> bytes) {
    return resultOf(::recv(handle_, bytes.data(), bytes.size(), 0));
}

bool StreamSocket::sendAll(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const IoResult result = send(bytes);
        if (result.status == IoStatus::done) {
            bytes = bytes.subspan(result.bytes);
        } else if (result.status != IoStatus::wouldBlock) {
            return false;
        } else {
            pollfd entry{handle_, POLLOUT, 0};
            ::poll(&entry, 1, -1);
        }
    }
    return true;
}

bool StreamSocket::receiveExact(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(left)) {
            return false;
        }
        const IoResult result = receive(bytes);
        if (result.status == IoStatus::done) {
            bytes = bytes.subspan(result.bytes);
        } else if (result.status != IoStatus::wouldBlock) {
            return false;
        }
    }
    return true;
}

bool StreamSocket::waitReadable(std::chrono::milliseconds timeout) const {
    pollfd entry{handle_, POLLIN, 0};
    return ::poll(&entry, 1, pollTimeout(timeout)) > 0;
}

void StreamSocket::shutdownBoth() {
    if (handle_ >= 0) {
        ::shutdown(handle_, SHUT_RDWR);
    }
}

void StreamSocket::close() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

IoWaiter::IoWaiter() : wakeHandle_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeHandle_ < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

IoWaiter::~IoWaiter() { ::close(wakeHandle_); }

IoWaiter::Ready IoWaiter::wait(const StreamSocket& socket, bool wantWrite, std::chrono::milliseconds timeout) {
    pollfd entries[2] = {{socket.handle_, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                         {wakeHandle_, POLLIN, 0}};
    Ready ready;
    if (::poll(entries, 2, pollTimeout(timeout)) <= 0) {
        return ready;
    }
    ready.readable = (entries[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    ready.writable = (entries[0].revents & POLLOUT) != 0;
    if ((entries[1].revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto ignored = ::read(wakeHandle_, &count, sizeof count);
        ready.woken = true;
    }
    return ready;
}

void IoWaiter::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(wakeHandle_, &one, sizeof one);
}

StreamListener::~StreamListener() { close(); }

StreamListener::StreamListener(StreamListener&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), port_(other.port_), localPath_(std::move(other.localPath_)) {
    other.localPath_.clear();
}

StreamListener& StreamListener::operator=(StreamListener&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        port_ = other.port_;
        localPath_ = std::move(other.localPath_);
        other.localPath_.clear();
    }
    return *this;
}

std::optional<StreamListener> StreamListener::listenTcp(IpFamily family, std::string_view address, std::uint16_t port,
                                                        SocketError& error) {
    const std::string host(address.empty() ? loopbackOf(family) : address);
    addrinfo hints{};
    hints.ai_family = familyValue(family);
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error = {toWinsockError(EINVAL), fmt::format("getaddrinfo {}: {}", host, ::gai_strerror(rc))};
        return std::nullopt;
    }
    StreamListener listener;
    listener.handle_ = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    ::setsockopt(listener.handle_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    const bool bound = listener.handle_ >= 0 && ::bind(listener.handle_, found->ai_addr, found->ai_addrlen) == 0 &&
                       ::listen(listener.handle_, 16) == 0;
    ::freeaddrinfo(found);
    if (!bound) {
        error = errorOf(errno, fmt::format("listen {}:{}", host, port));
        return std::nullopt;
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    ::getsockname(listener.handle_, reinterpret_cast<sockaddr*>(&local), &length);
    listener.port_ = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                                       : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    return listener;
}

std::optional<StreamListener> StreamListener::listenLocal(const std::filesystem::path& path, SocketError& error) {
    sockaddr_un address{};
    if (!localAddress(path, address, error)) {
        return std::nullopt;
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    StreamListener listener;
    listener.handle_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener.handle_ < 0 ||
        ::bind(listener.handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.handle_, 16) != 0) {
        error = errorOf(errno, fmt::format("listen {}", path.string()));
        return std::nullopt;
    }
    listener.localPath_ = path;
    return listener;
}

std::optional<StreamSocket> StreamListener::accept(std::chrono::milliseconds timeout, SocketError& error) {
    pollfd entry{handle_, POLLIN, 0};
    if (::poll(&entry, 1, pollTimeout(timeout)) <= 0) {
        error = {toWinsockError(ETIMEDOUT), "accept: timed out"};
        return std::nullopt;
    }
    const int handle = ::accept4(handle_, nullptr, nullptr, SOCK_CLOEXEC);
    if (handle < 0) {
        error = errorOf(errno, "accept");
        return std::nullopt;
    }
    return StreamSocket(handle);
}

void StreamListener::shutdown() {
    if (handle_ >= 0) {
        ::shutdown(handle_, SHUT_RDWR);
    }
}

void StreamListener::close() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
    if (!localPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(localPath_, ignored);
        localPath_.clear();
    }
}

} // namespace kiv::platform
