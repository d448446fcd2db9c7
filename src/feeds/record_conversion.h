// From the raw fields of one feed record to the record the traffic manager takes: the range
// filter, the identity and type checks, interned airline and model ids, the altitude
// correction and the derived values. Runs on the feed threads; reads only the context, the
// neighbours it names, the type database and the published settings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "feeds/traffic_record.h"
#include "settings/settings_snapshot.h"

namespace kiv {

class FeedsNeighbours;

// Feed timestamps are seconds since 1970: finite, above 0 and below 2^63.
inline constexpr double kTimestampLimit = 9223372036854775808.0;
inline bool lf_isValidTimestamp(double seconds) { return seconds > 0.0 && seconds < kTimestampLimit; }

// Taken once per reply (RT Direct) or per batch (RT App) by the reader.
struct ConversionContext {
    double centreLatitude = 0.0;
    double centreLongitude = 0.0;
    double cosCentreLatitude = 1.0;
    std::optional<double> parkElevationFt;
    std::int32_t qnh = 1013;                          // hPa
    std::shared_ptr<const SettingsSnapshot> settings; // none: nothing is converted
    bool reportIdentities = false;
    bool dropGroundSquawk = false;               // drop ground records that squawk "0000"
    bool identitiesBeforeChecks = false;         // report identities before the callsign/registration check
    const FeedsNeighbours* neighbours = nullptr; // park airport, user aircraft, size classes
};

// The raw fields of one live or buffered record; the texts are only read during the call.
struct TrafficFields {
    double timestamp = 0.0; // seconds since 1970
    std::uint32_t hexId = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0; // barometric, as received
    double verticalRateFpm = 0.0;
    double trackDeg = 0.0;
    double groundSpeedKt = 0.0;
    double trueHeadingDeg = 0.0;
    double rollDeg = -1.0;        // -1: unknown
    double trueAirspeedKt = -1.0; // -1: unknown
    std::string_view callsign;
    std::string_view type;
    std::string_view registration;
    std::string_view origin;
    std::string_view destination;
    std::string_view source; // e.g. "adsb_icao"
    std::string_view category;
    std::string_view airline;
    std::string_view squawk;
};

struct ParkedFields {
    std::uint32_t hexId = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    std::int64_t timestamp = 0; // whole seconds since 1970
    std::string_view callsign;
    std::string_view type;
    std::string_view registration;
    std::string_view stand;
};

struct ReceivedIdentity {
    std::string callsign;
    std::uint32_t hexId = 0;
};

struct TrafficConversionResult {
    std::uint64_t timestamp = 0; // rounded; set whenever the timestamp is valid
    std::optional<TrafficRecord> record;
    std::optional<ReceivedIdentity> identity;
};

struct RangeFilterResult {
    std::uint64_t timestamp = 0;
    bool inRange = false;
};

// Throws std::runtime_error for a timestamp or position outside its range.
RangeFilterResult lf_filterTrafficRecord(const ConversionContext& context, const TrafficFields& fields);

// Throws std::runtime_error for a bad timestamp, position or true heading and
// std::invalid_argument for a malformed origin or destination code.
TrafficConversionResult lf_convertTrafficRecord(const ConversionContext& context, const TrafficFields& fields);

// Empty when the record is not usable; throws std::runtime_error "lalo: {}" for a bad position.
std::optional<ParkedRecord> lf_convertParkedRecord(const ParkedFields& fields, const FeedsNeighbours& neighbours);

// The altitude after the QNH and user-aircraft corrections; 0 means on the ground.
double lf_correctAltitude(double altitudeFt, double groundSpeedKt, const ConversionContext& context);

// The type designator after the type database's fixes.
std::string lf_applyTypeFix(std::string_view type);

} // namespace kiv
