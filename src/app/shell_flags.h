// Flags of one program run that the main worker, the GUI thread and the window's buttons
// share: whether closing-down restarts, whether Unblock cuts the countdown short, whether this
// is a command-line job, and the in-memory RT API cooldown. All atomics: any thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace kiv {

struct ShellFlags {
    // Set by closing-down when the reason restarts; read by the window's start handler and by
    // the data-file reading, which skips the update check on a restart.
    std::atomic<bool> restart{false};
    // The Unblock button sets it to end a long restart countdown at once.
    std::atomic<bool> unblockRestart{false};
    // "--production": the run is a command-line job.
    std::atomic<bool> production{false};
    // The process exit code that the exit message ends the message loop with. Written by the
    // main worker before it posts the exit message, read on the GUI thread after it.
    std::atomic<std::int32_t> exitCode{0};
    // Steady-clock time in nanoseconds before which no RT API login may start; 0 = none.
    std::atomic<std::int64_t> rtApiCooldownDeadlineNs{0};
};

// The program's one set of flags.
ShellFlags& gf_shellFlags();

} // namespace kiv
