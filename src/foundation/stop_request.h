// The one shared stop slot: any thread may ask the program to stop (first request wins) and
// every worker loop polls gf_isRunning. The slot is an atomic shared pointer to an immutable
// record; the closing flag is set once when the user closes the main window. Any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace kiv {

enum class ExitReason : std::uint32_t {
    not_yet_set = 0,
    sim_was_closed = 1,
    new_flight = 2,
    new_settings = 3,
    user_closed_sim = 4,
    install_path_missing = 5,
    simconnect_error = 6,
    reader_error = 7,
    system_error = 8,
    new_version = 9,
    traffic_mailbox_stalled = 10,
};

struct StopRequest {
    ExitReason reason = ExitReason::not_yet_set;
    std::uint32_t delaySeconds = 0; // wait before a restart
};

// "NOT YET SET" .. "TRAFFIC MAILBOX STALLED"; throws std::out_of_range outside the table.
std::string_view gf_exitReasonText(ExitReason reason);
// NEW FLIGHT, NEW SETTINGS, SIMCONNECT ERROR and READER ERROR restart; every other reason
// ends the program. Throws std::out_of_range outside the table.
bool gf_exitReasonRestarts(ExitReason reason);

// Installs the request when no stop is pending; false (and nothing changes) otherwise.
bool gf_installStopRequest(ExitReason reason, std::uint32_t delaySeconds);
// The pending request, empty while none is.
std::shared_ptr<const StopRequest> gf_pendingStopRequest();
// Empties the slot (the restart phase that resets the main state).
void gf_clearStopRequest();

// The user closed the main window: set once, never cleared while the process runs.
void gf_setClosing();
bool gf_isClosing();

// True while no stop is pending and the window is not closing.
bool gf_isRunning();

// NEW FLIGHT with a restart after 45 s (the simulator loaded another flight).
void gf_requestRestart();
// While running: logs that the simulator is gone and installs SIM WAS CLOSED.
void gf_stopOnSimulatorLost();

// Tests only: empties the slot and clears the closing flag.
void gf_resetRunStateForTests();

} // namespace kiv
