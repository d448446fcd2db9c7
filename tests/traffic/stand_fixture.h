// A traffic fixture with the stand steps, park stands laid out on a small grid and helpers
// that put static and live aircraft on them. Tests only.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "test_support/log_capture.h"
#include "traffic/park_stands.h"
#include "traffic/stand_steps.h"
#include "traffic_fakes.h"

namespace kiv::test_support {

inline constexpr double kBaseLat = 50.0;
inline constexpr double kBaseLon = 8.5;
inline constexpr double kPi = 3.14159265358979323846;

// Degrees of latitude for metres north, and of longitude for metres east at the base latitude.
inline double northDeg(double metres) { return metres / 1852.0 / 60.0; }
inline double eastDeg(double metres) { return metres / 1852.0 / 60.0 / std::cos(kBaseLat * kPi / 180.0); }

struct StandFixture : TrafficFixture {
    StandSteps stand;

    // A stand `eastM` metres east of the base point, heading north, radius in metres.
    Stand& addStand(std::string id, double eastM, double radiusM = 30.0,
                    ParkingType type = ParkingType::gate_heavy, std::vector<std::uint32_t> overlaps = {}) {
        Stand s;
        s.id = std::move(id);
        s.latitude = kBaseLat;
        s.longitude = kBaseLon + eastDeg(eastM);
        s.heading = 0.0;
        s.radius = radiusM / 1852.0;
        s.type = gf_parkingTypeCode(type);
        s.overlaps = std::move(overlaps);
        s.number = static_cast<std::uint32_t>(state.parkStands.size() + 1);
        state.standNameIndex[s.id] = s.number;
        state.parkStands.push_back(std::move(s));
        gf_publishParkStands(state);
        return state.parkStands.back();
    }

    StaticAircraft& addStatic(std::uint32_t hexId, std::uint32_t standId, SimState simState = SimState::active,
                              std::uint32_t objectId = 0, std::string callsign = "", std::string registration = "") {
        TrafficRecordHead head;
        head.callsign = callsign.empty() ? "ST" + std::to_string(hexId) : std::move(callsign);
        head.registration = std::move(registration);
        head.liveryKey.modelId = 1;
        AircraftInfo info = gf_makeAircraftInfo(models, head);
        info.hexId = hexId;
        const Stand* s = standId >= 1 && standId <= state.parkStands.size() ? &state.parkStands[standId - 1] : nullptr;
        StandPose pose{s ? s->latitude : 0.0, s ? s->longitude : 0.0, s ? s->heading : 0.0};
        state.statics.emplace_back(info, standId, pose, false, s ? std::string_view(s->id) : std::string_view{});
        StaticAircraft& a = state.statics.back();
        a.simState = simState;
        a.objectId = objectId == 0 && simState == SimState::active ? 100 + hexId : objectId;
        return a;
    }

    // A live aircraft on the ground at the base point plus metres east/north.
    LiveAircraft& addGroundLive(std::uint32_t hexId, std::string callsign, double eastM = 0.0, double northM = 0.0,
                                FlightSituation situation = FlightSituation::taxi) {
        LiveAircraft& a = addLive(hexId, SimState::active, 1000 + hexId, std::move(callsign));
        a.pose.latitude = kBaseLat + northDeg(northM);
        a.pose.longitude = kBaseLon + eastDeg(eastM);
        a.samples.front().latitude = a.pose.latitude;
        a.samples.front().longitude = a.pose.longitude;
        a.samples.front().airborne = 0;
        a.onGround = 1;
        a.situation = situation;
        return a;
    }

    // Puts the live aircraft parked on the stand.
    void parkOn(LiveAircraft& a, std::uint32_t standId) {
        const Stand& s = state.parkStands[standId - 1];
        a.standId = standId;
        a.standLat = s.latitude;
        a.standLon = s.longitude;
        a.standHeading = s.heading;
        a.pose.latitude = s.latitude;
        a.pose.longitude = s.longitude;
        a.situation = FlightSituation::parked;
    }

    static bool anyLineHas(const std::vector<std::string>& lines, const std::string& text) {
        for (const std::string& line : lines) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

} // namespace kiv::test_support
