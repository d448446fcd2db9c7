#include "app/gui_models_shell.h"

#include "app/gui.h"

namespace kiv {

void GuiModelsShell::showMessage(const std::string& text, bool log) { gui_.showMessage(text, log); }
void GuiModelsShell::clearMessage() { gui_.clearMessage(); }
void GuiModelsShell::postLiveryCount(std::uint64_t count) { gui_.enqueueUpdate(gui_update::LiveryCount{count}); }

void GuiModelsShell::postRepaint(std::uint32_t mask) {
    gui_.enqueueUpdate(gui_update::Repaint{static_cast<std::uint8_t>(mask & 0xFFU)});
}

} // namespace kiv
