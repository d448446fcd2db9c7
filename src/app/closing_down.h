// Closing down after a stop request: the worker threads stopped and joined in order, what
// must survive saved, then either the restart (countdown, reset phases, a new start message)
// or the end of the program (an exit message). Runs on the main worker thread; the flags it
// shares with the GUI thread are atomics (shell_flags.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "app/closing_down_steps.h"
#include "app/gui.h"
#include "app/shell_flags.h"
#include "app/worker_threads.h"
#include "traffic/loop_clock.h"

namespace kiv {

// How long a SYSTEM ERROR keeps the window open after the threads are down.
inline constexpr std::int64_t kSystemErrorHoldNs = 25'000'000'000;
// Countdowns longer than this may be cut short with the Unblock button.
inline constexpr std::uint32_t kUnblockableAfterSeconds = 15;

// Everything closing-down works on; all references outlive the ClosingDown object.
struct ShellContext {
    Gui& gui;
    ClosingDownSteps& steps;
    LoopClock& clock;
    WorkerThreads& threads;
    ShellFlags& flags;
};

class ClosingDown {
public:
    explicit ClosingDown(ShellContext context) : c_(context) {}

    // The closing-down sequence, swallowing anything that still leaves it.
    void run() noexcept;
    // The sequence itself; an exception inside is reported and ends the program instead of
    // restarting. However it ends, it posts the start or exit message.
    void closingDown();
    // True: restart now; false: the window is closing.
    bool restartCountdown(std::uint32_t seconds);
    // Posts the start message when restarting, else the exit message.
    void postExitOrStart() noexcept;
    // Restart phase: the stop slot emptied and every per-run value back to its start.
    void resetMainState();
    // Logs (important) and shows "lf_closingDown exception: {}"; never throws.
    void reportClosingDownError(std::string_view text) noexcept;

private:
    void runSteps();
    void stopWorkers(bool rtDirect);
    void joinSlot(std::jthread& slot, std::string_view name);
    void holdAfterSystemError();
    void saveRunState();
    void prepareRestart(bool rtDirect, std::uint32_t delaySeconds);
    void clearForExit(bool rtDirect);
    void enableUnblockButton();

    ShellContext c_;
};

} // namespace kiv
