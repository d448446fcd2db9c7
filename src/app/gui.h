// The main-window object: the queue of GUI updates that any thread posts, the status values
// the window paints, and the toolkit window behind platform::WindowBackend. Any thread may
// post (enqueueUpdate and the posting helpers) and post window messages; applying, draining,
// repainting and everything that touches the window run on the GUI thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "app/gui_status.h"
#include "app/gui_update.h"
#include "app/paint_canvas.h"
#include "platform/window_backend.h"
#include "traffic/loop_clock.h"

namespace kiv {

// How long a message stays on the message line.
inline constexpr std::int64_t kMessageLifetimeNs = 25'000'000'000;

class Gui {
public:
    // `clock` times the message expiry; it must outlive the object.
    explicit Gui(const LoopClock& clock);
    virtual ~Gui();
    Gui(const Gui&) = delete;
    Gui& operator=(const Gui&) = delete;

    // Any thread. On the GUI thread the update is applied and painted at once; elsewhere it
    // is queued and the GUI thread woken, with at most one wake-up outstanding. Dropped
    // silently once the queue is closed; never throws.
    void enqueueUpdate(GuiUpdate&& update);

    // Posting helpers (any thread), one alternative each.
    void setTrafficSourceText(std::string text);
    void setParkAirportInfo(bool hasFile, std::string_view text);
    // Writes the shared flag on the calling thread first, then posts the GUI's copy.
    void setStaticFitHidden(bool hidden);
    void repaintStatus();
    void repaintSettings();
    void repaintParking();
    void setPublisher(std::string text, bool handmade);
    void setLiveFit(float fit);
    void setUserStand(std::string text);
    void showError(std::string_view text);
    void showMessage(std::string text, bool log);
    // Empties the message line, unless a learning archive waits to be mailed: then the
    // support-hint action runs instead (when one is installed).
    void clearMessage();

    // The static-fit-hidden flag as the traffic side reads it (any thread).
    bool staticFitHiddenShared() const { return staticFitHiddenShared_.load(); }
    // Set while a learning archive waits to be mailed (any thread).
    void setSupportHintPending(bool pending) { supportHintPending_.store(pending); }
    bool supportHintPending() const { return supportHintPending_.load(); }
    // What clearMessage does while the support hint is pending; set once at start-up.
    void setSupportHintAction(std::function<void()> action);

    // Any thread: posts one of the window's own messages; false without a window or when
    // the toolkit refused it.
    bool postWindowMessage(platform::WindowMessage message);
    bool hasWindow() const { return window_.load() != nullptr; }
    // Wakes the GUI thread for work queued elsewhere (the settings' control changes).
    void wakeGuiThread();

    // GUI thread. Window creation: begin records the calling thread as the GUI thread and
    // reopens the queue; attach makes the window known and shows what was posted before.
    void beginWindowCreation();
    void attachWindow(platform::WindowBackend& window, std::uint32_t dpi);
    // The window is gone; nothing more is painted or posted to it.
    void detachWindow();
    // On the window's guiUpdate message: applies everything queued, in order, under one repaint,
    // then runs the settings' queued control changes.
    void drainUpdates();
    // Stores the update's payload and returns its repaint mask.
    std::uint8_t applyUpdate(GuiUpdate update);
    // Invalidates the bands of the mask, or resizes the window for bit 16.
    void repaint(std::uint8_t mask);
    // Closes the queue for good: empties it, and later posts are dropped.
    void closeUpdateQueue();
    void showChildWindows(bool collapsed);
    // Back to the values of a fresh start (not the counts of the scans); returns 15.
    std::uint8_t resetStatus();
    void setDpi(std::uint32_t dpi) { dpi_ = dpi; }
    std::uint32_t dpi() const { return dpi_; }

    // GUI thread: what the window paints.
    const GuiStatus& status() const { return status_; }

    // Draws UTF-8 text with its top-left corner at (x, y - 3); text that is not valid UTF-8
    // is logged and not drawn.
    static void drawText(PaintCanvas& dc, std::int32_t x, std::int32_t y, std::string_view text, Colour colour,
                         bool bold);

private:
    friend struct GuiApplier;

    std::uint8_t applyMessage(std::string text, bool log);
    std::uint8_t applyError(std::string text);
    void emptyMessageLine();
    platform::WindowBackend* window() const { return window_.load(); }
    // Under the queue mutex: posts the wake-up unless one is outstanding.
    void wakeLocked();

    const LoopClock& clock_;
    GuiStatus status_;
    std::uint32_t dpi_ = 96;

    std::mutex queueMutex_;
    std::deque<GuiUpdate> queue_;
    std::atomic<bool> pending_{false};
    std::atomic<bool> closing_{false};
    std::atomic<std::thread::id> guiThread_{};
    std::atomic<platform::WindowBackend*> window_{nullptr};

    std::atomic<bool> staticFitHiddenShared_{false};
    std::atomic<bool> supportHintPending_{false};
    std::mutex supportHintMutex_;
    std::function<void()> supportHintAction_;
};

// The program's one Gui, on the steady clock.
Gui& gf_gui();

// Routes the foundation's user messages and the settings' control-change wake-ups to `gui`.
void gf_routeSharedPostsTo(Gui& gui);

} // namespace kiv
