#include <algorithm>
#include <cctype>

#include "foundation/string_helpers.h"
#include "models/detail/type_database_tables.h"
#include "models/type_database.h"

namespace kiv {
namespace {

const detail::TypeDatabaseTables& tables() { return detail::typeDatabaseTables(); }

bool isAsciiLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<LiveryKey> lf_findRegistration(std::string_view registration) {
    const std::vector<RegistrationEntry>& rows = tables().registrations;
    const auto it = std::lower_bound(
        rows.begin(), rows.end(), registration,
        [](const RegistrationEntry& row, std::string_view text) { return std::string_view(row.registration) < text; });
    if (it != rows.end() && it->registration == registration) {
        return it->key;
    }
    return std::nullopt;
}

} // namespace

const CodeSet& gf_knownModelCodes() { return tables().knownModels; }
const CodeSet& gf_knownAirlineCodes() { return tables().knownAirlines; }

bool gf_isKnownModelCode(std::string_view code) { return !code.empty() && tables().knownModels.contains(code); }
bool gf_isKnownAirlineCode(std::string_view code) { return !code.empty() && tables().knownAirlines.contains(code); }

const ModelFixes& gf_modelFixes() { return tables().fixes; }

const std::vector<std::vector<std::string>>& gf_similarTypeGroups() { return tables().similarGroups; }

bool gf_isCargo(const LiveryKey& key) {
    return tables().cargoModelIds.contains(key.modelId) || tables().cargoOperatorIds.contains(key.airlineId);
}

SizeClass gf_sizeClassOfModel(std::uint16_t modelId) {
    const detail::TypeDatabaseTables& t = tables();
    // A model listed in several sections takes the first class of this order.
    const std::pair<const detail::ModelIdSet*, SizeClass> order[] = {
        {&t.largeIds, SizeClass::Large},           {&t.heavyIds, SizeClass::Heavy},
        {&t.buzjetIds, SizeClass::Bizjet},         {&t.twopropsIds, SizeClass::TwoProps},
        {&t.rotorcraftIds, SizeClass::Rotorcraft}, {&t.highPerformanceIds, SizeClass::HighPerf},
    };
    for (const auto& [ids, sizeClass] : order) {
        if (ids->contains(modelId)) {
            return sizeClass;
        }
    }
    return SizeClass::Light;
}

SizeClass gf_sizeClassOfModelCode(std::string_view modelCode) { return gf_sizeClassOfModel(gf_modelId(modelCode)); }

bool gf_airlineCodeFromCallsign(std::string_view callsign, LiveryKey& key) {
    if (callsign.size() < 4 || !isAsciiLetter(callsign[0]) || !isAsciiLetter(callsign[1]) ||
        !isAsciiLetter(callsign[2]) || !isAsciiDigit(callsign[3])) {
        return false;
    }
    key.airlineId = gf_airlineId(gf_toUpper(callsign.substr(0, 3)));
    return true;
}

bool gf_airlineCodeFromCallsign(TrafficRecordHead& head) {
    return gf_airlineCodeFromCallsign(head.callsign, head.liveryKey);
}

double gf_modelRadiusNm(std::uint16_t modelId) {
    // Ids interned at run time go past the table.
    return modelId < tables().modelRadiusNm.size() ? tables().modelRadiusNm[modelId] : 0.0;
}

double gf_maxModelRadiusNm() { return tables().maxModelRadiusNm; }

const std::map<std::string, double, std::less<>>& gf_wingspanMap() { return tables().wingspans; }

std::optional<LiveryKey> gf_lookupRegistration(std::string_view registration) {
    if (registration.empty()) {
        return std::nullopt;
    }
    if (registration.size() >= 5 && registration.front() != 'N' && registration.find('-') == std::string_view::npos) {
        for (const std::size_t split : {std::size_t{2}, std::size_t{1}}) {
            const std::string dashed =
                std::string(registration.substr(0, split)) + "-" + std::string(registration.substr(split));
            if (std::optional<LiveryKey> key = lf_findRegistration(dashed)) {
                return key;
            }
        }
    }
    return lf_findRegistration(registration);
}

std::optional<std::string> gf_findShortRegistrationIn(std::string_view text) {
    for (const RegistrationEntry& row : tables().registrations) {
        if (row.registration.size() < 6 && text.find(row.registration) != std::string_view::npos) {
            return row.registration;
        }
    }
    return std::nullopt;
}

const std::vector<RegistrationEntry>& gf_registrationTable() { return tables().registrations; }

} // namespace kiv
