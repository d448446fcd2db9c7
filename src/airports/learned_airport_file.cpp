#include "airports/learned_airport_file.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <fstream>

#include <fmt/format.h>

#include "airports/airport_file_format.h"
#include "airports/airport_file_reader.h"
#include "airports/airports_shell.h"
#include "foundation/file_helpers.h"
#include "foundation/half_hour_slots.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/data_file_info.h"
#include "settings/parameter_elements.h"

namespace kiv {
namespace {

constexpr std::uint32_t kFuelStand = 12;
// Thresholds in nautical miles (see the header).
constexpr double kSmallStandNm = 7.0;
constexpr double kMediumStandNm = 10.0;

bool isValidManualPosition(double latitude, double longitude) {
    const bool inRange = latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
    const bool nullIsland = std::abs(latitude) <= 0.0001 && std::abs(longitude) <= 0.0001;
    return inRange && !nullIsland;
}

bool sameAircraft(const FlightOption& a, const FlightOption& b) {
    return a.day == b.day && a.real == b.real && a.reg == b.reg && a.key.airlineId == b.key.airlineId &&
           a.key.modelId == b.key.modelId && a.key.operatorId == b.key.operatorId && a.key.cargo == b.key.cargo;
}

bool isRepetition(const Stand& stand, const FlightOption& option) {
    return std::any_of(stand.options.begin(), stand.options.end(), [&](const FlightOption& held) {
        return sameAircraft(held, option) && (held.hh & option.hh).any();
    });
}

template <typename Value> void logKey(std::string_view key, const Value& value) {
    gf_logIndented(fmt::format("{:24}: {}", key, value));
}

LearnedParkSettings readParkSettings(const pugi::xml_node& document) {
    LearnedParkSettings settings;
    auto readInt = [&](std::string_view key, std::optional<std::int32_t>& into) {
        into = gf_readIntParameter(document, key);
        if (into) {
            logKey(key, *into);
        }
    };
    auto readBool = [&](std::string_view key, std::optional<bool>& into) {
        into = gf_readBoolParameter(document, key);
        if (into) {
            logKey(key, *into);
        }
    };
    readInt("parking_percentage", settings.parking_percentage);
    readBool("WEEK", settings.WEEK);
    readBool("PARK_SOFT", settings.PARK_SOFT);
    readInt("MAX_FIT", settings.MAX_FIT);
    readBool("RT_PARKTRAFFIC_ONLY", settings.RT_PARKTRAFFIC_ONLY);
    readBool("AUTO_PARK", settings.AUTO_PARK);
    if (!settings.AUTO_PARK) {
        settings.AUTO_PARK = false;
        logKey("AUTO_PARK", false);
    }
    return settings;
}

void mergeManualStand(const pugi::xml_node& parkpos, const std::string& id, const std::string& pathText,
                      std::vector<Stand>& stands) {
    const bool exists =
        std::any_of(stands.begin(), stands.end(), [&](const Stand& stand) { return stand.id == id; });
    if (exists) {
        gf_logImportant(fmt::format("manually created standid {} already exists in {}", id, pathText));
        return;
    }
    const double latitude = parkpos.attribute("latitude").as_double(0.0);
    const double longitude = parkpos.attribute("longitude").as_double(0.0);
    const double radius = parkpos.attribute("radius").as_double(0.0);
    if (!isValidManualPosition(latitude, longitude) || !std::isfinite(radius) || !(radius > 0.0)) {
        gf_logImportant(fmt::format("manually created standid {} misses correct attributes in {}", id, pathText));
        return;
    }
    if (lf_parseParkpos(parkpos, id, 0, stands)) {
        stands.back().manual = true;
    }
}

void mergeLearnedStands(const pugi::xml_node& section, const std::string& pathText, std::vector<Stand>& stands) {
    for (const pugi::xml_node parkpos : section.children("parkpos")) {
        const std::string id = parkpos.attribute("id").as_string();
        if (!parkpos.attribute("manual").as_bool(false)) {
            const bool merged = std::any_of(stands.begin(), stands.end(),
                                            [&](Stand& stand) { return lf_mergeLearnedOptions(id, parkpos, stand); });
            if (!merged) {
                gf_logLine(fmt::format("learned stand {} in {} not found?", id, pathText));
            }
            continue;
        }
        mergeManualStand(parkpos, id, pathText, stands);
    }
}

} // namespace

bool lf_mergeLearnedOptions(std::string_view id, const pugi::xml_node& parkpos, Stand& stand) {
    if (stand.id != id) {
        return false;
    }
    std::uint32_t next = stand.options.empty() ? 1 : stand.options.back().seq + 1;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        OptionIdentity identity = lf_readOptionIdentity(opt);
        const SlotSet slots = gf_hours2bitset(opt.attribute("hh").as_string());
        if (slots.none()) {
            gf_logImportant("empty bit set");
            continue;
        }
        // The rule of every reader: an option without a weekday could never be written back.
        const std::optional<std::uint32_t> day = gf_readOptionDay(opt);
        if (!day) {
            continue;
        }
        FlightOption option;
        option.key = identity.key;
        option.reg = opt.attribute("reg").as_string();
        option.cs = std::move(identity.cs);
        option.cs2 = std::move(identity.cs2);
        option.hh = slots;
        option.seq = next;
        option.day = *day;
        option.fromFile = 0;
        option.real = opt.attribute("soft").as_bool(false) ? 0 : 1;
        option.cpl = opt.attribute("cpl").as_bool(false);
        if (isRepetition(stand, option)) {
            continue;
        }
        stand.options.push_back(std::move(option));
        ++next;
    }
    return true;
}

Expected<LearnedAirportFile, std::string> gf_readLearnedAirportFile(const std::filesystem::path& path,
                                                                    std::string_view archivedName,
                                                                    std::span<const Stand> archivedStands) {
    LearnedAirportFile result;
    result.stands.assign(archivedStands.begin(), archivedStands.end());
    const std::string pathText = gf_pathToUtf8(path);
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        gf_logImportant(fmt::format("{} could not be opened", pathText));
        return unexpected(fmt::format("{} could not be opened", pathText));
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load(stream);
    stream.close();
    if (!parsed) {
        gf_save1GenerationOf(path);
        gf_logImportant(fmt::format("{} found, not loaded: {}, saved as *.0.xml", pathText, parsed.description()));
        return unexpected(fmt::format("{} not loaded: {}", pathText, parsed.description()));
    }
    gf_logLine(fmt::format("Read from learned airport file: '{}'", pathText));
    if (!gf_checkInfoHeader(document, true)) {
        return unexpected(fmt::format("{} has invalid metadata", pathText));
    }
    const std::string learnedName = gf_readStringParameter(document, "airport_name").value_or("");
    if (learnedName != archivedName) {
        gf_airportsShell().showMessage(
            fmt::format("Warning: learned file airport name: '{}' differs from archived file airport name: '{}'",
                        learnedName, archivedName),
            true);
    }
    result.settings = readParkSettings(document);
    if (!gf_readBoolParameter(document, "handmade").value_or(false)) {
        const pugi::xml_node root = document.child("root") ? document.child("root") : document;
        const pugi::xml_node section = root.child("parkpositions");
        if (!section) {
            gf_logLine(fmt::format("learned file {} has no '{}' section", pathText, "parkpositions"));
            return result;
        }
        mergeLearnedStands(section, pathText, result.stands);
        return result;
    }
    result.stands.clear();
    lf_readParkpositions(document, result.stands);
    logKey("handmade", true);
    result.handmade = true;
    return result;
}

double lf_qualityWeight(double radiusNm) {
    if (radiusNm <= kSmallStandNm) {
        return 0.3;
    }
    return radiusNm <= kMediumStandNm ? 1.5 : 1.0;
}

QualityFigures gf_computeQualityFigures(std::span<const Stand> stands) {
    const bool anyOption =
        std::any_of(stands.begin(), stands.end(), [](const Stand& stand) { return !stand.options.empty(); });
    if (!anyOption) {
        return {};
    }
    double totalWeight = 0.0;
    double sums[2] = {0.0, 0.0}; // [0] real, [1] soft
    for (const Stand& stand : stands) {
        if (stand.type == kFuelStand) {
            continue;
        }
        const double weight = lf_qualityWeight(stand.radius);
        totalWeight += weight;
        for (const std::uint32_t real : {1U, 0U}) {
            std::uint32_t n = 0;
            std::bitset<8> days;
            SlotSet slots;
            std::size_t slotSum = 0;
            for (const FlightOption& option : stand.options) {
                if (option.seq == 0 || option.real != real) {
                    continue;
                }
                ++n;
                if (gf_isValidOptionDay(option.day)) {
                    days.set(option.day);
                }
                slots |= option.hh;
                slotSum += option.hh.count();
            }
            if (n == 0) {
                continue;
            }
            const double points = 12.5 * static_cast<double>(slots.count()) + 100.0 * static_cast<double>(days.count()) +
                                  std::min(20.0 * n, 4000.0) + 10000.0 +
                                  std::min(2.0 * static_cast<double>(slotSum), 700.0);
            sums[real == 1 ? 0 : 1] += points * weight;
        }
    }
    if (!(totalWeight > 0.0)) {
        return {0, 0};
    }
    auto figure = [&](double sum) {
        const double value = std::round(sum / totalWeight * 0.00625);
        return static_cast<std::int32_t>(std::clamp(value, 0.0, 100.0));
    };
    return {figure(sums[0]), figure(sums[1])};
}

} // namespace kiv
