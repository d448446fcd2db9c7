#include "platform/x11_remote.h"

#include <cstdint>
#include <memory>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/png_file.h"

namespace kiv::platform {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

DisplayHandle openDisplay(const std::string& name, std::string& error) {
    DisplayHandle display(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
    if (!display) {
        error = "cannot open display '" + name + "'";
    }
    return display;
}

std::string titleOf(Display* display, Window window) {
    char* name = nullptr;
    std::string title;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

// Depth-first over the tree below `window` (a window manager puts its frames between the
// root and the program's window); 0 when no mapped window has the title.
Window findWindow(Display* display, Window window, const std::string& title, int depth) {
    XWindowAttributes attributes;
    if (window != DefaultRootWindow(display) &&
        (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable)) {
        return 0;
    }
    if (window != DefaultRootWindow(display) && titleOf(display, window).find(title) != std::string::npos) {
        return window;
    }
    if (depth == 0) {
        return 0;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = count; i > 0 && found == 0; --i) { // the topmost first
        found = findWindow(display, children[i - 1], title, depth - 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

int channelShift(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1UL) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

bool gf_grabWindow(const std::string& displayName, const std::string& title, const std::filesystem::path& file,
                   std::string& error) {
    DisplayHandle display = openDisplay(displayName, error);
    if (!display) {
        return false;
    }
    Window window = DefaultRootWindow(display.get());
    if (!title.empty()) {
        window = findWindow(display.get(), window, title, 3);
        if (window == 0) {
            error = "no window titled '" + title + "'";
            return false;
        }
    }
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display.get(), window, &attributes) == 0) {
        error = "cannot read the window's size";
        return false;
    }
    XImage* image = XGetImage(display.get(), window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        error = "cannot read the window's pixels";
        return false;
    }
    const int width = attributes.width;
    const int height = attributes.height;
    const int redShift = channelShift(image->red_mask);
    const int greenShift = channelShift(image->green_mask);
    const int blueShift = channelShift(image->blue_mask);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            rgb[at++] = static_cast<std::uint8_t>((pixel & image->red_mask) >> redShift);
            rgb[at++] = static_cast<std::uint8_t>((pixel & image->green_mask) >> greenShift);
            rgb[at++] = static_cast<std::uint8_t>((pixel & image->blue_mask) >> blueShift);
        }
    }
    XDestroyImage(image);
    if (!gf_writeRgbPng(file, rgb.data(), width, height)) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

bool gf_windowShown(const std::string& displayName, const std::string& title, std::string& error) {
    DisplayHandle display = openDisplay(displayName, error);
    return display && findWindow(display.get(), DefaultRootWindow(display.get()), title, 3) != 0;
}

bool gf_askWindowToClose(const std::string& displayName, const std::string& title, std::string& error) {
    DisplayHandle display = openDisplay(displayName, error);
    if (!display) {
        return false;
    }
    const Window window = findWindow(display.get(), DefaultRootWindow(display.get()), title, 3);
    if (window == 0) {
        error = "no window titled '" + title + "'";
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display.get(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display.get(), window, False, NoEventMask, &event);
    XFlush(display.get());
    return true;
}

bool gf_clickWindow(const std::string& displayName, const std::string& title, int x, int y, std::string& error) {
    DisplayHandle display = openDisplay(displayName, error);
    if (!display) {
        return false;
    }
    Display* d = display.get();
    const Window window = findWindow(d, DefaultRootWindow(d), title, 3);
    if (window == 0) {
        error = "no window titled '" + title + "'";
        return false;
    }
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), x, y, &rootX, &rootY, &child);
    // The pointer and button events share these fields, each in its own member of the union.
    const auto placeAt = [&](auto& pointer) {
        pointer.window = window;
        pointer.root = DefaultRootWindow(d);
        pointer.x = x;
        pointer.y = y;
        pointer.x_root = rootX;
        pointer.y_root = rootY;
        pointer.same_screen = True;
    };
    // The pointer first moves there, so the toolkit sees the button go down over the control.
    XEvent motion{};
    motion.xmotion.type = MotionNotify;
    placeAt(motion.xmotion);
    XSendEvent(d, window, True, PointerMotionMask, &motion);
    for (const int type : {ButtonPress, ButtonRelease}) {
        XEvent event{};
        event.xbutton.type = type;
        placeAt(event.xbutton);
        event.xbutton.button = Button1;
        event.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
        event.xbutton.time = CurrentTime;
        XSendEvent(d, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        XSync(d, False);
    }
    return true;
}

} // namespace kiv::platform
