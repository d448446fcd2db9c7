// A main window without a toolkit: records what the Gui asks of it. Posts may come from any
// thread (counted under a mutex, with a hook for the test's GUI loop); the rest is recorded
// on the GUI thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/window_backend.h"

namespace kiv::test_support {

class FakeWindow : public platform::WindowBackend {
public:
    bool postMessage(platform::WindowMessage message) override {
        std::lock_guard lock(mutex_);
        if (refusePosts) {
            return false;
        }
        messages_.push_back(message);
        if (message == platform::WindowMessage::guiUpdate) {
            ++outstandingWakes_;
            if (outstandingWakes_ > mostOutstandingWakes_) {
                mostOutstandingWakes_ = outstandingWakes_;
            }
        }
        posted_.notify_all();
        return true;
    }
    void invalidate(const platform::PixelRect& rect, bool erase) override { invalidated.emplace_back(rect, erase); }
    void resizeClient(std::int32_t width, std::int32_t height) override { resizes.emplace_back(width, height); }
    void setAlwaysOnTop(bool on) override { topmost.push_back(on); }
    void showControls(bool visible) override { controlsShown.push_back(visible); }

    // The test's GUI loop: waits for an outstanding wake-up (false after `untilDone` says
    // stop and none is left) and takes it, as the message loop would.
    template <typename Done> bool takeWake(Done untilDone) {
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [&] { return outstandingWakes_ > 0 || untilDone(); });
        if (outstandingWakes_ == 0) {
            return false;
        }
        --outstandingWakes_;
        return true;
    }
    // Wakes the test's GUI loop to look at its stop condition again.
    void notifyAll() {
        std::lock_guard lock(mutex_);
        posted_.notify_all();
    }

    std::vector<platform::WindowMessage> messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    int outstandingWakes() {
        std::lock_guard lock(mutex_);
        return outstandingWakes_;
    }
    int mostOutstandingWakes() {
        std::lock_guard lock(mutex_);
        return mostOutstandingWakes_;
    }

    bool refusePosts = false; // set before posting starts
    std::vector<std::pair<platform::PixelRect, bool>> invalidated;
    std::vector<std::pair<std::int32_t, std::int32_t>> resizes;
    std::vector<bool> topmost;
    std::vector<bool> controlsShown;

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::vector<platform::WindowMessage> messages_;
    int outstandingWakes_ = 0;
    int mostOutstandingWakes_ = 0;
};

} // namespace kiv::test_support
