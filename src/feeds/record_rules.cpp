#include "feeds/record_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

namespace kiv {
namespace {

constexpr std::array<std::string_view, 5> kExcludedThreeLetter = {"FOX", "GND", "RF5", "TWR", "U15"};
constexpr std::array<std::string_view, 16> kExcludedFourLetter = {"ARCP", "AS16", "BALL", "DIMO", "EMER", "GLID",
                                                                  "GLIM", "GRND", "JS3E", "PARA", "SERV", "SHIP",
                                                                  "SF25", "ULAC", "VENT", "ZZZZ"};
// ADS-B emitter categories of surface vehicles and obstacles.
constexpr std::array<std::string_view, 5> kGroundCategories = {"B1", "B2", "B4", "C1", "C2"};

template <std::size_t N> bool isOneOf(std::string_view text, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

std::int32_t saturatedTick(double value) {
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, lowest, highest));
}

double medianOf(std::vector<double>& values) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0) {
        return upper;
    }
    const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2.0;
}

} // namespace

IataCode gf_parseIataCode(std::string_view text) {
    IataCode code;
    bool valid = text.size() == 3;
    for (std::size_t i = 0; valid && i < 3; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        valid = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        code.chars[i] = c;
    }
    if (!valid) {
        throw std::invalid_argument(fmt::format("'{}' IataCode: invalid string", text));
    }
    code.key = static_cast<std::uint32_t>(static_cast<unsigned char>(code.chars[0])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(code.chars[1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(code.chars[2]));
    return code;
}

IataCode lf_iataCodeOrNone(std::string_view text) {
    // An empty code is a missing one, as "null" is; refusing it would drop the whole aircraft.
    if (text.empty() || text == "null") {
        return {};
    }
    return gf_parseIataCode(text);
}

std::string lf_normaliseCallsign(std::string_view callsign) {
    if (callsign.empty() || callsign == "null" || callsign.find('@') != std::string_view::npos) {
        return {};
    }
    if (callsign.size() >= 5 && callsign.find("00000") != std::string_view::npos) {
        return {};
    }
    if (callsign.size() < 3 || callsign.size() > 8) {
        return {};
    }
    if (callsign.front() == '.') {
        callsign.remove_prefix(1);
        if (callsign.size() < 3) {
            return {};
        }
    }
    return std::string(callsign);
}

bool lf_isExcludedTypeCode(std::string_view type) {
    if (type.size() < 2 || type.size() > 4) {
        return true;
    }
    return isOneOf(type, kExcludedThreeLetter) || isOneOf(type, kExcludedFourLetter);
}

bool lf_isAcceptableType(std::string_view type, std::string_view category) {
    if (type.empty() || type == "null" || type == "0" || type == "ZZZZ") {
        return false;
    }
    if (isOneOf(category, kGroundCategories)) {
        return false;
    }
    return !lf_isExcludedTypeCode(type);
}

void gf_setBatchDeliveryTicks(TrafficBatch& batch, std::int32_t baseTick, std::int32_t delaySeconds) {
    const double base = static_cast<double>(delaySeconds) * 100.0 + static_cast<double>(baseTick);
    std::vector<double> finite;
    finite.reserve(batch.size());
    for (const TrafficRecord& record : batch) {
        if (std::isfinite(record.timestamp)) {
            finite.push_back(record.timestamp);
        }
    }
    const double median = finite.empty() ? 0.0 : medianOf(finite);
    for (TrafficRecord& record : batch) {
        const bool timed = !finite.empty() && std::isfinite(record.timestamp);
        const double offset = timed ? std::round((record.timestamp - median) * 100.0) : 0.0;
        record.sample.deliveryTick = saturatedTick(base + offset);
    }
}

} // namespace kiv
