#include "models/livery_tables.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include <fmt/format.h>

#include "foundation/log.h"
#include "models/interned_codes.h"

namespace kiv {
namespace {

constexpr float kMaxLoadFactor = 0.7f;

template <typename Map> void resetMap(Map& map, std::size_t room) {
    map.clear();
    map.max_load_factor(kMaxLoadFactor);
    map.reserve(room);
}

template <typename Map> std::vector<typename Map::key_type> sortedKeys(const Map& map) {
    std::vector<typename Map::key_type> keys;
    keys.reserve(map.size());
    for (const auto& entry : map) {
        keys.push_back(entry.first);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Every entry of airlineLiveries in a fixed order: airline id, model id, list order. The hash
// maps' own order would make "the first" title and the order of the model lists depend on
// the hashing.
template <typename Visit> void forEachEntry(const LiveryTables& tables, Visit visit) {
    for (const std::uint16_t airline : sortedKeys(tables.airlineLiveries)) {
        const ModelEntries& models = tables.airlineLiveries.at(airline);
        for (const std::uint16_t model : sortedKeys(models)) {
            for (const LiveryEntry& entry : models.at(model)) {
                visit(airline, model, entry);
            }
        }
    }
}

void appendEntries(ModelEntries& target, const ModelEntries& group) {
    for (const auto& [model, entries] : group) {
        std::vector<LiveryEntry>& list = target[model];
        list.insert(list.end(), entries.begin(), entries.end());
    }
}

bool isIndexable(const Livery& livery, const char* kind) {
    if (livery.key.airlineId != 0 && livery.key.modelId != 0) {
        return true;
    }
    gf_logLine(fmt::format("Invalid {}index: airl={}, opr={}, model={}, title={}", kind, livery.key.airlineId,
                           livery.key.operatorId, livery.key.modelId, livery.title));
    return false;
}

// One finished (airline, operator) group goes under the combined code and into the operator.
void storeOperatorGroup(LiveryTables& tables, std::uint16_t airline, std::uint16_t operatorId,
                        const ModelEntries& group) {
    if (group.empty()) {
        return;
    }
    const std::uint16_t combined = gf_airlineId(gf_airlineCode(airline) + gf_airlineCode(operatorId));
    appendEntries(tables.airlineLiveries[combined], group);
    appendEntries(tables.airlineLiveries[operatorId], group);
}

} // namespace

LiveryTables& gf_liveryTables() {
    static LiveryTables tables;
    return tables;
}

void lf_clearLiveryTables(LiveryTables& tables) {
    resetMap(tables.airlineLiveries, 0);
    resetMap(tables.titleIndex, 30000);
    resetMap(tables.airlineModelLiveries[kPassengerTable], 2048);
    resetMap(tables.airlineModelLiveries[kCargoTable], 256);
    resetMap(tables.modelLiveries[kPassengerTable], 324);
    resetMap(tables.modelLiveries[kCargoTable], 75);
    // Room by SizeClass: Light, TwoProps, Bizjet, Large, Heavy, HighPerf, Rotorcraft.
    constexpr std::array<std::size_t, 7> classRoom = {64, 128, 128, 128, 128, 32, 32};
    for (std::size_t i = 0; i < tables.sizeClassModels.size(); ++i) {
        tables.sizeClassModels[i].clear();
        tables.sizeClassModels[i].reserve(classRoom[i]);
    }
    resetMap(tables.regcodeLiveries, 0);
    resetMap(tables.inlineTitleRegcodes, 36000);
    resetMap(tables.specialTitles, 4096);
    tables.uniqueRegcodes.clear();
    tables.offlineMessages.clear();
    tables.pvtAirline = gf_airlineId("PVT");
    tables.genericAirline = gf_airlineId("ZZZ");
    tables.b738Model = gf_modelId("B738");
    tables.a320Model = gf_modelId("A320");
}

void lf_buildAirlineTables(const std::vector<Livery>& liveries, LiveryTables& tables) {
    for (const Livery& livery : liveries) {
        if (livery.key.operatorId == 0 && isIndexable(livery, "livery ")) {
            tables.airlineLiveries[livery.key.airlineId][livery.key.modelId].push_back(
                {livery.title, livery.key.cargo});
        }
    }
    // The list is sorted by airline, then operator: each group is one run.
    ModelEntries group;
    std::pair<std::uint16_t, std::uint16_t> groupKey{0, 0};
    for (const Livery& livery : liveries) {
        if (livery.key.operatorId == 0 || !isIndexable(livery, "operator livery ")) {
            continue;
        }
        const std::pair<std::uint16_t, std::uint16_t> key{livery.key.airlineId, livery.key.operatorId};
        if (key != groupKey) {
            storeOperatorGroup(tables, groupKey.first, groupKey.second, group);
            group.clear();
            groupKey = key;
        }
        group[livery.key.modelId].push_back({livery.title, livery.key.cargo});
    }
    storeOperatorGroup(tables, groupKey.first, groupKey.second, group);
}

void lf_buildTitleIndex(LiveryTables& tables) {
    forEachEntry(tables, [&](std::uint16_t, std::uint16_t, const LiveryEntry& entry) {
        if (!entry.title.empty()) {
            const std::string_view view = entry.title;
            tables.titleIndex.try_emplace(view, view);
        }
    });
}

void lf_buildAirlineModelTables(LiveryTables& tables) {
    for (const auto& [airline, models] : tables.airlineLiveries) {
        for (const auto& [model, entries] : models) {
            std::array<TitleViews, 2> views;
            for (const LiveryEntry& entry : entries) {
                views[entry.cargo != 0 ? kCargoTable : kPassengerTable].push_back(entry.title);
            }
            for (std::size_t table = 0; table < views.size(); ++table) {
                if (!views[table].empty()) {
                    tables.airlineModelLiveries[table][airline][model] = std::move(views[table]);
                }
            }
        }
    }
}

void lf_createModelSorted(LiveryTables& tables) {
    struct Triple {
        std::string_view title;
        std::uint16_t model;
        std::uint8_t cargo;
    };
    std::vector<Triple> triples;
    forEachEntry(tables, [&](std::uint16_t, std::uint16_t model, const LiveryEntry& entry) {
        if (!entry.title.empty()) {
            triples.push_back({entry.title, model, entry.cargo});
        }
    });
    std::stable_sort(triples.begin(), triples.end(),
                     [](const Triple& a, const Triple& b) { return a.model < b.model; });
    for (const Triple& triple : triples) {
        tables.modelLiveries[triple.cargo != 0 ? kCargoTable : kPassengerTable][triple.model].push_back(triple.title);
    }
}

std::string_view lf_titleView(const LiveryTables& tables, std::string_view title) {
    const auto found = tables.titleIndex.find(title);
    return found == tables.titleIndex.end() ? std::string_view{} : found->second;
}

bool InstalledLiveries::hasModelLiveries(std::uint16_t modelId) const {
    return tables_.modelLiveries[kPassengerTable].contains(modelId) ||
           tables_.modelLiveries[kCargoTable].contains(modelId);
}

bool InstalledLiveries::airlineHasModel(std::uint16_t airlineId, std::uint16_t modelId) const {
    const auto airline = tables_.airlineLiveries.find(airlineId);
    return airline != tables_.airlineLiveries.end() && airline->second.contains(modelId);
}

std::vector<std::uint16_t> InstalledLiveries::airlineIds() const { return sortedKeys(tables_.airlineLiveries); }

std::string_view lf_airlineTitleNames(std::string_view icaoCode) {
    static const std::unordered_map<std::string_view, std::string_view> names = {
        {"AAL", "American"},
        {"AAR", "Asiana"},
        {"AAY", "Allegiant"},
        {"ACA", "Air Canada"},
        {"AFR", "Air France"},
        {"AIC", "Air India"},
        {"ANA", "ANA"},
        {"ANZ", "Air New Zealand"},
        {"ASA", "Alaska"},
        {"ASH", "Mesa"},
        {"AUA", "Austrian"},
        {"AVA", "Avianca"},
        {"BAW", "British Airways"},
        {"BEL", "Brussels"},
        {"BOX", "AeroLogic"},
        {"CAI", "Corendon"},
        {"CCA", "Air China"},
        {"CES", "China Eastern"},
        {"CFE", "BA CityFlyer"},
        {"CHH", "Hainan"},
        {"CPA", "Cathay"},
        {"CSN", "China Southern"},
        {"DAE", "DHL Aero"},
        {"DAL", "Delta"},
        {"DHK", "DHL Air"},
        {"DLH", "Lufthansa"},
        {"EDV", "Endeavor"},
        {"EIN", "Aer Lingus"},
        {"ETH", "Ethiopian"},
        {"ETD", "Etihad"},
        {"EVA", "EVA Air"},
        {"EZY", "easyJet"},
        {"FDX", "FedEx"},
        {"FFT", "Frontier"},
        {"FIN", "Finnair"},
        {"FJO", "Flexjet"},
        {"GJS", "GoJet"},
        {"IBE", "Iberia"},
        {"JAL", "Japan Airlines"},
        {"JBU", "JetBlue"},
        {"JIA", "PSA Airlines"},
        {"JZA", "Jazz"},
        {"KAL", "Korean Air"},
        {"KLC", "Cityhopper"},
        {"KLM", "KLM"},
        {"LAN", "LATAM"},
        {"LOT", "LOT"},
        {"LRC", "Avianca"},
        {"NKS", "Spirit"},
        {"PDT", "Piedmont"},
        {"PRM", "Prime Air"},
        {"QFA", "Qantas"},
        {"QLK", "QantasLink"},
        {"QTR", "Qatar"},
        {"QXE", "Horizon"},
        {"RPA", "Republic"},
        {"RYR", "Ryanair"},
        {"SAS", "Scandinavian"},
        {"SIA", "Singapore"},
        {"SKW", "SkyWest"},
        {"SWA", "Southwest"},
        {"SWR", "Swiss"},
        {"TAP", "TAP"},
        {"THY", "Turkish"},
        {"TVF", "Transavia"},
        {"UAL", "United"},
        {"UAE", "Emirates"},
        {"UPS", "UPS"},
        {"VIR", "Virgin Atlantic"},
        {"VJT", "VistaJet"},
        {"VLG", "Vueling"},
        {"WJA", "WestJet"},
    };
    const auto found = names.find(icaoCode);
    return found == names.end() ? std::string_view{} : found->second;
}

} // namespace kiv
