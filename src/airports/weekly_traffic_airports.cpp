#include "airports/weekly_traffic_airports.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <shared_mutex>
#include <system_error>

#include <fmt/format.h>

#include "foundation/encrypted_data_file.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/secure_xml.h"
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
    const fs::path& path = gf_paths().wktrafficEnc;
    const std::string pathText = gf_pathToUtf8(path);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        return unexpected(fmt::format("Could not inspect '{}': {}", pathText, error.message()));
    }
    if (!fs::exists(status)) {
        return unexpected(fmt::format("'{}' not available", pathText));
    }
    EncryptedFileResult plaintext = gf_readEncryptedFile(path, kWeeklyTrafficAirportsLimit);
    if (!plaintext) {
        return unexpected(plaintext.error());
    }
    // The document points into the buffer, which wipes itself on every way out.
    SecureBuffer buffer = std::move(plaintext).value();
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = gf_parseXmlInPlace(buffer, document);
    if (!parsed) {
        return unexpected(fmt::format("weekly traffic XML parse error: {}", parsed.description()));
    }
    Expected<std::vector<IcaoCode>, std::string> codes = lf_parseWeeklyTraffic(document);
    if (!codes) {
        return unexpected(fmt::format("'{}' has invalid weekly traffic XML: {}", pathText, codes.error()));
    }
    gf_logLine(fmt::format("{} ICAO airports supported by RealTraffic read from '{}'", codes->size(), pathText));
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
