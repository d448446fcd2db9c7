// The settings as worker threads see them: immutable records published through atomic
// shared pointers. Any thread may read; a writer copies the current record, changes its
// fields and compare-exchanges the copy back, so concurrent writers never lose a change.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace kiv {

class Parameter;

// What the traffic feeds drop: the blocked aircraft and what the block matcher learned of it.
struct BlockFilter {
    std::string aircraft;
    std::string callsign;
    std::string regcode;
    std::int32_t hexid = 0; // 24-bit transponder id
    // The blocked call sign ends with "_": the matcher compares it without that character.
    bool callsignUnderscore = false;

    friend bool operator==(const BlockFilter&, const BlockFilter&) = default;
};

struct SettingsSnapshot {
    std::int32_t parkingPercentage = 30;
    std::int32_t maxParkSel = 500;
    std::int32_t maxLiveSel = 500;
    std::int32_t maxFit = 47;
    bool rtParkTrafficOnly = false;
    bool autoPark = true;
    bool week = false;
    bool parkSoft = false;
    BlockFilter block;
    std::string destination;
    std::uint8_t airGround = 0; // 0 all traffic, 1 airborne only, 2 ground only
    double rangeNm = 40.0;
    double rangeNmSquared = 1600.0;
    std::uint32_t rangeMetres = 74080; // range x 1852, plus 10000 with RT Direct
    std::int32_t rangeChoice = 40;     // the user's own pick; automatic range returns to it
    std::int32_t matchingDepth = 4;
    std::int32_t holdingThresholdMetres = 250;
    std::int32_t maxHoldingMinutes = 3;
    std::int32_t tcasFl = 180;
    std::int32_t airpRange = 20;
    std::int32_t airpHeight = 18000;
    std::int32_t timeShiftDays = 0;
    std::int32_t timeShiftHours = 0;
    std::int32_t timeShiftMins = 0;
    std::int32_t parkingIntervalMinutes = 20;
    bool autoRange = true;
    bool collisionUserGnd = true;
    bool collisionUserAir = true;
    bool random = true;
    bool flightMessages = true;
    bool guidChanges = true;
    bool navLightsWhileParked = true;
    bool simTime = false;
    bool keepSimTimePar = false;
    bool skipAirportScan = false;
    bool skipLiveriesScan = false;
    bool ligPrioritize = true;
    bool twoProps = false; // the first full build takes the parameter's own default
    bool lightAircraft = true;
    bool helicopters = true;
    bool highPerfAircraft = true;

    friend bool operator==(const SettingsSnapshot&, const SettingsSnapshot&) = default;
};

// Which traffic source this start uses; written once per start before the feeds run.
struct TrafficSourceSnapshot {
    std::int32_t simulatorCode = 3; // the "sim" item of the data-file info header
    bool rtApp = false;             // false: RT Direct
};

namespace detail {
std::atomic<std::shared_ptr<const SettingsSnapshot>>& settingsSlot();
}

// The current record; keep the pointer while using its values so that they belong together.
inline std::shared_ptr<const SettingsSnapshot> gf_settings() { return detail::settingsSlot().load(); }

// Copy-on-write update: `change` is called on a fresh copy of the current record, again on
// a copy of the newer record whenever another writer published first, until the copy is
// published. It must only write the fields it owns and may run more than once.
template <typename Change> void gf_updateSettings(Change&& change) {
    auto& slot = detail::settingsSlot();
    std::shared_ptr<const SettingsSnapshot> expected = slot.load();
    for (;;) {
        auto copy = std::make_shared<SettingsSnapshot>(*expected);
        change(*copy);
        if (slot.compare_exchange_weak(expected, std::shared_ptr<const SettingsSnapshot>(std::move(copy)))) {
            return;
        }
    }
}

// One field by copy-on-write.
template <typename Field, typename Value> void gf_setSettingsField(Field SettingsSnapshot::*field, Value value) {
    gf_updateSettings([&](SettingsSnapshot& copy) { copy.*field = value; });
}

// Builds the whole record from the parameters (GUI thread or the main sequence, once per
// start, after the traffic source is published). The block filter the matcher filled in
// survives while BLOCK_AIRCRAFT is non-empty and unchanged.
void gf_publishSettingsSnapshot();

// Copies the current value of one changed parameter into its field(s); parameters without
// a field are ignored. Called on the thread that owns the parameters.
void gf_applyParameter(const Parameter* changed);

// The block command sets it when it stores a call sign ending with "_"; unblock and the
// close-down clear it. Any thread.
void gf_setBlockCallsignUnderscore(bool endsWithUnderscore);
bool gf_blockCallsignUnderscore();

std::shared_ptr<const TrafficSourceSnapshot> gf_trafficSource();
void gf_publishTrafficSource(bool rtApp);
// True when the traffic source is RT Direct.
bool gf_isRTDirect();

} // namespace kiv
