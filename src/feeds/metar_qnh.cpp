#include "feeds/metar_qnh.h"

#include <cctype>
#include <cmath>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace kiv {
namespace {

constexpr std::int32_t kLowestQnhHpa = 900;
constexpr std::int32_t kHighestQnhHpa = 1100;
constexpr double kHpaPerHundredthInch = 0.33865307;

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The first word of five characters (one trailing "=" not counted) that begins with Q or A.
std::string_view findPressureGroup(std::string_view metar) {
    std::size_t position = 0;
    while (position < metar.size()) {
        while (position < metar.size() && isSpace(metar[position])) {
            ++position;
        }
        const std::size_t start = position;
        while (position < metar.size() && !isSpace(metar[position])) {
            ++position;
        }
        std::string_view word = metar.substr(start, position - start);
        if (!word.empty() && word.back() == '=') {
            word.remove_suffix(1);
        }
        if (word.size() == 5 && (word.front() == 'Q' || word.front() == 'A')) {
            return word;
        }
    }
    return {};
}

// An optional "-" and at least one digit, nothing else.
bool parseGroupNumber(std::string_view digits, std::int32_t& value) {
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) {
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return false;
    }
    std::int64_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        number = number * 10 + (c - '0');
    }
    value = static_cast<std::int32_t>(negative ? -number : number);
    return true;
}

} // namespace

QnhResult lf_qnhFromMetar(std::string_view metar) {
    const std::string_view group = findPressureGroup(metar);
    if (group.empty()) {
        return unexpected(QnhError{QnhErrorKind::no_pressure_group, "no QNH code found in METAR"});
    }
    std::int32_t number = 0;
    if (!parseGroupNumber(group.substr(1), number)) {
        return unexpected(QnhError{QnhErrorKind::invalid_group, fmt::format("invalid QNH code: {}", group)});
    }
    const std::int32_t qnh =
        group.front() == 'Q' ? number : static_cast<std::int32_t>(std::round(number * kHpaPerHundredthInch));
    if (qnh < kLowestQnhHpa || qnh > kHighestQnhHpa) {
        return unexpected(
            QnhError{QnhErrorKind::outside_limits, fmt::format("QNH outside limits: {} ({})", qnh, group)});
    }
    return qnh;
}

QnhResult lf_metarFromWeatherJson(const nlohmann::json& value) {
    if (!value.is_object()) {
        return unexpected(QnhError{QnhErrorKind::bad_weather_object, "invalid weather data object"});
    }
    const auto metar = value.find("METAR");
    if (metar == value.end() || metar->is_null()) {
        return unexpected(QnhError{QnhErrorKind::bad_weather_object, "no METAR found in data"});
    }
    if (!metar->is_string()) {
        return unexpected(QnhError{QnhErrorKind::bad_weather_object, "invalid METAR type"});
    }
    return lf_qnhFromMetar(metar->get_ref<const std::string&>());
}

MetarList lf_parseMetarReply(const nlohmann::json& data) {
    if (!data.is_object() && !data.is_array()) {
        return unexpected(MetarListError{"nearest metar", "response contains invalid METAR data"});
    }
    std::vector<std::string> metars;
    for (const nlohmann::json& element : data) {
        if (!element.is_object()) {
            continue;
        }
        const auto metar = element.find("METAR");
        if (metar != element.end() && metar->is_string()) {
            metars.push_back(metar->get<std::string>());
        }
    }
    if (metars.empty()) {
        return unexpected(
            MetarListError{"nearest metar", "response contains no METAR station with a valid METAR string"});
    }
    return metars;
}

} // namespace kiv
