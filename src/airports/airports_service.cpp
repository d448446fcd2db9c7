#include "airports/airports_service.h"

#include "airports/airport_file_paths.h"
#include "airports/current_park_airport.h"

namespace kiv {

std::optional<double> AirportsService::gf_parkAirportAltitude() const { return kiv::gf_parkAirportAltitude(); }

bool AirportsService::gf_airportFileExists(std::string_view icaoCode) const {
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(icaoCode);
    return icao && kiv::gf_airportFileExists(*icao);
}

std::optional<std::string> AirportsService::gf_currentParkAirportStand() const { return std::nullopt; }

ParkAirportInfo AirportsService::currentParkAirport() const {
    const KnownAirport airport = gf_currentParkAirport();
    return ParkAirportInfo{std::string(airport.icao.text()), airport.latitude, airport.longitude};
}

void AirportsService::clearCurrentParkAirport() { gf_clearCurrentParkAirport(); }

bool AirportsService::gf_isNearParkAirport(double latitude, double longitude) const {
    return kiv::gf_isNearParkAirport({latitude, longitude});
}

} // namespace kiv
