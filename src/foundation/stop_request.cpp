#include "foundation/stop_request.h"

#include <array>
#include <atomic>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/log.h"
#include "foundation/program_identity.h"

namespace kiv {
namespace {

struct ReasonRow {
    std::string_view text;
    bool restarts;
};

// Indexed by the reason's code; the restart column is explicit rather than derived from the
// code's bits.
constexpr std::array<ReasonRow, 11> kReasons{{
    {"NOT YET SET", false},
    {"SIM WAS CLOSED", false},
    {"NEW FLIGHT", true},
    {"NEW SETTINGS", true},
    {"USER CLOSED SIM", false},
    {"INSTALL PATH MISSING", false},
    {"SIMCONNECT ERROR", true},
    {"READER ERROR", true},
    {"SYSTEM ERROR", false},
    {"NEW VERSION", false},
    {"TRAFFIC MAILBOX STALLED", false},
}};

const ReasonRow& reasonRow(ExitReason reason) {
    const auto code = static_cast<std::uint32_t>(reason);
    if (code >= kReasons.size()) {
        throw std::out_of_range(fmt::format("exit reason {} is not known", code));
    }
    return kReasons[code];
}

std::atomic<std::shared_ptr<const StopRequest>>& stopSlot() {
    static std::atomic<std::shared_ptr<const StopRequest>> slot;
    return slot;
}

std::atomic<bool> closing{false};

} // namespace

std::string_view gf_exitReasonText(ExitReason reason) { return reasonRow(reason).text; }

bool gf_exitReasonRestarts(ExitReason reason) { return reasonRow(reason).restarts; }

bool gf_installStopRequest(ExitReason reason, std::uint32_t delaySeconds) {
    auto request = std::make_shared<const StopRequest>(StopRequest{reason, delaySeconds});
    std::shared_ptr<const StopRequest> empty;
    return stopSlot().compare_exchange_strong(empty, std::move(request));
}

std::shared_ptr<const StopRequest> gf_pendingStopRequest() { return stopSlot().load(); }

void gf_clearStopRequest() { stopSlot().store(nullptr); }

void gf_setClosing() { closing.store(true); }

bool gf_isClosing() { return closing.load(); }

bool gf_isRunning() { return !closing.load() && stopSlot().load() == nullptr; }

void gf_requestRestart() { gf_installStopRequest(ExitReason::new_flight, 45); }

void gf_stopOnSimulatorLost() {
    if (!gf_isRunning()) {
        return;
    }
    gf_logLine(fmt::format("{} Flight Simulator no longer connected, {} will stop ...", gf_timeText(), kProgramName));
    gf_installStopRequest(ExitReason::sim_was_closed, 0);
}

void gf_resetRunStateForTests() {
    stopSlot().store(nullptr);
    closing.store(false);
}

} // namespace kiv
