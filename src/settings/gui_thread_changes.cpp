#include "settings/gui_thread_changes.h"

#include <deque>
#include <iterator>
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

    // Puts changes that did not run yet back ahead of any posted meanwhile, and wakes the
    // GUI thread again for them.
    void putBack(std::deque<GuiChange> changes) {
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex_);
            changes.insert(changes.end(), std::make_move_iterator(pending_.begin()),
                           std::make_move_iterator(pending_.end()));
            pending_ = std::move(changes);
            if (!pending_.empty()) {
                notify = notify_;
            }
        }
        if (notify) {
            notify();
        }
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
    const std::size_t count = changes.size();
    while (!changes.empty()) {
        // Popped before it runs: a change that throws is dropped, the later ones are kept.
        GuiChange change = std::move(changes.front());
        changes.pop_front();
        try {
            change();
        } catch (...) {
            queue().putBack(std::move(changes));
            throw;
        }
    }
    return count;
}

void gf_setGuiChangeNotifier(std::function<void()> notify) { queue().setNotifier(std::move(notify)); }

} // namespace kiv
