// What the application shell asks of the toolkit behind the main window: wake the GUI thread
// with one of the window's own messages, invalidate a band, resize, keep on top, show or hide
// the controls. The toolkit layer owns the window; postMessage may be called from any thread,
// everything else only from the GUI thread.
#pragma once

#include <cstdint>

namespace kiv::platform {

// A rectangle in client pixels; right and bottom are exclusive.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The window's own messages: start the main worker, end the message loop, drain the
// GUI update queue.
enum class WindowMessage { start, exit, guiUpdate };

class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    // Queues the message for the GUI thread; false when it could not be queued.
    virtual bool postMessage(WindowMessage message) = 0;
    // Marks the rectangle for repainting; with `erase` the background is cleared first.
    virtual void invalidate(const PixelRect& rect, bool erase) = 0;
    // Gives the client area this size without moving the window, changing its stacking order
    // or activating it, and repaints all of it with erasing.
    virtual void resizeClient(std::int32_t width, std::int32_t height) = 0;
    // Puts the window into the topmost band or out of it, without moving or sizing it.
    virtual void setAlwaysOnTop(bool on) = 0;
    // Shows or hides every control of the main window.
    virtual void showControls(bool visible) = 0;

protected:
    WindowBackend() = default;
    WindowBackend(const WindowBackend&) = default;
    WindowBackend& operator=(const WindowBackend&) = default;
};

} // namespace kiv::platform
