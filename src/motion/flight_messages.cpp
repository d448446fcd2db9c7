#include "motion/flight_messages.h"

#include <cmath>
#include <utility>

#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "models/interned_codes.h"

namespace kiv {
namespace {

constexpr double kDepartureWithinNm = 5.0;

DepartureAirport codesOf(const IataCode& iata, const std::string& icao) {
    if (iata.key != 0) {
        return {std::string(iata.text()), iata};
    }
    return {icao, {}};
}

// Flat-earth distance with the airport's latitude scale, compared as squares.
bool withinDeparture(const Lalo& position, const ParkAirportInfo& airport) noexcept {
    const double north = (position.latitude - airport.latitude) * 60.0;
    const double east =
        std::cos(airport.latitude * kDegreesToRadians) * (position.longitude - airport.longitude) * 60.0;
    return north * north + east * east <= kDepartureWithinNm * kDepartureWithinNm;
}

} // namespace

DepartureAirport lf_departureAirportCode(const MotionEnvironment& environment, const Lalo& position,
                                         const Route& route) {
    const ParkAirportInfo park = environment.parkAirport();
    if (!park.code.empty() && gf_isValidLalo(park.latitude, park.longitude) && withinDeparture(position, park)) {
        const std::optional<KnownAirportInfo> row = environment.knownAirport(park.code);
        return codesOf(row ? row->iata : IataCode{}, park.code);
    }
    if (route.origin.key != 0) {
        return {std::string(route.origin.text()), route.origin};
    }
    if (const auto known = environment.nearestKnownAirport(position)) {
        return codesOf(known->iata, known->icao);
    }
    return {};
}

std::string gf_airlineCodesText(const LiveAircraft& aircraft) {
    const LiveryKey& key = aircraft.info.head.liveryKey;
    std::string text = gf_airlineCode(key.airlineId);
    if (key.operatorId != 0) {
        const std::string operatorCode = gf_airlineCode(key.operatorId);
        if (!operatorCode.empty()) {
            text += ",";
            text += operatorCode;
        }
    }
    return text;
}

std::string lf_takeoffMessage(const MotionEnvironment& environment, const LiveAircraft& aircraft) {
    const TrafficRecordHead& head = aircraft.info.head;
    const DepartureAirport departure =
        lf_departureAirportCode(environment, {aircraft.pose.latitude, aircraft.pose.longitude}, head.route);
    const std::string from = departure.text.empty() ? std::string() : fmt::format(" from {}", departure.text);
    const IataCode& destination = head.route.destination;
    const std::string to = destination.key != 0 && !(destination == departure.iata)
                               ? fmt::format(" to {}", destination.text())
                               : std::string();
    return fmt::format("{} {} {} {} {} take off{}{} ...", gf_dataTimeTextShort(), head.callsign, head.registration,
                       gf_airlineCodesText(aircraft), gf_modelCode(head.liveryKey.modelId), from, to);
}

void gf_postFlightMessage(MotionEnvironment& environment, std::string text) {
    if (environment.settings()->flightMessages) {
        environment.postFlightMessage(std::move(text));
    }
}

} // namespace kiv
