// What the simulator link asks of the application shell beyond the stop slot: the main
// window's simulator status, its message and error lines and the user's stand. The shell
// implements it (posting to the GUI thread); tests pass a recording fake. Called from the
// SimClient thread only.
#pragma once

#include <string>

namespace kiv {

class LinkShell {
public:
    virtual ~LinkShell() = default;
    // The status band's simulation-running flag.
    virtual void postSimulationRunning(bool running) = 0;
    // The simulator's name as it introduced itself.
    virtual void postSimulatorText(const std::string& text) = 0;
    // Clears the message line (or shows the support hint once the fatal-error flag is set).
    virtual void postClearMessage() = 0;
    // The message line for 25 s; with `log` set the text is also logged.
    virtual void showMessage(const std::string& text, bool log) = 0;
    // The sticky red error line.
    virtual void showError(const std::string& text) = 0;
    virtual void showSupportHint() = 0;
    // The user's stand; the empty text when there is none.
    virtual void setUserStand(const std::string& standText) = 0;
};

} // namespace kiv
