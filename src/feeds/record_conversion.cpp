#include "feeds/record_conversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "feeds/block_filter.h"
#include "feeds/feeds_neighbours.h"
#include "feeds/record_rules.h"
#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "models/interned_codes.h"
#include "models/type_database.h"

namespace kiv {
namespace {

constexpr std::uint32_t kHighestStaticHexId = 10000;
constexpr std::string_view kTrueHeadingSource = "adsb_icao";
constexpr double kParkAirportReachNmSquared = 25.0; // 5 NM

struct TasRow {
    double upToAltitudeFt;
    double trueAirspeedKt;
};
constexpr std::array<TasRow, 4> kTasByAltitude{{{2000.0, 180.0}, {5000.0, 220.0}, {10000.0, 250.0}, {20000.0, 350.0}}};
constexpr double kTasAbove = 430.0;

std::string acceptedRegistration(std::string_view registration) {
    if (registration == "null" || registration.size() < 3 || registration.size() > 12) {
        return {};
    }
    return std::string(registration);
}

double flatDistanceNmSquared(double latitude, double longitude, double centreLatitude, double centreLongitude,
                             double cosCentreLatitude) {
    const double north = (centreLatitude - latitude) * 60.0;
    const double east = (centreLongitude - longitude) * cosCentreLatitude * 60.0;
    return north * north + east * east;
}

// Step 7: only ADS-B headings are trusted; 0 means north.
std::optional<double> trueHeadingRad(const TrafficFields& fields) {
    if (fields.source != kTrueHeadingSource) {
        return std::nullopt;
    }
    const double degrees = fields.trueHeadingDeg;
    if (degrees == 0.0) {
        return kFullTurnRad;
    }
    if (degrees > 360.0) {
        throw std::runtime_error(fmt::format("true heading: {:.2f}", degrees));
    }
    if (degrees > 0.0) {
        return degrees * kDegreesToRadians;
    }
    return std::nullopt;
}

// Step 6 for both record kinds: a B777 of a cargo operator is the freighter.
void applyCargoVariant(std::string& type, LiveryKey& key) {
    if (type == "B777" && gf_isCargo(key)) {
        type = "B77F";
        key.cargo = 1;
    }
}

bool nearParkAirport(const TrafficRecord& record, const FeedsNeighbours* neighbours) {
    if (neighbours == nullptr) {
        return false;
    }
    const ParkAirportInfo airport = neighbours->currentParkAirport();
    if (airport.code.empty() || !gf_isValidLalo(airport.latitude, airport.longitude)) {
        return false;
    }
    const double distance = flatDistanceNmSquared(record.sample.latitude, record.sample.longitude, airport.latitude,
                                                  airport.longitude, std::cos(airport.latitude * kDegreesToRadians));
    return distance <= kParkAirportReachNmSquared;
}

double estimatedTrueAirspeed(double altitudeFt) {
    for (const TasRow& row : kTasByAltitude) {
        if (row.upToAltitudeFt >= altitudeFt) {
            return row.trueAirspeedKt;
        }
    }
    return kTasAbove;
}

std::optional<double> bankRad(bool airborne, double rollDeg) {
    if (!airborne || rollDeg == -1.0 || !std::isfinite(rollDeg) || std::abs(rollDeg) > 90.0) {
        return std::nullopt;
    }
    return -rollDeg * kDegreesToRadians;
}

// The rest of the conversion once the record is known to be wanted (steps 17 to 22).
void fillSample(TrafficRecord& record, const TrafficFields& fields, double altitudeFt,
                std::optional<double> trueHeading) {
    StreamSample& sample = record.sample;
    const bool airborne = altitudeFt > 0.0;
    sample.latitude = fields.latitude;
    sample.longitude = fields.longitude;
    sample.altitudeFt = altitudeFt;
    sample.groundSpeedKt = fields.groundSpeedKt;
    sample.trackDeg = fields.trackDeg == 0.0 && trueHeading ? *trueHeading * kRadiansToDegrees : fields.trackDeg;
    sample.verticalRateFpm = std::isfinite(fields.verticalRateFpm) ? fields.verticalRateFpm : 0.0;
    record.head.route.origin = lf_iataCodeOrNone(fields.origin);
    record.head.route.destination = lf_iataCodeOrNone(fields.destination);
    sample.bankRad = bankRad(airborne, fields.rollDeg);
    sample.trueAirspeedKt = fields.trueAirspeedKt == -1.0 ? estimatedTrueAirspeed(altitudeFt) : fields.trueAirspeedKt;
    sample.airborne = airborne ? 1 : 0;
    sample.trueHeadingValid = trueHeading ? 1 : 0;
    sample.trueHeadingRad = trueHeading;
    record.timestamp = fields.timestamp;
    record.hexId = fields.hexId;
}

} // namespace

RangeFilterResult lf_filterTrafficRecord(const ConversionContext& context, const TrafficFields& fields) {
    if (!context.settings) {
        return {};
    }
    const double timestamp = fields.timestamp;
    if (!lf_isValidTimestamp(timestamp)) {
        throw std::runtime_error(fmt::format("timestamp outside range: {:.3f}", timestamp));
    }
    if (!gf_isValidLalo(fields.latitude, fields.longitude)) {
        throw std::runtime_error(fmt::format("invalid lalo: {:.6f},{:.6f}", fields.latitude, fields.longitude));
    }
    RangeFilterResult result;
    result.timestamp = static_cast<std::uint64_t>(std::round(timestamp));
    result.inRange =
        flatDistanceNmSquared(fields.latitude, fields.longitude, context.centreLatitude, context.centreLongitude,
                              context.cosCentreLatitude) <= context.settings->rangeNmSquared;
    return result;
}

std::string lf_applyTypeFix(std::string_view type) {
    const ModelFixes& fixes = gf_modelFixes();
    const auto fixed = fixes.find(type);
    return fixed == fixes.end() ? std::string(type) : fixed->second;
}

double lf_correctAltitude(double altitudeFt, double groundSpeedKt, const ConversionContext& context) {
    if (!(altitudeFt > 0.0)) {
        return 0.0;
    }
    const double qnhOffsetFt = (context.qnh - 1013.25) * 30.0;
    const bool rtDirect = gf_isRTDirect();
    const double low = rtDirect ? altitudeFt + qnhOffsetFt : altitudeFt;
    double high = rtDirect ? altitudeFt : altitudeFt - qnhOffsetFt;
    if (context.neighbours != nullptr) {
        const auto user = context.neighbours->userAircraft();
        high += user->altitudeFt - user->indicatedAltitudeFt;
    }
    const double t = std::clamp((altitudeFt - 17000.0) / 2000.0, 0.0, 1.0);
    const double w = (3.0 - 2.0 * t) * t * t;
    double result = std::max(0.0, low * (1.0 - w * w) + high * w * w);
    if (context.parkElevationFt && result > 0.0 && result < 14000.0) {
        const double height = result - *context.parkElevationFt;
        const double threshold = groundSpeedKt > 120.0   ? 0.0
                                 : groundSpeedKt <= 43.0 ? 90.0
                                                         : (120.0 - groundSpeedKt) / 77.0 * 45.0 + 45.0;
        if (height <= 0.0 || height <= threshold) {
            result = 0.0;
        }
    }
    return result;
}

TrafficConversionResult lf_convertTrafficRecord(const ConversionContext& context, const TrafficFields& fields) {
    TrafficConversionResult result;
    const RangeFilterResult filtered = lf_filterTrafficRecord(context, fields);
    result.timestamp = filtered.timestamp;
    if (!filtered.inRange) {
        return result;
    }
    TrafficRecord record;
    TrafficRecordHead& head = record.head;
    head.registration = acceptedRegistration(fields.registration);
    head.callsign = lf_normaliseCallsign(fields.callsign);
    std::string type = lf_applyTypeFix(fields.type);
    if (!lf_isAcceptableType(type, fields.category)) {
        return result;
    }
    if (!fields.airline.empty()) {
        head.liveryKey.airlineId = gf_airlineId(fields.airline);
    } else if (!head.callsign.empty()) {
        gf_airlineCodeFromCallsign(head);
    }
    applyCargoVariant(type, head.liveryKey);
    head.liveryKey.modelId = gf_modelId(type);
    const std::optional<double> trueHeading = trueHeadingRad(fields);
    if (fields.hexId <= kHighestStaticHexId) {
        return result;
    }
    record.hexId = fields.hexId;
    const double altitudeFt = lf_correctAltitude(fields.altitudeFt, fields.groundSpeedKt, context);
    const bool airborne = altitudeFt > 0.0;
    const bool moving = std::isfinite(fields.groundSpeedKt) && fields.groundSpeedKt > 0.0;
    if (airborne && !moving && gf_sizeClassOfModel(head.liveryKey.modelId) != SizeClass::Rotorcraft) {
        return result;
    }
    if (context.reportIdentities && context.identitiesBeforeChecks) {
        result.identity = ReceivedIdentity{head.callsign, fields.hexId};
    }
    if (head.callsign.empty() && head.registration.empty()) {
        return result;
    }
    if (!airborne && context.dropGroundSquawk && fields.squawk == "0000") {
        return result;
    }
    if (context.reportIdentities && !context.identitiesBeforeChecks) {
        result.identity = ReceivedIdentity{head.callsign, fields.hexId};
    }
    record.sample.latitude = fields.latitude;
    record.sample.longitude = fields.longitude;
    if (!airborne && !nearParkAirport(record, context.neighbours)) {
        return result;
    }
    if (!context.settings->block.aircraft.empty() && !lf_passesBlockFilter(record, context.settings->block)) {
        return result;
    }
    fillSample(record, fields, altitudeFt, trueHeading);
    result.record = std::move(record);
    return result;
}

std::optional<ParkedRecord> lf_convertParkedRecord(const ParkedFields& fields, const FeedsNeighbours& neighbours) {
    if (fields.hexId <= kHighestStaticHexId || fields.timestamp < 1 || fields.type.empty()) {
        return std::nullopt;
    }
    ParkedRecord record;
    TrafficRecordHead& head = record.head;
    const std::optional<UtcCalendar> seen = gf_utcCalendar(fields.timestamp);
    record.slot = seen ? gf_halfHourSlotOf(*seen) : -1;
    head.registration = acceptedRegistration(fields.registration);
    head.callsign = lf_normaliseCallsign(fields.callsign);
    std::string type = lf_applyTypeFix(fields.type);
    if (const std::optional<LiveryKey> known = gf_lookupRegistration(head.registration)) {
        head.liveryKey = *known;
        if (head.callsign.empty()) {
            head.callsign = head.registration;
        }
    } else {
        if (!head.callsign.empty()) {
            gf_airlineCodeFromCallsign(head);
        }
        applyCargoVariant(type, head.liveryKey);
        if (!gf_isKnownModelCode(type)) {
            return std::nullopt;
        }
        head.liveryKey.modelId = gf_modelId(type);
    }
    if (!gf_isValidLalo(fields.latitude, fields.longitude)) {
        throw std::runtime_error(fmt::format("lalo: {:.6f},{:.6f}", fields.latitude, fields.longitude));
    }
    if (head.registration.empty() && !head.callsign.empty()) {
        if (const std::optional<LiveryKey> known = gf_lookupRegistration(head.callsign)) {
            head.liveryKey = *known;
            head.registration = head.callsign;
            if (!gf_airlineCode(known->operatorId).empty()) {
                head.liveryKey.airlineId = known->operatorId;
            }
        }
    }
    if (!gf_isKnownModelCode(gf_modelCode(head.liveryKey.modelId)) ||
        !neighbours.isSizeClassIncluded(gf_sizeClassOfModel(head.liveryKey.modelId))) {
        return std::nullopt;
    }
    record.stand = std::string(fields.stand);
    if (!record.stand.empty()) {
        if (neighbours.currentParkAirportStand() == record.stand) {
            return std::nullopt;
        }
        const auto user = neighbours.userAircraft();
        if (neighbours.standAtPosition(user->latitude, user->longitude) == record.stand) {
            return std::nullopt;
        }
    }
    record.latitude = fields.latitude;
    record.longitude = fields.longitude;
    record.hexId = fields.hexId;
    return record;
}

} // namespace kiv
