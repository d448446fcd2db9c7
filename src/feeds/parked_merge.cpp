#include "feeds/parked_merge.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "feeds/record_rules.h"
#include "foundation/half_hour_slots.h"

namespace kiv {
namespace {

constexpr std::int32_t kSlots = static_cast<std::int32_t>(kSlotsPerDay);

std::int32_t ageOf(std::int32_t slot, std::int32_t currentSlot) {
    if (currentSlot < 0) {
        return 0;
    }
    const std::int32_t age = currentSlot - slot;
    return age < 0 ? age + kSlots : age;
}

template <typename Drop> void eraseIf(std::vector<ParkedRecord>& list, Drop drop) {
    list.erase(std::remove_if(list.begin(), list.end(), drop), list.end());
}

} // namespace

void lf_mergeParkedRecords(std::vector<ParkedRecord>& list, const SettingsSnapshot& settings,
                           std::int32_t currentSlot) {
    // A record without a slot has no age; counting from -1 would make it look one slot
    // older than now, and an age limit could not judge it.
    eraseIf(list, [](const ParkedRecord& r) { return r.slot < 0 || r.slot >= kSlots; });
    for (ParkedRecord& record : list) {
        record.ageHalfHours = ageOf(record.slot, currentSlot);
        record.head.callsign = lf_normaliseCallsign(record.head.callsign);
    }
    eraseIf(list, [](const ParkedRecord& r) { return r.head.callsign.empty(); });
    if (!settings.rtParkTrafficOnly && !settings.autoPark) {
        eraseIf(list, [&](const ParkedRecord& r) { return r.ageHalfHours > settings.maxFit; });
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const ParkedRecord& a, const ParkedRecord& b) { return a.ageHalfHours < b.ageHalfHours; });

    std::vector<ParkedRecord> merged;
    merged.reserve(list.size());
    std::unordered_set<std::string> stands;
    std::unordered_set<std::string> callsigns;
    for (ParkedRecord& record : list) {
        // Records without a stand text are not at one stand: each stays on its own.
        const bool standTaken = !record.stand.empty() && stands.contains(record.stand);
        if (standTaken || callsigns.contains(record.head.callsign)) {
            continue;
        }
        stands.insert(record.stand);
        callsigns.insert(record.head.callsign);
        merged.push_back(std::move(record));
    }
    list = std::move(merged);
}

} // namespace kiv
