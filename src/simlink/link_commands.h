// The records that the traffic side hands to the simulator link (creations, client events,
// data requests, flight plans, ATC ids, reverse thrust, timed poses) and what comes back
// (the user aircraft's state, simulator events). Plain value types; the link's queues and
// their mutexes live with the link.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include "models/livery_key.h"

namespace kiv {

struct AiPose {
    double latitude = 0.0;
    double longitude = 0.0;
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double headingRad = 0.0;
    double altitudeFt = 0.0;
    double verticalSpeedFpm = 0.0;
    double trueAirspeedKt = 0.0;
};

struct PoseSample {
    AiPose pose;
    std::int64_t timeNs = 0; // steady clock
};

struct CreateCommand {
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    double pitchDeg = 0.0;
    double bankDeg = 0.0;
    double headingDeg = 0.0;
    std::uint32_t onGround = 0;
    std::uint32_t airspeedKt = 0;
    std::string title;
    std::string tailNumber;
    std::uint32_t hexId = 0; // above 10000: live aircraft; 10000 or less: static
};

struct ClientEventCommand {
    std::uint32_t objectId = 0;
    std::uint32_t eventId = 0;
    std::uint32_t value = 0;
};

struct DataRequestCommand {
    std::uint32_t kind =
        0; // 0 objects in range, 1 user title, 2 user on ground, 3 user position, 4 static CG, 5 initial pose
    std::uint32_t objectId = 0;
};

inline constexpr std::uint32_t kDataRequestObjectsInRange = 0;
inline constexpr std::uint32_t kDataRequestUserTitleAndModel = 1;
inline constexpr std::uint32_t kDataRequestUserOnGround = 2;
inline constexpr std::uint32_t kDataRequestUserPosition = 3;
inline constexpr std::uint32_t kDataRequestStaticCgAndPitch = 4;
inline constexpr std::uint32_t kDataRequestInitialPose = 5;

struct FlightPlanCommand {
    std::uint32_t objectId = 0;
    std::filesystem::path path; // the object's ".pln" file
};

struct AtcIdCommand {
    std::uint32_t objectId = 0;
    std::string atcId;
};

struct ReverseThrustCommand {
    std::uint32_t objectId = 0;
    std::uint8_t active = 0;
    std::uint8_t reverse = 0;
};

// nav, beacon, landing, taxi, strobes, logo, cabin (0 off, 1 on)
using LightSet = std::array<std::uint32_t, 7>;

// Client event ids, mapped to the simulator's events by the link at every connection.
inline constexpr std::uint32_t kEventBeaconLightsSet = 207;
inline constexpr std::uint32_t kEventNavLightsSet = 208;
inline constexpr std::uint32_t kEventTaxiLightsSet = 209;
inline constexpr std::uint32_t kEventStrobesSet = 210;
inline constexpr std::uint32_t kEventLandingLightsSet = 211;
inline constexpr std::uint32_t kEventCabinLightsSet = 212;
inline constexpr std::uint32_t kEventLogoLightsSet = 213;
inline constexpr std::uint32_t kEventAllLightsToggle = 214;
inline constexpr std::uint32_t kEventFreezeLatitudeLongitudeSet = 215;
inline constexpr std::uint32_t kEventFreezeAltitudeSet = 216;
inline constexpr std::uint32_t kEventFreezeAttitudeSet = 217;
inline constexpr std::uint32_t kEventFlapsSet = 218;
inline constexpr std::uint32_t kEventSpoilersSet = 219;
inline constexpr std::uint32_t kEventGearSet = 220;
inline constexpr std::uint32_t kEventEngineAutoStart = 221;
inline constexpr std::uint32_t kEventEngineAutoShutdown = 222;
inline constexpr std::uint32_t kEventThrottleSet = 223;

// What the simulator did with the traffic side's requests, one fact per event.
enum class SimEventKind : std::uint32_t {
    liveAssigned = 0,   // object id of a live creation; key = hex id
    staticAssigned = 1, // object id of a static creation; key = hex id
    removed = 2,
    aiPosition = 3,       // key = SIM ON GROUND; data: ground altitude ft, altitude above ground ft
    staticCgAndPitch = 4, // data: static CG to ground ft, static pitch rad
    initialPose = 5,      // data: an AiPose from data[2] on
    createFailed = 6,     // key = hex id; data[0]: the creation's request id
};

struct SimEvent {
    std::uint32_t objectId = 0;
    std::uint32_t key = 0; // see SimEventKind
    std::int32_t wait = 0; // ticks waited by the traffic side; 0 when posted
    SimEventKind kind = SimEventKind::liveAssigned;
    std::array<double, 10> data{};

    // The initial-pose readback lies 16 bytes into the data.
    static constexpr std::size_t kPoseOffset = 2;
    AiPose pose() const {
        return {data[kPoseOffset],     data[kPoseOffset + 1], data[kPoseOffset + 2], data[kPoseOffset + 3],
                data[kPoseOffset + 4], data[kPoseOffset + 5], data[kPoseOffset + 6], data[kPoseOffset + 7]};
    }
    void setPose(const AiPose& p) {
        const double values[8] = {p.latitude,   p.longitude,  p.pitchRad,         p.bankRad,
                                  p.headingRad, p.altitudeFt, p.verticalSpeedFpm, p.trueAirspeedKt};
        for (std::size_t i = 0; i < 8; ++i) {
            data[kPoseOffset + i] = values[i];
        }
    }
};

// The link's view of the simulator: 0 none, 1 connected, 2 running (a flight is loaded),
// 3 shutting down (or stopped after a request error).
inline constexpr std::uint32_t kSimulatorNone = 0;
inline constexpr std::uint32_t kSimulatorConnected = 1;
inline constexpr std::uint32_t kSimulatorRunning = 2;
inline constexpr std::uint32_t kSimulatorShuttingDown = 3;

struct UserAircraftState {
    double latitude = 0.0;
    double longitude = 0.0;
    double pitchRad = 0.0;
    double bankRad = 0.0;
    double verticalSpeedFpm = 0.0;
    double headingRad = 0.0;
    double altitudeFt = 0.0;
    double indicatedAltitudeFt = 0.0;
    double altitudeAboveGroundFt = 0.0;
    double groundSpeedKt = 0.0;
    std::int64_t zuluTimeS = 0;
    std::int64_t zuluDayOfYear = 0;
    std::int64_t zuluYear = 0;
    std::int64_t lightStates = 0;
    double groundTrackDeg = 0.0;
    bool onGround = false; // from the simulator's once-per-second on-ground report
};

// What the link learnt of the user aircraft's model; the traffic side sizes its ground checks by it.
struct UserAircraftIdentity {
    std::string model; // empty until the simulator told it
    SizeClass sizeClass = SizeClass::Large;
    // Half wingspan in nautical miles (the unit of the type table): NaN until the model is
    // known, the table's largest when the model's own span is unknown.
    double halfSpanNm = std::numeric_limits<double>::quiet_NaN();
};

} // namespace kiv
