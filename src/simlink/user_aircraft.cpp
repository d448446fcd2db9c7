#include "simlink/user_aircraft.h"

#include <cctype>

#include "foundation/string_helpers.h"

namespace kiv {
namespace {

bool isLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 1970-01-01 to 1 January of `year` in the proleptic Gregorian calendar.
std::int64_t daysToNewYear(std::int64_t year) {
    // The civil-from-days arithmetic on eras of 400 years, taken at 1 January (month 1, day 1).
    const std::int64_t y = year - 1; // January belongs to the previous March-based year
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    constexpr std::int64_t dayOfMarchYear = 306; // 1 January counted from 1 March
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfMarchYear;
    return era * 146097 + dayOfEra - 719468;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    return gf_toUpper(text).find(gf_toUpper(part)) != std::string::npos;
}

} // namespace

UserAircraftState gf_readUserAircraftState(ByteReader& reader) {
    UserAircraftState state;
    state.latitude = reader.f64();
    state.longitude = reader.f64();
    state.pitchRad = reader.f64();
    state.bankRad = reader.f64();
    state.verticalSpeedFpm = reader.f64();
    state.headingRad = reader.f64();
    state.altitudeFt = reader.f64();
    state.indicatedAltitudeFt = reader.f64();
    state.altitudeAboveGroundFt = reader.f64();
    state.groundSpeedKt = reader.f64();
    state.zuluTimeS = reader.i64();
    state.zuluDayOfYear = reader.i64();
    state.zuluYear = reader.i64();
    state.lightStates = reader.i64();
    state.groundTrackDeg = reader.f64();
    if (state.altitudeFt < 0.0) {
        state.altitudeFt = 0.0;
    }
    return state;
}

std::optional<std::int64_t> gf_zuluToUnixSeconds(std::int64_t year, std::int64_t dayOfYear, std::int64_t seconds) {
    if (year < -32767 || year > 32767) {
        return std::nullopt;
    }
    const std::int64_t daysInYear = isLeapYear(year) ? 366 : 365;
    if (dayOfYear < 1 || dayOfYear > daysInYear || seconds < 0 || seconds >= 86400) {
        return std::nullopt;
    }
    return (daysToNewYear(year) + dayOfYear - 1) * 86400 + seconds;
}

std::optional<std::string> gf_modelFromTitle(std::string_view title) {
    if (containsIgnoringCase(title, "Aerosoft A319") || containsIgnoringCase(title, "Aerosoft A320")) {
        return "A320";
    }
    if (containsIgnoringCase(title, "Aerosoft A321")) {
        return "A321";
    }
    return std::nullopt;
}

bool gf_isNotAnAircraft(std::string_view model) {
    return containsIgnoringCase(model, "camerapod") || containsIgnoringCase(model, "Crew Vessel");
}

std::string gf_reducedSimulatorName(std::string_view name) {
    std::string reduced;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || std::isspace(byte) != 0) {
            reduced.push_back(c);
        }
    }
    return reduced;
}

} // namespace kiv
