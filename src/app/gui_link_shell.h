// The simulator link's shell over the main window: the simulator status, the message and
// error lines and the user's stand, all posted to the GUI update queue. SimClient thread.
#pragma once

#include <string>

#include "simlink/link_shell.h"

namespace kiv {

class Gui;

class GuiLinkShell final : public LinkShell {
public:
    explicit GuiLinkShell(Gui& gui) : gui_(gui) {}

    void postSimulationRunning(bool running) override;
    void postSimulatorText(const std::string& text) override;
    void postClearMessage() override;
    void showMessage(const std::string& text, bool log) override;
    void showError(const std::string& text) override;
    void showSupportHint() override;
    void setUserStand(const std::string& standText) override;

private:
    Gui& gui_;
};

} // namespace kiv
