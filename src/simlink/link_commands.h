// The records that the traffic side hands to the simulator link (creations, client events,
// data requests, timed poses) and the user aircraft's state that comes back.
// Plain value types; the link's queues and their mutexes live with the link.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// nav, beacon, landing, taxi, strobes, logo, cabin (0 off, 1 on)
using LightSet = std::array<std::uint32_t, 7>;

inline constexpr std::uint32_t kEventBeaconLightsSet = 207;
inline constexpr std::uint32_t kEventFlapsSet = 218;
inline constexpr std::uint32_t kEventSpoilersSet = 219;
inline constexpr std::uint32_t kEventGearSet = 220;
inline constexpr std::uint32_t kEventEngineAutoStart = 221;
inline constexpr std::uint32_t kEventEngineAutoShutdown = 222;
inline constexpr std::uint32_t kEventThrottleSet = 223;

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

} // namespace kiv
