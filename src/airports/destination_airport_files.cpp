#include "airports/destination_airport_files.h"

#include <cctype>
#include <cmath>
#include <limits>
#include <memory>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "airports/airport_file_paths.h"
#include "airports/airport_file_read.h"
#include "feeds/traffic_record.h"
#include "foundation/secure_buffer.h"
#include "foundation/string_helpers.h"
#include "foundation/temp_file_guard.h"
#include "foundation/text_conversion.h"
#include "settings/data_file_info.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

// A loaded airport file: the document may point into the buffer, which must outlive it.
struct LoadedFile {
    SecureBuffer buffer;
    pugi::xml_document document;
    pugi::xml_node parkpositions;
    fs::path path;
};

enum class MissingSectionText { withPath, plain };

Expected<std::unique_ptr<LoadedFile>, std::string> loadParkpositions(const IcaoCode& icao,
                                                                       MissingSectionText missing) {
    const std::optional<fs::path> found = gf_findAirportFilePath(icao);
    if (!found) {
        return unexpected(std::string("airport source path not found"));
    }
    Expected<FetchedAirportFile, std::string> fetched = lf_fetchAirportFile(*found, false);
    if (!fetched) {
        return unexpected(fetched.error());
    }
    auto loaded = std::make_unique<LoadedFile>();
    loaded->path = fetched.value().path.empty() ? *found : fetched.value().path;
    const TempFileGuard guard(fetched.value().path);
    if (std::optional<std::string> error =
            lf_loadAirportXml(loaded->path, fetched.value().isEncrypted != 0, loaded->buffer, loaded->document)) {
        return unexpected(std::move(*error));
    }
    if (!gf_checkInfoHeader(loaded->document, false)) {
        return unexpected(std::string("airport file has invalid metadata"));
    }
    const pugi::xml_node root = loaded->document.document_element();
    loaded->parkpositions = root.child("parkpositions");
    if (!loaded->parkpositions) {
        loaded->parkpositions = loaded->document.child("parkpositions");
    }
    if (!loaded->parkpositions) {
        return unexpected(missing == MissingSectionText::withPath
                              ? fmt::format("airport file {} has no '{}' section", gf_pathToUtf8(loaded->path),
                                            "parkpositions")
                              : fmt::format("airport file has no '{}' section", "parkpositions"));
    }
    return loaded;
}

Expected<ClosestStand, std::string> closestStand(const IcaoCode& icao, const Lalo& reference) {
    if (!gf_isValidLalo(reference.latitude, reference.longitude)) {
        return unexpected(std::string("invalid reference position"));
    }
    auto loaded = loadParkpositions(icao, MissingSectionText::withPath);
    if (!loaded) {
        return unexpected(loaded.error());
    }
    const double c = std::cos(reference.latitude * 0.017453292519943295);
    double best = std::numeric_limits<double>::infinity();
    std::string bestId;
    for (const pugi::xml_node parkpos : loaded.value()->parkpositions.children("parkpos")) {
        const double latitude = parkpos.attribute("latitude").as_double(0.0);
        const double longitude = parkpos.attribute("longitude").as_double(0.0);
        const std::string_view id = parkpos.attribute("id").as_string();
        if (!gf_isValidLalo(latitude, longitude) || id.empty()) {
            continue;
        }
        const double dNorth = (reference.latitude - latitude) * 60.0;
        const double dEast = (reference.longitude - longitude) * c * 60.0;
        const double squared = dNorth * dNorth + dEast * dEast;
        if (squared < best) {
            best = squared;
            bestId = std::string(id);
        }
    }
    if (bestId.empty()) {
        return unexpected(std::string("airport file has no valid stands"));
    }
    return ClosestStand{std::move(bestId), std::sqrt(best)};
}

Expected<std::unordered_set<std::string>, std::string> standIds(const IcaoCode& icao) {
    auto loaded = loadParkpositions(icao, MissingSectionText::plain);
    if (!loaded) {
        return unexpected(loaded.error());
    }
    std::unordered_set<std::string> ids;
    for (const pugi::xml_node parkpos : loaded.value()->parkpositions.children("parkpos")) {
        const pugi::xml_attribute attribute = parkpos.attribute("id");
        if (!attribute) {
            continue;
        }
        std::string id = gf_trim(attribute.as_string());
        for (char& ch : id) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        if (!id.empty()) {
            ids.insert(std::move(id));
        }
    }
    return ids;
}

} // namespace

Expected<ClosestStand, std::string> gf_readDestApfForClosestStand(const IcaoCode& icao, const Lalo& reference) {
    try {
        return closestStand(icao, reference);
    } catch (const std::exception& e) {
        return unexpected(fmt::format("{}: {}", "gf_readDestApfForClosestStand", e.what()));
    } catch (...) {
        return unexpected(fmt::format("{}: unknown exception", "gf_readDestApfForClosestStand"));
    }
}

Expected<std::unordered_set<std::string>, std::string> gf_readApfForStands(const IcaoCode& icao) {
    try {
        return standIds(icao);
    } catch (const std::exception& e) {
        return unexpected(fmt::format("{}: {}", "gf_readApfForStands", e.what()));
    }
}

} // namespace kiv
