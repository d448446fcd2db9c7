#include "traffic/aircraft_records.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "traffic/detail/aircraft_class_tables.h"
#include "traffic/detail/geo.h"
#include "traffic/neighbour_ports.h"

namespace kiv {
namespace {

constexpr double kMetresPerNm = 1852.0;

double radiusNmOf(double halfSpanNm) {
    const double metres = std::clamp(kMetresPerNm * 1.8 * halfSpanNm + 12.0, 18.0, 65.0);
    return metres / kMetresPerNm;
}

// A model beyond the wingspan table counts as one without a wingspan: the smallest radius.
double tableHalfSpanNm(const ModelsPort& models, std::uint16_t modelId) {
    return models.halfSpanNm(modelId).value_or(0.0);
}

void setTypeFlags(AircraftInfo& info, std::string_view code) {
    const SizeClass sizeClass = info.sizeClass;
    info.isJet = sizeClass == SizeClass::Bizjet || sizeClass == SizeClass::Large || sizeClass == SizeClass::Heavy;
    if (sizeClass == SizeClass::Large && detail::isRegionalType(code)) {
        info.isRegional = 1;
        info.isPistonTwin = 0;
        info.isLightSingle = 0;
        return;
    }
    info.isRegional = 0;
    if (sizeClass == SizeClass::TwoProps && detail::isPistonTwinType(code)) {
        info.isPistonTwin = 1;
        info.isLightSingle = 0;
        return;
    }
    info.isPistonTwin = 0;
    info.isLightSingle = sizeClass == SizeClass::Light && detail::isLightSingleType(code);
}

} // namespace

AircraftInfo gf_makeAircraftInfo(const ModelsPort& models, const TrafficRecordHead& head) {
    AircraftInfo info;
    info.head = head;
    const std::uint16_t modelId = head.liveryKey.modelId;
    const std::string code = models.modelCode(modelId);
    info.sizeClass = models.gf_sizeClassOfModel(modelId);
    const detail::ClassRow& row = detail::classRow(info.sizeClass);
    info.classDistance = row.classDistance;
    setTypeFlags(info, code);
    info.classValue1 = row.value1;
    info.classValue2 = row.value2;
    info.classValue3 = row.value3;
    info.classValue4 = row.value4;
    info.classAngle1Rad = detail::varyByPercent(row.angle1Deg, 2.5) * detail::kDegToRad;
    info.classAngle2Rad = detail::varyByPercent(row.angle2Deg, 5.0) * detail::kDegToRad;
    info.classRateRad = row.rateDeg * detail::kDegToRad;
    info.halfSpanNm = tableHalfSpanNm(models, modelId);
    info.conflictHalfSpanNm = info.halfSpanNm;
    info.radiusNm = radiusNmOf(info.halfSpanNm);
    info.outerRadiusNm = 1.25 * info.radiusNm;
    return info;
}

void gf_setLiveClassValues(AircraftInfo& info) {
    const detail::ClassRow& row = detail::classRow(info.sizeClass);
    info.liveRateCopy = info.classRateRad;
    info.liveFactor = row.liveFactor;
    info.liveRate = row.liveRate;
}

std::string_view gf_flightSituationName(FlightSituation situation) {
    static const std::array<std::string_view, 11> names = {
        "pushing_back", "pushed_back",  "taxi",    "takeoff_roll", "takeoff", "flying",
        "landing",      "landing_roll", "parking", "parked",       "birth",
    };
    const auto index = static_cast<std::uint32_t>(situation);
    if (index >= names.size()) {
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return names[index];
}

std::string_view gf_simStateName(SimState state) {
    static const std::array<std::string_view, 5> names = {"buffer", "adding2sim", "active", "liveryrespawn",
                                                          "removingfromsim"};
    const auto index = static_cast<std::uint32_t>(state);
    if (index >= names.size()) {
        throw std::out_of_range("invalid unordered_map<K, T> key");
    }
    return names[index];
}

bool gf_isGateName(std::string_view standIdText) noexcept {
    return standIdText.size() >= 4 && standIdText.find("GATE") != std::string_view::npos;
}

StaticAircraft::StaticAircraft(AircraftInfo aircraft, std::uint32_t stand, StandPose pose, bool cargo,
                               std::string_view standIdText) {
    info = std::move(aircraft);
    standLat = pose.latitude;
    standLon = pose.longitude;
    standHeading = pose.headingRad;
    standId = stand;
    cargoStand = cargo ? 1 : 0;
    gateStand = stand != 0 && gf_isGateName(standIdText) ? 1 : 0;
}

LiveAircraft::LiveAircraft(const StreamSample& first, AircraftInfo aircraft, double recordTime, WeekdaySlot now) {
    info = std::move(aircraft);
    parkedSlot = now;
    samples.push_back(first);
    lastRecordTime = recordTime;
}

} // namespace kiv
