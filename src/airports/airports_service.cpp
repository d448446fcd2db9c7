#include "airports/airports_service.h"

#include "airports/airport_file_apply.h"
#include "airports/airport_file_paths.h"
#include "airports/airport_file_read.h"
#include "airports/learned_save.h"
#include "airports/park_airports.h"
#include "airports/current_park_airport.h"
#include "airports/known_airports.h"

namespace kiv {

std::optional<double> AirportsService::gf_parkAirportAltitude() const { return kiv::gf_parkAirportAltitude(); }

bool AirportsService::gf_airportFileExists(std::string_view icaoCode) const {
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(icaoCode);
    return icao && kiv::gf_airportFileExists(*icao);
}

std::optional<std::string> AirportsService::gf_currentParkAirportStand() const {
    return kiv::gf_currentParkAirportStand();
}

ParkAirportInfo AirportsService::currentParkAirport() const {
    const KnownAirport airport = gf_currentParkAirport();
    return ParkAirportInfo{std::string(airport.icao.text()), airport.latitude, airport.longitude};
}

void AirportsService::clearCurrentParkAirport() { gf_clearCurrentParkAirport(); }

bool AirportsService::gf_isNearParkAirport(double latitude, double longitude) const {
    return kiv::gf_isNearParkAirport({latitude, longitude});
}

namespace {

std::optional<KnownAirportInfo> infoOf(const std::optional<KnownAirport>& airport) {
    if (!airport) {
        return std::nullopt;
    }
    return KnownAirportInfo{std::string(airport->icao.text()), airport->iata, airport->latitude, airport->longitude};
}

} // namespace

std::optional<KnownAirportInfo> AirportsService::gf_nearestKnownAirport(double latitude, double longitude,
                                                                        double withinNm) const {
    return infoOf(gf_nearestKnownAirportWithin({latitude, longitude}, withinNm));
}

std::optional<KnownAirportInfo> AirportsService::gf_findKnownAirport(std::string_view icaoCode) const {
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(icaoCode);
    return icao ? infoOf(kiv::gf_findKnownAirport(*icao)) : std::nullopt;
}

std::optional<std::filesystem::path> AirportsService::gf_findAirportFilePath(std::string_view icaoCode) const {
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(icaoCode);
    return icao ? kiv::gf_findAirportFilePath(*icao) : std::nullopt;
}

ParkAirportFile AirportsService::readAndApplyAirportFile(const std::filesystem::path& path) {
    ParkAirportFile result;
    Expected<AirportFile, std::string> read = gf_readAirportFile(path);
    if (!read) {
        result.error = read.error();
        return result;
    }
    const AirportFile& file = read.value();
    gf_applyAirportFile(file);
    result.airportName = file.airport_name;
    result.qfReal = file.Qf_real;
    result.qfSoft = file.Qf_soft;
    result.handmade = file.handmadeOverrules != 0;
    result.publisher = file.publisher;
    result.publisherFlag = file.handmadeOverrules != 0;
    result.stands = std::move(read.value().stands);
    return result;
}

void AirportsService::gf_saveLearned(std::span<const Stand> stands, bool handmade) {
    kiv::gf_saveLearned(stands, handmade);
}

void AirportsService::gf_applyParkSettings() {
    kiv::gf_applyParkSettings();
    gf_clearAppliedAirportFile();
}

void AirportsService::gf_addLearnedUpdate() { kiv::gf_addLearnedUpdate(); }

void AirportsService::resetLearnedUpdates() { kiv::gf_resetLearnedUpdateCount(); }

void AirportsService::noteUserStand(const ParkAirportInfo& airport, const std::optional<std::string>& userStand) {
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(airport.code);
    if (!icao) {
        return;
    }
    const std::optional<ParkAirport> front = lf_frontParkAirport();
    if (front && front->icao == *icao) {
        if (userStand && *userStand != front->stand) {
            gf_updateCurrentParkAirportStand(*icao, *userStand);
        }
        return;
    }
    gf_setParkAirportStand(*icao, Lalo{airport.latitude, airport.longitude}, userStand.value_or(""));
}

void AirportsService::gf_selectNearestParkAirport(double latitude, double longitude) {
    kiv::gf_selectNearestParkAirport({latitude, longitude});
}

void AirportsService::gf_checkParkAirportReach(double latitude, double longitude) {
    kiv::gf_checkParkAirportReach({latitude, longitude});
}

void AirportsService::gf_parkAirportOnGround(double latitude, double longitude) {
    kiv::gf_parkAirportOnGround({latitude, longitude});
}

} // namespace kiv
