#include "app/gui_airports_shell.h"

#include <utility>

#include "app/gui.h"
#include "app/main_window_controls.h"
#include "settings/gui_thread_changes.h"

namespace kiv {

void GuiAirportsShell::showMessage(std::string_view text, bool log) { gui_.showMessage(std::string(text), log); }
void GuiAirportsShell::postStandCount(std::uint64_t count) { gui_.enqueueUpdate(gui_update::StandCount{count}); }

void GuiAirportsShell::postQualityText(std::string text) {
    gui_.enqueueUpdate(gui_update::QualityText{std::move(text)});
}

void GuiAirportsShell::setPublisher(std::string text, bool handmade) { gui_.setPublisher(std::move(text), handmade); }
void GuiAirportsShell::repaintParking() { gui_.repaintParking(); }

void GuiAirportsShell::postParkAirport(std::optional<IcaoCode> code) {
    if (code && code->empty()) {
        code.reset();
    }
    gui_.enqueueUpdate(gui_update::ParkAirport{code});
}

void GuiAirportsShell::updateParkingControls() {
    gf_runOnGuiThread([this] { gf_updateParkingControls({gui_, windowPorts_}); });
}

void GuiAirportsShell::updateControlsForRtParkedOnly() {
    gf_runOnGuiThread([this] { gf_updateControlsForRtParkedOnly({gui_, windowPorts_}); });
}

void GuiAirportsShell::updateControlsForAutoPark() {
    gf_runOnGuiThread([this] { gf_updateControlsForAutoPark({gui_, windowPorts_}); });
}

} // namespace kiv
