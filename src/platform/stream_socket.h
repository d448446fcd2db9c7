// Connected stream sockets (TCP and local Unix-domain), a listener, and a waiter that lets
// one I/O thread sleep on a socket until it is ready or another thread wakes it.
// Each object belongs to one owner; only IoWaiter::wake and StreamSocket::shutdownBoth may
// be called from another thread while the owner waits.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kiv::platform {

enum class IpFamily { ipv4, ipv6 };

// A failure of a socket call: Winsock-style code (see socket_error_codes.h) and a text
// that names the call and the peer.
struct SocketError {
    std::int32_t code = 0;
    std::string text;
};

enum class IoStatus { done, wouldBlock, closed, failed };

// The most blocks one gathered send takes (well under any system's limit on I/O vectors).
inline constexpr std::size_t kMaxGatheredBlocks = 64;

struct IoResult {
    IoStatus status = IoStatus::failed;
    std::size_t bytes = 0;
    std::int32_t errorCode = 0; // Winsock-style, when failed
};

class StreamSocket {
public:
    StreamSocket() = default;
    ~StreamSocket();
    StreamSocket(StreamSocket&& other) noexcept;
    StreamSocket& operator=(StreamSocket&& other) noexcept;
    StreamSocket(const StreamSocket&) = delete;
    StreamSocket& operator=(const StreamSocket&) = delete;

    // Blocking connects. An empty address means the loopback address of the family.
    static std::optional<StreamSocket> connectTcp(IpFamily family, std::string_view address, std::string_view port,
                                                  SocketError& error);
    static std::optional<StreamSocket> connectLocal(const std::filesystem::path& path, SocketError& error);

    bool isOpen() const { return handle_ >= 0; }
    bool setNoDelay(bool on);
    bool setNonBlocking(bool on);

    // One send or receive call; never raises SIGPIPE. A receive of 0 bytes is `closed`.
    IoResult send(std::span<const std::uint8_t> bytes);
    // One send of several blocks in order (at most kMaxGatheredBlocks; the rest wait for the
    // caller's next call). Like any send it may stop anywhere, even inside a block.
    IoResult sendGathered(std::span<const std::span<const std::uint8_t>> blocks);
    IoResult receive(std::span<std::uint8_t> bytes);
    // Blocking helpers for tools and tests: false on time-out, closure or error.
    bool sendAll(std::span<const std::uint8_t> bytes);
    bool receiveExact(std::span<std::uint8_t> bytes, std::chrono::milliseconds timeout);
    bool waitReadable(std::chrono::milliseconds timeout) const;

    // Ends both directions so that a thread blocked on the socket wakes; safe from any thread.
    void shutdownBoth();
    void close();

private:
    friend class IoWaiter;
    friend class StreamListener;
    explicit StreamSocket(int handle) : handle_(handle) {}
    int handle_ = -1;
};

// Wakeable wait on one socket: the owner thread waits, any thread may wake it.
class IoWaiter {
public:
    IoWaiter();
    ~IoWaiter();
    IoWaiter(const IoWaiter&) = delete;
    IoWaiter& operator=(const IoWaiter&) = delete;

    struct Ready {
        bool readable = false; // also set on hang-up or error, so that the next receive reports it
        bool writable = false;
        bool woken = false;
    };
    // Waits until the socket is readable (or writable when asked) or wake() was called;
    // a negative timeout waits without limit.
    Ready wait(const StreamSocket& socket, bool wantWrite, std::chrono::milliseconds timeout);
    void wake();

private:
    int wakeHandle_ = -1;
};

class StreamListener {
public:
    StreamListener() = default;
    ~StreamListener();
    StreamListener(StreamListener&& other) noexcept;
    StreamListener& operator=(StreamListener&& other) noexcept;
    StreamListener(const StreamListener&) = delete;
    StreamListener& operator=(const StreamListener&) = delete;

    // Port 0 binds a free port; port() tells which.
    static std::optional<StreamListener> listenTcp(IpFamily family, std::string_view address, std::uint16_t port,
                                                   SocketError& error);
    // Removes a stale socket file first; the file is removed again when the listener closes.
    static std::optional<StreamListener> listenLocal(const std::filesystem::path& path, SocketError& error);

    std::uint16_t port() const { return port_; }
    std::optional<StreamSocket> accept(std::chrono::milliseconds timeout, SocketError& error);
    // Makes a thread blocked in accept return with an error; safe from any thread while the
    // object lives. The listener accepts nothing afterwards.
    void shutdown();
    void close();

private:
    int handle_ = -1;
    std::uint16_t port_ = 0;
    std::filesystem::path localPath_;
};

} // namespace kiv::platform
