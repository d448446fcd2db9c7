#include "airports/current_park_airport.h"

#include <cmath>
#include <mutex>
#include <shared_mutex>

namespace kiv {
namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kNearRadiusNm = 10.0;

struct ParkAirportSlot {
    std::shared_mutex lock;
    KnownAirport airport;
};

ParkAirportSlot& slot() {
    static ParkAirportSlot instance;
    return instance;
}

bool isSetAndValid(const KnownAirport& airport) {
    return !airport.icao.empty() && gf_isValidLalo(airport.latitude, airport.longitude);
}

} // namespace

KnownAirport gf_currentParkAirport() {
    ParkAirportSlot& park = slot();
    const std::shared_lock<std::shared_mutex> reading(park.lock);
    return park.airport;
}

void gf_setCurrentParkAirport(const KnownAirport& airport) {
    ParkAirportSlot& park = slot();
    const std::unique_lock<std::shared_mutex> writing(park.lock);
    park.airport = airport;
}

void gf_setParkAirportAltitudeFt(std::int32_t altitudeFt) {
    ParkAirportSlot& park = slot();
    const std::unique_lock<std::shared_mutex> writing(park.lock);
    park.airport.altitude = altitudeFt;
}

void gf_clearCurrentParkAirport() {
    ParkAirportSlot& park = slot();
    const std::unique_lock<std::shared_mutex> writing(park.lock);
    park.airport.icao = IcaoCode();
    park.airport.iata = IataCode();
    park.airport.altitude = 0;
}

std::optional<double> gf_parkAirportAltitude() {
    const KnownAirport airport = gf_currentParkAirport();
    if (!isSetAndValid(airport)) {
        return std::nullopt;
    }
    return static_cast<double>(airport.altitude);
}

bool gf_isNearParkAirport(const Lalo& position) {
    const KnownAirport airport = gf_currentParkAirport();
    if (!isSetAndValid(airport)) {
        return false;
    }
    const double north = (airport.latitude - position.latitude) * 60.0;
    const double east = std::cos(airport.latitude * kDegToRad) * (airport.longitude - position.longitude) * 60.0;
    return north * north + east * east <= kNearRadiusNm * kNearRadiusNm;
}

} // namespace kiv
