// The models subsystem's shell over the main window: the message line, the livery count and
// repaints, posted to the GUI update queue. Called from the main worker.
#pragma once

#include <cstdint>
#include <string>

#include "models/models_shell.h"

namespace kiv {

class Gui;

class GuiModelsShell final : public ModelsShell {
public:
    explicit GuiModelsShell(Gui& gui) : gui_(gui) {}

    void showMessage(const std::string& text, bool log) override;
    void clearMessage() override;
    void postLiveryCount(std::uint64_t count) override;
    void postRepaint(std::uint32_t mask) override;

private:
    Gui& gui_;
};

} // namespace kiv
