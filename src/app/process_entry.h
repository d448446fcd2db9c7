// The process entry on the GUI thread: the single-instance lock, the command line, the data
// folder, the main window, the first start message and the message loop whose end code becomes
// the process exit code. Everything later is driven by window messages. The window toolkit is
// reached through ProgramWindow; tests pass a recording fake. First thread of the process only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/shell_flags.h"

namespace kiv {

inline constexpr std::string_view kProductionOption = "--production";
// What the entry returns when another instance holds the lock (255 as a process status).
inline constexpr int kSecondInstanceExitCode = -1;
// The exit code of a command-line job that did not complete.
inline constexpr std::int32_t kJobFailedExitCode = 1;

// How the GUI thread's message loop ended.
struct MessageLoopEnd {
    bool failed = false;    // the toolkit's loop itself failed
    std::int32_t code = 0;  // the quit code when it did not
    std::string errorText;  // the toolkit's error when it did
};

// What the entry asks of the window toolkit.
class ProgramWindow {
public:
    virtual ~ProgramWindow() = default;
    // Creates the main window (it also loads the settings); false when that failed.
    virtual bool initInstance() = 0;
    virtual bool hasMainWindow() const = 0;
    // Posts the start message to the main window.
    virtual void postStart() = 0;
    // Runs until the loop is told to quit.
    virtual MessageLoopEnd runMessageLoop() = 0;
};

// Engaged (true) when any argument after the program path is "--production", in any case.
std::optional<bool> gf_productionOption(std::span<const std::string> arguments);

// The lock file of the instance that uses `dataFolder`: one per user and data folder, in the
// user's run-time folder.
std::filesystem::path gf_instanceLockPath(const std::filesystem::path& dataFolder);

// The body of the entry: command line, data folder, window, start message, message loop.
// Returns the loop's quit code; a command-line job returns its own exit code instead, 1 until
// the job completed. A start-up failure returns 0 (1 for a command-line job).
int gf_runProgram(std::span<const std::string> arguments, const std::filesystem::path& dataFolder,
                  ProgramWindow& window, ShellFlags& flags);

// The entry point: -1 at once, touching nothing, when another instance holds `lockFile`;
// otherwise gf_runProgram with every exception caught and logged. The lock is held until the
// function returns, which is the end of the program.
int gf_processEntry(std::span<const std::string> arguments, const std::filesystem::path& dataFolder,
                    const std::filesystem::path& lockFile, ProgramWindow& window, ShellFlags& flags);

} // namespace kiv
