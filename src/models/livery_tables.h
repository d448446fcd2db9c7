// The livery matching tables: installed liveries by airline and model, by model, by size
// class and by registration, from which the livery choice picks. Process-wide; the main
// worker rebuilds them while no traffic runs, afterwards the simulator loop only reads them.
// Titles are owned by airlineLiveries alone and every other table holds views into it, so
// views are taken only once airlineLiveries is complete and stay valid until the next rebuild.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/fnv1a.h"
#include "models/livery.h"
#include "models/scan_collections.h"
#include "models/similar_models.h"

namespace kiv {

struct LiveryEntry {
    std::string title;
    std::uint8_t cargo = 0;
};

using ModelEntries = std::unordered_map<std::uint16_t, std::vector<LiveryEntry>>;
using TitleViews = std::vector<std::string_view>;
using ModelTitles = std::unordered_map<std::uint16_t, TitleViews>;
using AirlineModelTitles = std::unordered_map<std::uint16_t, ModelTitles>;
using TitleIndex = std::unordered_map<std::string_view, std::string_view, Fnv1aTextHash>;

inline constexpr std::size_t kPassengerTable = 0;
inline constexpr std::size_t kCargoTable = 1;

struct LiveryTables {
    // Airline (also operator, and airline+operator) id -> model id -> liveries, in list order.
    std::unordered_map<std::uint16_t, ModelEntries> airlineLiveries;
    TitleIndex titleIndex;                                     // one view per distinct title
    std::array<AirlineModelTitles, 2> airlineModelLiveries;    // passenger, cargo; no empty lists
    std::array<ModelTitles, 2> modelLiveries;                  // passenger, cargo
    std::array<std::vector<std::uint16_t>, 7> sizeClassModels; // by SizeClass, ascending

    // Filled by the registration-code merge.
    std::unordered_map<std::string, std::string_view, Fnv1aTextHash, std::equal_to<>> regcodeLiveries;
    std::unordered_map<std::string_view, std::string, Fnv1aTextHash> inlineTitleRegcodes;
    TitleSet specialTitles;
    std::set<std::string, std::less<>> uniqueRegcodes;
    std::vector<std::string> offlineMessages;

    // The ids of the codes the choice names, interned when the tables are built.
    std::uint16_t pvtAirline = 0;
    std::uint16_t genericAirline = 0; // "ZZZ"
    std::uint16_t b738Model = 0;
    std::uint16_t a320Model = 0;
};

// The process's tables; the builder (main worker) writes, the choice reads.
LiveryTables& gf_liveryTables();

// Empties every table and reserves room for the next build.
void lf_clearLiveryTables(LiveryTables& tables);

// From the sorted livery list: airlineLiveries (two passes: plain airlines, then operated
// liveries under the airline+operator code and under the operator), then the title index,
// airlineModelLiveries and modelLiveries. Liveries with airline or model id 0 are left out
// with a log line.
void lf_buildAirlineTables(const std::vector<Livery>& liveries, LiveryTables& tables);
void lf_buildTitleIndex(LiveryTables& tables);
void lf_buildAirlineModelTables(LiveryTables& tables);
void lf_createModelSorted(LiveryTables& tables);

// The shared view of a title, or an empty view when no installed livery has it.
std::string_view lf_titleView(const LiveryTables& tables, std::string_view title);

// The questions of the similar-model build, answered from the tables.
class InstalledLiveries final : public InstalledLiveryQueries {
public:
    explicit InstalledLiveries(const LiveryTables& tables) : tables_(tables) {}
    bool hasModelLiveries(std::uint16_t modelId) const override;
    bool airlineHasModel(std::uint16_t airlineId, std::uint16_t modelId) const override;
    std::vector<std::uint16_t> airlineIds() const override;

private:
    const LiveryTables& tables_;
};

// The airline's name as livery titles spell it ("DLH" -> "Lufthansa"); empty when unknown.
std::string_view lf_airlineTitleNames(std::string_view icaoCode);

} // namespace kiv
