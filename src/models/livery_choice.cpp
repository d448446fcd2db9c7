#include "models/livery_choice.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "airports/stand.h"
#include "foundation/log.h"
#include "foundation/random.h"
#include "foundation/settings_readers.h"
#include "foundation/string_helpers.h"
#include "models/interned_codes.h"
#include "models/livery_key_text.h"
#include "models/livery_records.h"
#include "models/livery_tables.h"
#include "models/similar_models.h"
#include "models/type_database.h"
#include "settings/settings_snapshot.h"
#include "traffic/aircraft_records.h"
#include "traffic/aircraft_text.h"

namespace kiv {
namespace {

constexpr int kTcasLevel = 8;
constexpr int kRandomTries = 5;

// A title and the step that found it; `level` is the lowest level at which the step is
// allowed for this aircraft, which decides whether only the TCAS level reached it.
struct Match {
    std::string_view title;
    std::uint8_t step = 0;
    int level = 0;
};

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) {
        return false;
    }
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && gf_toUpperChar(text[at + i]) == gf_toUpperChar(part[i])) {
            ++i;
        }
        if (i == part.size()) {
            return true;
        }
    }
    return false;
}

std::size_t tableOf(std::uint8_t cargo) { return cargo != 0 ? kCargoTable : kPassengerTable; }

bool isSmall(SizeClass sizeClass) {
    return sizeClass == SizeClass::Light || sizeClass == SizeClass::TwoProps || sizeClass == SizeClass::Bizjet ||
           sizeClass == SizeClass::Rotorcraft;
}

std::string aircraftText(const AircraftInfo& aircraft) {
    return fmt::format("{:8} {:12} {} {}", aircraft.head.callsign, aircraft.head.registration,
                       gf_routeText(aircraft.head.route), gf_liveryKeyText(aircraft.head.liveryKey));
}

class Chooser {
public:
    Chooser(AircraftInfo& aircraft, const LiveryTables& tables)
        : aircraft_(aircraft), tables_(tables), small_(isSmall(aircraft.sizeClass)) {}

    Match matchRegistration() const {
        const std::string& registration = aircraft_.head.registration;
        if (registration.empty()) {
            return {};
        }
        const auto found = tables_.regcodeLiveries.find(registration);
        if (found == tables_.regcodeLiveries.end()) {
            return {};
        }
        return {found->second, static_cast<std::uint8_t>(tables_.uniqueRegcodes.contains(registration) ? 0 : 1), 0};
    }

    // The PVT rule: a private aircraft takes a generic livery of its model.
    Match matchPrivate(LiveryKey key) const {
        if (key.airlineId != tables_.pvtAirline) {
            return {};
        }
        key.airlineId = tables_.genericAirline;
        key.operatorId = 0;
        return {matchLiveryKey(key), 4, 2};
    }

    Match matchKey(const LiveryKey& key) const { return {matchLiveryKey(key), 2, 2}; }

    Match matchSimilarModel(const LiveryKey& key) const {
        AirlineSimilarModels& perAirline = gf_airlineSimilarModelsForChoice();
        const auto airline = perAirline.find(key.operatorId != 0 ? key.operatorId : key.airlineId);
        if (airline == perAirline.end()) {
            return {};
        }
        const auto models = airline->second.find(key.modelId);
        if (models == airline->second.end()) {
            return {};
        }
        gf_shuffleIds(models->second);
        for (const std::uint16_t model : models->second) {
            if (gf_sizeClassOfModel(model) != aircraft_.sizeClass) {
                continue;
            }
            LiveryKey similar = key;
            similar.modelId = model;
            std::string_view title = matchWithOperator(similar, tableOf(key.cargo));
            if (title.empty() && key.cargo != 0) {
                title = matchWithOperator(similar, kPassengerTable);
            }
            if (!title.empty()) {
                return {title, 3, 3};
            }
        }
        return {};
    }

    // The key is the aircraft's own; `extraCargo` is a cargo stand's flag.
    Match matchFallback(int level, std::uint8_t extraCargo) const {
        const LiveryKey& key = aircraft_.head.liveryKey;
        const std::uint8_t cargo = (key.cargo != 0 || extraCargo != 0) ? 1 : 0;
        const std::size_t ownTable = tableOf(key.cargo);
        LiveryKey generic = key;
        generic.airlineId = tables_.genericAirline;
        generic.operatorId = tables_.genericAirline;
        generic.cargo = cargo;
        if (const std::string_view title = matchLiveryKey(generic); !title.empty()) {
            return {title, 4, 4};
        }
        if (level >= 5 || small_) {
            if (const std::string_view title = matchModelOnly(key.modelId, ownTable); !title.empty()) {
                return {title, 5, small_ ? 4 : 5};
            }
        }
        if (level >= 6 || small_) {
            if (const std::string_view title = matchSimilarModelOnly(key.modelId, ownTable); !title.empty()) {
                return {title, 6, small_ ? 4 : 6};
            }
        }
        if (level >= 7 || small_) {
            if (const std::string_view title = matchSizeClass(key.modelId, tableOf(cargo)); !title.empty()) {
                return {title, 7, small_ ? 4 : 7};
            }
        }
        if (level == kTcasLevel) {
            for (const std::uint16_t model : {tables_.b738Model, tables_.a320Model}) {
                if (const std::string_view title = matchModelOnly(model, ownTable); !title.empty()) {
                    return {title, 8, kTcasLevel};
                }
            }
        }
        return {};
    }

private:
    // The first title of at most five random draws that is neither special nor failed; after
    // five misses, a fair pick among all such titles; empty when there is none. With RANDOM
    // off: the first title when it is usable, else the last usable one.
    std::string_view pickRandomLivery(const TitleViews& titles) const {
        if (titles.empty()) {
            return {};
        }
        const auto usable = [this](std::string_view title) {
            return !tables_.specialTitles.contains(title) && !gf_isFailedLivery(title);
        };
        for (int i = 0; i < kRandomTries; ++i) {
            const std::string_view title = titles[gf_randomIndex(titles.size())];
            if (usable(title)) {
                return title;
            }
        }
        std::string_view choice;
        std::uint64_t seen = 0;
        for (const std::string_view title : titles) {
            if (usable(title) && gf_randomIndex(++seen) == 0) {
                choice = title;
            }
        }
        return choice;
    }

    const TitleViews* airlineModelTitles(std::size_t table, std::uint16_t airline, std::uint16_t model) const {
        const AirlineModelTitles& airlines = tables_.airlineModelLiveries[table];
        const auto byAirline = airlines.find(airline);
        if (byAirline == airlines.end()) {
            return nullptr;
        }
        const auto byModel = byAirline->second.find(model);
        return byModel == byAirline->second.end() ? nullptr : &byModel->second;
    }

    std::string_view matchAirlineModel(std::size_t table, std::uint16_t airline, std::uint16_t model) const {
        const TitleViews* titles = airlineModelTitles(table, airline, model);
        return titles == nullptr ? std::string_view{} : pickRandomLivery(*titles);
    }

    // The first title of the airline's liveries of the model that spells the other airline's
    // name; neither random nor special-aware.
    std::string_view matchTitleByAirlineName(std::size_t table, std::uint16_t airline, std::uint16_t model,
                                             const std::string& nameCode) const {
        const TitleViews* titles = airlineModelTitles(table, airline, model);
        if (titles == nullptr) {
            return {};
        }
        const std::string_view name = lf_airlineTitleNames(nameCode);
        if (name.empty()) {
            return {};
        }
        for (const std::string_view title : *titles) {
            if (containsIgnoringCase(title, name)) {
                return title;
            }
        }
        return {};
    }

    std::string_view matchWithOperator(const LiveryKey& key, std::size_t table) const {
        if (key.operatorId == 0) {
            return matchAirlineModel(table, key.airlineId, key.modelId);
        }
        const std::string airlineCode = gf_airlineCode(key.airlineId);
        const std::string operatorCode = gf_airlineCode(key.operatorId);
        const std::uint16_t combined = gf_airlineId(airlineCode + operatorCode);
        std::string_view title = matchAirlineModel(table, combined, key.modelId);
        if (title.empty()) {
            title = matchTitleByAirlineName(table, key.operatorId, key.modelId, airlineCode);
        }
        if (title.empty()) {
            title = matchTitleByAirlineName(table, key.airlineId, key.modelId, operatorCode);
        }
        if (title.empty()) {
            title = matchAirlineModel(table, key.operatorId, key.modelId);
        }
        if (title.empty()) {
            title = matchAirlineModel(table, key.airlineId, key.modelId);
        }
        return title;
    }

    // Cargo liveries first for a cargo key, then passenger ones; never the reverse.
    std::string_view matchLiveryKey(const LiveryKey& key) const {
        std::string_view title = matchWithOperator(key, tableOf(key.cargo));
        if (title.empty() && key.cargo != 0) {
            title = matchWithOperator(key, kPassengerTable);
        }
        return title;
    }

    std::string_view matchModelOnly(std::uint16_t model, std::size_t table) const {
        const ModelTitles& models = tables_.modelLiveries[table];
        const auto found = models.find(model);
        return found == models.end() ? std::string_view{} : pickRandomLivery(found->second);
    }

    std::string_view matchSimilarModelOnly(std::uint16_t model, std::size_t table) const {
        SimilarModels& similar = gf_similarModelsForChoice();
        const auto found = similar.find(model);
        if (found == similar.end()) {
            return {};
        }
        gf_shuffleIds(found->second);
        for (const std::uint16_t other : found->second) {
            if (const std::string_view title = matchModelOnly(other, table); !title.empty()) {
                return title;
            }
        }
        return {};
    }

    // The models of the model's size class, in a random order when RANDOM is on; each in the
    // table of `table` first, then in the other.
    std::string_view matchSizeClass(std::uint16_t model, std::size_t table) const {
        const std::vector<std::uint16_t>& models =
            tables_.sizeClassModels[static_cast<std::size_t>(gf_sizeClassOfModel(model))];
        std::vector<std::uint16_t> shuffled;
        const std::vector<std::uint16_t>* order = &models;
        if (gf_randomFlag() && models.size() >= 2) {
            shuffled = models;
            gf_shuffleIds(shuffled);
            order = &shuffled;
        }
        for (const std::uint16_t other : *order) {
            std::string_view title = matchModelOnly(other, table);
            if (title.empty()) {
                title = matchModelOnly(other, 1 - table);
            }
            if (!title.empty()) {
                return title;
            }
        }
        return {};
    }

    AircraftInfo& aircraft_;
    const LiveryTables& tables_;
    const bool small_;
};

void logMatch(const AircraftInfo& aircraft, std::string_view step, std::string_view title) {
    gf_logLine(fmt::format("{:16}{} ={}= {}", "", aircraftText(aircraft), step, title));
}

// A live match is accepted unless the simulator once failed to create its title.
bool recordMatch(AircraftInfo& aircraft, const Match& match, int matchingDepth) {
    if (match.title.empty() || gf_isFailedLivery(match.title)) {
        return false;
    }
    ++gf_matchCounters()[match.step];
    logMatch(aircraft, fmt::format("{}", match.step), match.title);
    aircraft.liveryTitle = match.title;
    aircraft.isPackageLivery = match.title.find("FSLTL_") != std::string_view::npos ? 1 : 0;
    // Only a step that the matching depth would not have allowed makes the aircraft a TCAS
    // target, which is removed again below the TCAS level; a step the depth allows is not.
    if (match.level > matchingDepth) {
        aircraft.isCoverageOnly = 1;
    }
    return true;
}

bool recordStaticMatch(AircraftInfo& aircraft, const Match& match) {
    if (match.title.empty() || gf_isFailedLivery(match.title)) {
        return false;
    }
    logMatch(aircraft, fmt::format("{}", match.step), match.title);
    aircraft.liveryTitle = match.title;
    return true;
}

} // namespace

void gf_chooseLivery(AircraftInfo& aircraft, double altitudeFt, double userAltitudeFt) {
    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    const int depth = settings->matchingDepth;
    const double tcasFt = settings->tcasFl * 100.0;
    const int level = userAltitudeFt > tcasFt && altitudeFt > tcasFt ? kTcasLevel : depth;
    const Chooser chooser(aircraft, gf_liveryTables());
    if (recordMatch(aircraft, chooser.matchRegistration(), depth) || level < 2) {
        return;
    }
    const LiveryKey key = aircraft.head.liveryKey;
    if (recordMatch(aircraft, chooser.matchPrivate(key), depth) ||
        recordMatch(aircraft, chooser.matchKey(key), depth) || level < 3) {
        return;
    }
    if (recordMatch(aircraft, chooser.matchSimilarModel(key), depth) || level < 4) {
        return;
    }
    recordMatch(aircraft, chooser.matchFallback(level, 0), depth);
}

bool gf_chooseStaticLivery(AircraftInfo& aircraft, const Stand& stand) {
    if (!aircraft.liveryTitle.empty()) {
        logMatch(aircraft, "s", aircraft.liveryTitle);
        return true;
    }
    const int level = gf_settings()->matchingDepth;
    const Chooser chooser(aircraft, gf_liveryTables());
    LiveryKey working = aircraft.head.liveryKey;
    working.cargo = stand.cargo;
    if (recordStaticMatch(aircraft, chooser.matchRegistration())) {
        return true;
    }
    if (level >= 2 && (recordStaticMatch(aircraft, chooser.matchPrivate(working)) ||
                       recordStaticMatch(aircraft, chooser.matchKey(working)))) {
        return true;
    }
    if (level >= 3 && recordStaticMatch(aircraft, chooser.matchSimilarModel(working))) {
        return true;
    }
    if (level >= 4 && recordStaticMatch(aircraft, chooser.matchFallback(level, stand.cargo))) {
        return true;
    }
    gf_logLine(fmt::format("{:14}: {} no livery match ...", stand.id,
                           fmt::format("{:8} {} {}", aircraft.head.callsign, aircraft.head.registration,
                                       gf_liveryKeyText(aircraft.head.liveryKey))));
    return false;
}

} // namespace kiv
