#include "app/program_window.h"

#include "foundation/program_identity.h"
#include "platform/fltk_window.h"

namespace kiv {

WindowToolkit gf_fltkToolkit() {
    WindowToolkit toolkit;
    toolkit.openDisplay = [](std::string& error) { return platform::gf_openDisplay({}, error); };
    toolkit.makeWindow = [](std::int32_t x, std::int32_t y, std::int32_t clientHeight,
                            platform::MainWindowEvents& events) {
        return platform::gf_makeMainWindow(std::string(kProgramName), x, y, clientHeight, events);
    };
    toolkit.makeDialogs = [] { return platform::gf_makeWindowDialogs(); };
    toolkit.runMessageLoop = [] { return platform::gf_runMessageLoop(); };
    return toolkit;
}

bool ProgramHost::initInstance() {
    program_ = std::make_unique<Program>(programFolder_, flags_);
    return program_->createMainWindow(toolkit_);
}

bool ProgramHost::hasMainWindow() const { return program_ != nullptr && program_->hasMainWindow(); }

void ProgramHost::postStart() { program_->postStart(); }

MessageLoopEnd ProgramHost::runMessageLoop() {
    const int code = toolkit_.runMessageLoop();
    return {false, code, {}};
}

} // namespace kiv
