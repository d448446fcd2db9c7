// The main window's procedure: painting, the Compact/Expand click, closing, the window's own
// messages, and the dispatch of every button, check box and list of the settings panel to a
// stored setting, a new settings snapshot, a request to another part or a restart.
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/main_window_controls.h"
#include "app/main_window_paint.h"
#include "platform/main_window.h"

namespace kiv {

// The selected index and text of a list after a selection change.
struct ComboSelection {
    std::ptrdiff_t index = -1;
    std::string text;
};
std::optional<ComboSelection> lf_getComboSelection(std::uint16_t id, platform::ControlEvent event);

// Each true when it handled the command.
bool lf_handleButtons(const WindowContext& context, std::uint16_t id);
bool lf_handleCheckBoxes(const WindowContext& context, std::uint16_t id);
bool lf_handleSelections(const WindowContext& context, std::uint16_t id, platform::ControlEvent event);
// The three in order; a standard exception from a handler is logged and the command counts
// as not handled.
bool lf_HandleWMCOMMAND(const WindowContext& context, std::uint16_t id, platform::ControlEvent event);

class MainWindowProcedure final : public platform::MainWindowEvents {
public:
    // `facts` gathers what painting needs of the neighbours.
    MainWindowProcedure(WindowContext context, std::function<PaintFacts()> facts)
        : context_(context), facts_(std::move(facts)) {}

    void onPaint(platform::PaintCanvas& canvas) override;
    void onPaintCheckBox(platform::PaintCanvas& canvas, std::int32_t width, std::int32_t height, bool checked,
                         bool enabled) override;
    bool onCommand(std::uint16_t id, platform::ControlEvent event) override;
    void onDestinationEnter() override;
    void onLeftButtonDown(std::int32_t x, std::int32_t y) override;
    void onClose() override;
    void onWindowMessage(platform::WindowMessage message) override;

    const WindowContext& context() const { return context_; }

private:
    void onStart();
    void onExit();

    WindowContext context_;
    std::function<PaintFacts()> facts_;
};

} // namespace kiv
