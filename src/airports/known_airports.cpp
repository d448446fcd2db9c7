#include "airports/known_airports.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>

#include "airports/detail/encrypted_xml.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "foundation/xml_helpers.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kCandidateBoxNm = 5.0;
constexpr double kNoStandYetNm = 100.0;

struct KnownAirportsTable {
    std::shared_mutex lock; // guards rows and loaded
    std::mutex loadMutex;   // serialises loading
    std::vector<KnownAirport> rows;
    bool loaded = false;
};

KnownAirportsTable& table() {
    static KnownAirportsTable instance;
    return instance;
}

template <typename Number> bool parseWhole(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

bool sameCode(const IcaoCode& a, const IcaoCode& b) { return a.key() == b.key() && a.text() == b.text(); }

std::vector<KnownAirport>::const_iterator findRow(const std::vector<KnownAirport>& rows, const IcaoCode& icao) {
    const auto found =
        std::lower_bound(rows.begin(), rows.end(), icao.key(),
                         [](const KnownAirport& row, std::uint32_t key) { return row.icao.key() < key; });
    return found != rows.end() && sameCode(found->icao, icao) ? found : rows.end();
}

// Sorted by key; of several rows for one code the first of the document stays.
void sortAndDropDuplicates(std::vector<KnownAirport>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const KnownAirport& a, const KnownAirport& b) { return a.icao.key() < b.icao.key(); });
    const auto kept = std::unique(rows.begin(), rows.end(), [](const KnownAirport& a, const KnownAirport& b) {
        return sameCode(a.icao, b.icao);
    });
    const auto removed = static_cast<std::size_t>(rows.end() - kept);
    rows.erase(kept, rows.end());
    if (removed > 0) {
        gf_logImportant(fmt::format("Skipped {} duplicate airport entr{}", removed, removed == 1 ? "y" : "ies"));
    }
}

Expected<std::vector<KnownAirport>, std::string> rowsOfDocument(const pugi::xml_document& document,
                                                                const std::string& pathText) {
    const pugi::xml_node root = document.child("root");
    if (!root) {
        return unexpected(fmt::format("{} has no <{}> root", pathText, "root"));
    }
    const pugi::xml_node airports = root.child("airports");
    if (!airports) {
        return unexpected(fmt::format("{} has no <{}> section", pathText, "airports"));
    }
    std::vector<KnownAirport> rows;
    rows.reserve(kKnownAirportsReserve);
    for (const pugi::xml_node entry : airports.children("ap")) {
        const std::optional<std::string> code = gf_xmlAttributeString(entry, "c");
        if (!code) {
            gf_logImportant("Skipped airport entry with missing ICAO code attribute");
            continue;
        }
        try {
            if (std::optional<KnownAirport> row = lf_parseAirportEntry(entry, IcaoCode(*code))) {
                rows.push_back(*row);
            }
        } catch (const std::exception& e) {
            gf_logImportant(fmt::format("Skipped invalid airport code '{}': {}", *code, e.what()));
        }
    }
    sortAndDropDuplicates(rows);
    if (rows.empty()) {
        return unexpected(fmt::format("{} contains no valid airports", pathText));
    }
    return rows;
}

Expected<std::vector<KnownAirport>, std::string> loadRows(const fs::path& path) {
    constexpr detail::EncryptedXmlTexts kTexts{"Could not check whether {0} exists: {1}", "{0} not available",
                                               "{0} not loaded: {1}"};
    auto loaded = detail::lf_loadEncryptedXml(path, kAirportsListLimit, kTexts);
    if (!loaded) {
        return unexpected(loaded.error().text);
    }
    return rowsOfDocument((*loaded)->document, gf_pathToUtf8(path));
}

// North and east distances in NM, compared separately with the box before any square is made.
std::optional<double> squaredDistanceWithinBox(const Lalo& position, double cosLatitude, const KnownAirport& row) {
    const double north = (position.latitude - row.latitude) * 60.0;
    const double east = (position.longitude - row.longitude) * 60.0 * cosLatitude;
    if (std::abs(north) > kCandidateBoxNm || std::abs(east) > kCandidateBoxNm) {
        return std::nullopt;
    }
    const double squared = north * north + east * east;
    if (squared > kCandidateBoxNm * kCandidateBoxNm) {
        return std::nullopt;
    }
    return squared;
}

} // namespace

IataCode lf_iataCodeFromText(std::string_view text) {
    IataCode code;
    bool valid = text.size() == 3;
    for (std::size_t i = 0; valid && i < 3; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        valid = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        code.chars[i] = c;
        code.key = (code.key << 8) | static_cast<unsigned char>(c);
    }
    if (!valid) {
        throw std::invalid_argument(fmt::format("'{}' IataCode: invalid string", text));
    }
    return code;
}

std::optional<KnownAirport> lf_parseAirportEntry(const pugi::xml_node& node, const IcaoCode& icao) {
    const std::optional<std::string> latitude = gf_xmlAttributeString(node, "la");
    const std::optional<std::string> longitude = gf_xmlAttributeString(node, "lo");
    if (!latitude || !longitude) {
        gf_logImportant(fmt::format("Missing latLons for airport '{}'", icao));
        return std::nullopt;
    }
    const std::optional<std::string> altitude = gf_xmlAttributeString(node, "a");
    if (!altitude) {
        gf_logImportant(fmt::format("Missing alt for airport '{}'", icao));
        return std::nullopt;
    }
    KnownAirport row;
    row.icao = icao;
    if (!parseWhole(*latitude, row.latitude) || !parseWhole(*longitude, row.longitude) ||
        !parseWhole(*altitude, row.altitude) || !std::isfinite(row.latitude) || !std::isfinite(row.longitude)) {
        gf_logImportant(fmt::format("Invalid numeric data for airport '{}'", icao));
        return std::nullopt;
    }
    if (const std::optional<std::string> iata = gf_xmlAttributeString(node, "i")) {
        try {
            row.iata = lf_iataCodeFromText(*iata);
        } catch (const std::exception& e) {
            gf_logLine(fmt::format("Skipped airport '{}' '{}': {}", icao, *iata, e.what()));
            return std::nullopt;
        }
    }
    if (icao.key() == 0 || !gf_isValidLalo(row.latitude, row.longitude)) {
        gf_logImportant(fmt::format("Invalid position for airport '{}'", icao));
        return std::nullopt;
    }
    return row;
}

Expected<std::vector<KnownAirport>, std::string> lf_loadAirportsXml() {
    try {
        return loadRows(gf_paths().airportsEnc);
    } catch (const std::exception& e) {
        return unexpected(fmt::format("{} exception: {}", "lf_loadAirportsXml", e.what()));
    }
}

Expected<std::size_t, std::string> gf_readAirportsFile() {
    KnownAirportsTable& known = table();
    const std::lock_guard<std::mutex> loading(known.loadMutex);
    {
        const std::shared_lock<std::shared_mutex> reading(known.lock);
        if (known.loaded) {
            return known.rows.size();
        }
    }
    Expected<std::vector<KnownAirport>, std::string> rows = lf_loadAirportsXml();
    if (!rows) {
        return unexpected(rows.error());
    }
    std::size_t count = 0;
    {
        const std::unique_lock<std::shared_mutex> writing(known.lock);
        known.rows = std::move(rows).value();
        known.loaded = true;
        count = known.rows.size();
    }
    gf_logLine(fmt::format("{:5} airports read", count));
    return count;
}

std::optional<KnownAirport> gf_findKnownAirport(const IcaoCode& icao) {
    KnownAirportsTable& known = table();
    const std::shared_lock<std::shared_mutex> reading(known.lock);
    const auto found = findRow(known.rows, icao);
    return found == known.rows.end() ? std::nullopt : std::optional<KnownAirport>(*found);
}

bool gf_isKnownAirport(const IcaoCode& icao) {
    KnownAirportsTable& known = table();
    const std::shared_lock<std::shared_mutex> reading(known.lock);
    return findRow(known.rows, icao) != known.rows.end();
}

std::optional<KnownAirport> gf_findNearestAirport(const Lalo& position, const ClosestStandLookup& closestStand) {
    std::vector<KnownAirport> rows;
    {
        KnownAirportsTable& known = table();
        const std::shared_lock<std::shared_mutex> reading(known.lock);
        rows = known.rows;
    }
    const double cosLatitude = std::cos(position.latitude * kDegToRad);
    std::vector<std::pair<double, const KnownAirport*>> candidates;
    for (const KnownAirport& row : rows) {
        if (const std::optional<double> squared = squaredDistanceWithinBox(position, cosLatitude, row)) {
            candidates.emplace_back(*squared, &row);
        }
    }
    if (candidates.empty()) {
        return std::nullopt;
    }
    std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const KnownAirport* centreClosest = candidates.front().second;
    if (candidates.size() == 1) {
        return *centreClosest;
    }
    const KnownAirport* answer = centreClosest;
    double bestStandNm = kNoStandYetNm;
    std::string bestStandId;
    for (const auto& [squared, candidate] : candidates) {
        const Expected<ClosestStand, std::string> stand = closestStand(candidate->icao, position);
        if (stand && stand->distanceNm < bestStandNm) {
            answer = candidate;
            bestStandNm = stand->distanceNm;
            bestStandId = stand->id;
        }
    }
    if (answer != centreClosest) {
        gf_logLine(fmt::format("Airport {} has the closest center, but stand {} at {} is closer ({:.0f} meters)",
                               centreClosest->icao, bestStandId, answer->icao, bestStandNm * 1852.0));
    }
    return *answer;
}

void gf_resetKnownAirportsForTesting() {
    KnownAirportsTable& known = table();
    const std::lock_guard<std::mutex> loading(known.loadMutex);
    const std::unique_lock<std::shared_mutex> writing(known.lock);
    known.rows.clear();
    known.loaded = false;
}

} // namespace kiv
