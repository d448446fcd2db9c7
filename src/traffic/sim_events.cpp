// The drain of the simulator's events and the delayed commands that make a new object
// active once its readbacks have arrived.
#include <algorithm>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/user_related_exception.h"
#include "traffic/aircraft_commands.h"
#include "traffic/aircraft_removal.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/live_update_steps.h"
#include "traffic/park_stands.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int32_t kCommandSettleTicks = 200; // no command completes sooner than 2 s
constexpr std::int32_t kReadbackTicks = 500;      // readbacks are waited for up to 5 s
constexpr std::int32_t kLightsToggleWait1 = 49;
constexpr std::int32_t kLightsToggleWait2 = 99;
constexpr std::uint32_t kLowestAiObjectId = 3;
constexpr std::int32_t kTicksPerMinute = 6000;
constexpr double kTwoPi = 2.0 * detail::kPi;

std::ptrdiff_t liveIndexByObject(const TrafficState& state, std::uint32_t objectId) {
    if (objectId == 0) {
        return -1; // every record not yet created carries 0
    }
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        if (state.live[i].objectId == objectId) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

std::ptrdiff_t staticIndexByObject(const TrafficState& state, std::uint32_t objectId) {
    if (objectId == 0) {
        return -1;
    }
    for (std::size_t i = 0; i < state.statics.size(); ++i) {
        if (state.statics[i].objectId == objectId) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

std::ptrdiff_t staticIndexByHex(const TrafficState& state, std::uint32_t hexId) {
    for (std::size_t i = 0; i < state.statics.size(); ++i) {
        if (state.statics[i].info.hexId == hexId) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

double normalisedHeading(double headingRad) {
    double heading = std::fmod(headingRad, kTwoPi);
    if (heading < 0.0) {
        heading += kTwoPi;
    }
    return heading >= kTwoPi ? 0.0 : heading;
}

bool usablePose(const AiPose& pose) {
    return gf_isValidLalo(pose.latitude, pose.longitude) && std::isfinite(pose.pitchRad) &&
           std::isfinite(pose.bankRad) && std::isfinite(pose.headingRad) && std::isfinite(pose.altitudeFt);
}

bool frontAirborne(const LiveAircraft& aircraft) {
    return !aircraft.samples.empty() && aircraft.samples.front().airborne != 0;
}

} // namespace

void LiveUpdateSteps::lf_drainSimEvents(TrafficState& state) {
    state.ports.link.drainSimEvents(events_);
    for (const SimEvent& event : events_) {
        try {
            applyEvent(state, event);
        } catch (const UserRelatedException&) {
            events_.clear();
            throw; // the user must act: the program stops
        } catch (...) {
            gf_reportTrafficException("lf_drainSimEvents");
        }
    }
    events_.clear();

    std::size_t kept = 0;
    for (std::size_t i = 0; i < commands_.size(); ++i) {
        bool finished = true;
        try {
            finished = lf_dispatchSimCommand(state, commands_[i]);
        } catch (...) {
            gf_reportTrafficException("lf_dispatchSimCommand");
        }
        if (!finished) {
            if (kept != i) {
                commands_[kept] = commands_[i];
            }
            ++kept;
        }
    }
    commands_.resize(kept);
    logWaitingCreations(state);
}

void LiveUpdateSteps::applyEvent(TrafficState& state, const SimEvent& event) {
    switch (static_cast<std::uint32_t>(event.kind)) {
    case 0: {
        const std::ptrdiff_t index = gf_findLiveIndex(state, event.key);
        if (index < 0) {
            if (event.objectId >= kLowestAiObjectId) {
                gf_logLine(fmt::format("Live object {} for hexid:{:x} that no longer exists is removed",
                                       event.objectId, event.key));
                state.removalQueue.push_back(event.objectId);
            }
            return;
        }
        if (lf_placeAssignedLive(state, state.live[static_cast<std::size_t>(index)], event, false)) {
            commands_.push_back(event);
        }
        return;
    }
    case 1: {
        const std::ptrdiff_t index = staticIndexByHex(state, event.key);
        if (index >= 0) {
            StaticAircraft& aircraft = state.statics[static_cast<std::size_t>(index)];
            aircraft.objectId = event.objectId;
            state.ports.link.gf_requestInitialPose(event.objectId);
            state.ports.link.gf_requestStaticCgAndPitch(event.objectId);
        } else if (event.objectId >= kLowestAiObjectId) {
            state.removalQueue.push_back(event.objectId);
        }
        commands_.push_back(event);
        return;
    }
    case 2: {
        const std::ptrdiff_t index = liveIndexByObject(state, event.objectId);
        if (index < 0) {
            const std::ptrdiff_t staticIndex = staticIndexByObject(state, event.objectId);
            if (staticIndex >= 0) {
                eraseStaticAt(state, static_cast<std::size_t>(staticIndex));
            }
            return;
        }
        LiveAircraft& aircraft = state.live[static_cast<std::size_t>(index)];
        if (aircraft.simState == SimState::liveryrespawn) {
            aircraft.simState = SimState::buffer;
            aircraft.throttleIndex = 5;
            aircraft.flapsIndex = 4;
            aircraft.objectId = 0;
            return;
        }
        eraseLiveAt(state, static_cast<std::size_t>(index));
        return;
    }
    case 3: {
        const std::ptrdiff_t index = liveIndexByObject(state, event.objectId);
        if (index < 0) {
            return;
        }
        LiveAircraft& aircraft = state.live[static_cast<std::size_t>(index)];
        const bool simOnGround = event.key == 1;
        if (simOnGround && aircraft.onGround == 0) {
            ++aircraft.groundReports;
        } else if (!simOnGround) {
            aircraft.groundReports = 0;
        }
        if (simOnGround && aircraft.onGround == 0 && aircraft.groundContact <= 1 &&
            aircraft.simState != SimState::removingfromsim && aircraft.situation != FlightSituation::takeoff) {
            if (aircraft.landingReportPending != 0 || aircraft.situation == FlightSituation::landing) {
                if (aircraft.situation != FlightSituation::landing_roll) {
                    gf_setSituation(state, aircraft, FlightSituation::landing_roll);
                }
                aircraft.landingReportPending = 0;
                lf_reportTouchDown(state, aircraft);
            }
            if (aircraft.glidePending != 0) {
                const double ticks =
                    std::max(1.0, static_cast<double>(aircraft.glideEndTick) - aircraft.glideStartTick);
                aircraft.tickDelta = {(aircraft.glideTarget.latitude - aircraft.pose.latitude) / ticks,
                                      (aircraft.glideTarget.longitude - aircraft.pose.longitude) / ticks};
                aircraft.glidePending = 0;
                aircraft.glideTarget = {};
                aircraft.glideStartTick = 0;
                aircraft.glideEndTick = 0;
            }
            aircraft.onGround = 1;
            aircraft.altitudeChangePerTick = 0.0;
            aircraft.groundContact = 1;
            aircraft.latestAirborneAltitude.reset();
            for (const StreamSample& sample : aircraft.samples) {
                if (sample.airborne != 0 && std::isfinite(sample.altitudeFt) && sample.altitudeFt > 0.0) {
                    aircraft.latestAirborneAltitude = sample.altitudeFt;
                }
            }
        }
        lf_applyGroundReadback(state, aircraft, event);
        return;
    }
    case 4: {
        const std::ptrdiff_t index = liveIndexByObject(state, event.objectId);
        if (index >= 0) {
            LiveAircraft& aircraft = state.live[static_cast<std::size_t>(index)];
            gf_applyStaticCgAndPitch(aircraft, event.data[0], event.data[1]);
            lf_applyParkedGroundAltitude(aircraft);
        }
        const std::ptrdiff_t staticIndex = staticIndexByObject(state, event.objectId);
        if (staticIndex >= 0) {
            gf_applyStaticCgAndPitch(state.statics[static_cast<std::size_t>(staticIndex)], event.data[0],
                                     event.data[1]);
        }
        return;
    }
    case 5: {
        AiPose pose = event.pose();
        if (!usablePose(pose)) {
            return;
        }
        pose.headingRad = normalisedHeading(pose.headingRad);
        const std::ptrdiff_t index = liveIndexByObject(state, event.objectId);
        if (index >= 0 && state.live[static_cast<std::size_t>(index)].simState == SimState::adding2sim) {
            LiveAircraft& aircraft = state.live[static_cast<std::size_t>(index)];
            aircraft.simPose = pose;
            aircraft.simPoseKnown = 1;
            lf_applyPoseReadback(state, aircraft);
        }
        const std::ptrdiff_t staticIndex = staticIndexByObject(state, event.objectId);
        if (staticIndex >= 0) {
            StaticAircraft& aircraft = state.statics[static_cast<std::size_t>(staticIndex)];
            aircraft.simPose = pose;
            aircraft.simPoseKnown = 1;
        }
        return;
    }
    case 6: {
        if (event.key > kHighestStaticHexId) {
            const std::ptrdiff_t index = gf_findLiveIndex(state, event.key);
            if (index < 0) {
                return;
            }
            // Erased before the report may throw: the refused record never stays behind.
            const AircraftInfo info = state.live[static_cast<std::size_t>(index)].info;
            state.ports.steps.lf_eraseLiveAircraft(state, event.key);
            state.ports.models.gf_liveryCreationFailed(info);
            return;
        }
        const std::ptrdiff_t index = staticIndexByHex(state, event.key);
        if (index < 0) {
            return;
        }
        const AircraftInfo info = state.statics[static_cast<std::size_t>(index)].info;
        eraseStaticAt(state, static_cast<std::size_t>(index));
        state.ports.models.gf_liveryCreationFailed(info);
        return;
    }
    default:
        return;
    }
}

void LiveUpdateSteps::eraseStaticAt(TrafficState& state, std::size_t index) {
    const std::uint32_t hexId = state.statics[index].info.hexId;
    const std::uint32_t objectId = state.statics[index].objectId;
    state.ports.steps.lf_cleanupCancelledStatic(state, hexId, objectId);
    // The clean-up may have erased records itself: find the record again.
    const std::ptrdiff_t again = staticIndexByHex(state, hexId);
    if (again >= 0) {
        state.statics.erase(state.statics.begin() + again);
    }
    state.ports.steps.lf_recheckWaitingLiveCreations(state);
    if (!state.deferredParkedAdds.empty()) {
        state.ports.steps.lf_releaseDeferredParkedAdds(state);
    }
}

void LiveUpdateSteps::eraseLiveAt(TrafficState& state, std::size_t index) {
    const std::uint32_t hexId = state.live[index].info.hexId;
    state.ports.steps.lf_cleanupLiveAircraft(state, state.live[index]);
    const std::ptrdiff_t again = gf_findLiveIndex(state, hexId);
    if (again >= 0) {
        const auto at = static_cast<std::size_t>(again);
        if (at + 1 != state.live.size()) {
            state.live[at] = std::move(state.live.back());
        }
        state.live.pop_back();
    }
    if (!state.deferredParkedAdds.empty()) {
        state.ports.steps.lf_releaseDeferredParkedAdds(state);
    }
}

bool LiveUpdateSteps::lf_placeAssignedLive(TrafficState& state, LiveAircraft& aircraft, const SimEvent& event,
                                           bool quiet) {
    if (event.objectId < kLowestAiObjectId) {
        return false;
    }
    aircraft.objectId = event.objectId;
    const std::uint32_t hexId = aircraft.info.hexId;
    if (aircraft.situation == FlightSituation::parked) {
        const auto standId = static_cast<std::int32_t>(aircraft.standId);
        if (!state.ports.steps.gf_standClaimedByLive(state, aircraft.standId, hexId) ||
            state.ports.steps.gf_standUseByOtherLive(state, aircraft.standId, hexId) != 0) {
            gf_logLine(fmt::format("{:14}: {} created without owning the live stand reservation, will be removed",
                                   gf_standName(state, standId), aircraft.info.head.callsign));
            aircraft.removePending = 1;
            return true;
        }
    }
    if (!frontAirborne(aircraft)) {
        lf_settleCreatedOnGround(state, aircraft, quiet);
    }
    lf_queueFlightPlan(state, aircraft);
    if (aircraft.situation == FlightSituation::parked) {
        if (aircraft.simPoseKnown == 0) {
            state.ports.link.gf_requestInitialPose(aircraft.objectId);
        }
        if (aircraft.cgKnown == 0) {
            state.ports.link.gf_requestStaticCgAndPitch(aircraft.objectId);
        }
    }
    return true;
}

bool LiveUpdateSteps::lf_dispatchSimCommand(TrafficState& state, SimEvent& command) {
    const auto kind = static_cast<std::uint32_t>(command.kind);
    if (command.wait < kCommandSettleTicks) {
        if (kind == 0 && (command.wait == kLightsToggleWait1 || command.wait == kLightsToggleWait2)) {
            state.ports.link.queueClientEvent({command.objectId, kEventAllLightsToggle, 0});
        }
        ++command.wait;
        return false;
    }
    bool finished = true;
    if (kind == 0 || kind == kPromotionCommandKind) {
        finished = lf_completeLiveCommand(state, command);
    } else if (kind == 1) {
        finished = lf_completeStaticCommand(state, command);
    } else {
        gf_logLine(fmt::format("Unexpected delayed SimCommand {} for hexid:{:x}", kind, command.key));
        return true;
    }
    if (!finished) {
        ++command.wait;
    }
    return finished;
}

bool LiveUpdateSteps::lf_completeLiveCommand(TrafficState& state, SimEvent& command) {
    LiveAircraft* found = gf_findLive(state, command.key);
    // A record that holds another object meanwhile (created again) is not this command's.
    if (found == nullptr || found->objectId != command.objectId || found->simState != SimState::adding2sim) {
        gf_logLine(fmt::format("Delayed live command expired: hexid:{:x}, objectid:{} no longer exists", command.key,
                               command.objectId));
        return true;
    }
    LiveAircraft& aircraft = *found;
    if (aircraft.situation == FlightSituation::parked) {
        const bool readbacks = aircraft.simPoseKnown != 0 && aircraft.cgKnown != 0;
        const bool ready = aircraft.removePending == 0 && readbacks &&
                           (aircraft.promoted != 0 || aircraft.groundElevationKnown != 0);
        if (!ready) {
            if (aircraft.removePending == 0 && command.wait < kReadbackTicks) {
                return false;
            }
            if (!readbacks) {
                gf_logLine(fmt::format("{} initial simulator pose/CG unavailable; using fallback position",
                                       aircraft.info.head.callsign));
            }
        }
    }
    lf_activateLive(state, aircraft);
    if (aircraft.removePending != 0) {
        removeAircraftFromSim(state, aircraft);
    }
    return true;
}

bool LiveUpdateSteps::lf_completeStaticCommand(TrafficState& state, SimEvent& command) {
    const std::ptrdiff_t index = staticIndexByHex(state, command.key);
    if (index < 0 || state.statics[static_cast<std::size_t>(index)].objectId != command.objectId) {
        gf_logLine(fmt::format("Delayed static command expired: hexid:{:x}, objectid:{} no longer exists",
                               command.key, command.objectId));
        return true;
    }
    StaticAircraft& aircraft = state.statics[static_cast<std::size_t>(index)];
    const bool missing = aircraft.simPoseKnown == 0 || aircraft.cgKnown == 0;
    if (aircraft.removePending == 0 && missing && command.wait < kReadbackTicks) {
        return false;
    }
    if (missing) {
        gf_logLine(fmt::format("{} static simulator pose/CG unavailable; using simulator placement",
                               aircraft.info.head.callsign));
    }
    aircraft.simState = SimState::active;
    aircraft.objectId = command.objectId;
    gf_shutDownAtStand(state, aircraft);
    state.ports.link.gf_requestInitialPose(aircraft.objectId);
    gf_logLine(fmt::format("{:14}: {:8} parked static", gf_standName(state, static_cast<std::int32_t>(aircraft.standId)),
                           aircraft.info.head.callsign));
    ++state.staticSetGeneration;
    if (aircraft.removePending != 0) {
        removeAircraftFromSim(state, aircraft);
    }
    return true;
}

void LiveUpdateSteps::lf_activateLive(TrafficState& state, LiveAircraft& aircraft) {
    const bool airborne = frontAirborne(aircraft);
    aircraft.activatedAirborne = airborne ? 1 : 0;
    aircraft.activationTick = state.tickCount.load();
    const std::uint32_t objectId = aircraft.objectId;
    SimLinkPort& link = state.ports.link;
    if (airborne) {
        link.gf_engineAutoStart(objectId);
        const std::uint32_t low = aircraft.pose.altitudeFt <= 10000.0 ? 1 : 0;
        const double height = aircraft.heightReported != 0 ? aircraft.heightAboveGroundFt : 2500.0;
        const std::uint32_t cabin = height >= 2000.0 ? 1 : 0;
        link.gf_setAllLights(objectId, {1, 1, low, 0, 1, low, cabin});
        gf_setSpoilers(state, aircraft, 0);
    } else {
        const bool parked = aircraft.situation == FlightSituation::parked;
        const bool taxi = aircraft.situation == FlightSituation::taxi;
        if (parked) {
            link.gf_engineAutoShutdown(objectId);
            const std::uint32_t nav = detail::settings()->navLightsWhileParked ? 1 : 0;
            link.gf_setAllLights(objectId, {nav, 0, 0, 0, 0, 1, 1});
        } else {
            link.gf_engineAutoStart(objectId);
            link.gf_setAllLights(objectId, {1, 1, 0, taxi ? 1u : 0u, 0, 1, 1});
        }
        gf_setSpoilers(state, aircraft, 0);
        gf_setThrottle(state, aircraft, aircraft.info.sizeClass == SizeClass::Rotorcraft ? 4 : 0);
        gf_setFlaps(state, aircraft, taxi ? 1 : 0);
    }
    aircraft.simState = SimState::active;
}

void LiveUpdateSteps::lf_dropSimCommands(TrafficState&, std::uint32_t hexId, std::uint32_t objectId) {
    std::erase_if(commands_, [&](const SimEvent& command) {
        return command.key == hexId || (command.key == 0 && objectId != 0 && command.objectId == objectId);
    });
}

void LiveUpdateSteps::logWaitingCreations(TrafficState& state) {
    const std::int32_t now = state.tickCount.load();
    if (now - waitingLogTick_ < kTicksPerMinute && now >= waitingLogTick_) {
        return;
    }
    waitingLogTick_ = now;
    // Creations handed to the simulator that it has answered neither way.
    std::size_t unanswered = 0;
    for (const LiveAircraft& aircraft : state.live) {
        if (aircraft.simState != SimState::adding2sim || aircraft.objectId != 0) {
            continue;
        }
        const std::uint32_t hexId = aircraft.info.hexId;
        const auto queued = [hexId](const std::deque<CreateCommand>& queue) {
            return std::any_of(queue.begin(), queue.end(), [hexId](const CreateCommand& c) { return c.hexId == hexId; });
        };
        const bool stacked = std::find(state.addingStack.begin(), state.addingStack.end(), hexId) !=
                             state.addingStack.end();
        if (!stacked && !queued(state.liveCreationQueue) && !queued(state.waitingCreationQueue)) {
            ++unanswered;
        }
    }
    if (unanswered > 0) {
        gf_logLine(fmt::format("{} live creations not answered by the simulator", unanswered));
    }
}

void LiveUpdateSteps::clearStepState(TrafficState&) {
    events_.clear();
    commands_.clear();
    promotions_ = 0;
    waitingLogTick_ = 0;
}

} // namespace kiv
