#include "app/gui_link_shell.h"

#include "app/gui.h"
#include "app/support_hint.h"

namespace kiv {

void GuiLinkShell::postSimulationRunning(bool running) {
    gui_.enqueueUpdate(gui_update::SimulatorState{static_cast<std::uint8_t>(running ? 1 : 0)});
}

void GuiLinkShell::postSimulatorText(const std::string& text) {
    gui_.enqueueUpdate(gui_update::SimulatorText{text});
}

void GuiLinkShell::postClearMessage() { gui_.clearMessage(); }
void GuiLinkShell::showMessage(const std::string& text, bool log) { gui_.showMessage(text, log); }
void GuiLinkShell::showError(const std::string& text) { gui_.showError(text); }
void GuiLinkShell::showSupportHint() { gf_showSupportHint(gui_); }
void GuiLinkShell::setUserStand(const std::string& standText) { gui_.setUserStand(standText); }

} // namespace kiv
