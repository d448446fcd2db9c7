// The traffic state: every table, queue, counter and request signal of the traffic manager,
// owned by one object. The simulator-loop thread owns everything here except what is marked:
// the mailbox (feed threads, under its mutex), the atomics (set by the link and the window),
// the parking-request counters (under their mutex) and the published snapshots (any thread).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "airports/stand.h"
#include "simlink/link_commands.h"
#include "traffic/aircraft_records.h"
#include "traffic/loop_clock.h"
#include "traffic/neighbour_ports.h"
#include "traffic/traffic_mailbox.h"
#include "traffic/traffic_steps.h"

namespace kiv {

struct TrafficPorts {
    SimLinkPort& link;
    FeedsPort& feeds;
    MotionPort& motion;
    AirportsPort& airports;
    ModelsPort& models;
    ShellPort& shell;
    TrafficSteps& steps;
    LoopClock& clock;
};

struct ParkStandEntry {
    std::string idText;
    double latitude = 0.0;
    double longitude = 0.0;
};
using ParkStandsSnapshot = std::vector<ParkStandEntry>;

struct JumpQuarantineEntry {
    double latitude = 0.0;
    double longitude = 0.0;
    double time = 0.0;
    std::uint32_t count = 0;
    std::uint8_t flag = 0;
};

// Kinds: 0 engines off, 1 lights on arrival, 2 parked lights.
struct DelayedLightCommand {
    std::uint32_t hexId = 0;
    std::int32_t dueTick = 0;
    std::uint32_t kind = 0;
};

// A static aircraft the parking plan no longer wants.
struct StaticRemoval {
    std::string callsign;
    std::uint32_t standId = 0;
};

// One stand the parking plan fills: a learned use of the stand (source 1) or a parked
// aircraft the service reported (source 0). Offset: for a learned use the search offset it
// was found at, for a service record its age; both in half-hour slots.
struct StaticCandidate {
    std::uint32_t hexId = 0; // the service's hex id; 0 for a learned use
    std::uint32_t source = 0;
    std::int32_t standId = 0;
    std::int32_t offset = 0;
    LiveryKey key;
    std::string callsign1;
    std::string callsign2;
    std::string registration;
    std::uint8_t staysNextSlot = 0; // which callsign the static aircraft shows
};

// A live aircraft that keeps its stand in the parking plan.
struct LiveStayer {
    std::string callsign;
    std::string registration;
    std::uint64_t word = 0;
    std::int32_t standId = 0;
    std::int32_t minutesParked = 0; // 0 once its at-stand check ran
};

// The four class switches of the main window, in the order the five-second step takes them.
enum ClassSwitch : std::size_t { switchTwoProps = 0, switchLight = 1, switchRotorcraft = 2, switchHighPerf = 3 };

struct ParkingRequests {
    std::mutex mutex;
    std::uint64_t parkingUpdateRequests = 0;
    std::uint64_t replaceAllRequests = 0;
    bool replaceAllPending = false;
    std::uint64_t parkingUpdatesHandled = 0;
};

struct WaitingParkingUpdate {
    bool waiting = false;
    std::uint64_t requests = 0;
    std::uint64_t replaceAllRequests = 0;
    bool replaceAll = false;
};

class TrafficState {
public:
    explicit TrafficState(TrafficPorts ports) : ports(ports) {}
    TrafficState(const TrafficState&) = delete;
    TrafficState& operator=(const TrafficState&) = delete;

    TrafficPorts ports;

    // Tables.
    std::vector<LiveAircraft> live;
    std::vector<StaticAircraft> statics;
    std::vector<Stand> parkStands;
    std::unordered_map<std::string, std::uint32_t> standNameIndex;
    std::atomic<std::shared_ptr<const ParkStandsSnapshot>> parkStandsSnapshot{
        std::make_shared<const ParkStandsSnapshot>()};

    // Creation and removal queues.
    std::deque<std::uint32_t> removalQueue;
    std::deque<CreateCommand> liveCreationQueue;
    std::deque<CreateCommand> waitingCreationQueue;
    std::deque<CreateCommand> staticCreationQueue;
    std::vector<std::uint32_t> addingStack;
    std::int32_t removalCounter = 0;
    std::int32_t creationCounter = 0;
    bool staticEraseSignal = false;
    std::atomic<bool> fastPollFlag{false};
    bool pollFlagSeen = false;
    std::int32_t rangeRequestCounter = 0;
    std::int32_t userStateCounter = 0;
    std::vector<std::pair<std::uint32_t, AiPose>> tickPoses; // one entry per object, filled by the update

    // The user aircraft: plain copy for this thread, published copy for the others.
    UserAircraftState user;
    double userHalfSpanNm = std::numeric_limits<double>::quiet_NaN(); // known once the user model is
    std::atomic<std::shared_ptr<const UserAircraftState>> publishedUser{std::make_shared<const UserAircraftState>()};

    // The loop.
    std::atomic<std::int32_t> tickCount{0};
    std::int32_t secondCount = 0;
    std::atomic<bool> secondSignal{false};
    std::int32_t proximityCounter = 0;
    bool pausedMark = false;
    std::int32_t pauseCountdown = 0;
    std::atomic<std::uint64_t> currentSlot{0};

    // Requests of the main window, taken by exchange with their "none" value.
    std::atomic<std::int8_t> navLightsSignal{-1};
    std::atomic<std::int32_t> parkingIntervalSignal{-1};
    std::atomic<bool> maxParkChanged{false};
    std::atomic<bool> maxLiveChanged{false};
    std::atomic<bool> removeAllStaticRequest{false};
    std::atomic<bool> aircraftListRequest{false};
    std::atomic<bool> blockRequest{false};
    std::atomic<bool> failedSpawnResetRequest{false};
    std::array<std::atomic<bool>, 4> classSwitchSignals{};

    // Parking.
    std::int32_t parkingCountdown = 0;
    bool countdownRestarted = false;
    ParkingRequests parkingRequests;
    WaitingParkingUpdate waitingUpdate;
    bool parkingPlanInForce = false;
    bool parkAirportFileRead = false;
    bool plannerFlag = false;
    std::atomic<bool> parkingRegenerationRequested{false};
    std::int32_t maxParkCount = -1; // stands that may show a parked aircraft; -1: no limit yet
    std::uint32_t staticSerial = 0; // hex id of the last static aircraft made, 0..9999
    std::uint32_t learnedUpdateCount = 0; // learned stand uses recorded in this run (shown in the window)
    std::vector<StaticCandidate> pendingParkedAdds;  // placement takes from the back
    std::vector<StaticCandidate> deferredParkedAdds; // waiting for a removal to complete
    std::vector<LiveStayer> liveStayers;             // sorted by minutes parked
    // The traffic the feed delivered since its stores were last cleared.
    std::unordered_set<std::string> liveFeedCallsigns;
    std::unordered_set<std::uint32_t> liveFeedHexIds;
    std::string loadedAirportFileName;
    bool learnedDataChanged = false;
    bool staticFitHidden = false; // the main window hides the static fit (week search in use)

    // Lists of the later steps that the start and the reset clear.
    std::deque<std::uint32_t> learnedStandMatchQueue;
    std::vector<DelayedLightCommand> delayedLightCommands; // sorted: the entry due first is at the back
    std::unordered_map<std::uint32_t, JumpQuarantineEntry> jumpQuarantine;
    std::unordered_set<std::uint64_t> failedSpawnSet;
    std::vector<std::string> removedGhosts;
    std::vector<StaticRemoval> staticRemovals;
    // Grows whenever a static aircraft becomes active (the live-versus-parked check reads it).
    std::uint32_t staticSetGeneration = 0;

    TrafficMailbox mailbox;
};

// Start-up: empties every table and reserves room.
void gf_initTraffic(TrafficState& state);
// Shut-down and restart: empties every table, queue and the mailbox.
void gf_resetTraffic(TrafficState& state);
// Counted request of a parking update (any thread).
void gf_requestParkingUpdate(TrafficState& state);

// The tick `ticks` after `tick`. The tick counter wraps like its atomic (after some 248 days),
// and a due tick computed from it must wrap with it rather than overflow.
inline std::int32_t gf_ticksAfter(std::int32_t tick, std::int32_t ticks) noexcept {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(tick) + static_cast<std::uint32_t>(ticks));
}

// Index into state.live of the first aircraft with that hex id, or -1.
std::ptrdiff_t gf_findLiveIndex(const TrafficState& state, std::uint32_t hexId) noexcept;
LiveAircraft* gf_findLive(TrafficState& state, std::uint32_t hexId) noexcept;

} // namespace kiv
