#include "settings/settings_snapshot.h"

#include <array>

#include "foundation/settings_readers.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

using S = SettingsSnapshot;

// Parameters whose field is a plain copy of their value.
struct MirroredBool {
    const BoolParameter* parameter;
    bool S::*field;
};
struct MirroredInt {
    const IntParameter* parameter;
    std::int32_t S::*field;
};

const std::array kMirroredBools = {
    MirroredBool{&param::SKIP_AIRPORT_SCAN, &S::skipAirportScan},
    MirroredBool{&param::SKIP_LIVERIES_SCAN, &S::skipLiveriesScan},
    MirroredBool{&param::LIG_PRIORITIZE, &S::ligPrioritize},
    MirroredBool{&param::AUTO_RANGE, &S::autoRange},
    MirroredBool{&param::COLLISION_USER_GND, &S::collisionUserGnd},
    MirroredBool{&param::COLLISION_USER_AIR, &S::collisionUserAir},
    MirroredBool{&param::TWO_PROPS, &S::twoProps},
    MirroredBool{&param::LIGHT_AIRCRAFT, &S::lightAircraft},
    MirroredBool{&param::HELICOPTERS, &S::helicopters},
    MirroredBool{&param::HIGH_PERF_AIRCRAFT, &S::highPerfAircraft},
    MirroredBool{&param::RANDOM, &S::random},
    MirroredBool{&param::FLIGHT_MESSAGES, &S::flightMessages},
    MirroredBool{&param::GUID_CHANGES, &S::guidChanges},
    MirroredBool{&param::NAV_LIGHTS_WHILE_PARKED, &S::navLightsWhileParked},
    MirroredBool{&param::SIM_TIME, &S::simTime},
    MirroredBool{&param::KEEP_SIM_TIME_PAR, &S::keepSimTimePar},
    MirroredBool{&param::RT_PARKTRAFFIC_ONLY, &S::rtParkTrafficOnly},
    MirroredBool{&param::AUTO_PARK, &S::autoPark},
    MirroredBool{&param::WEEK, &S::week},
    MirroredBool{&param::PARK_SOFT, &S::parkSoft},
};

// The time shift is left out: its three fields always change together.
const std::array kMirroredInts = {
    MirroredInt{&param::MATCHING_DEPTH, &S::matchingDepth},
    MirroredInt{&param::HOLDING_THRESHOLD_METERS, &S::holdingThresholdMetres},
    MirroredInt{&param::MAX_HOLDING_MINUTES, &S::maxHoldingMinutes},
    MirroredInt{&param::TCAS_FL, &S::tcasFl},
    MirroredInt{&param::AIRP_RANGE, &S::airpRange},
    MirroredInt{&param::AIRP_HEIGHT, &S::airpHeight},
    MirroredInt{&param::parking_percentage, &S::parkingPercentage},
    MirroredInt{&param::MAX_PARK_SEL, &S::maxParkSel},
    MirroredInt{&param::MAX_LIVE_SEL, &S::maxLiveSel},
    MirroredInt{&param::MAX_FIT, &S::maxFit},
    MirroredInt{&param::PARKING_INTERVAL_MINUTES, &S::parkingIntervalMinutes},
};

std::atomic<bool> g_blockCallsignUnderscore{false};

std::uint8_t airGroundOf(const std::string& selection) {
    if (selection == kAirborneOnly) {
        return 1;
    }
    if (selection == kGroundOnly) {
        return 2;
    }
    return 0;
}

BlockFilter blockFilterFromParameters() {
    return BlockFilter{param::BLOCK_AIRCRAFT.value, param::BLOCK_CALLSIGN.value, param::BLOCK_REGCODE.value,
                       param::BLOCK_HEXIDDEC.value, gf_blockCallsignUnderscore()};
}

void setTimeShift(S& s) {
    s.timeShiftDays = param::TIME_SHIFT_DAYS.value;
    s.timeShiftHours = param::TIME_SHIFT_HOURS.value;
    s.timeShiftMins = param::TIME_SHIFT_MINS.value;
}

void setRange(S& s) {
    const std::int32_t range = param::RANGE.value;
    s.rangeNm = static_cast<double>(range);
    s.rangeNmSquared = s.rangeNm * s.rangeNm;
    s.rangeMetres = static_cast<std::uint32_t>(range) * 1852U + (gf_isRTDirect() ? 10000U : 0U);
    s.rangeChoice = range;
}

// The block matcher fills in the call sign, registration and id of the blocked aircraft;
// a rebuild for the same aircraft must not forget them.
BlockFilter keptOrRebuiltBlock(const BlockFilter& published) {
    BlockFilter rebuilt = blockFilterFromParameters();
    if (!rebuilt.aircraft.empty() && rebuilt.aircraft == published.aircraft) {
        return published;
    }
    return rebuilt;
}

S buildFromParameters(const S& published) {
    S s;
    for (const MirroredBool& m : kMirroredBools) {
        s.*m.field = m.parameter->value;
    }
    for (const MirroredInt& m : kMirroredInts) {
        s.*m.field = m.parameter->value;
    }
    setTimeShift(s);
    setRange(s);
    s.airGround = airGroundOf(param::ALL_AIR_GND_SELECTOR.value);
    s.destination = param::DESTINATION.value;
    s.block = keptOrRebuiltBlock(published.block);
    return s;
}

bool applyMirrored(const Parameter* changed) {
    for (const MirroredBool& m : kMirroredBools) {
        if (changed == m.parameter) {
            gf_setSettingsField(m.field, m.parameter->value);
            return true;
        }
    }
    for (const MirroredInt& m : kMirroredInts) {
        if (changed == m.parameter) {
            gf_setSettingsField(m.field, m.parameter->value);
            return true;
        }
    }
    return false;
}

bool isOneOf(const Parameter* changed, std::initializer_list<const Parameter*> group) {
    for (const Parameter* member : group) {
        if (changed == member) {
            return true;
        }
    }
    return false;
}

std::atomic<std::shared_ptr<const TrafficSourceSnapshot>>& trafficSourceSlot() {
    static std::atomic<std::shared_ptr<const TrafficSourceSnapshot>> slot{
        std::make_shared<const TrafficSourceSnapshot>()};
    return slot;
}

} // namespace

namespace detail {
std::atomic<std::shared_ptr<const SettingsSnapshot>>& settingsSlot() {
    static std::atomic<std::shared_ptr<const SettingsSnapshot>> slot{std::make_shared<const SettingsSnapshot>()};
    return slot;
}
} // namespace detail

// A build that stored plainly could overwrite a field another thread published while the
// build ran (the block matcher's findings, a GUI change); the compare-exchange loop rebuilds
// on top of such a record instead.
void gf_publishSettingsSnapshot() {
    gf_updateSettings([](S& copy) { copy = buildFromParameters(copy); });
}

void gf_applyParameter(const Parameter* changed) {
    if (changed == nullptr || applyMirrored(changed)) {
        return;
    }
    if (changed == &param::MAX_FIT_FL) {
        gf_setSettingsField(&S::maxFit, param::MAX_FIT.value);
    } else if (changed == &param::ALL_AIR_GND_SELECTOR) {
        gf_setSettingsField(&S::airGround, airGroundOf(param::ALL_AIR_GND_SELECTOR.value));
    } else if (changed == &param::DESTINATION) {
        gf_setSettingsField(&S::destination, param::DESTINATION.value);
    } else if (isOneOf(changed, {&param::BLOCK_AIRCRAFT, &param::BLOCK_CALLSIGN, &param::BLOCK_REGCODE,
                                 &param::BLOCK_HEXIDDEC})) {
        gf_setSettingsField(&S::block, blockFilterFromParameters());
    } else if (isOneOf(changed, {&param::TIME_SHIFT_DAYS, &param::TIME_SHIFT_HOURS, &param::TIME_SHIFT_MINS})) {
        gf_updateSettings(setTimeShift);
    }
}

void gf_setBlockCallsignUnderscore(bool endsWithUnderscore) { g_blockCallsignUnderscore.store(endsWithUnderscore); }
bool gf_blockCallsignUnderscore() { return g_blockCallsignUnderscore.load(); }

std::shared_ptr<const TrafficSourceSnapshot> gf_trafficSource() { return trafficSourceSlot().load(); }

void gf_publishTrafficSource(bool rtApp) {
    trafficSourceSlot().store(std::make_shared<const TrafficSourceSnapshot>(TrafficSourceSnapshot{3, rtApp}));
}

bool gf_isRTDirect() { return !gf_trafficSource()->rtApp; }

namespace {

bool randomFromSnapshot() { return gf_settings()->random; }

// Foundation code (random draws, the clock) reads these two settings through readers that
// it cannot build itself; they are installed before main, and the slots they read are built
// on first use, so no order of static initialisation can leave them unbuilt.
[[maybe_unused]] const bool g_readersInstalled = [] {
    gf_installRandomFlagReader(&randomFromSnapshot);
    gf_installRtDirectReader(&gf_isRTDirect);
    return true;
}();

} // namespace

} // namespace kiv
