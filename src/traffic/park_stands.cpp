#include "traffic/park_stands.h"

#include <cmath>
#include <memory>

#include "traffic/detail/geo.h"
#include "traffic/traffic_state.h"

namespace kiv {
namespace {

constexpr double kCacheRadiusSquaredNm = 9e-6; // about 5.6 m
constexpr double kStandRadiusNm = 20.0 / 1852.0;

struct StandCache {
    std::shared_ptr<const ParkStandsSnapshot> snapshot;
    double latitude = 0.0;
    double longitude = 0.0;
    bool valid = false;
    std::optional<std::string> answer;
};

thread_local StandCache t_cache;

std::optional<std::string> nearestStand(const ParkStandsSnapshot& stands, double latitude, double longitude) {
    const double cosLat = std::cos(latitude * detail::kDegToRad);
    const ParkStandEntry* best = nullptr;
    double bestSquared = kStandRadiusNm * kStandRadiusNm;
    for (const ParkStandEntry& entry : stands) {
        const double squared =
            detail::flatDistanceSquaredNm(latitude, longitude, entry.latitude, entry.longitude, cosLat);
        if (squared <= kStandRadiusNm * kStandRadiusNm && (best == nullptr || squared < bestSquared)) {
            best = &entry;
            bestSquared = squared;
        }
    }
    return best == nullptr ? std::nullopt : std::optional<std::string>(best->idText);
}

} // namespace

void gf_publishParkStands(TrafficState& state) {
    auto snapshot = std::make_shared<ParkStandsSnapshot>();
    snapshot->reserve(state.parkStands.size());
    for (const Stand& stand : state.parkStands) {
        snapshot->push_back({stand.id, stand.latitude, stand.longitude});
    }
    state.parkStandsSnapshot.store(std::move(snapshot));
}

std::optional<std::string> gf_findStandAtPosition(const TrafficState& state, double latitude, double longitude) {
    std::shared_ptr<const ParkStandsSnapshot> snapshot = state.parkStandsSnapshot.load();
    const bool userOnGround = state.publishedUser.load()->onGround;
    if (snapshot == nullptr || snapshot->empty() || !userOnGround) {
        t_cache = StandCache{};
        return std::nullopt;
    }
    const double cosLat = std::cos(latitude * detail::kDegToRad);
    if (t_cache.valid && t_cache.snapshot == snapshot &&
        detail::flatDistanceSquaredNm(latitude, longitude, t_cache.latitude, t_cache.longitude, cosLat) <=
            kCacheRadiusSquaredNm) {
        return t_cache.answer;
    }
    std::optional<std::string> answer = nearestStand(*snapshot, latitude, longitude);
    t_cache = StandCache{std::move(snapshot), latitude, longitude, true, answer};
    return answer;
}

std::string gf_standName(const TrafficState& state, std::int32_t standId) {
    if (standId == 0) {
        return "sid==0?";
    }
    if (standId < 0 || static_cast<std::size_t>(standId) > state.parkStands.size()) {
        return "sid==?";
    }
    const Stand& stand = state.parkStands[static_cast<std::size_t>(standId) - 1];
    return stand.number == static_cast<std::uint32_t>(standId) ? stand.id : "sid==?";
}

} // namespace kiv
