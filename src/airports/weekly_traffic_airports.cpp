#include "airports/weekly_traffic_airports.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <shared_mutex>

#include <fmt/format.h>

#include "airports/detail/encrypted_xml.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "foundation/xml_helpers.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

struct WeeklyList {
    std::shared_mutex lock;
    std::vector<IcaoCode> codes;
};

WeeklyList& weeklyList() {
    static WeeklyList instance;
    return instance;
}

void replaceList(std::vector<IcaoCode> codes) {
    WeeklyList& list = weeklyList();
    const std::unique_lock<std::shared_mutex> writing(list.lock);
    list.codes.swap(codes);
}

} // namespace

Expected<std::vector<IcaoCode>, std::string> lf_parseWeeklyTraffic(const pugi::xml_document& document) {
    const pugi::xml_node root = document.child("root");
    if (!root) {
        return unexpected(fmt::format("missing <{}> root element", "root"));
    }
    const pugi::xml_node section = root.child("traffic_airports");
    if (!section) {
        return unexpected(fmt::format("missing <{}> section", "traffic_airports"));
    }
    std::vector<IcaoCode> codes;
    codes.reserve(kWeeklyTrafficAirportsReserve);
    for (const pugi::xml_node element : section.children("arp")) {
        const std::optional<std::string> list = gf_xmlAttributeString(element, "c");
        if (!list) {
            return unexpected(fmt::format("<{}> element has no '{}' attribute", "arp", "c"));
        }
        for (const std::string& piece : gf_split(*list, ',')) {
            const std::optional<IcaoCode> code = IcaoCode::tryParse(piece);
            if (!code) {
                return unexpected(fmt::format("invalid weekly traffic ICAO code '{}'", piece));
            }
            codes.push_back(*code);
        }
    }
    if (codes.empty()) {
        return unexpected(fmt::format("<{}> contains no ICAO codes", "traffic_airports"));
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

Expected<std::vector<IcaoCode>, std::string> lf_loadWeeklyTrafficFile() {
    constexpr detail::EncryptedXmlTexts kTexts{"Could not inspect '{0}': {1}", "'{0}' not available",
                                               "weekly traffic XML parse error: {1}"};
    const fs::path& path = gf_paths().wktrafficEnc;
    auto loaded = detail::lf_loadEncryptedXml(path, kWeeklyTrafficAirportsLimit, kTexts);
    if (!loaded) {
        return unexpected(loaded.error().text);
    }
    Expected<std::vector<IcaoCode>, std::string> codes = lf_parseWeeklyTraffic((*loaded)->document);
    if (!codes) {
        return unexpected(fmt::format("'{}' has invalid weekly traffic XML: {}", gf_pathToUtf8(path), codes.error()));
    }
    gf_logLine(
        fmt::format("{} ICAO airports supported by RealTraffic read from '{}'", codes->size(), gf_pathToUtf8(path)));
    return codes;
}

bool gf_readWeeklyTrafficAirports() {
    Expected<std::vector<IcaoCode>, std::string> codes = lf_loadWeeklyTrafficFile();
    if (!codes) {
        gf_logImportant(codes.error());
        replaceList({});
        return false;
    }
    replaceList(std::move(codes).value());
    return true;
}

bool gf_isWeeklyTrafficAirport(const IcaoCode& icao) {
    WeeklyList& list = weeklyList();
    const std::shared_lock<std::shared_mutex> reading(list.lock);
    if (list.codes.empty()) {
        return true;
    }
    const auto found = std::lower_bound(list.codes.begin(), list.codes.end(), icao);
    return found != list.codes.end() && found->key() == icao.key();
}

void gf_clearWeeklyTrafficAirports() { replaceList({}); }

} // namespace kiv
