#include "feeds/rtapp_server.h"

#include <array>
#include <charconv>
#include <chrono>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/socket_error_text.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kErrorServiceNotFound = 10109; // WSATYPE_NOT_FOUND, what a bad port gives
constexpr std::int32_t kErrorConnectionAborted = 10053;
constexpr std::int32_t kErrorConnectionReset = 10054;

std::uint16_t parsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > 65535) {
        throw std::runtime_error(fmt::format("getaddrinfo failed with error {}", kErrorServiceNotFound));
    }
    return static_cast<std::uint16_t>(value);
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

void RTAppServer::listen(std::string_view port) {
    const std::lock_guard lock(stateMutex_);
    listener_.reset();
    const std::uint16_t number = parsePort(port);
    platform::SocketError error;
    auto listener = platform::StreamListener::listenTcp(platform::IpFamily::ipv4, "0.0.0.0", number, error);
    if (!listener) {
        throw std::runtime_error(
            fmt::format("Bind failed at port {} with error {}", port, gf_socketErrorText(error.code)));
    }
    listener_ = std::make_shared<platform::StreamListener>(std::move(*listener));
}

bool RTAppServer::waitForClient() {
    try {
        std::shared_ptr<platform::StreamListener> listener;
        {
            const std::lock_guard lock(stateMutex_);
            if (connected_ || !listener_) {
                return false;
            }
            listener = listener_;
        }
        platform::SocketError error;
        std::optional<platform::StreamSocket> accepted = listener->accept(-1ms, error);
        if (!accepted) {
            return false;
        }
        if (!accepted->setNoDelay(true)) {
            gf_logLine(fmt::format("waitForClient interrupted: {} setsockopt failed with error {}", gf_timeText(),
                                   "TCP_NODELAY refused"));
            return false;
        }
        const std::lock_guard lock(stateMutex_);
        if (listener_ != listener) {
            return false; // closed (or reopened) while accepting
        }
        client_ = std::make_shared<platform::StreamSocket>(std::move(*accepted));
        connected_ = true;
        return true;
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("waitForClient interrupted: {}", error.what()));
        return false;
    }
}

RTAppServer::SocketPtr RTAppServer::clientSocket() const {
    const std::lock_guard lock(stateMutex_);
    return client_;
}

void RTAppServer::closeClient(const SocketPtr& socket) {
    const std::lock_guard lock(stateMutex_);
    if (socket && socket == client_) {
        client_->shutdownBoth();
        client_.reset();
        connected_ = false;
    }
}

bool RTAppServer::sendDataPacket(std::string_view text) {
    const std::lock_guard sending(sendMutex_);
    const SocketPtr client = clientSocket();
    if (!client) {
        return false;
    }
    const platform::IoResult result = client->send(bytesOf(text));
    if (result.status == platform::IoStatus::done && result.bytes == text.size()) {
        return true;
    }
    gf_logLine(fmt::format("sendDataPacket to RealTraffic failed: {}", gf_socketErrorText(result.errorCode)));
    closeClient(client);
    gf_logLine("RealTraffic client socket closed");
    return false;
}

std::string RTAppServer::receive() {
    const std::lock_guard receiving(receiveMutex_);
    const SocketPtr client = clientSocket();
    if (!client) {
        return {};
    }
    std::vector<std::uint8_t> buffer(kRTAppReceiveBytes);
    const platform::IoResult result = client->receive(buffer);
    if (result.status == platform::IoStatus::failed) {
        gf_logLine(fmt::format("receive: {}", gf_socketErrorText(result.errorCode)));
        return {};
    }
    if (result.status != platform::IoStatus::done) {
        return {};
    }
    if (result.bytes >= kRTAppReceiveBytes) {
        gf_logLine(fmt::format("receive: buffer overrun: {}", result.bytes));
        return {};
    }
    return std::string(reinterpret_cast<const char*>(buffer.data()), result.bytes);
}

void RTAppServer::drainReceiveBuffer() {
    const std::lock_guard receiving(receiveMutex_);
    const SocketPtr client = clientSocket();
    if (!client) {
        return;
    }
    std::vector<std::uint8_t> buffer(kRTAppReceiveBytes);
    while (client->waitReadable(0ms)) {
        const platform::IoResult result = client->receive(buffer);
        switch (result.status) {
        case platform::IoStatus::done:
            continue;
        case platform::IoStatus::wouldBlock:
            return;
        case platform::IoStatus::closed:
            closeClient(client);
            return;
        case platform::IoStatus::failed:
            if (result.errorCode != kErrorConnectionAborted && result.errorCode != kErrorConnectionReset) {
                gf_logLine(fmt::format("drainReceiveBuffer recv error: {}", gf_socketErrorText(result.errorCode)));
            }
            closeClient(client);
            return;
        }
    }
}

void RTAppServer::close() {
    const std::lock_guard lock(stateMutex_);
    ++closeCount_;
    if (listener_) {
        listener_->shutdown();
        listener_.reset();
    }
    if (client_) {
        client_->shutdownBoth();
        client_.reset();
    }
    connected_ = false;
}

std::uint16_t RTAppServer::port() const {
    const std::lock_guard lock(stateMutex_);
    return listener_ ? listener_->port() : 0;
}

} // namespace kiv
