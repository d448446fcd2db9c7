#include "settings/gui_thread_changes.h"

#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace kiv {
namespace {

class GuiChangeQueue {
public:
    void registerThread(std::optional<std::thread::id> id) {
        std::lock_guard lock(mutex_);
        guiThread_ = id;
    }

    bool onGuiThread() {
        std::lock_guard lock(mutex_);
        return !guiThread_ || *guiThread_ == std::this_thread::get_id();
    }

    void post(GuiChange change) {
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(std::move(change));
            notify = notify_;
        }
        if (notify) {
            notify();
        }
    }

    std::deque<GuiChange> takeAll() {
        std::lock_guard lock(mutex_);
        return std::exchange(pending_, {});
    }

    void setNotifier(std::function<void()> notify) {
        std::lock_guard lock(mutex_);
        notify_ = std::move(notify);
    }

private:
    std::mutex mutex_;
    std::optional<std::thread::id> guiThread_;
    std::deque<GuiChange> pending_;
    std::function<void()> notify_;
};

GuiChangeQueue& queue() {
    static GuiChangeQueue instance;
    return instance;
}

} // namespace

void gf_registerGuiThread() { queue().registerThread(std::this_thread::get_id()); }
void gf_unregisterGuiThread() { queue().registerThread(std::nullopt); }
bool gf_onGuiThread() { return queue().onGuiThread(); }

void gf_runOnGuiThread(GuiChange change) {
    if (gf_onGuiThread()) {
        change();
        return;
    }
    queue().post(std::move(change));
}

std::size_t gf_completeGuiChanges() {
    // Taken out first so that a change may post further changes without deadlock.
    std::deque<GuiChange> changes = queue().takeAll();
    for (GuiChange& change : changes) {
        change();
    }
    return changes.size();
}

void gf_setGuiChangeNotifier(std::function<void()> notify) { queue().setNotifier(std::move(notify)); }

} // namespace kiv
