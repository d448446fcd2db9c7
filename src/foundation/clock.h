// The UTC clock, the data-time override, time texts, weekday and half-hour slot.
// The system-clock source is injectable (tests pin any instant); the data times and the
// data-time mode are atomics written by their owners. Every function: any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kiv {

// UTC seconds since 1970-01-01 00:00:00 of the system clock; nullptr restores the real one.
using UtcSecondsSource = std::int64_t (*)();
void gf_setUtcSecondsSource(UtcSecondsSource source);
std::int64_t gf_systemUtcSeconds();

// Time of the data last received from each traffic source; 0 while none has arrived.
void gf_setRtDirectDataTime(std::int64_t utcSeconds);
void gf_setRtAppDataTime(std::int64_t utcSeconds);
// On while the user has shifted the traffic into the past.
void gf_setDataTimeMode(bool on);
bool gf_isDataTimeMode();

// The active source's data time when asked for and not 0, else the system clock.
std::int64_t gf_utcNow(bool useDataTime);

struct UtcCalendar {
    std::int32_t year = 0;
    std::int32_t month = 0; // 1..12
    std::int32_t day = 0;   // 1..31
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t weekday = 0; // 1 Monday .. 7 Sunday
};
// Broken-down UTC time; empty outside 1970-01-01 .. 3000-12-31 23:59:59, the range the
// target platform's calendar conversion accepts.
std::optional<UtcCalendar> gf_utcCalendar(std::int64_t utcSeconds);

// Half-hour slot of the day: 2h until h:29:29, 2h + 1 from h:29:30 (stored files rely on it).
std::int32_t gf_halfHourSlotOf(const UtcCalendar& time);

// "hh:mm:ss" of the system clock, or "??:??:??".
std::string gf_timeText();
// "{day} {month name} {year} {hh}:{mm}Z" of the system clock, or "Invalid time".
std::string gf_dateTimeText();
// "hh:mm:ss" (or "??:??:??") of the current moment; "<<< " before it in data-time mode.
std::string gf_dataTimeText();
// "hh:mm" (or "??:??") of the current moment; "<<< " before it in data-time mode.
std::string gf_dataTimeTextShort();
// 0..47 of the current moment, -1 when the calendar conversion fails.
std::int32_t gf_halfHourSlot();
// Slot in the high 32 bits, weekday 1..7 in the low 32 bits; low 32 bits all ones on failure.
std::uint64_t gf_weekdayAndSlot();

// "Mon".."Sun" for 1..7, "???" otherwise.
std::string_view gf_weekdayName(std::int32_t weekday);
// "Jan".."Dec" for 1..12, "???" otherwise.
std::string_view gf_monthName(std::int32_t month);

} // namespace kiv
