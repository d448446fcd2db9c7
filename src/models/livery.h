// One installed livery, as the livery scan finds it in an AI package's configuration file and
// as the scan result store keeps it. Plain value type; vectors of liveries belong to the scan
// (main worker) and are sorted by the one order below.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>

#include "models/livery_key.h"

namespace kiv {

struct Livery {
    std::string title;   // the name under which the simulator creates the AI aircraft
    std::string regcode; // may be empty
    LiveryKey key;       // present is 0 for scanned liveries
    // Among liveries of one key the smaller value wins; set by the folder scan, not stored.
    std::int16_t folderPriority = 0;
};

// Airline, operator, model, cargo (as numbers), then title and regcode byte-wise; the present
// flag and the folder priority take no part.
inline bool operator<(const Livery& a, const Livery& b) {
    const auto rank = [](const Livery& livery) {
        return std::tie(livery.key.airlineId, livery.key.operatorId, livery.key.modelId, livery.key.cargo, livery.title,
                        livery.regcode);
    };
    return rank(a) < rank(b);
}

// Equal in all six fields of the order.
inline bool lf_isEquivalentLivery(const Livery& a, const Livery& b) { return !(a < b) && !(b < a); }

// Airline id or model id 0: the livery cannot be matched to traffic.
inline bool lf_isIncompleteLivery(const Livery& livery) { return livery.key.airlineId == 0 || livery.key.modelId == 0; }

} // namespace kiv
