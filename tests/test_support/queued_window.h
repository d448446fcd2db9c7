// A main window without a toolkit whose message loop runs on the caller's thread: posted
// messages (from any thread) and the user's close are queued and handed to the window's
// events in order, until the window quits. For running the whole program in one process in
// tests and benchmarks; `queuedWindowToolkit` gives the program a toolkit that makes one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/program.h"
#include "platform/datagram_socket.h"
#include "platform/headless_control.h"
#include "platform/main_window.h"
#include "platform/stream_socket.h"

namespace kiv::test_support {

class QueuedWindow final : public platform::MainWindow {
public:
    explicit QueuedWindow(platform::MainWindowEvents& events) : events_(events) {}

    bool postMessage(platform::WindowMessage message) override {
        push([this, message] { events_.onWindowMessage(message); });
        return true;
    }
    void invalidate(const platform::PixelRect&, bool) override {}
    void resizeClient(std::int32_t, std::int32_t) override {}
    void setAlwaysOnTop(bool) override {}
    void showControls(bool) override {}
    platform::Control* createControl(const platform::ControlSpec&) override {
        controls_.push_back(std::make_unique<platform::HeadlessControl>());
        return controls_.back().get();
    }
    std::uint32_t dpi() const override { return 96; }
    platform::PixelRect frame() const override { return {100, 100, 1016, 907}; }
    platform::PixelRect workAreaNear(const platform::PixelRect&) const override { return {0, 0, 1920, 1040}; }
    void moveTo(std::int32_t, std::int32_t) override {}
    void show() override {}
    void quit(int exitCode) override { quitCode_ = exitCode; }

    // Any thread: the user clicks the window's close button.
    void close() {
        push([this] { events_.onClose(); });
    }

    // The message loop; nothing when the window did not quit within `limit`.
    std::optional<int> run(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!quitCode_) {
            std::function<void()> next;
            {
                std::unique_lock lock(mutex_);
                if (!posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
                    return std::nullopt;
                }
                next = std::move(queue_.front());
                queue_.pop_front();
            }
            next();
        }
        return quitCode_;
    }

private:
    void push(std::function<void()> item) {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(item));
        posted_.notify_one();
    }

    platform::MainWindowEvents& events_;
    std::vector<std::unique_ptr<platform::HeadlessControl>> controls_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    std::optional<int> quitCode_;
};

// A toolkit whose window is a QueuedWindow, stored into `window` when made; no dialogs.
inline WindowToolkit queuedWindowToolkit(QueuedWindow*& window) {
    WindowToolkit toolkit;
    toolkit.openDisplay = [](std::string&) { return true; };
    toolkit.makeWindow = [&window](std::int32_t, std::int32_t, std::int32_t, platform::MainWindowEvents& events) {
        auto made = std::make_unique<QueuedWindow>(events);
        window = made.get();
        return std::unique_ptr<platform::MainWindow>(std::move(made));
    };
    toolkit.makeDialogs = [] { return std::unique_ptr<platform::WindowDialogs>(); };
    return toolkit;
}

// Loopback ports free at the moment of asking (0 when none could be had).
inline std::uint16_t freeTcpPort() {
    platform::SocketError error;
    std::optional<platform::StreamListener> listener =
        platform::StreamListener::listenTcp(platform::IpFamily::ipv4, "127.0.0.1", 0, error);
    return listener ? listener->port() : 0;
}

inline std::uint16_t freeUdpPort() {
    platform::SocketError error;
    std::optional<platform::DatagramSocket> socket = platform::DatagramSocket::open(error);
    return socket && socket->bind("", 0, error) ? socket->localPort() : 0;
}

} // namespace kiv::test_support
