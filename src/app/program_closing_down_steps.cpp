#include "app/program_closing_down_steps.h"

#include <mutex>

#include "airports/current_park_airport.h"
#include "airports/park_airports.h"
#include "app/program.h"
#include "app/program_source_startup_steps.h"
#include "app/traffic_commands.h"
#include "feeds/rtapp_session.h"
#include "simlink/flight_plan_files.h"
#include "traffic/sim_queues.h"

namespace kiv {

void ProgramClosingDownSteps::resetTrafficMailbox() { gf_resetTrafficMailbox(p_.traffic.mailbox); }

void ProgramClosingDownSteps::stopRtAppReaders() {
    if (RtAppRoad* road = p_.rtApp.get()) {
        road->trafficReader.stop.store(true);
        road->qnhReader.stop.store(true);
    }
}

void ProgramClosingDownSteps::stopRtApiReaders() {
    if (RtDirectRoad* road = p_.rtDirect.get()) {
        road->requestStop();
    }
}

bool ProgramClosingDownSteps::rtApiHasSession() {
    const RtDirectRoad* road = p_.rtDirect.get();
    return road != nullptr && road->connection.hasSession();
}

void ProgramClosingDownSteps::deauthenticate() {
    if (RtDirectRoad* road = p_.rtDirect.get()) {
        kiv::deauthenticate(*road);
    }
}

void ProgramClosingDownSteps::clearRtApiSession() {
    if (RtDirectRoad* road = p_.rtDirect.get()) {
        road->connection.clearSession();
    }
}

void ProgramClosingDownSteps::closeRtAppServer() {
    if (RtAppRoad* road = p_.rtApp.get()) {
        road->server.close();
    }
}

void ProgramClosingDownSteps::releaseNetworkLibrary() {
    // Sockets need no library clean-up on this platform.
}

bool ProgramClosingDownSteps::hasParkAirport() { return !gf_currentParkAirport().icao.text().empty(); }

void ProgramClosingDownSteps::clearParking() { p_.trafficSteps.parking().gf_clearParking(p_.traffic); }

void ProgramClosingDownSteps::clearUserAndParkState() { gf_clearCurrentParkAirport(); }

void ProgramClosingDownSteps::clearGhostCheckTable() { p_.traffic.failedSpawnSet.clear(); }

void ProgramClosingDownSteps::removeFlightPlanFolder() { gf_removeFlightPlanFolder(); }

void ProgramClosingDownSteps::clearGhostCheckTexts() { p_.traffic.removedGhosts.clear(); }

void ProgramClosingDownSteps::logLiveryMatchingSummary() { p_.models.gf_logLiveryMatchingSummary(); }

void ProgramClosingDownSteps::saveParkAirports() { gf_saveMyParkAirportsFile(); }

void ProgramClosingDownSteps::logNoMatchList() { p_.models.gf_logNoMatchList(p_.traffic.secondCount / 1200); }

void ProgramClosingDownSteps::resetRtAppReaders() {
    if (RtAppRoad* road = p_.rtApp.get()) {
        gf_resetTrafficReader(*road);
        gf_resetWeatherReader(*road);
    }
}

void ProgramClosingDownSteps::renewRtApiClient() {
    // The next start makes a new road: a fresh client, transports, stores and counters.
    p_.endSourceRun();
}

void ProgramClosingDownSteps::resetSimClientState(std::int32_t simulatorVersion) {
    p_.simLink.gf_resetSimClientState(static_cast<std::uint32_t>(simulatorVersion));
}

void ProgramClosingDownSteps::resetTraffic() { gf_resetTraffic(p_.traffic); }

void ProgramClosingDownSteps::resetRunState() {
    TrafficState& traffic = p_.traffic;
    traffic.secondSignal.store(false);
    traffic.secondCount = 0;
    gf_setUserAircraftState(traffic, UserAircraftState{});
    p_.feedFlags.isProfessionalEdition.store(false);
    {
        const std::lock_guard lock(traffic.parkingRequests.mutex);
        traffic.parkingRequests.parkingUpdateRequests = 0;
        traffic.parkingRequests.replaceAllRequests = 0;
        traffic.parkingRequests.replaceAllPending = false;
        traffic.parkingRequests.parkingUpdatesHandled = 0;
    }
    traffic.waitingUpdate = {};
    gf_trafficCommandState().resetForRestart();
    p_.scanRunning.store(false);
}

} // namespace kiv
