#include "simlink/sim_client.h"

#include <thread>
#include <vector>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/user_related_exception.h"
#include "platform/thread_name.h"
#include "platform/timer_resolution.h"
#include "simlink/link_ids.h"

namespace kiv {
namespace {

using namespace std::chrono_literals;
using namespace link_ids;

constexpr auto kOpenRetryDelay = 100ms;
constexpr auto kDispatchPeriod = 1ms;

std::int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void pause(std::chrono::nanoseconds duration) {
    std::this_thread::sleep_until(std::chrono::steady_clock::now() + duration);
}

std::uint32_t hex(Hresult result) { return static_cast<std::uint32_t>(result); }

struct SystemEvent {
    std::uint32_t id;
    const char* symbol;
    const char* name;
};

// Subscribed in this order.
constexpr SystemEvent kSystemEvents[] = {
    {kEventSim, "EVENT_SIM", "Sim"},
    {kEventObjectAdded, "EVENT_OBJECT_ADDED", "ObjectAdded"},
    {kEventObjectRemoved, "EVENT_OBJECT_REMOVED", "ObjectRemoved"},
    {kEventPositionChanged, "EVENT_POSITION_CHANGED", "PositionChanged"},
    {kEventFlightLoaded, "EVENT_FLIGHT_LOADED", "FlightLoaded"},
    {kEventFrame, "EVENT_FRAME", "Frame"},
};

struct DataEntry {
    std::uint32_t definition;
    const char* symbol;
    const char* datum;
    const char* units; // nullptr: none
    std::uint32_t type;
};

// Registered in this order; each definition's entries in the order of its reply layout.
constexpr DataEntry kDataEntries[] = {
    {kDefinitionUserTitle, "DEFINITION_USER_AC_GET_TITLE", "TITLE", nullptr, kDatumStringV},
    {kDefinitionUserModel, "DEFINITION_USER_AC_GET_MODEL", "ATC MODEL", nullptr, kDatumString32},
    {kDefinitionUserOnGround, "DEFINITION_USER_AC_GET_ONGROUND", "SIM ON GROUND", "Bool", kDatumInt64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Plane Latitude", "degree", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Plane Longitude", "degree", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Plane Pitch degrees", "radian", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Plane Bank degrees", "radian", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Plane Heading degrees true", "radian", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Plane Altitude", "feet", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Vertical Speed", "feet per minute", kDatumFloat64},
    {kDefinitionAiPose, "DEFINITION_LATLONPIBAHEALVSTAS", "Airspeed True", "knots", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Latitude", "degree", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Longitude", "degree", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Pitch degrees", "radian", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Bank degrees", "radian", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Vertical Speed", "feet per minute",
     kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Heading degrees true", "radian",
     kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Altitude", "feet", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Indicated Altitude", "feet", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Plane Alt Above Ground", "feet", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "Ground Velocity", "knots", kDatumFloat64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "ZULU TIME", "Seconds", kDatumInt64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "ZULU DAY OF YEAR", "Number", kDatumInt64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "ZULU YEAR", "Number", kDatumInt64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "LIGHT STATES", "Mask", kDatumInt64},
    {kDefinitionUserPosition, "DEFINITION_LATLONPIBAVSHETRALTGSZULI", "GPS Ground True Track", "degree", kDatumFloat64},
    {kDefinitionAiStaticCgAndPitch, "DEFINITION_AI_GET_STATIC_CG_AND_PITCH", "Static CG to Ground", "feet",
     kDatumFloat64},
    {kDefinitionAiStaticCgAndPitch, "DEFINITION_AI_GET_STATIC_CG_AND_PITCH", "Static Pitch", "radian", kDatumFloat64},
    {kDefinitionAiLights, "DEFINITION_AI_LIGHTS", "Light On States", "Mask", kDatumInt64},
    {kDefinitionAiGetPosition, "DEFINITION_AI_GET_POSITION", "Plane Alt Above Ground", "feet", kDatumFloat64},
    {kDefinitionAiGetPosition, "DEFINITION_AI_GET_POSITION", "Ground Altitude", "feet", kDatumFloat64},
    {kDefinitionAiGetPosition, "DEFINITION_AI_GET_POSITION", "SIM ON GROUND", "Bool", kDatumInt64},
    {kDefinitionAiSetAtcId, "DEFINITION_AI_SET_ATC_ID", "ATC ID", nullptr, kDatumString32},
    {kDefinitionReverseThrust, "DEFINITION_REVERSE_THRUST", "SPOILERS HANDLE POSITION", "percent", kDatumFloat64},
    {kDefinitionReverseThrust, "DEFINITION_REVERSE_THRUST", "GENERAL ENG THROTTLE LEVER POSITION:1", "percent",
     kDatumFloat64},
    {kDefinitionReverseThrust, "DEFINITION_REVERSE_THRUST", "GENERAL ENG THROTTLE LEVER POSITION:2", "percent",
     kDatumFloat64},
};

const char* datumTypeName(std::uint32_t type) {
    switch (type) {
    case kDatumInt64:
        return "SIMCONNECT_DATATYPE_INT64";
    case kDatumString32:
        return "SIMCONNECT_DATATYPE_STRING32";
    case kDatumStringV:
        return "SIMCONNECT_DATATYPE_STRINGV";
    default:
        return "SIMCONNECT_DATATYPE_FLOAT64";
    }
}

struct ClientEventName {
    std::uint32_t id;
    const char* name;
};

// Mapped in this order.
constexpr ClientEventName kClientEvents[] = {
    {kEventGearSet, "GEAR_SET"},
    {kEventEngineAutoStart, "ENGINE_AUTO_START"},
    {kEventEngineAutoShutdown, "ENGINE_AUTO_SHUTDOWN"},
    {kEventThrottleSet, "THROTTLE_SET"},
    {kEventFlapsSet, "FLAPS_SET"},
    {kEventSpoilersSet, "SPOILERS_SET"},
    {kEventNavLightsSet, "NAV_LIGHTS_SET"},
    {kEventBeaconLightsSet, "BEACON_LIGHTS_SET"},
    {kEventLandingLightsSet, "LANDING_LIGHTS_SET"},
    {kEventTaxiLightsSet, "TAXI_LIGHTS_SET"},
    {kEventStrobesSet, "STROBES_SET"},
    {kEventLogoLightsSet, "LOGO_LIGHTS_SET"},
    {kEventCabinLightsSet, "CABIN_LIGHTS_SET"},
    {kEventAllLightsToggle, "ALL_LIGHTS_TOGGLE"},
    {kEventFreezeLatitudeLongitudeSet, "FREEZE_LATITUDE_LONGITUDE_SET"},
    {kEventFreezeAltitudeSet, "FREEZE_ALTITUDE_SET"},
    {kEventFreezeAttitudeSet, "FREEZE_ATTITUDE_SET"},
};

// Added to the notification group in this order.
constexpr std::uint32_t kGroupEvents[] = {
    kEventNavLightsSet,      kEventBeaconLightsSet,
    kEventLandingLightsSet,  kEventTaxiLightsSet,
    kEventStrobesSet,        kEventLogoLightsSet,
    kEventCabinLightsSet,    kEventAllLightsToggle,
    kEventFlapsSet,          kEventSpoilersSet,
    kEventGearSet,           kEventEngineAutoShutdown,
    kEventThrottleSet,       kEventFreezeLatitudeLongitudeSet,
    kEventFreezeAltitudeSet, kEventFreezeAttitudeSet,
};

const char* clientEventName(std::uint32_t id) {
    for (const ClientEventName& event : kClientEvents) {
        if (event.id == id) {
            return event.name;
        }
    }
    return "?";
}

bool noteSetupResult(Hresult result, const std::string& call) {
    if (result >= 0) {
        return true;
    }
    gf_logLine(fmt::format("SimConnect setup failed: {} (hr=0x{:08X})", call, hex(result)));
    return false;
}

} // namespace

SimClient::SimClient(SimLink& link, SimConnectCalls& calls, LinkShell& shell, LinkNeighbours& neighbours,
                     SimClientOptions options)
    : link_(link), calls_(calls), shell_(shell), neighbours_(neighbours), options_(std::move(options)) {
    if (!options_.nowNs) {
        options_.nowNs = steadyNowNs;
    }
}

bool SimClient::lf_simClientSetup() {
    bool ok = true;
    for (const SystemEvent& event : kSystemEvents) {
        ok &= noteSetupResult(
            calls_.subscribeToSystemEvent(event.id, event.name),
            fmt::format("SimConnect_SubscribeToSystemEvent(l_hsimconnect, {}, \"{}\")", event.symbol, event.name));
    }
    for (const DataEntry& entry : kDataEntries) {
        ok &= noteSetupResult(calls_.addToDataDefinition(entry.definition, entry.datum, entry.units, entry.type, 0.0f,
                                                         simconnect::kUnused),
                              fmt::format("SimConnect_AddToDataDefinition(l_hsimconnect, {}, \"{}\", {}, {})",
                                          entry.symbol, entry.datum,
                                          entry.units != nullptr ? fmt::format("\"{}\"", entry.units) : "nullptr",
                                          datumTypeName(entry.type)));
    }
    for (const ClientEventName& event : kClientEvents) {
        ok &= noteSetupResult(calls_.mapClientEventToSimEvent(event.id, event.name),
                              fmt::format("SimConnect_MapClientEventToSimEvent(l_hsimconnect, EVENT_{}, \"{}\")",
                                          event.name, event.name));
    }
    for (const std::uint32_t id : kGroupEvents) {
        ok &= noteSetupResult(
            calls_.addClientEventToNotificationGroup(kGroupTrafficApp, id, 1),
            fmt::format(
                "SimConnect_AddClientEventToNotificationGroup(l_hsimconnect, GROUP_TRAFFIC_APP, EVENT_{}, TRUE)",
                clientEventName(id)));
    }
    ok &= noteSetupResult(calls_.setNotificationGroupPriority(kGroupTrafficApp, kGroupPriorityHighest),
                          "SimConnect_SetNotificationGroupPriority(l_hsimconnect, GROUP_TRAFFIC_APP, "
                          "SIMCONNECT_GROUP_PRIORITY_HIGHEST)");
    return ok;
}

void SimClient::run(std::stop_token stop) {
    platform::setCurrentThreadName("SimClient");
    bool timerRaised = false;
    try {
        bool waitingShown = false;
        while (keepRunning(stop)) {
            closeSession();
            resetSession();
            if (!openSession(waitingShown)) {
                pause(kOpenRetryDelay);
                continue;
            }
            if (!lf_simClientSetup()) {
                link_.setSimulatorState(kSimulatorNone);
                closeSession();
                pause(kOpenRetryDelay);
                continue;
            }
            timerRaised = platform::beginTimerResolution1ms();
            runSession(stop);
            if (timerRaised) {
                platform::endTimerResolution1ms();
                timerRaised = false;
            }
        }
        if (calls_.isOpen() && !session_.quitSeen && link_.simulatorState() != kSimulatorShuttingDown) {
            lf_simClientShutdown();
        }
    } catch (...) {
        onThreadException(std::current_exception(), stop);
    }
    if (timerRaised) {
        platform::endTimerResolution1ms();
    }
    endOfThread();
}

bool SimClient::keepRunning(const std::stop_token& stop) const { return gf_isRunning() && !stop.stop_requested(); }

void SimClient::resetSession() {
    session_ = SessionTables{};
    playback_.clear();
    batch_.clear();
    userTitle_.clear();
    dispatchException_ = nullptr;
}

void SimClient::closeSession() {
    if (!calls_.isOpen()) {
        return;
    }
    gf_logLine(calls_.close() == simconnect::kS_OK ? "SimConnect closed ok" : "Closing SimConnect failed?!");
}

bool SimClient::openSession(bool& waitingShown) {
    if (calls_.open(kSimClientName) == simconnect::kS_OK && calls_.isOpen()) {
        return true;
    }
    if (!waitingShown) {
        waitingShown = true;
        if (neighbours_.airportScanCancelled()) {
            shell_.showSupportHint();
        } else {
            const std::string text = fmt::format("Waiting for Prepar3Dv{} ...", link_.majorVersion());
            gf_logLine(text);
            shell_.showMessage(text, false);
        }
    }
    return false;
}

void SimClient::runSession(std::stop_token& stop) {
    while (true) {
        const Hresult result = calls_.callDispatch(&SimClient::dispatchThunk, this);
        if (std::exception_ptr failure = takeDispatchException()) {
            std::rethrow_exception(failure);
        }
        if (result < 0) {
            gf_logLine(fmt::format("SimConnect dispatch failed; hr=0x{:08X} ({}); reconnecting ...", hex(result),
                                   calls_.describe(result)));
            logPoseDiagnostics();
            link_.setSimulatorState(kSimulatorNone);
            shell_.postSimulationRunning(false);
            closeSession();
            return;
        }
        if (stop.stop_requested() || !gf_isRunning() || session_.quitSeen) {
            return;
        }
        pause(kDispatchPeriod);
    }
}

void SimClient::dispatchThunk(const std::uint8_t* message, std::uint32_t size, void* context) {
    if (message == nullptr || context == nullptr) {
        return;
    }
    auto* client = static_cast<SimClient*>(context);
    if (client->dispatchException_) {
        return; // the session ends with the first failure; later messages do not count
    }
    try {
        client->lf_simClientDispatch(MessageBytes(message, size));
    } catch (...) {
        client->dispatchException_ = std::current_exception();
    }
}

std::exception_ptr SimClient::takeDispatchException() { return std::exchange(dispatchException_, nullptr); }

void SimClient::onThreadException(std::exception_ptr failure, const std::stop_token& stop) {
    try {
        std::rethrow_exception(failure);
    } catch (const UserRelatedException& error) {
        const std::string text = error.what();
        gf_logImportant(fmt::format("SimClient exception: {}", text));
        shell_.showError(text.starts_with("2024") ? fmt::format("MSFS and {} do not match", kSimClientName) : text);
        const auto until = std::chrono::steady_clock::now() + options_.userErrorPause;
        while (!stop.stop_requested() && std::chrono::steady_clock::now() < until) {
            pause(10ms);
        }
    } catch (const std::exception& error) {
        gf_logImportant(fmt::format("SimClient exception: {}", error.what()));
        shell_.showError(error.what());
    } catch (...) {
        gf_logImportant("SimClient exception: non-standard exception");
        shell_.showError(fmt::format("Exception in {}", "SimClient"));
    }
    link_.setSimulatorState(kSimulatorNone);
    gf_stopOnSimulatorLost();
}

void SimClient::endOfThread() {
    userStandCheck();
    link_.setSimulatorState(kSimulatorNone);
    closeSession();
}

void SimClient::lf_simClientShutdown() {
    session_.shutdown = true;
    link_.commands().clear();
    link_.poses().dropAll();
    const std::size_t initiallyOwned = session_.owned.size();
    std::size_t requested = 0;
    const std::vector<std::uint32_t> owned(session_.owned.begin(), session_.owned.end());
    for (const std::uint32_t objectId : owned) {
        session_.removalPending.insert(objectId);
        if (calls_.aiRemoveObject(objectId, kRequestAiRemoveObject) < 0) {
            session_.removalPending.erase(objectId);
            gf_logLine(fmt::format("SimConnect shutdown remove failed for object {}", objectId));
        } else {
            ++requested;
        }
    }
    // A creation still waiting for its id is waited for too: the id's arrival removes the object
    // at once, and without the wait it would stay in the simulator after the program has gone.
    const auto deadline = std::chrono::steady_clock::now() + options_.shutdownWait;
    while ((!session_.removalPending.empty() || !session_.pendingCreates.empty()) &&
           std::chrono::steady_clock::now() < deadline) {
        const Hresult result = calls_.callDispatch(&SimClient::dispatchThunk, this);
        if (std::exception_ptr ignored = takeDispatchException()) {
            gf_logLine("SimConnect shutdown: a message could not be handled");
        }
        if (result < 0) {
            gf_logLine(fmt::format("SimConnect shutdown dispatch failed; hr=0x{:08X} ({})", hex(result),
                                   calls_.describe(result)));
            logPoseDiagnostics();
            break;
        }
        pause(kDispatchPeriod);
    }
    gf_logLine(fmt::format("SimConnect shutdown cleanup: initially owned {}, remove requested {}, confirmed {}, "
                           "pending removals {}, pending creates {}",
                           initiallyOwned, requested, session_.removalsConfirmed, session_.removalPending.size(),
                           session_.pendingCreates.size()));
    link_.commands().clear();
    session_.pendingCreates.clear();
    session_.pendingPackets.clear();
}

void SimClient::lf_requestError() {
    shell_.showMessage("SimConnect request error", false);
    shell_.postSimulationRunning(false);
    link_.setSimulatorState(kSimulatorShuttingDown);
    gf_installStopRequest(ExitReason::simconnect_error, 9);
}

void SimClient::logPoseDiagnostics() const {
    const PoseWriteRecord& write = session_.lastWrite;
    if (!write.made) {
        gf_logLine("SimConnect diagnostic: no AI position update recorded");
        return;
    }
    const auto tail = session_.tailNumbers.find(write.objectId);
    const AiPose& p = write.pose;
    gf_logLine(fmt::format("SimConnect diagnostic: last AI position update tailnumber='{}', objectid={}, "
                           "result=0x{:08X}, position={:.6f},{:.6f}, altitude={:.1f} ft, pitch={:.3f} rad, "
                           "bank={:.3f} rad, heading={:.3f} rad, VS={:.1f} fpm, TAS={:.1f} kt",
                           tail == session_.tailNumbers.end() ? "unknown" : tail->second, write.objectId,
                           hex(write.result), p.latitude, p.longitude, p.altitudeFt, p.pitchRad, p.bankRad,
                           p.headingRad, p.verticalSpeedFpm, p.trueAirspeedKt));
}

} // namespace kiv
