// The program's main window as the application shell drives it: its controls, placement on
// the screen, message loop end, and the events it reports back (painting, commands, clicks,
// closing, its own messages). The toolkit layer implements MainWindow and calls the
// MainWindowEvents it was given, on the GUI thread. Dialogs owned by the window may be asked
// for from any thread: they run on the GUI thread and the caller waits for the answer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/control.h"
#include "platform/paint_canvas.h"
#include "platform/window_backend.h"

namespace kiv::platform {

enum class ControlKind : std::uint8_t { checkBox, comboBox, editBox, button };

// One child control: its place and size in 96-dpi layout units (for a combo box the closed
// field; the open list is `dropDownHeight` high), and a button's caption.
struct ControlSpec {
    ControlKind kind = ControlKind::button;
    std::uint16_t id = 0;
    PixelRect rect;
    std::int32_t dropDownHeight = 0;
    std::string caption;
};

// What a control reports: a click on a button or check box, a new selection in a list.
enum class ControlEvent : std::uint8_t { clicked, selectionChanged };

class MainWindowEvents {
public:
    virtual ~MainWindowEvents() = default;
    // Paint the whole client area, in layout units.
    virtual void onPaint(PaintCanvas& canvas) = 0;
    // Paint an owner-drawn check box of w x h pixels.
    virtual void onPaintCheckBox(PaintCanvas& canvas, std::int32_t width, std::int32_t height, bool checked,
                                 bool enabled) = 0;
    // A control reported an event; false when nobody handled it.
    virtual bool onCommand(std::uint16_t id, ControlEvent event) = 0;
    // Enter was typed in the destination edit box (the key itself is swallowed).
    virtual void onDestinationEnter() = 0;
    // A left click in the client area, in pixels.
    virtual void onLeftButtonDown(std::int32_t x, std::int32_t y) = 0;
    // The user asked to close the window; the window stays open.
    virtual void onClose() = 0;
    virtual void onWindowMessage(WindowMessage message) = 0;

protected:
    MainWindowEvents() = default;
    MainWindowEvents(const MainWindowEvents&) = default;
    MainWindowEvents& operator=(const MainWindowEvents&) = default;
};

class MainWindow : public WindowBackend {
public:
    // Creates a child control at its layout place scaled to the window's DPI; null when it
    // could not be made. The window owns it.
    virtual Control* createControl(const ControlSpec& spec) = 0;
    virtual std::uint32_t dpi() const = 0;
    // The outer window rectangle in screen pixels.
    virtual PixelRect frame() const = 0;
    // The work area of the screen nearest to `rect` (screen pixels).
    virtual PixelRect workAreaNear(const PixelRect& rect) const = 0;
    // Moves the window's outer top-left corner without sizing or activating it.
    virtual void moveTo(std::int32_t x, std::int32_t y) = 0;
    virtual void show() = 0;
    // Ends the message loop with this exit code.
    virtual void quit(int exitCode) = 0;
};

enum class MessageIcon : std::uint8_t { none, warning, stop };

class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;
    // A modal box with an OK button.
    virtual void messageBox(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
    // A modal folder picker that starts at `initial` (when not empty); nothing when cancelled.
    virtual std::optional<std::filesystem::path> pickFolder(const std::filesystem::path& initial) = 0;
    // A modal prompt with one edit field of at most `maxLength` characters and OK / Cancel;
    // the text after OK, nothing after Cancel or close.
    virtual std::optional<std::string> promptText(std::string_view title, std::string_view label,
                                                  std::size_t maxLength) = 0;

protected:
    WindowDialogs() = default;
    WindowDialogs(const WindowDialogs&) = default;
    WindowDialogs& operator=(const WindowDialogs&) = default;
};

} // namespace kiv::platform
