#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/parked_merge.h"

namespace kiv {
namespace {

ParkedRecord parked(const char* callsign, const char* stand, std::int32_t slot) {
    ParkedRecord r;
    r.head.callsign = callsign;
    r.stand = stand;
    r.slot = slot;
    return r;
}

// "callsign/age" of each record, in list order.
std::vector<std::string> summary(const std::vector<ParkedRecord>& list) {
    std::vector<std::string> out;
    for (const ParkedRecord& r : list) {
        out.push_back(r.head.callsign + "/" + std::to_string(r.ageHalfHours));
    }
    return out;
}

SettingsSnapshot settingsWith(bool rtParkTrafficOnly, bool autoPark, std::int32_t maxFit) {
    SettingsSnapshot s;
    s.rtParkTrafficOnly = rtParkTrafficOnly;
    s.autoPark = autoPark;
    s.maxFit = maxFit;
    return s;
}

TEST(ParkedMerge, RuleTable) {
    struct Case {
        const char* name;
        std::vector<ParkedRecord> list;
        SettingsSnapshot settings;
        std::int32_t now;
        std::vector<std::string> result;
    };
    const SettingsSnapshot keepAll = settingsWith(true, true, 47);
    const Case cases[] = {
        {"ages wrap over midnight, newest first",
         {parked("DLH1", "A1", 22), parked("DLH2", "A2", 20), parked("DLH3", "A3", 19)},
         keepAll,
         20,
         {"DLH2/0", "DLH3/1", "DLH1/46"}},
        {"age limit with both flags clear",
         {parked("DLH1", "A1", 15), parked("DLH2", "A2", 16)},
         settingsWith(false, false, 4),
         20,
         {"DLH2/4"}},
        {"no age limit with parked-traffic-only",
         {parked("DLH1", "A1", 15)},
         settingsWith(true, false, 4),
         20,
         {"DLH1/5"}},
        {"no age limit with auto park", {parked("DLH1", "A1", 15)}, settingsWith(false, true, 4), 20, {"DLH1/5"}},
        {"one record per stand, the newest",
         {parked("DLH1", "B7", 17), parked("DLH2", "B7", 19)},
         keepAll,
         20,
         {"DLH2/1"}},
        {"one record per callsign, the newest",
         {parked("DLH1", "B7", 17), parked("DLH1", "B8", 19)},
         keepAll,
         20,
         {"DLH1/1"}},
        {"unusable callsigns are removed, a leading dot is dropped",
         {parked("null", "A1", 20), parked("ABCDEFGHI", "A2", 20), parked(".SWR", "A3", 20)},
         keepAll,
         20,
         {"SWR/0"}},
        {"records without a stand are each kept",
         {parked("DLH1", "", 18), parked("DLH2", "", 19), parked("DLH3", "", 20)},
         keepAll,
         20,
         {"DLH3/0", "DLH2/1", "DLH1/2"}},
        {"a record without a slot has no age and is dropped",
         {parked("DLH1", "A1", -1), parked("DLH2", "A2", 20)},
         settingsWith(false, false, 47),
         20,
         {"DLH2/0"}},
        {"without the current slot every age is 0",
         {parked("DLH1", "A1", 3), parked("DLH2", "A2", 40)},
         settingsWith(false, false, 0),
         -1,
         {"DLH1/0", "DLH2/0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ParkedRecord> list = c.list;
        lf_mergeParkedRecords(list, c.settings, c.now);
        EXPECT_EQ(summary(list), c.result);
    }
}

} // namespace
} // namespace kiv
