// The small acceptance rules of feed records: airport codes of a route, callsigns and
// aircraft type designators, and the per-batch delivery ticks. Pure functions: any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "feeds/traffic_record.h"

namespace kiv {

// Exactly three letters or digits (letters upper-cased); anything else throws
// std::invalid_argument "'{}' IataCode: invalid string".
IataCode gf_parseIataCode(std::string_view text);
// "null" and the empty text give no code (key 0); any other text as gf_parseIataCode.
IataCode lf_iataCodeOrNone(std::string_view text);

// The callsign to keep, or the empty text when the feed's callsign is not usable.
std::string lf_normaliseCallsign(std::string_view callsign);

// False for missing types ("", "null", "0", "ZZZZ"), surface and obstacle categories and
// the designators of things that are not aircraft.
bool lf_isAcceptableType(std::string_view type, std::string_view category);
bool lf_isExcludedTypeCode(std::string_view type);

// Each record's delivery tick: base + 100 x seconds, shifted by its timestamp's distance
// from the batch's median timestamp in hundredths of a second, saturated to the i32 range.
void gf_setBatchDeliveryTicks(TrafficBatch& batch, std::int32_t baseTick, std::int32_t delaySeconds);

} // namespace kiv
