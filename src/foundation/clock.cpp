#include "foundation/clock.h"

#include <array>
#include <atomic>
#include <chrono>

#include <fmt/format.h>

#include "foundation/settings_readers.h"

namespace kiv {
namespace {

// The last second that the target platform's 64-bit UTC conversion accepts.
constexpr std::int64_t kLastCalendarSecond = 32535215999; // 3000-12-31 23:59:59

std::atomic<UtcSecondsSource> utcSecondsSource{nullptr};
std::atomic<std::int64_t> rtDirectDataTime{0};
std::atomic<std::int64_t> rtAppDataTime{0};
std::atomic<bool> dataTimeMode{false};

std::int64_t realUtcSeconds() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
}

// The moment that the data-time texts and the slots describe.
std::optional<UtcCalendar> currentCalendar() { return gf_utcCalendar(gf_utcNow(gf_isDataTimeMode())); }

std::string withDataTimeMark(std::string text) { return gf_isDataTimeMode() ? "<<< " + text : text; }

} // namespace

void gf_setUtcSecondsSource(UtcSecondsSource source) { utcSecondsSource.store(source); }

std::int64_t gf_systemUtcSeconds() {
    const UtcSecondsSource source = utcSecondsSource.load();
    return source != nullptr ? source() : realUtcSeconds();
}

void gf_setRtDirectDataTime(std::int64_t utcSeconds) { rtDirectDataTime.store(utcSeconds, std::memory_order_relaxed); }
void gf_setRtAppDataTime(std::int64_t utcSeconds) { rtAppDataTime.store(utcSeconds, std::memory_order_relaxed); }
void gf_setDataTimeMode(bool on) { dataTimeMode.store(on, std::memory_order_relaxed); }
bool gf_isDataTimeMode() { return dataTimeMode.load(std::memory_order_relaxed); }

std::int64_t gf_utcNow(bool useDataTime) {
    if (useDataTime) {
        const std::int64_t dataTime = gf_isRtDirectSource() ? rtDirectDataTime.load(std::memory_order_relaxed)
                                                            : rtAppDataTime.load(std::memory_order_relaxed);
        if (dataTime != 0) {
            return dataTime;
        }
    }
    return gf_systemUtcSeconds();
}

std::optional<UtcCalendar> gf_utcCalendar(std::int64_t utcSeconds) {
    using namespace std::chrono;
    if (utcSeconds < 0 || utcSeconds > kLastCalendarSecond) {
        return std::nullopt;
    }
    const sys_seconds time{seconds{utcSeconds}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    UtcCalendar result;
    result.year = static_cast<int>(date.year());
    result.month = static_cast<std::int32_t>(static_cast<unsigned>(date.month()));
    result.day = static_cast<std::int32_t>(static_cast<unsigned>(date.day()));
    result.hour = static_cast<std::int32_t>(clock.hours().count());
    result.minute = static_cast<std::int32_t>(clock.minutes().count());
    result.second = static_cast<std::int32_t>(clock.seconds().count());
    result.weekday = static_cast<std::int32_t>(weekday{day}.iso_encoding());
    return result;
}

std::int32_t gf_halfHourSlotOf(const UtcCalendar& time) {
    const bool secondHalf = time.minute > 29 || (time.minute == 29 && time.second >= 30);
    return 2 * time.hour + (secondHalf ? 1 : 0);
}

std::string gf_timeText() {
    const auto time = gf_utcCalendar(gf_systemUtcSeconds());
    if (!time) {
        return "??:??:??";
    }
    return fmt::format("{:02}:{:02}:{:02}", time->hour, time->minute, time->second);
}

std::string gf_dateTimeText() {
    const auto time = gf_utcCalendar(gf_systemUtcSeconds());
    if (!time) {
        return "Invalid time";
    }
    return fmt::format("{} {} {} {:02}:{:02}Z", time->day, gf_monthName(time->month), time->year, time->hour,
                       time->minute);
}

std::string gf_dataTimeText() {
    const auto time = currentCalendar();
    if (!time) {
        return "??:??:??";
    }
    return withDataTimeMark(fmt::format("{:02}:{:02}:{:02}", time->hour, time->minute, time->second));
}

std::string gf_dataTimeTextShort() {
    const auto time = currentCalendar();
    if (!time) {
        return "??:??";
    }
    return withDataTimeMark(fmt::format("{:02}:{:02}", time->hour, time->minute));
}

std::int32_t gf_halfHourSlot() {
    const auto time = currentCalendar();
    return time ? gf_halfHourSlotOf(*time) : -1;
}

std::uint64_t gf_weekdayAndSlot() {
    const auto time = currentCalendar();
    if (!time) {
        return 0xFFFF'FFFFu;
    }
    return (static_cast<std::uint64_t>(gf_halfHourSlotOf(*time)) << 32) | static_cast<std::uint32_t>(time->weekday);
}

std::string_view gf_weekdayName(std::int32_t weekday) {
    static constexpr std::array<std::string_view, 7> kNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return (weekday >= 1 && weekday <= 7) ? kNames[static_cast<std::size_t>(weekday - 1)] : "???";
}

std::string_view gf_monthName(std::int32_t month) {
    static constexpr std::array<std::string_view, 12> kNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return (month >= 1 && month <= 12) ? kNames[static_cast<std::size_t>(month - 1)] : "???";
}

} // namespace kiv
