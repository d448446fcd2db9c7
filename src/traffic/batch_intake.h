// The intake of one traffic record into the live table: update of a known aircraft,
// creation of a new one, thinning of redundant records and removal of aircraft whose ground
// track jumps. Simulator-loop thread (or the start-up thread before the loop runs).
#pragma once

#include "feeds/traffic_record.h"
#include "models/livery_key.h"

namespace kiv {

class TrafficState;

// Applies one record. Never throws: an exception from a step is reported through
// gf_reportTrafficException("decodeMessage") and costs only that record.
void decodeMessage(TrafficState& state, const TrafficRecord& record);
void lf_createLiveAircraft(TrafficState& state, TrafficRecord record);

// Whether aircraft of that class are shown (Bizjet, Large and Heavy always; 7 and up never).
bool gf_isSizeClassIncluded(SizeClass sizeClass);

} // namespace kiv
