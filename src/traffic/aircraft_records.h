// The records the traffic manager keeps per aircraft: the shared head, static parked and
// live traffic aircraft, their situation and simulator state. Owned by value in the traffic
// state's tables and touched only by the simulator-loop thread; nothing here is locked.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "feeds/traffic_record.h"
#include "models/livery_key.h"
#include "simlink/link_commands.h"
#include "traffic/live_motion_state.h"
#include "traffic/live_step_state.h"

namespace kiv {

class ModelsPort;

enum class SimState : std::int32_t {
    buffer = 0,
    adding2sim = 1,
    active = 2,
    liveryrespawn = 3,
    removingfromsim = 4,
};

// Weekday 1..7 (-1 when the clock failed) in the low half, slot 0..47 in the high half.
struct WeekdaySlot {
    std::uint64_t packed = 0;
    std::int32_t weekday() const noexcept { return static_cast<std::int32_t>(packed & 0xFFFFFFFFu); }
    std::int32_t slot() const noexcept { return static_cast<std::int32_t>(packed >> 32); }
};

struct AircraftInfo {
    TrafficRecordHead head;
    double halfSpanNm = 0.0;
    double conflictHalfSpanNm = 0.0;
    double radiusNm = 0.0;
    double outerRadiusNm = 0.0;
    // The class values also carry the type constants of aircraft motion; each comment gives
    // the meaning motion reads (and its unit).
    double classDistance = 0.0; // static CG height above ground, feet
    std::uint8_t cgFromSim = 0;
    double staticPitchRad = 0.0; // static ground pitch
    double classAngle1Rad = 0.0; // take-off pitch (negative: nose up)
    double classAngle2Rad = 0.0; // climb pitch after the climb-out
    double classRateRad = 0.0;   // base ground turn step, radians per tick
    double liveRateCopy = 0.0;   // per-aircraft copy of the turn step; no motion step reads it
    double liveFactor = 0.0;     // initial climb per tick, feet
    double liveRate = 0.0;       // ground manoeuvre speed (pushback, pull-out, stand), knots
    std::uint32_t hexId = 0;
    SizeClass sizeClass = SizeClass::Large;
    std::string_view liveryTitle;  // view into the livery database
    std::uint32_t classValue1 = 0; // climb-out ticks after lift-off
    std::uint32_t classValue2 = 0; // de-rotation steps after touch-down
    std::uint32_t classValue3 = 0;
    std::uint32_t classValue4 = 0;
    std::uint8_t isJet = 0;           // air configuration from 2050 ft instead of 625 ft
    std::uint8_t isRegional = 0;      // rotation reference speed 130 kt
    std::uint8_t isPistonTwin = 0;    // rotation reference speed 80 kt
    std::uint8_t isLightSingle = 0;   // rotation reference speed 65 kt
    std::uint8_t isPackageLivery = 0; // model family: the reverse argument of reverse thrust
    std::uint8_t isCoverageOnly = 0;
};

// The part that static and live aircraft share; every per-aircraft command takes it.
struct AircraftRecord {
    AircraftInfo info;
    std::uint32_t objectId = 0;
    double standLat = 0.0; // the parked position (degrees) and heading of motion
    double standLon = 0.0;
    double standHeading = 0.0; // radians
    WeekdaySlot parkedSlot;
    std::uint32_t spare = 0;
    std::uint32_t standId = 0; // 1-based into the park stands; 0 = none
    SimState simState = SimState::buffer;
    std::uint32_t throttleIndex = 5; // no command equals 5 or 4, so the first is always sent
    std::uint32_t flapsIndex = 4;
    std::uint8_t cargoStand = 0;
    std::uint8_t gateStand = 0;
    std::uint8_t visible = 1;
    std::uint8_t removePending = 0;
    std::uint8_t removed = 0;
    std::uint8_t creationCancelled = 0;
    std::uint8_t cgKnown = 0;
    // The simulator's pose of the new object, read back once after its creation.
    AiPose simPose;
    std::uint8_t simPoseKnown = 0;
    // A removal that waits for the jetway (0 = none) and the word that goes with it.
    std::uint64_t jetwayRemovalToken = 0;
    std::uint64_t jetwayRemovalWord = 0;
};

struct StandPose {
    double latitude = 0.0;
    double longitude = 0.0;
    double headingRad = 0.0;
};

struct StaticAircraft : AircraftRecord {
    StaticAircraft(AircraftInfo aircraft, std::uint32_t stand, StandPose pose, bool cargo,
                   std::string_view standIdText);

    std::uint32_t source = 0;       // 1 a learned stand use, 0 a parked aircraft of the service
    std::uint32_t serviceHexId = 0; // the service's hex id of a parked aircraft
    std::uint8_t stayMark = 0;      // the current parking plan keeps it
};

struct StandChoice {
    std::uint32_t standId = 0;
    std::uint8_t flags[3] = {0, 0, 0};
};

// The motion working state comes with the LiveMotionState base; the hold fields below are
// motion's too, under the names the traffic side gave them.
struct LiveAircraft : AircraftRecord, LiveMotionState, LiveStepState {
    LiveAircraft(const StreamSample& first, AircraftInfo aircraft, double recordTime, WeekdaySlot now);

    AiPose pose;
    std::deque<StreamSample> samples; // oldest first
    double lastRecordTime = 0.0;
    std::optional<StandChoice> standChoice;
    std::unordered_set<std::uint32_t> standsTried;
    std::unordered_map<std::uint32_t, std::int32_t> standMarks;
    // Extrapolation budget: synthetic samples still allowed; 0 none granted, -1 exhausted.
    std::int32_t holdCount = 0;
    FlightSituation situation = FlightSituation::birth;
    std::uint8_t onGround = 0;
    // Retiming windows: how many ticks the next sample may come earlier (1) or later (2).
    std::int32_t holdTicks1 = 900;
    std::int32_t holdTicks2 = 900;
    std::uint8_t proximityCheck = 0;      // holding: a taxiing aircraft waits on hold samples
    std::uint32_t proximityCompanion = 0; // tick at which that hold started
    double respawnHeadingRad = 0.0;
    std::uint8_t respawnPose = 0;
    std::uint8_t afterLanding = 0; // landed here and not yet left a stand again
    std::uint8_t parkArrival = 0;  // bound for the park airport from elsewhere
    std::uint8_t atStandChecked = 0; // the at-stand check ran since it parked
};

// The first byte of the head's 64-bit word marks an aircraft already matched to learned stands.
inline bool gf_matchMarkSet(const AircraftInfo& info) noexcept { return (info.head.word & 0xFFu) != 0; }
inline void gf_setMatchMark(AircraftInfo& info) noexcept { info.head.word |= 1u; }

// Throws std::out_of_range for a size class outside 0..6.
AircraftInfo gf_makeAircraftInfo(const ModelsPort& models, const TrafficRecordHead& head);
// Live-only class values of a live aircraft's head.
void gf_setLiveClassValues(AircraftInfo& info);

// Throws std::out_of_range for a value outside the table.
std::string_view gf_flightSituationName(FlightSituation situation);
std::string_view gf_simStateName(SimState state);

// "GATE" (case-sensitive) anywhere in a name of at least four characters.
bool gf_isGateName(std::string_view standIdText) noexcept;

} // namespace kiv
