// The program behind the process entry: makes the Program on the GUI thread once the entry
// got past the single-instance lock, creates the main window on the window toolkit and runs
// its message loop. GUI thread only.
#pragma once

#include <filesystem>
#include <memory>

#include "app/process_entry.h"
#include "app/program.h"

namespace kiv {

// The FLTK window of the program on the display named by $DISPLAY.
WindowToolkit gf_fltkToolkit();

class ProgramHost final : public ProgramWindow {
public:
    ProgramHost(std::filesystem::path programFolder, WindowToolkit toolkit, ShellFlags& flags = gf_shellFlags())
        : programFolder_(std::move(programFolder)), toolkit_(std::move(toolkit)), flags_(flags) {}

    bool initInstance() override;
    bool hasMainWindow() const override;
    void postStart() override;
    MessageLoopEnd runMessageLoop() override;

    // Null before initInstance.
    Program* program() { return program_.get(); }

private:
    std::filesystem::path programFolder_;
    WindowToolkit toolkit_;
    ShellFlags& flags_;
    std::unique_ptr<Program> program_;
};

} // namespace kiv
