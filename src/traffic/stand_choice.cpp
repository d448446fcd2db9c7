#include "traffic/stand_choice.h"

#include <cmath>

#include "traffic/aircraft_records.h"
#include "traffic/detail/geo.h"

namespace kiv {
namespace {

constexpr double kNeverFitsExcessNm = 0.0029157667386609074; // 5.4 m
constexpr double kFuelExcessNm = 0.002699784017278618;       // 5.0 m
constexpr double kExtraExcessNm = 0.0009719222462203025;     // 1.8 m
constexpr double kSearchBoxNm = 0.04387149028077754;         // 81.25 m
constexpr double kMetresPerNm = 1852.0;
constexpr double kSearchStartNm = 900.0;

bool isOneOf(SizeClass sizeClass, std::initializer_list<SizeClass> classes) noexcept {
    for (SizeClass c : classes) {
        if (c == sizeClass) {
            return true;
        }
    }
    return false;
}

} // namespace

bool gf_standFitsSizeClass(const Stand& stand, SizeClass sizeClass, double aircraftValueNm) noexcept {
    const double excess = aircraftValueNm - stand.radius;
    if (!(excess <= kNeverFitsExcessNm)) {
        return false;
    }
    using enum SizeClass;
    switch (static_cast<ParkingType>(stand.type)) {
    case ParkingType::ramp_ga:
    case ParkingType::ramp_ga_small:
    case ParkingType::dock_ga:
        return isOneOf(sizeClass, {Light, TwoProps, Bizjet, Rotorcraft});
    case ParkingType::ramp_ga_medium:
        return isOneOf(sizeClass, {Bizjet, Large, Rotorcraft});
    case ParkingType::ramp_ga_large:
    case ParkingType::ramp_cargo:
        return isOneOf(sizeClass, {Large, Heavy});
    case ParkingType::ramp_mil_cargo:
        return isOneOf(sizeClass, {Bizjet, Large, Heavy, Rotorcraft});
    case ParkingType::ramp_mil_combat:
        return isOneOf(sizeClass, {HighPerf, Rotorcraft});
    case ParkingType::gate_small:
        return isOneOf(sizeClass, {Light, TwoProps, Bizjet}) || (sizeClass == Large && excess <= 0.0);
    case ParkingType::gate_medium:
        return isOneOf(sizeClass, {Bizjet, Large});
    case ParkingType::gate_heavy:
        return isOneOf(sizeClass, {Large, Heavy});
    case ParkingType::fuel:
        return excess <= kFuelExcessNm;
    case ParkingType::ramp_ga_extra:
    case ParkingType::gate_extra:
        return excess <= kExtraExcessNm;
    case ParkingType::none:
    case ParkingType::vehicle:
    default:
        return false;
    }
}

bool gf_standHasMatchingOption(const Stand& stand, const std::string& callsign, const LiveryKey& key) noexcept {
    if (callsign.empty()) {
        return false;
    }
    for (const FlightOption& option : stand.options) {
        if (option.seq == 0 || option.fromFile != 1) {
            continue;
        }
        if (option.cs == callsign || option.cs2 == callsign) {
            return true;
        }
        if (option.key.airlineId == key.airlineId && option.key.modelId == key.modelId &&
            option.key.operatorId == key.operatorId && option.key.cargo == key.cargo) {
            return true;
        }
    }
    return false;
}

bool gf_standUsableFor(const Stand& stand, const AircraftInfo& aircraft) noexcept {
    if (stand.type == gf_parkingTypeCode(ParkingType::none) || stand.blocked) {
        return false;
    }
    if (stand.heli != (aircraft.sizeClass == SizeClass::Rotorcraft)) {
        return false;
    }
    return gf_standFitsSizeClass(stand, aircraft.sizeClass, aircraft.halfSpanNm);
}

const Stand* gf_findNearestStand(std::span<const Stand> stands, const Lalo& position, const AircraftInfo& aircraft,
                                 double& distanceMetres, bool allowLearned) {
    distanceMetres = kNoStandDistanceMetres;
    const double cosLat = std::cos(position.latitude * detail::kDegToRad);
    const Stand* best = nullptr;
    double bestNm = kSearchStartNm;
    const Stand* learned = nullptr;
    double learnedNm = kSearchStartNm;
    for (const Stand& stand : stands) {
        if (!gf_standUsableFor(stand, aircraft)) {
            continue;
        }
        const double dLat = std::fabs(stand.latitude - position.latitude) * 60.0;
        const double dLon = std::fabs(stand.longitude - position.longitude) * 60.0 * cosLat;
        if (!(dLat <= kSearchBoxNm) || !(dLon <= kSearchBoxNm)) {
            continue;
        }
        const double distanceNm = std::sqrt(dLat * dLat + dLon * dLon);
        if (!std::isfinite(distanceNm) || distanceNm > kSearchBoxNm) {
            continue;
        }
        if (distanceNm <= aircraft.radiusNm && distanceNm < bestNm) {
            best = &stand;
            bestNm = distanceNm;
        } else if (allowLearned && best == nullptr && distanceNm < aircraft.outerRadiusNm && distanceNm < learnedNm &&
                   gf_standHasMatchingOption(stand, aircraft.head.callsign, aircraft.head.liveryKey)) {
            learned = &stand;
            learnedNm = distanceNm;
        }
    }
    if (best != nullptr) {
        distanceMetres = bestNm * kMetresPerNm;
        return best;
    }
    if (learned != nullptr) {
        distanceMetres = learnedNm * kMetresPerNm;
        return learned;
    }
    return nullptr;
}

} // namespace kiv
