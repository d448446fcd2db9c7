#include "foundation/clock.h"

#include <chrono>
#include <ctime>

#include <fmt/format.h>

namespace kiv {
namespace {

const char* monthName(int month) {
    static constexpr const char* kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return (month >= 1 && month <= 12) ? kNames[month - 1] : "???";
}

} // namespace

std::string gf_dateTimeText() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    if (gmtime_r(&now, &utc) == nullptr) {
        return "Invalid time";
    }
    return fmt::format("{} {} {} {:02}:{:02}Z", utc.tm_mday, monthName(utc.tm_mon + 1), utc.tm_year + 1900,
                       utc.tm_hour, utc.tm_min);
}

} // namespace kiv
