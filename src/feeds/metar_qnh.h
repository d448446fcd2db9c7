// The QNH of a METAR and the METARs of the service's weather data: the text parsers that
// both traffic roads share. Pure functions: any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "foundation/expected.h"

namespace kiv {

inline constexpr std::int32_t kStandardQnhHpa = 1013;

enum class QnhErrorKind : std::uint8_t {
    no_pressure_group = 0,
    bad_weather_object = 1,
    invalid_group = 2,
    outside_limits = 3,
};

struct QnhError {
    QnhErrorKind kind = QnhErrorKind::no_pressure_group;
    std::string message;
};

// The QNH in hPa, or why there is none.
using QnhResult = Expected<std::int32_t, QnhError>;

struct MetarListError {
    std::string context; // "nearest metar"
    std::string message;
};

using MetarList = Expected<std::vector<std::string>, MetarListError>;

// The first five-character word beginning with Q (hPa) or A (inches of mercury x 100),
// a trailing "=" not counted; only that first candidate is judged. 900..1100 hPa.
QnhResult lf_qnhFromMetar(std::string_view metar);

// The QNH of the "METAR" member of a weather object.
QnhResult lf_metarFromWeatherJson(const nlohmann::json& value);

// The METAR texts of the objects in a reply's "data" (an object or an array), in order.
MetarList lf_parseMetarReply(const nlohmann::json& data);

} // namespace kiv
