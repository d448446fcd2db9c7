// What closing-down and the restart phases ask of the subsystems around the shell, one call
// per step, in the order closing-down makes them. The program's wiring implements it over the
// real subsystems; tests pass a recording fake. Called on the main worker thread only.
#pragma once

#include <cstdint>

namespace kiv {

class ClosingDownSteps {
public:
    virtual ~ClosingDownSteps() = default;

    // Traffic mailbox: slot empty, delivery flag cleared.
    virtual void resetTrafficMailbox() = 0;
    // Set the stop flags of both RT App UDP readers.
    virtual void stopRtAppReaders() = 0;
    // Set the exit flag of the RT Direct weather reader and wake it, then the traffic reader.
    virtual void stopRtApiReaders() = 0;
    virtual bool rtApiHasSession() = 0;
    // Log out of the RealTraffic HTTPS interface, then drop the login.
    virtual void deauthenticate() = 0;
    virtual void clearRtApiSession() = 0;
    // Close the RT App server's listening and client sockets (the readers are joined by now).
    virtual void closeRtAppServer() = 0;
    // The network library's clean-up (nothing to do where sockets need no library start).
    virtual void releaseNetworkLibrary() = 0;
    // Whether the user and park state holds a park airport (read under its shared lock).
    virtual bool hasParkAirport() = 0;
    // Remove the parked aircraft of the park airport and clear the parking state.
    virtual void clearParking() = 0;
    // Clear the whole user and park state record (under its exclusive lock).
    virtual void clearUserAndParkState() = 0;
    // The traffic side's per-run hash table of spawned aircraft of the ghost check.
    virtual void clearGhostCheckTable() = 0;
    virtual void removeFlightPlanFolder() = 0;
    // The traffic side's per-run list of texts of the ghost check.
    virtual void clearGhostCheckTexts() = 0;
    virtual void logLiveryMatchingSummary() = 0;
    virtual void saveParkAirports() = 0;
    virtual void logNoMatchList() = 0;

    // Restart only: the readers of the source in use back to their start state.
    virtual void resetRtAppReaders() = 0;
    virtual void renewRtApiClient() = 0;
    virtual void resetSimClientState(std::int32_t simulatorVersion) = 0;
    virtual void resetTraffic() = 0;
    // The neighbours' per-run counters and flags back to their start values (per-second
    // flag and seconds counter of the simulator loop, an all-zero user aircraft state, the
    // professional edition flag, the parking requests, the stock airports path).
    virtual void resetRunState() = 0;
};

} // namespace kiv
