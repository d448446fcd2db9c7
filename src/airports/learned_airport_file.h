// The learned copy of an airport file: the stand uses observed at run time, stands made by
// hand and the user's park settings for that airport, merged into the stands of the file it
// belongs to; and the quality figures of learned stand use. Works on the caller's data only
// (the interning of airline and model codes is safe from any thread): any thread.
//
// The quality figures weigh each stand by its radius against 7 and 10. Radii are held in
// nautical miles, so every stand of a real airport weighs the same and the figures are
// plain averages over the stands that are not fuel stands; the thresholds stay in nautical
// miles so that the figures of files already written keep their meaning.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "airports/stand.h"
#include "foundation/expected.h"

namespace kiv {

// The park settings a learned copy holds; AUTO_PARK is always present after a read.
struct LearnedParkSettings {
    std::optional<std::int32_t> parking_percentage;
    std::optional<std::int32_t> MAX_FIT;
    std::optional<bool> RT_PARKTRAFFIC_ONLY;
    std::optional<bool> AUTO_PARK;
    std::optional<bool> WEEK;
    std::optional<bool> PARK_SOFT;

    friend bool operator==(const LearnedParkSettings&, const LearnedParkSettings&) = default;
};

struct LearnedAirportFile {
    std::vector<Stand> stands;
    LearnedParkSettings settings;
    bool handmade = false; // the file's own stands replaced the archived ones
};

// Reads the learned file at `path` and merges it into a copy of `archivedStands`. A file that
// does not parse is kept as its previous generation ("*0.xml"). Errors: "{} could not be
// opened", "{} not loaded: {}", "{} has invalid metadata" (path first).
Expected<LearnedAirportFile, std::string> gf_readLearnedAirportFile(const std::filesystem::path& path,
                                                                    std::string_view archivedName,
                                                                    std::span<const Stand> archivedStands);

// When `stand` has the id `id`: merges the usable options of the learned parkpos element into
// it (a repetition of an option it holds is dropped; an option without slots or a valid
// weekday is skipped) and answers true; false for any other stand.
bool lf_mergeLearnedOptions(std::string_view id, const pugi::xml_node& parkpos, Stand& stand);

struct QualityFigures {
    std::int32_t Qf_real = -1;
    std::int32_t Qf_soft = -1;

    friend bool operator==(const QualityFigures&, const QualityFigures&) = default;
};
// -1/-1 when no stand has an option; else each figure 0..100.
QualityFigures gf_computeQualityFigures(std::span<const Stand> stands);

// The weight of a stand in the quality figures, by its radius in nautical miles.
double lf_qualityWeight(double radiusNm);

} // namespace kiv
