// The FLTK main window, its controls, canvas, messages and dialogs.
#include "platform/fltk_window.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Box.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include "foundation/text_conversion.h"
#include "platform/png_file.h"

namespace kiv::platform {
namespace {

constexpr Fl_Font kNormalFont = FL_FREE_FONT;
constexpr Fl_Font kBoldFont = static_cast<Fl_Font>(FL_FREE_FONT + 1);
constexpr double kLayoutWidth = 900.0;
// 12 point at 96 dpi.
constexpr double kFontPixels = 16.0;

std::thread::id guiThread;
int loopExitCode = 0;
std::vector<std::uint8_t> savedImage;
std::int32_t savedWidth = 0;
std::int32_t savedHeight = 0;

Fl_Color toFl(Colour c) { return fl_rgb_color(colourRed(c), colourGreen(c), colourBlue(c)); }

std::int32_t scaled(std::int32_t value, std::uint32_t dpi) {
    const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
    return static_cast<std::int32_t>((product + (product >= 0 ? 48 : -48)) / 96);
}

// Draws in units scaled by `scale`, offset by the widget's origin.
class FltkCanvas final : public PaintCanvas {
public:
    FltkCanvas(double scale, int originX, int originY) : scale_(scale), x0_(originX), y0_(originY) {}

    void fillRect(const PixelRect& r, Colour colour) override {
        fl_rectf(x(r.left), y(r.top), x(r.right) - x(r.left), y(r.bottom) - y(r.top), toFl(colour));
    }
    void frameRect(const PixelRect& r, Colour colour) override {
        fl_color(toFl(colour));
        fl_rect(x(r.left), y(r.top), x(r.right) - x(r.left), y(r.bottom) - y(r.top));
    }
    void line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
              std::int32_t width) override {
        fl_color(toFl(colour));
        fl_line_style(FL_SOLID, std::max(1, static_cast<int>(std::lround(width * scale_))));
        fl_line(x(x1), y(y1), x(x2), y(y2));
        fl_line_style(0);
    }
    void text(std::int32_t tx, std::int32_t ty, std::u16string_view text, Colour colour, bool bold) override {
        std::string utf8;
        try {
            utf8 = wide_to_utf8(text);
        } catch (...) {
            return;
        }
        fl_font(bold ? kBoldFont : kNormalFont, static_cast<Fl_Fontsize>(std::lround(kFontPixels * scale_)));
        fl_color(toFl(colour));
        fl_draw(utf8.c_str(), x(tx), y(ty) + fl_height() - fl_descent());
    }

private:
    int x(std::int32_t v) const { return x0_ + static_cast<int>(std::lround(v * scale_)); }
    int y(std::int32_t v) const { return y0_ + static_cast<int>(std::lround(v * scale_)); }

    double scale_;
    int x0_;
    int y0_;
};

class FltkMainWindow;

// A check box that the program draws and toggles itself: a click is only reported.
class OwnerCheckBox final : public Fl_Widget {
public:
    OwnerCheckBox(int x, int y, int w, int h, MainWindowEvents& events, std::uint16_t id)
        : Fl_Widget(x, y, w, h), events_(events), id_(id) {}
    void draw() override {
        FltkCanvas canvas(1.0, x(), y());
        events_.onPaintCheckBox(canvas, w(), h(), checked, active_r() != 0);
    }
    int handle(int event) override {
        switch (event) {
        case FL_PUSH:
            return active_r() != 0 ? 1 : 0;
        case FL_RELEASE:
            if (Fl::event_inside(this) != 0) {
                events_.onCommand(id_, ControlEvent::clicked);
            }
            return 1;
        default:
            return Fl_Widget::handle(event);
        }
    }
    bool checked = false;

private:
    MainWindowEvents& events_;
    std::uint16_t id_;
};

// The destination box: Enter is reported and swallowed.
class EnterInput final : public Fl_Input {
public:
    EnterInput(int x, int y, int w, int h, MainWindowEvents& events) : Fl_Input(x, y, w, h), events_(events) {}
    int handle(int event) override {
        if (event == FL_KEYBOARD && (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter)) {
            events_.onDestinationEnter();
            return 1;
        }
        return Fl_Input::handle(event);
    }

private:
    MainWindowEvents& events_;
};

// One control behind the Control interface.
class FltkControl final : public Control {
public:
    FltkControl(ControlKind kind, Fl_Widget* widget) : kind_(kind), widget_(widget) {}

    bool isLive() const override { return widget_ != nullptr; }
    void resetList() override {
        items_.clear();
        rebuildMenu();
    }
    void addItem(std::string_view text) override {
        items_.emplace_back(text);
        rebuildMenu();
    }
    std::size_t itemCount() const override { return items_.size(); }
    void selectIndex(std::ptrdiff_t index) override {
        if (auto* choice = asChoice()) {
            const bool inList = index >= 0 && static_cast<std::size_t>(index) < items_.size();
            choice->value(inList ? static_cast<int>(index) : -1);
            choice->redraw();
        }
    }
    std::ptrdiff_t selectByPrefix(std::string_view prefix) override {
        const std::ptrdiff_t found = findItemByPrefix(items_, prefix);
        if (found >= 0) {
            selectIndex(found);
        }
        return found;
    }
    std::ptrdiff_t selectedIndex() const override {
        if (const auto* choice = asChoice()) {
            const int value = choice->value();
            return value >= 0 && static_cast<std::size_t>(value) < items_.size() ? value : -1;
        }
        return -1;
    }
    void setChecked(bool checked) override {
        if (kind_ == ControlKind::checkBox) {
            static_cast<OwnerCheckBox*>(widget_)->checked = checked;
            widget_->redraw();
        }
    }
    bool isChecked() const override {
        return kind_ == ControlKind::checkBox && static_cast<OwnerCheckBox*>(widget_)->checked;
    }
    void setEnabled(bool enabled) override {
        if (enabled) {
            widget_->activate();
        } else {
            widget_->deactivate();
        }
        widget_->redraw();
    }
    bool isEnabled() const override { return widget_->active() != 0; }
    void setText(std::string_view text) override {
        if (kind_ == ControlKind::editBox) {
            static_cast<Fl_Input*>(widget_)->value(std::string(text).c_str());
        } else if (kind_ == ControlKind::comboBox) {
            const auto found = std::find(items_.begin(), items_.end(), text);
            if (found != items_.end()) {
                selectIndex(found - items_.begin());
            }
        }
    }
    std::string text() const override {
        if (kind_ == ControlKind::editBox) {
            const char* value = static_cast<Fl_Input*>(widget_)->value();
            return value != nullptr ? value : "";
        }
        const std::ptrdiff_t index = selectedIndex();
        return index >= 0 ? items_[static_cast<std::size_t>(index)] : std::string();
    }

    Fl_Widget* widget() const { return widget_; }

private:
    Fl_Choice* asChoice() const { return kind_ == ControlKind::comboBox ? static_cast<Fl_Choice*>(widget_) : nullptr; }
    // Labels are taken verbatim: the menu is built from items, not parsed from paths.
    void rebuildMenu() {
        Fl_Choice* choice = asChoice();
        if (choice == nullptr) {
            return;
        }
        const int selected = choice->value();
        menu_.assign(items_.size() + 1, Fl_Menu_Item{});
        for (std::size_t i = 0; i < items_.size(); ++i) {
            menu_[i].text = items_[i].c_str();
            menu_[i].labelfont_ = kNormalFont;
            menu_[i].labelsize_ = choice->textsize();
        }
        choice->menu(menu_.data());
        choice->value(selected >= 0 && static_cast<std::size_t>(selected) < items_.size() ? selected : -1);
        choice->redraw();
    }

    ControlKind kind_;
    Fl_Widget* widget_;
    std::vector<std::string> items_;
    std::vector<Fl_Menu_Item> menu_;
};

class FltkMainWindow;
FltkMainWindow* theWindow = nullptr;

class WindowWidget final : public Fl_Double_Window {
public:
    WindowWidget(int w, int h, const char* title, MainWindowEvents& events)
        : Fl_Double_Window(w, h, title), events_(events) {}
    void draw() override {
        FltkCanvas canvas(w() / kLayoutWidth, 0, 0);
        events_.onPaint(canvas);
        draw_children();
    }
    int handle(int event) override {
        if (event == FL_PUSH && Fl::event_button() == FL_LEFT_MOUSE) {
            const int handled = Fl_Double_Window::handle(event);
            if (handled == 0) {
                events_.onLeftButtonDown(Fl::event_x(), Fl::event_y());
                return 1;
            }
            return handled;
        }
        return Fl_Double_Window::handle(event);
    }

private:
    MainWindowEvents& events_;
};

struct PostedMessage {
    WindowMessage message;
};

class FltkMainWindow final : public MainWindow {
public:
    FltkMainWindow(const std::string& title, std::int32_t x, std::int32_t y, std::int32_t clientHeight,
                   MainWindowEvents& events)
        : title_(title), events_(events), dpi_(gf_screenDpi()) {
        widget_ = std::make_unique<WindowWidget>(scaled(900, dpi_), scaled(clientHeight, dpi_), title_.c_str(), events);
        widget_->end();
        widget_->position(x, y);
        widget_->callback(&FltkMainWindow::closeCallback, this);
        theWindow = this;
    }
    ~FltkMainWindow() override {
        if (theWindow == this) {
            theWindow = nullptr;
        }
        widget_->hide();
    }

    bool postMessage(WindowMessage message) override {
        auto* posted = new PostedMessage{message};
        if (Fl::awake(&FltkMainWindow::deliver, posted) != 0) {
            delete posted;
            return false;
        }
        return true;
    }
    void invalidate(const PixelRect& rect, bool) override {
        widget_->damage(FL_DAMAGE_ALL, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    }
    void resizeClient(std::int32_t width, std::int32_t height) override {
        widget_->size_range(width, height, width, height);
        widget_->size(width, height);
        widget_->redraw();
    }
    void setAlwaysOnTop(bool on) override {
        if (!widget_->shown()) {
            return;
        }
        Display* display = fl_display;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = fl_xid(widget_.get());
        event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = on ? 1 : 0;
        event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_ABOVE", False));
        event.xclient.data.l[2] = 0;
        event.xclient.data.l[3] = 1;
        XSendEvent(display, RootWindow(display, fl_screen), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        XFlush(display);
    }
    void showControls(bool visible) override {
        for (const auto& control : controls_) {
            if (visible) {
                control->widget()->show();
            } else {
                control->widget()->hide();
            }
        }
        widget_->redraw();
    }
    Control* createControl(const ControlSpec& spec) override {
        const int x = scaled(spec.rect.left, dpi_);
        const int y = scaled(spec.rect.top, dpi_);
        const int w = scaled(spec.rect.right - spec.rect.left, dpi_);
        const int h = scaled(spec.rect.bottom - spec.rect.top, dpi_);
        const auto fontSize = static_cast<Fl_Fontsize>(std::lround(kFontPixels * dpi_ / 96.0 * 0.85));
        widget_->begin();
        Fl_Widget* made = nullptr;
        const std::uint16_t id = spec.id;
        switch (spec.kind) {
        case ControlKind::checkBox:
            made = new OwnerCheckBox(x, y, w, h, events_, id);
            break;
        case ControlKind::comboBox: {
            auto* choice = new Fl_Choice(x, y, w, h);
            choice->textfont(kNormalFont);
            choice->textsize(fontSize);
            choice->box(FL_DOWN_BOX);
            choice->callback(&FltkMainWindow::selected, reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)));
            choice->when(FL_WHEN_CHANGED);
            made = choice;
            break;
        }
        case ControlKind::editBox: {
            auto* input = new EnterInput(x, y, w, h, events_);
            input->textfont(kNormalFont);
            input->textsize(fontSize);
            made = input;
            break;
        }
        case ControlKind::button: {
            auto* button = new Fl_Button(x, y, w, h);
            button->copy_label(spec.caption.c_str());
            button->labelfont(kNormalFont);
            button->labelsize(fontSize);
            button->callback(&FltkMainWindow::clicked, reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)));
            made = button;
            break;
        }
        }
        widget_->end();
        if (made == nullptr) {
            return nullptr;
        }
        controls_.push_back(std::make_unique<FltkControl>(spec.kind, made));
        return controls_.back().get();
    }
    std::uint32_t dpi() const override { return dpi_; }
    PixelRect frame() const override {
        return {widget_->x(), widget_->y(), widget_->x() + widget_->decorated_w(),
                widget_->y() + widget_->decorated_h()};
    }
    PixelRect workAreaNear(const PixelRect& rect) const override {
        int x = 0;
        int y = 0;
        int w = 0;
        int h = 0;
        Fl::screen_work_area(x, y, w, h, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        return {x, y, x + w, y + h};
    }
    void moveTo(std::int32_t x, std::int32_t y) override { widget_->position(x, y); }
    void show() override {
        widget_->size_range(widget_->w(), widget_->h(), widget_->w(), widget_->h());
        widget_->show();
    }
    void quit(int exitCode) override {
        loopExitCode = exitCode;
        quitting_ = true;
        widget_->hide();
    }

    WindowWidget& widget() { return *widget_; }
    std::size_t childCount(bool visibleOnly) const {
        std::size_t count = 0;
        for (const auto& control : controls_) {
            if (!visibleOnly || control->widget()->visible() != 0) {
                ++count;
            }
        }
        return count;
    }
    MainWindowEvents& events() { return events_; }

private:
    static void deliver(void* data) {
        const WindowMessage message = static_cast<PostedMessage*>(data)->message;
        delete static_cast<PostedMessage*>(data);
        if (theWindow != nullptr) {
            theWindow->events_.onWindowMessage(message);
        }
    }
    static void closeCallback(Fl_Widget*, void* data) {
        // Escape does not close the window; the close button asks the program to stop.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
            return;
        }
        static_cast<FltkMainWindow*>(data)->events_.onClose();
    }
    static void clicked(Fl_Widget*, void* data) {
        if (theWindow != nullptr) {
            theWindow->events_.onCommand(static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(data)),
                                         ControlEvent::clicked);
        }
    }
    static void selected(Fl_Widget*, void* data) {
        if (theWindow != nullptr) {
            theWindow->events_.onCommand(static_cast<std::uint16_t>(reinterpret_cast<std::uintptr_t>(data)),
                                         ControlEvent::selectionChanged);
        }
    }

    std::string title_;
    MainWindowEvents& events_;
    std::uint32_t dpi_;
    std::unique_ptr<WindowWidget> widget_;
    std::vector<std::unique_ptr<FltkControl>> controls_;
    bool quitting_ = false;
};

// Runs `task` on the GUI thread and waits for it; at once when called there.
void runOnGuiThread(const std::function<void()>& task) {
    if (std::this_thread::get_id() == guiThread) {
        task();
        return;
    }
    struct Call {
        const std::function<void()>* task;
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    } call{&task, {}, {}, false};
    Fl::awake(
        [](void* data) {
            auto* c = static_cast<Call*>(data);
            (*c->task)();
            std::lock_guard lock(c->mutex);
            c->finished = true;
            c->done.notify_all();
        },
        &call);
    std::unique_lock lock(call.mutex);
    call.done.wait(lock, [&] { return call.finished; });
}

class FltkDialogs final : public WindowDialogs {
public:
    void messageBox(std::string_view text, std::string_view caption, MessageIcon icon) override {
        const std::string body(text);
        const std::string title(caption);
        runOnGuiThread([&] {
            fl_message_title(title.c_str());
            if (icon == MessageIcon::none) {
                fl_message_icon()->label("");
            } else {
                fl_message_icon()->label(icon == MessageIcon::stop ? "X" : "!");
            }
            fl_message("%s", body.c_str());
        });
    }
    std::optional<std::filesystem::path> pickFolder(const std::filesystem::path& initial) override {
        std::optional<std::filesystem::path> result;
        runOnGuiThread([&] {
            Fl_Native_File_Chooser chooser;
            chooser.type(Fl_Native_File_Chooser::BROWSE_DIRECTORY);
            chooser.options(Fl_Native_File_Chooser::NEW_FOLDER);
            const std::string start = initial.string();
            if (!start.empty()) {
                chooser.directory(start.c_str());
            }
            if (chooser.show() == 0 && chooser.filename() != nullptr) {
                result = std::filesystem::path(chooser.filename());
            }
        });
        return result;
    }
    std::optional<std::string> promptText(std::string_view title, std::string_view label,
                                          std::size_t maxLength) override {
        std::optional<std::string> result;
        const std::string caption(title);
        const std::string prompt(label);
        runOnGuiThread([&] {
            Fl_Double_Window dialog(420, 110, caption.c_str());
            Fl_Box text(10, 5, 400, 25, prompt.c_str());
            text.align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT);
            Fl_Input input(10, 35, 400, 28);
            input.maximum_size(static_cast<int>(maxLength));
            Fl_Return_Button ok(230, 72, 85, 28, "OK");
            Fl_Button cancel(325, 72, 85, 28, "Cancel");
            dialog.end();
            dialog.set_modal();
            int answer = 0;
            ok.callback([](Fl_Widget*, void* data) { *static_cast<int*>(data) = 1; }, &answer);
            cancel.callback([](Fl_Widget*, void* data) { *static_cast<int*>(data) = 2; }, &answer);
            dialog.callback([](Fl_Widget*, void* data) { *static_cast<int*>(data) = 2; }, &answer);
            dialog.show();
            while (answer == 0 && dialog.shown() != 0) {
                Fl::wait();
            }
            if (answer == 1 && input.value() != nullptr && input.value()[0] != '\0') {
                result = std::string(input.value());
            }
        });
        return result;
    }
};

} // namespace

bool gf_openDisplay(const std::string& name, std::string& error) {
    if (fl_display != nullptr) {
        return true;
    }
    std::string display = name;
    if (display.empty()) {
        const char* fromEnvironment = std::getenv("DISPLAY");
        display = fromEnvironment != nullptr ? fromEnvironment : "";
    }
    if (display.empty()) {
        error = "no DISPLAY is set";
        return false;
    }
    Display* probe = XOpenDisplay(display.c_str());
    if (probe == nullptr) {
        error = "cannot open display " + display;
        return false;
    }
    XCloseDisplay(probe);
    Fl::display(display.c_str());
    fl_open_display();
    guiThread = std::this_thread::get_id();
    Fl::lock(); // posting from other threads
    // Xft names: the first character is the weight (" " normal, "B" bold).
    Fl::set_font(kNormalFont, " DejaVu Sans");
    Fl::set_font(kBoldFont, "BDejaVu Sans");
    Fl::visible_focus(0);
    return true;
}

std::uint32_t gf_screenDpi() {
    float h = 0.0F;
    float v = 0.0F;
    Fl::screen_dpi(h, v);
    if (!(v > 20.0F && v < 1000.0F)) {
        return 96;
    }
    return static_cast<std::uint32_t>(std::lround(v));
}

std::unique_ptr<MainWindow> gf_makeMainWindow(const std::string& title, std::int32_t x, std::int32_t y,
                                              std::int32_t clientHeight, MainWindowEvents& events) {
    if (fl_display == nullptr) {
        return nullptr;
    }
    return std::make_unique<FltkMainWindow>(title, x, y, clientHeight, events);
}

int gf_runMessageLoop() {
    Fl::run();
    return loopExitCode;
}

void gf_pumpMessages() {
    for (int round = 0; round < 20; ++round) {
        Fl::check();
        Fl::flush();
        if (fl_display != nullptr) {
            XSync(fl_display, False);
        }
    }
}

std::unique_ptr<WindowDialogs> gf_makeWindowDialogs() { return std::make_unique<FltkDialogs>(); }

bool gf_saveClientImage(MainWindow& window, const std::filesystem::path& file) {
    auto& main = static_cast<FltkMainWindow&>(window);
    WindowWidget& widget = main.widget();
    if (widget.shown() == 0) {
        return false;
    }
    widget.redraw();
    gf_pumpMessages();
    // A busy X server may map, resize or expose the window late: wait until it is viewable
    // at its size and nothing is left to draw (at most some 5 s).
    for (int round = 0; round < 250; ++round) {
        XWindowAttributes attributes{};
        const bool ready = XGetWindowAttributes(fl_display, fl_xid(&widget), &attributes) != 0 &&
                           attributes.map_state == IsViewable && attributes.width == widget.w() &&
                           attributes.height == widget.h() && widget.damage() == 0;
        if (ready) {
            break;
        }
        Fl::wait(0.02);
        Fl::flush();
        XSync(fl_display, False);
    }
    widget.redraw();
    gf_pumpMessages();
    widget.make_current();
    const int w = widget.w();
    const int h = widget.h();
    // Reads the window as it shows now (the double buffer has been copied to it).
    std::unique_ptr<uchar[]> pixels(fl_read_image(nullptr, 0, 0, w, h));
    if (!pixels) {
        return false;
    }
    savedImage.assign(pixels.get(), pixels.get() + static_cast<std::ptrdiff_t>(w) * h * 3);
    savedWidth = w;
    savedHeight = h;
    return gf_writeRgbPng(file, savedImage.data(), w, h);
}

std::uint32_t gf_savedPixel(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= savedWidth || y >= savedHeight) {
        return 0xFFFFFFFF;
    }
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(savedWidth) + x) * 3;
    return savedImage[at] | (savedImage[at + 1] << 8) | (static_cast<std::uint32_t>(savedImage[at + 2]) << 16);
}

void gf_clickClient(MainWindow& window, std::int32_t x, std::int32_t y) {
    auto& main = static_cast<FltkMainWindow&>(window);
    Fl::e_x = x;
    Fl::e_y = y;
    Fl::e_x_root = main.widget().x() + x;
    Fl::e_y_root = main.widget().y() + y;
    Fl::e_keysym = FL_Button + FL_LEFT_MOUSE;
    main.widget().handle(FL_PUSH);
    main.widget().handle(FL_RELEASE);
    gf_pumpMessages();
}

std::size_t gf_childCount(MainWindow& window, bool visibleOnly) {
    return static_cast<FltkMainWindow&>(window).childCount(visibleOnly);
}

} // namespace kiv::platform
