// Two light readers of any airport's file: the stand nearest a position, and the ids of all
// its stands. They find the file, fetch it when it lies in the archive (into a temporary file
// that is always removed), read only its stands and never touch the park airport's cache.
// Any thread.
#pragma once

#include <string>
#include <unordered_set>

#include "airports/known_airports.h"
#include "foundation/expected.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace kiv {

// The stand nearest `reference` (flat distance with the cosine of its latitude; the first of
// equally near stands) and its distance in NM.
Expected<ClosestStand, std::string> gf_readDestApfForClosestStand(const IcaoCode& icao, const Lalo& reference);

// The stand ids, trimmed and upper-cased, each once.
Expected<std::unordered_set<std::string>, std::string> gf_readApfForStands(const IcaoCode& icao);

} // namespace kiv
