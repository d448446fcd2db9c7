#include "models/detail/fltsim_section.h"

#include <optional>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "models/detail/cfg_lines.h"
#include "models/interned_codes.h"
#include "models/scan_collections.h"
#include "models/type_database.h"

namespace kiv::detail {
namespace {

constexpr std::size_t kMaxIvaoRegistrationLength = 12;

// The seven values of a section, empty until seen.
struct SectionState {
    std::string title;
    std::string airline;
    std::string parkingTypes;
    std::string regcode;
    std::string model;
    std::string sim;
    std::string texture;
};

// Texts shared by the messages of one section.
struct SectionContext {
    std::string pathText;
    std::string folderText;
    std::string header;
};

SectionContext contextOf(const std::vector<std::string>& section, const std::filesystem::path& path) {
    return {gf_pathToUtf8(path), gf_pathToUtf8(path.parent_path()), section.front()};
}

void dropTrailingComments(std::vector<std::string>& section) {
    while (!section.empty() &&
           (section.back().empty() || section.back().starts_with(';') || section.back().starts_with("//"))) {
        section.pop_back();
    }
}

// Takes the value of a key seen for the first time; false when the line is not that key's.
bool takeFirst(std::string& field, std::string_view line, std::string_view key) {
    if (!field.empty()) {
        return false;
    }
    std::string value = lf_keyValue(line, key);
    if (value.empty()) {
        return false;
    }
    field = std::move(value);
    return true;
}

// model, then sim, then texture: the first value of each wins.
bool takeFolderKeys(SectionState& state, std::string_view line) {
    return takeFirst(state.model, line, "model") || takeFirst(state.sim, line, "sim") ||
           takeFirst(state.texture, line, "texture");
}

std::string parkingTypesOf(std::string value) {
    gf_trimInPlace(value);
    return gf_toUpper(value);
}

enum class AirlineOutcome { taken, invalid, silentRefusal };

AirlineOutcome takeParkingCode(SectionState& state, std::string_view value, const SectionContext& context,
                               const std::filesystem::path& path) {
    std::string code(value.substr(0, value.find(',')));
    gf_trimInPlace(code);
    if (code.size() == 4 && (code[3] == 'X' || code[3] == 'C')) {
        code.resize(3);
    }
    if (gf_isKnownAirlineCode(code)) {
        state.airline = std::move(code);
        return AirlineOutcome::taken;
    }
    if (code == "RFO") {
        return AirlineOutcome::silentRefusal;
    }
    lf_reportInvalidAirline(code, path, context.header);
    return AirlineOutcome::invalid;
}

// A key's two rules for one line: its first value, or (once the key is known) any line that
// merely names it again, comment lines included.
enum class KeyLine { other, first, again };

KeyLine keyLine(const std::string& known, std::string_view line, std::string_view key, std::string_view againMark,
                std::string& value) {
    if (known.empty()) {
        value = lf_keyValue(line, key);
        return value.empty() ? KeyLine::other : KeyLine::first;
    }
    return containsNoCase(line, againMark) ? KeyLine::again : KeyLine::other;
}

struct Refusal {
    bool silent = false;
    std::string text;
};

Refusal refusalText(std::string text) { return Refusal{false, std::move(text)}; }

// The lines of an ordinary section; empty when none refuses it.
std::optional<Refusal> readOrdinaryLines(const std::vector<std::string>& section, SectionState& state,
                                         const SectionContext& context, const std::filesystem::path& path) {
    for (const std::string& line : section) {
        if (const std::string title = lf_keyValue(line, "title"); !title.empty()) {
            if (!state.title.empty()) {
                return refusalText(
                    fmt::format("{} {} has more than one title key", context.folderText, context.header));
            }
            state.title = title;
            continue;
        }
        std::string value;
        switch (keyLine(state.airline, line, "atc_parking_codes", "atc_parking_codes", value)) {
        case KeyLine::first:
            if (takeParkingCode(state, value, context, path) == AirlineOutcome::silentRefusal) {
                return Refusal{true, {}};
            }
            continue;
        case KeyLine::again:
            return refusalText(
                fmt::format("{} {} has more than one atc_parking_codes key", context.folderText, context.header));
        case KeyLine::other:
            break;
        }
        switch (keyLine(state.parkingTypes, line, "atc_parking_types", "atc_parking_types", value)) {
        case KeyLine::first:
            state.parkingTypes = parkingTypesOf(value);
            continue;
        case KeyLine::again:
            return refusalText(
                fmt::format("{} {} has more than one atc_parking_types key", context.folderText, context.header));
        case KeyLine::other:
            break;
        }
        switch (keyLine(state.regcode, line, "atc_id", "atc_id=", value)) {
        case KeyLine::first: {
            const std::string cut = value.substr(0, value.find(';'));
            if (!lf_checkAtcId(cut, state.regcode)) {
                lf_addIncompleteSection(fmt::format("invalid atc_id={} in: {}", cut, state.title));
            }
            continue;
        }
        case KeyLine::again:
            return refusalText(fmt::format("{}, {}, has more than one atc_id key", context.folderText, context.header));
        case KeyLine::other:
            break;
        }
        takeFolderKeys(state, line);
    }
    return std::nullopt;
}

std::optional<LiveryKey> foundRegistration(const std::string& regcode) {
    if (regcode.empty()) {
        return std::nullopt;
    }
    std::optional<LiveryKey> key = gf_lookupRegistration(regcode);
    return key && key->airlineId != 0 ? key : std::nullopt;
}

// The key's ids decide whether the livery can ever be matched; a title is taken only then.
std::optional<std::string> incompleteKeyText(const LiveryKey& key, const SectionContext& context,
                                             const std::string& title) {
    if (key.modelId == 0) {
        return fmt::format("{} {} title '{}' has an unknown model", context.folderText, context.header, title);
    }
    if (key.airlineId == 0) {
        return fmt::format("{} {} title '{}' has an unknown airline", context.folderText, context.header, title);
    }
    return std::nullopt;
}

std::list<Livery> processOrdinary(std::int16_t priority, std::vector<std::string>& section,
                                  const std::string& modelCode, const std::filesystem::path& path,
                                  CompanionFinder& finder) {
    dropTrailingComments(section);
    if (section.empty()) {
        return {};
    }
    const SectionContext context = contextOf(section, path);
    SectionState state;
    const std::optional<Refusal> refusal = readOrdinaryLines(section, state, context, path);
    // Airline RFO refuses the section without a word, not even the missing-airline line.
    if (refusal && refusal->silent) {
        return {};
    }
    if (refusal) {
        lf_addIncompleteSection(refusal->text);
    }
    if (state.airline.empty()) {
        lf_addIncompleteSection(
            fmt::format("{} {} icao_airline is missing, or it has invalid info ", context.pathText, context.header));
    }
    if (refusal) {
        return {};
    }

    const std::string modelFolder = "model." + state.model;
    const std::string textureFolder = "texture." + state.texture;
    const std::string flightModel = state.sim + ".air";
    for (const auto& [name, kind] :
         {std::pair{modelFolder, CompanionKind::folder}, std::pair{textureFolder, CompanionKind::folder},
          std::pair{flightModel, CompanionKind::file}}) {
        if (!finder.find(name, kind)) {
            lf_addIncompleteSection(gf_pathToUtf8(finder.folder() / gf_utf8ToPath(modelFolder)) +
                                    " or related path does not exist: " + context.header);
            return {};
        }
    }
    if (state.title.empty()) {
        lf_addIncompleteSection(fmt::format("{} {} misses title", context.folderText, context.header));
        return {};
    }
    if (state.title.find("Fictional") != std::string::npos || lf_isDontUseTitle(state.title)) {
        return {};
    }
    if (state.airline == "ZZZ") {
        state.regcode.clear();
    }
    std::optional<LiveryKey> tableKey = foundRegistration(state.regcode);
    if (state.airline.empty()) {
        const bool heavy = gf_sizeClassOfModelCode(modelCode) == SizeClass::Heavy;
        if (state.regcode.empty()) {
            if (heavy) {
                lf_addIncompleteSection(
                    fmt::format("'{}' '{}' has no airline and no regcode info", context.folderText, context.header));
                return {};
            }
            state.airline = "PVT";
            state.regcode = gf_findShortRegistrationIn(state.title).value_or("");
            tableKey = foundRegistration(state.regcode);
        } else if (!tableKey) {
            if (heavy) {
                lf_addIncompleteSection(fmt::format("'{}' '{}' has no airline and regcode not in dbase",
                                                    context.folderText, context.header));
                return {};
            }
            state.airline = "PVT";
        }
    }
    const std::uint8_t cargo = state.parkingTypes.find("CARGO") != std::string::npos ? 1 : 0;
    const LiveryKey key =
        tableKey.value_or(LiveryKey{gf_airlineId(state.airline), 0, gf_modelIdOf(modelCode), cargo, 0});
    if (const std::optional<std::string> incomplete = incompleteKeyText(key, context, state.title)) {
        lf_addIncompleteSection(*incomplete);
        return {};
    }
    Livery livery = lf_makeLiveryIfNewTitle(priority, key, state.title, state.regcode);
    if (lf_isIncompleteLivery(livery)) {
        lf_addIncompleteSection(
            fmt::format("{} {} title '{}' already exists", context.folderText, context.header, state.title));
        return {};
    }
    return {std::move(livery)};
}

// IVAO: the registration list is not cut at ';'; a piece longer than 12 is invalid as well.
bool ivaoAtcId(std::string_view value, std::string& regcode) {
    const std::vector<std::string> pieces = gf_split(value, ',');
    for (const std::string& piece : pieces) {
        if (piece.size() > kMaxIvaoRegistrationLength) {
            return false;
        }
    }
    return lf_checkAtcId(value, regcode);
}

std::optional<std::string> readIvaoLines(const std::vector<std::string>& section, SectionState& state,
                                         const SectionContext& context) {
    const std::string prefix = context.folderText + " " + context.header;
    for (const std::string& line : section) {
        if (const std::string title = lf_keyValue(line, "title"); !title.empty()) {
            if (!state.title.empty()) {
                return prefix + " has more than one title key";
            }
            state.title = title;
            continue;
        }
        std::string value;
        switch (keyLine(state.parkingTypes, line, "atc_parking_types", "atc_parking_types", value)) {
        case KeyLine::first:
            state.parkingTypes = parkingTypesOf(value);
            continue;
        case KeyLine::again:
            return prefix + " has more than one atc_parking_types key";
        case KeyLine::other:
            break;
        }
        switch (keyLine(state.regcode, line, "atc_id", "atc_id=", value)) {
        case KeyLine::first:
            if (!ivaoAtcId(value, state.regcode)) {
                lf_addIncompleteSection(fmt::format("invalid atc_id={} in {}", value, state.title));
            }
            continue;
        case KeyLine::again:
            return fmt::format("{}, {}, has more than one atc_id key", context.folderText, context.header);
        case KeyLine::other:
            break;
        }
        takeFolderKeys(state, line);
    }
    return std::nullopt;
}

// The first three word characters of a title after leading blanks, as a whole-line
// "\s*(\w\w\w).*$" takes them.
std::optional<std::string> titleAirline(std::string_view title) {
    const std::size_t start = title.find_first_not_of(" \t\n\v\f\r");
    if (start == std::string_view::npos || title.size() - start < 3 ||
        title.find_first_of("\r\n", start) != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view code = title.substr(start, 3);
    if (!std::all_of(code.begin(), code.end(), isWordChar)) {
        return std::nullopt;
    }
    return std::string(code);
}

Livery processIvao(std::int16_t priority, std::vector<std::string>& section, const std::string& modelCode,
                   const std::filesystem::path& path, CompanionFinder& finder) {
    dropTrailingComments(section);
    if (section.empty()) {
        return {};
    }
    const SectionContext context = contextOf(section, path);
    const std::string prefix = context.folderText + " " + context.header;
    SectionState state;
    if (const std::optional<std::string> refusal = readIvaoLines(section, state, context)) {
        lf_addIncompleteSection(*refusal);
        return {};
    }
    for (const auto& [name, kind] :
         {std::pair{"model." + state.model, CompanionKind::folder}, std::pair{state.sim + ".air", CompanionKind::file},
          std::pair{"texture." + state.texture, CompanionKind::folder}}) {
        if (!finder.find(name, kind)) {
            lf_addIncompleteSection(gf_pathToUtf8(finder.folder() / gf_utf8ToPath(name)) + " " + context.header +
                                    " does not exist");
            return {};
        }
    }
    if (state.title.empty()) {
        lf_addIncompleteSection(prefix + " misses title");
        return {};
    }
    if (lf_isDontUseTitle(state.title)) {
        return {};
    }
    LiveryKey key;
    if (const std::optional<std::string> code = titleAirline(state.title)) {
        if (!gf_isKnownAirlineCode(*code)) {
            lf_reportInvalidAirline(*code, path, context.header);
            return {};
        }
        if (*code == "ZZZ") {
            state.regcode.clear();
        }
        key = LiveryKey{gf_airlineId(*code), 0, gf_modelIdOf(modelCode), 0, 0};
    } else if (state.regcode.empty()) {
        lf_addIncompleteSection(prefix + " misses airlinecode in title: " + state.title + ", and no regcode");
        return {};
    } else if (const std::optional<LiveryKey> found = gf_lookupRegistration(state.regcode)) {
        key = *found;
    } else {
        lf_addIncompleteSection(prefix + " misses airlinecode in title: " + state.title + ", and regcode unknown " +
                                state.regcode);
        return {};
    }
    if (const std::optional<std::string> incomplete = incompleteKeyText(key, context, state.title)) {
        lf_addIncompleteSection(*incomplete);
        return {};
    }
    Livery livery = lf_makeLiveryIfNewTitle(priority, key, state.title, state.regcode);
    if (lf_isIncompleteLivery(livery)) {
        lf_addIncompleteSection(prefix + " title already exists: " + state.title);
        return {};
    }
    return livery;
}

template <class Result, class Process> Result logged(const std::filesystem::path& path, Process&& process) {
    try {
        return process();
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", error.what(), gf_pathToUtf8(path)));
        throw;
    }
}

} // namespace

std::list<Livery> lf_procesFltSimSection(std::int16_t priority, std::vector<std::string>& section,
                                         const std::string& modelCode, const std::filesystem::path& path,
                                         CompanionFinder& finder) {
    return logged<std::list<Livery>>(path, [&] { return processOrdinary(priority, section, modelCode, path, finder); });
}

Livery lf_procesIvaoSection(std::int16_t priority, std::vector<std::string>& section, const std::string& modelCode,
                            const std::filesystem::path& path, CompanionFinder& finder) {
    return logged<Livery>(path, [&] { return processIvao(priority, section, modelCode, path, finder); });
}

Livery lf_makeLiveryIfNewTitle(std::int16_t priority, const LiveryKey& key, const std::string& title,
                               const std::string& regcode) {
    if (!gf_scanCollections().scanTitles.insert(title).second) {
        return {};
    }
    return Livery{title, regcode, key, priority};
}

void lf_reportInvalidAirline(std::string_view code, const std::filesystem::path& path, std::string_view header) {
    gf_scanCollections().invalidAirlineCodes.push_back(fmt::format("{:12} in {} ", code, gf_pathToUtf8(path)) +
                                                       std::string(header));
}

void lf_reportInvalidModel(std::string_view code, const std::filesystem::path& path) {
    gf_scanCollections().invalidModelCodes.push_back(fmt::format("{:16} in {}", code, gf_pathToUtf8(path)));
}

} // namespace kiv::detail
