#include "app/gui_scan_shell.h"

#include <string>

#include "app/gui.h"
#include "app/main_window_controls.h"
#include "app/support_hint.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_table.h"

namespace kiv {

void GuiScanShell::showMessage(std::string_view text, bool log) { gui_.showMessage(std::string(text), log); }
void GuiScanShell::clearMessage() { gui_.clearMessage(); }
void GuiScanShell::showSupportHint() { gf_showSupportHint(gui_); }
void GuiScanShell::setSupportHintFlag(bool set) { gui_.setSupportHintPending(set); }
bool GuiScanShell::supportHintFlag() const { return gui_.supportHintPending(); }
void GuiScanShell::postSimaddonCount(std::uint64_t count) { gui_.enqueueUpdate(gui_update::SimaddonCount{count}); }

void GuiScanShell::postThirdPartyCount(std::uint64_t count) {
    gui_.enqueueUpdate(gui_update::ThirdPartyCount{count});
}

void GuiScanShell::repaint(std::uint32_t mask) {
    gui_.enqueueUpdate(gui_update::Repaint{static_cast<std::uint8_t>(mask & 0xFFU)});
}

void GuiScanShell::enableSkipAirportScanCheckBox(bool enable) {
    gf_runOnGuiThread([enable] { gf_enableControl(param::SKIP_AIRPORT_SCAN, enable); });
}

void GuiScanShell::enableTbloButton(bool enable) {
    gf_runOnGuiThread([enable] { gf_enableControl(param::BUTTON_TBLO, enable); });
}

} // namespace kiv
