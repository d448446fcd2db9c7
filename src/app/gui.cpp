#include "app/gui.h"

#include <cstdio>
#include <exception>
#include <utility>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/user_message.h"
#include "settings/gui_thread_changes.h"

namespace kiv {
namespace {

// Failures of the queue itself have no user to tell; the standard error stream stands in
// for the debugger channel.
void lf_debugOutput(const char* text) noexcept { std::fputs(text, stderr); }

} // namespace

Gui::Gui(const LoopClock& clock) : clock_(clock) {}

Gui::~Gui() { closeUpdateQueue(); }

void Gui::enqueueUpdate(GuiUpdate&& update) {
    if (closing_.load()) {
        return;
    }
    if (guiThread_.load() == std::this_thread::get_id()) {
        try {
            repaint(applyUpdate(std::move(update)));
        } catch (...) {
            lf_debugOutput("Gui::applyUpdate failed\n");
        }
        return;
    }
    try {
        std::lock_guard lock(queueMutex_);
        if (closing_.load()) {
            return;
        }
        queue_.push_back(std::move(update));
        // Posted under the mutex so that detachWindow cannot pull the window away meanwhile.
        wakeLocked();
    } catch (...) {
        lf_debugOutput("Gui::enqueueUpdate failed\n");
    }
}

void Gui::wakeLocked() {
    platform::WindowBackend* window = window_.load();
    if (window == nullptr) {
        return; // drained when the window is attached
    }
    if (!pending_.exchange(true) && !window->postMessage(platform::WindowMessage::guiUpdate)) {
        pending_.store(false);
    }
}

void Gui::wakeGuiThread() {
    try {
        std::lock_guard lock(queueMutex_);
        if (!closing_.load()) {
            wakeLocked();
        }
    } catch (...) {
        lf_debugOutput("Gui::enqueueUpdate failed\n");
    }
}

bool Gui::postWindowMessage(platform::WindowMessage message) {
    std::lock_guard lock(queueMutex_);
    platform::WindowBackend* window = window_.load();
    return window != nullptr && window->postMessage(message);
}

void Gui::setTrafficSourceText(std::string text) { enqueueUpdate(gui_update::TrafficSourceText{std::move(text)}); }

void Gui::setParkAirportInfo(bool hasFile, std::string_view text) {
    enqueueUpdate(gui_update::ParkAirportInfo{hasFile, std::string(text)});
}

void Gui::setStaticFitHidden(bool hidden) {
    staticFitHiddenShared_.store(hidden);
    enqueueUpdate(gui_update::StaticFitHidden{hidden});
}

void Gui::repaintStatus() { enqueueUpdate(gui_update::Repaint{kRepaintStatus}); }
void Gui::repaintSettings() { enqueueUpdate(gui_update::Repaint{kRepaintSettings}); }
void Gui::repaintParking() { enqueueUpdate(gui_update::Repaint{kRepaintParking}); }

void Gui::setPublisher(std::string text, bool handmade) {
    enqueueUpdate(gui_update::Publisher{std::move(text), handmade});
}

void Gui::setLiveFit(float fit) { enqueueUpdate(gui_update::LiveFit{fit}); }
void Gui::setUserStand(std::string text) { enqueueUpdate(gui_update::UserStand{std::move(text)}); }
void Gui::showError(std::string_view text) { enqueueUpdate(gui_update::Error{std::string(text)}); }
void Gui::showMessage(std::string text, bool log) { enqueueUpdate(gui_update::Message{std::move(text), log}); }

void Gui::clearMessage() {
    if (supportHintPending_.load()) {
        std::function<void()> action;
        {
            std::lock_guard lock(supportHintMutex_);
            action = supportHintAction_;
        }
        if (action) {
            action();
            return;
        }
    }
    enqueueUpdate(gui_update::ClearMessage{});
}

void Gui::setSupportHintAction(std::function<void()> action) {
    std::lock_guard lock(supportHintMutex_);
    supportHintAction_ = std::move(action);
}

void Gui::beginWindowCreation() {
    guiThread_.store(std::this_thread::get_id());
    closing_.store(false);
    gf_registerGuiThread();
}

void Gui::attachWindow(platform::WindowBackend& window, std::uint32_t dpi) {
    dpi_ = dpi;
    {
        std::lock_guard lock(queueMutex_);
        window_.store(&window);
        if (!queue_.empty()) {
            pending_.store(true);
            if (!window.postMessage(platform::WindowMessage::guiUpdate)) {
                pending_.store(false);
            }
        }
    }
    // Control changes asked for while the window was being made found nobody to wake.
    try {
        gf_completeGuiChanges();
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("GUI change failed: {}", e.what()));
    }
}

void Gui::detachWindow() {
    std::lock_guard lock(queueMutex_);
    window_.store(nullptr);
}

void Gui::drainUpdates() {
    std::deque<GuiUpdate> local;
    {
        std::lock_guard lock(queueMutex_);
        local.swap(queue_);
        pending_.store(false);
    }
    std::uint8_t mask = 0;
    for (GuiUpdate& update : local) {
        try {
            mask |= applyUpdate(std::move(update));
        } catch (...) {
            lf_debugOutput("Gui::applyUpdate failed\n");
        }
    }
    repaint(mask);
    try {
        gf_completeGuiChanges();
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("GUI change failed: {}", e.what()));
    }
}

void Gui::closeUpdateQueue() {
    closing_.store(true);
    std::lock_guard lock(queueMutex_);
    queue_.clear();
    pending_.store(false);
}

Gui& gf_gui() {
    static SteadyLoopClock clock;
    static Gui gui(clock);
    return gui;
}

void gf_routeSharedPostsTo(Gui& gui) {
    gf_setGuiChangeNotifier([&gui] { gui.wakeGuiThread(); });
    gf_setUserMessageHandler([&gui](std::string_view text, bool log) { gui.showMessage(std::string(text), log); });
}

} // namespace kiv
