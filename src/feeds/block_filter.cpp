#include "feeds/block_filter.h"

#include <vector>

#include "feeds/detail/field_parsing.h"
#include "foundation/string_helpers.h"

namespace kiv {
namespace {

constexpr std::string_view kUnknownRegistration = "null";

bool matches(std::string_view filterText, std::string_view recordText) {
    return !filterText.empty() && filterText == recordText;
}

std::int32_t hexidField(std::uint32_t hexId) { return static_cast<std::int32_t>(hexId); }

} // namespace

std::optional<AircraftIdentity> gf_parseAircraftIdentity(std::string_view text) {
    const std::vector<std::string> pieces = gf_split(text, ',');
    if (pieces.size() != 3 || pieces[0].empty()) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> hexId = detail::parseHexU32(pieces[2]);
    if (!hexId) {
        return std::nullopt;
    }
    return AircraftIdentity{pieces[0], pieces[1], *hexId};
}

bool lf_passesBlockFilter(const TrafficRecord& record, const BlockFilter& block) {
    const std::string& callsign = record.head.callsign;
    const std::string& registration = record.head.registration;
    if (block.hexid != 0 && static_cast<std::uint32_t>(block.hexid) == record.hexId) {
        if (block.regcode == kUnknownRegistration && !registration.empty()) {
            gf_publishBlockRegcode(record);
        }
        return false;
    }
    if (block.regcode != kUnknownRegistration && matches(block.regcode, registration)) {
        gf_publishBlockHexid(record);
        return false;
    }
    if (matches(block.callsign, callsign)) {
        gf_publishBlockHexidRegcode(record);
        return false;
    }
    if (block.callsignUnderscore && !block.callsign.empty()) {
        const std::string_view plain = std::string_view(block.callsign).substr(0, block.callsign.size() - 1);
        if (matches(plain, callsign)) {
            gf_publishBlockCallsignHexidRegcode(record);
            return false;
        }
    }
    return true;
}

void gf_publishBlockRegcode(const TrafficRecord& record) {
    gf_updateSettings([&](SettingsSnapshot& copy) { copy.block.regcode = record.head.registration; });
}

void gf_publishBlockHexid(const TrafficRecord& record) {
    gf_updateSettings([&](SettingsSnapshot& copy) { copy.block.hexid = hexidField(record.hexId); });
}

void gf_publishBlockHexidRegcode(const TrafficRecord& record) {
    gf_updateSettings([&](SettingsSnapshot& copy) {
        copy.block.hexid = hexidField(record.hexId);
        copy.block.regcode = record.head.registration;
    });
}

void gf_publishBlockCallsignHexidRegcode(const TrafficRecord& record) {
    gf_updateSettings([&](SettingsSnapshot& copy) {
        copy.block.callsign = record.head.callsign;
        // The stored callsign is the plain one now; the underscore rule no longer applies to it.
        copy.block.callsignUnderscore = false;
        copy.block.hexid = hexidField(record.hexId);
        copy.block.regcode = record.head.registration;
    });
}

} // namespace kiv
