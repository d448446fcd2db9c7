// The tables behind models/type_database.h, shared by its reader and its look-ups.
// Written by the main worker at start-up only; read by any thread afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "models/type_database.h"

namespace kiv::detail {

using ModelIdSet = std::unordered_set<std::uint16_t>;

struct TypeDatabaseTables {
    CodeSet knownModels;
    CodeSet cargoModels;
    CodeSet heavy, large, buzjet, twoprops, highPerformance, rotorcraft;
    CodeSet knownAirlines;
    CodeSet cargoOperators;

    ModelIdSet cargoModelIds;
    ModelIdSet heavyIds, largeIds, buzjetIds, twopropsIds, highPerformanceIds, rotorcraftIds;
    std::unordered_set<std::uint16_t> cargoOperatorIds;

    std::vector<std::vector<std::string>> similarGroups;
    std::map<std::string, double, std::less<>> wingspans;
    std::array<double, kModelRadiusTableSize> modelRadiusNm{};
    double maxModelRadiusNm = 0.0;
    ModelFixes fixes;
    std::vector<RegistrationEntry> registrations;
};

TypeDatabaseTables& typeDatabaseTables();

} // namespace kiv::detail
