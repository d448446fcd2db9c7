#include "app/closing_down.h"

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "app/rt_api_cooldown.h"
#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/scope_exit.h"
#include "foundation/stop_request.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameters_file.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr std::int64_t kSecondNs = 1'000'000'000;
constexpr std::int64_t kHoldPollNs = 100'000'000;
constexpr std::string_view kUnblockSuffix = "              ( or push Unblock to re-start )";

void lf_logStep(std::string_view line) { gf_logLineFlush(line); }

} // namespace

void ClosingDown::run() noexcept {
    try {
        closingDown();
    } catch (...) {
        // Nothing is left to tell: the exit message has been posted by then.
    }
}

void ClosingDown::closingDown() {
    c_.flags.restart.store(false);
    ScopeExit post([this] { postExitOrStart(); });
    try {
        runSteps();
    } catch (const std::exception& e) {
        c_.flags.restart.store(false);
        reportClosingDownError(e.what());
    } catch (...) {
        c_.flags.restart.store(false);
        reportClosingDownError("unknown exception");
    }
}

void ClosingDown::runSteps() {
    const std::shared_ptr<const StopRequest> request = gf_pendingStopRequest();
    const ExitReason reason = request ? request->reason : ExitReason::not_yet_set;
    const std::uint32_t delaySeconds = request ? request->delaySeconds : 0;
    lf_logStep(fmt::format("{} Exiting: {}", gf_timeText(), gf_exitReasonText(reason)));
    if (c_.flags.production.load()) {
        return;
    }
    const bool rtDirect = gf_isRTDirect();
    stopWorkers(rtDirect);

    const bool switchedToDirect =
        !rtDirect && reason == ExitReason::new_settings && param::RT_CHOISE.value == kRtDirect;
    if (rtDirect || switchedToDirect) {
        lf_persistRTAPICooldown(c_.clock, c_.flags);
    }
    if (reason == ExitReason::system_error) {
        holdAfterSystemError();
    }
    saveRunState();
    if (gf_exitReasonRestarts(reason)) {
        prepareRestart(rtDirect, delaySeconds);
    } else {
        clearForExit(rtDirect);
    }
}

void ClosingDown::stopWorkers(bool rtDirect) {
    c_.steps.resetTrafficMailbox();
    std::jthread& simClient = c_.threads.simClient;
    if (simClient.joinable()) {
        simClient.request_stop();
        if (simClient.joinable()) {
            lf_logStep("Shutdown cleanup: waiting for SimClient");
            simClient.join();
            lf_logStep("Shutdown cleanup: SimClient stopped");
        }
    }
    lf_logStep("Shutdown cleanup: stopping readers");
    if (rtDirect) {
        c_.steps.stopRtApiReaders();
    } else {
        c_.steps.stopRtAppReaders();
    }
    c_.threads.weatherReader.request_stop();
    c_.threads.trafficReader.request_stop();
    joinSlot(c_.threads.weatherReader, "weather reader");
    joinSlot(c_.threads.trafficReader, "traffic reader");
    if (rtDirect && c_.steps.rtApiHasSession()) {
        c_.steps.deauthenticate();
        c_.steps.clearRtApiSession();
    }
    // Only now, with the readers joined, may the server's sockets go away under them.
    lf_logStep("Shutdown cleanup: closing RT App server");
    c_.steps.closeRtAppServer();
    lf_logStep("Shutdown cleanup: RT App server closed");
    c_.steps.releaseNetworkLibrary();
}

void ClosingDown::joinSlot(std::jthread& slot, std::string_view name) {
    if (!slot.joinable()) {
        return;
    }
    lf_logStep(fmt::format("Shutdown cleanup: waiting for {}", name));
    slot.join();
    lf_logStep(fmt::format("Shutdown cleanup: {} stopped", name));
}

void ClosingDown::holdAfterSystemError() {
    const std::int64_t start = c_.clock.nowNs();
    while (!gf_isClosing() && c_.clock.nowNs() - start < kSystemErrorHoldNs) {
        c_.clock.sleepUntilNs(c_.clock.nowNs() + kHoldPollNs);
    }
}

void ClosingDown::saveRunState() {
    if (c_.steps.hasParkAirport()) {
        c_.steps.clearParking();
    }
    c_.steps.clearUserAndParkState();
    c_.steps.clearGhostCheckTable();
    c_.steps.removeFlightPlanFolder();

    param::DESTINATION.value.clear();
    gf_storeParameter(param::DESTINATION);
    gf_applyParameter(&param::DESTINATION);

    c_.gui.setSupportHintPending(false);
    c_.steps.clearGhostCheckTexts();
    c_.steps.logLiveryMatchingSummary();
    c_.steps.saveParkAirports();
    c_.steps.logNoMatchList();
}

void ClosingDown::prepareRestart(bool rtDirect, std::uint32_t delaySeconds) {
    c_.flags.restart.store(true);
    c_.gui.enqueueUpdate(gui_update::ClearError{});
    c_.gui.enqueueUpdate(gui_update::ClearMessage{});
    c_.gui.showMessage("Prepare for a restart ...", true);
    if (rtDirect) {
        c_.steps.renewRtApiClient();
    } else {
        c_.steps.resetRtAppReaders();
    }
    if (!restartCountdown(delaySeconds)) {
        c_.flags.restart.store(false);
    }
    if (!c_.flags.restart.load()) {
        return;
    }
    lf_logStep("Restart phase: reinitializing SimConnect state");
    c_.steps.resetSimClientState(param::P3D_VERSION.value);
    lf_logStep("Restart phase: reinitializing traffic state");
    c_.steps.resetTraffic();
    lf_logStep("Restart phase: reinitializing GUI state");
    c_.gui.enqueueUpdate(gui_update::ResetStatus{});
    lf_logStep("Restart phase: reinitializing main state");
    resetMainState();
    lf_logStep("Restart phase: state reinitialization completed");
}

void ClosingDown::clearForExit(bool rtDirect) {
    c_.flags.restart.store(false);
    if (rtDirect && !gf_settings()->keepSimTimePar) {
        for (IntParameter* shift : {&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS, &param::TIME_SHIFT_MINS}) {
            gf_setAndStore(*shift, 0);
        }
        gf_applyParameter(&param::TIME_SHIFT_DAYS);
    }
    // A block never outlives the program run.
    for (StringParameter* block : {&param::BLOCK_AIRCRAFT, &param::BLOCK_CALLSIGN, &param::BLOCK_REGCODE}) {
        if (!block->value.empty()) {
            block->value.clear();
            gf_storeParameter(*block);
        }
    }
    gf_setBlockCallsignUnderscore(false);
    if (param::BLOCK_HEXIDDEC.value > 0) {
        gf_setAndStore(param::BLOCK_HEXIDDEC, 0);
    }
    gf_applyParameter(&param::BLOCK_AIRCRAFT);
}

bool ClosingDown::restartCountdown(std::uint32_t seconds) {
    if (seconds < 1) {
        return !gf_isClosing();
    }
    const bool unblockable = seconds > kUnblockableAfterSeconds;
    if (unblockable) {
        c_.flags.unblockRestart.store(false);
        enableUnblockButton();
    }
    gf_logLine(fmt::format("Restarting after {} seconds", seconds));
    gf_logLine(std::string(48, '-'));
    for (std::uint32_t n = 0;;) {
        if (gf_isClosing()) {
            return false;
        }
        if (unblockable && c_.flags.unblockRestart.load()) {
            return true;
        }
        const std::uint32_t remaining = seconds - n;
        c_.gui.showMessage(fmt::format("Restarting after {} second{}{}", remaining, remaining == 1 ? "" : "s",
                                       unblockable ? kUnblockSuffix : ""),
                           false);
        c_.clock.sleepUntilNs(c_.clock.nowNs() + kSecondNs);
        if (++n == seconds) {
            lf_logStep("Restart countdown finished");
            return !gf_isClosing();
        }
    }
}

void ClosingDown::enableUnblockButton() {
    gf_runOnGuiThread([] {
        if (param::BUTTON_UNBLOCK.hasLiveWindow()) {
            param::BUTTON_UNBLOCK.window->setEnabled(true);
        }
    });
}

void ClosingDown::postExitOrStart() noexcept {
    try {
        if (gf_isClosing()) {
            c_.flags.restart.store(false);
        }
        const bool restart = c_.flags.restart.load();
        lf_logStep(restart ? "Restart cleanup completed; posting MSG_START"
                           : "Shutdown cleanup completed; posting MSG_EXIT");
        c_.gui.postWindowMessage(restart ? platform::WindowMessage::start : platform::WindowMessage::exit);
    } catch (...) {
        // The window is gone or the log failed: there is nobody left to tell.
    }
}

void ClosingDown::resetMainState() {
    gf_clearStopRequest();
    c_.steps.resetRunState();
}

void ClosingDown::reportClosingDownError(std::string_view text) noexcept {
    try {
        const std::string line = fmt::format("lf_closingDown exception: {}", text);
        gf_logImportant(line);
        c_.gui.showMessage(line, true);
    } catch (...) {
        // Reporting must not turn one failure into two.
    }
}

} // namespace kiv
