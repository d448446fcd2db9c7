#include "traffic/sim_queues.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "foundation/log.h"
#include "traffic/aircraft_removal.h"
#include "traffic/aircraft_text.h"
#include "traffic/detail/geo.h"
#include "traffic/detail/settings_access.h"
#include "traffic/traffic_exception.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr std::int32_t kTicksPerRemoval = 10;
constexpr std::int32_t kRemovalsPerCreation = 2;

void eraseFinishedLive(TrafficState& state) {
    for (const LiveAircraft& aircraft : state.live) {
        if (aircraft.removed != 0 || aircraft.creationCancelled != 0) {
            state.ports.steps.lf_cleanupLiveAircraft(state, aircraft);
        }
    }
    std::erase_if(state.live, [](const LiveAircraft& a) { return a.removed != 0 || a.creationCancelled != 0; });
}

void eraseRemovedStatic(TrafficState& state) {
    state.staticEraseSignal = false;
    const std::size_t before = state.statics.size();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> removed;
    for (const StaticAircraft& aircraft : state.statics) {
        if (aircraft.removed != 0 || aircraft.creationCancelled != 0) {
            removed.emplace_back(aircraft.info.hexId, aircraft.objectId);
        }
    }
    for (const auto& [hexId, objectId] : removed) {
        state.ports.steps.lf_cleanupCancelledStatic(state, hexId, objectId);
    }
    std::erase_if(state.statics, [](const StaticAircraft& a) { return a.removed != 0 || a.creationCancelled != 0; });
    if (state.statics.size() != before) {
        state.ports.steps.lf_recheckWaitingLiveCreations(state);
        state.ports.steps.lf_releaseDeferredParkedAdds(state);
    }
}

void publishTickPoses(TrafficState& state) {
    const std::int64_t now = state.ports.clock.nowNs();
    state.ports.link.withPublishedPoses([&](PublishedPoseMap& published) {
        for (const auto& [objectId, pose] : state.tickPoses) {
            std::vector<PoseSample>& list = published[objectId];
            list.push_back({pose, now});
            if (list.size() > kMaxPublishedPoses) {
                list.erase(list.begin(), list.end() - static_cast<std::ptrdiff_t>(kMaxPublishedPoses));
            }
        }
    });
    state.tickPoses.clear();
}

void creationStep(TrafficState& state) {
    if (!state.liveCreationQueue.empty()) {
        CreateCommand request = std::move(state.liveCreationQueue.front());
        state.liveCreationQueue.pop_front();
        if (state.ports.steps.lf_standHoldsStatic(state, request)) {
            gf_logLine(fmt::format("{} live creation waits for parked static removal", request.tailNumber));
            state.waitingCreationQueue.push_back(std::move(request));
        } else {
            state.ports.link.gf_queueCreate(request);
        }
        return;
    }
    if (!state.staticCreationQueue.empty()) {
        state.ports.link.gf_queueCreate(state.staticCreationQueue.front());
        state.staticCreationQueue.pop_front();
    }
    if (state.ports.steps.pendingParkedAdditions(state) > 0) {
        state.ports.steps.lf_placeStaticAircraft(state);
    }
}

CreateCommand creationOf(const LiveAircraft& aircraft) {
    constexpr double kRadToDeg = 180.0 / detail::kPi;
    CreateCommand command;
    command.latitude = aircraft.pose.latitude;
    command.longitude = aircraft.pose.longitude;
    command.altitudeFt = aircraft.pose.altitudeFt;
    command.pitchDeg = aircraft.pose.pitchRad * kRadToDeg;
    command.bankDeg = aircraft.pose.bankRad * kRadToDeg;
    command.headingDeg = aircraft.pose.headingRad * kRadToDeg;
    command.onGround = !aircraft.samples.empty() && aircraft.samples.front().airborne == 0 ? 1 : 0;
    command.airspeedKt = 0;
    command.title = std::string(aircraft.info.liveryTitle);
    command.tailNumber = aircraft.info.head.callsign;
    command.hexId = aircraft.info.hexId;
    return command;
}

void pollUserState(TrafficState& state) {
    state.ports.link.queueDataRequest({3, 0});
    gf_setUserAircraftState(state, state.ports.link.gf_getUserAircraft());
    const UserAircraftState& user = state.user;
    const bool low = !std::isfinite(user.altitudeAboveGroundFt) || user.altitudeAboveGroundFt <= 500.0;
    if (user.onGround && low && detail::settings()->collisionUserGnd) {
        state.ports.steps.gf_checkUserAcGndCollisions(state);
    }
    if (!state.ports.feeds.isRtDirect()) {
        state.ports.feeds.gf_sendUserPoseToRTApp();
    }
}

} // namespace

void lf_updateAllLiveAc(TrafficState& state) {
    bool eraseDue = false;
    // By index: the update may append to other tables, never to this one.
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        eraseDue = state.ports.steps.updateLiveAc(state, state.live[i]) || eraseDue;
    }
    if (eraseDue) {
        eraseFinishedLive(state);
    }
    if (state.staticEraseSignal) {
        eraseRemovedStatic(state);
    }
    publishTickPoses(state);
}

void lf_runSimQueues(TrafficState& state) {
    if (++state.removalCounter < kTicksPerRemoval) {
        return;
    }
    state.removalCounter = 0;
    state.ports.steps.lf_processPendingAircraftRemovals(state);
    if (!state.removalQueue.empty()) {
        state.ports.link.gf_queueRemoveObject(state.removalQueue.front());
        state.removalQueue.pop_front();
    }
    if (++state.creationCounter < kRemovalsPerCreation) {
        return;
    }
    state.creationCounter = 0;
    creationStep(state);
}

void lf_handleAddingStack(TrafficState& state) {
    if (state.addingStack.empty()) {
        return;
    }
    const std::uint32_t hexId = state.addingStack.back();
    state.addingStack.pop_back();
    const LiveAircraft* aircraft = gf_findLive(state, hexId);
    if (aircraft == nullptr) {
        return;
    }
    if (aircraft->info.head.callsign.empty()) {
        gf_logImportant(fmt::format("{} {} callsign empty", "lf_handleAddingStack", *aircraft));
        return;
    }
    state.liveCreationQueue.push_back(creationOf(*aircraft));
}

void lf_pollUserAircraft(TrafficState& state) {
    const bool fast = state.fastPollFlag.load();
    if (fast != state.pollFlagSeen) {
        state.pollFlagSeen = fast;
        state.rangeRequestCounter = 0;
    }
    if (++state.rangeRequestCounter >= (fast ? 20 : 100)) {
        state.rangeRequestCounter = 0;
        state.ports.link.queueDataRequest({0, 0});
    }
    if (++state.userStateCounter >= 20) {
        state.userStateCounter = 0;
        pollUserState(state);
    }
}

void gf_setUserAircraftState(TrafficState& state, const UserAircraftState& user) {
    state.user = user;
    state.publishedUser.store(std::make_shared<const UserAircraftState>(user));
}

bool lf_isThisTheFurthestLive(TrafficState& state, double distanceNm) {
    const UserAircraftState& user = state.user;
    const double cosUser = std::cos(user.latitude * detail::kDegToRad);
    const double margin = distanceNm >= 0.0 ? 0.1 : 0.0;
    double threshold = distanceNm >= 0.0 ? distanceNm : -std::numeric_limits<double>::infinity();
    std::ptrdiff_t candidate = -1;
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        const LiveAircraft& aircraft = state.live[i];
        if (aircraft.simState != SimState::active) {
            continue;
        }
        const double flat = std::sqrt(detail::flatDistanceSquaredNm(
            user.latitude, user.longitude, aircraft.pose.latitude, aircraft.pose.longitude, cosUser));
        if (flat <= threshold + margin) {
            continue;
        }
        const double distance =
            detail::distanceNm(user.latitude, user.longitude, aircraft.pose.latitude, aircraft.pose.longitude);
        if (distance > threshold + margin) {
            candidate = static_cast<std::ptrdiff_t>(i);
            threshold = distance;
        }
    }
    if (candidate < 0) {
        return true;
    }
    try {
        removeAircraftFromSim(state, state.live[static_cast<std::size_t>(candidate)]);
    } catch (...) {
        gf_reportTrafficException("lf_isThisTheFurthestLive");
    }
    return false;
}

} // namespace kiv
