#include "models/livery_store.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/temp_file_guard.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml_helpers.h"
#include "models/interned_codes.h"
#include "platform/atomic_file_replace.h"
#include "settings/data_file_info.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kReadReserve = 30000;

bool appendLivery(pugi::xml_node liveries, const Livery& livery) {
    pugi::xml_node element = liveries.append_child("l");
    if (!element) {
        gf_logLine("Cannot write liveries scanned: failed to add Livery node");
        return false;
    }
    bool added = gf_appendStringAttribute(element, "a", gf_airlineCode(livery.key.airlineId));
    if (livery.key.operatorId != 0) {
        added = gf_appendStringAttribute(element, "o", gf_airlineCode(livery.key.operatorId)) && added;
    }
    added = gf_appendStringAttribute(element, "m", gf_modelCode(livery.key.modelId)) && added;
    if (livery.key.cargo != 0) {
        added = gf_appendBoolAttribute(element, "c", true) && added;
    }
    added = gf_appendStringAttribute(element, "t", livery.title) && added;
    if (!livery.regcode.empty()) {
        added = gf_appendStringAttribute(element, "r", livery.regcode) && added;
    }
    if (!added) {
        gf_logLine("Cannot write liveries scanned: failed to add Livery attributes");
    }
    return added;
}

// Throws UserRelatedException 999 when the element lacks the attribute.
std::string requiredAttribute(const pugi::xml_node& element, const char* name) {
    const pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) {
        throw UserRelatedException(999, fmt::format("Missing required attribute '{}' in <{}>", name, element.name()));
    }
    return attribute.value();
}

// The whole read; every refusal is thrown as UserRelatedException.
std::vector<Livery> readStore(const fs::path& store) {
    const std::string storeText = gf_pathToUtf8(store);
    std::vector<Livery> liveries;
    liveries.reserve(kReadReserve);
    std::ifstream file(store, std::ios::binary);
    if (!file) {
        throw UserRelatedException(51, fmt::format("Could not open {}", storeText));
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load(file);
    if (!parsed) {
        throw UserRelatedException(51, fmt::format("Error reading {}: {}", storeText, parsed.description()));
    }
    // It logs what it finds; an old or foreign header does not stop the read.
    gf_checkInfoHeader(document, false);
    const pugi::xml_node root = document.child("root");
    if (!root) {
        throw UserRelatedException(52, fmt::format("{} does not contain <{}>", storeText, "root"));
    }
    const pugi::xml_node section = root.child("liveries");
    if (!section) {
        throw UserRelatedException(52, fmt::format("{} does not contain a <{}> section", storeText, "liveries"));
    }
    for (const pugi::xml_node element : section.children()) {
        if (element.type() != pugi::node_element) {
            continue;
        }
        const std::string airline = requiredAttribute(element, "a");
        const std::string model = requiredAttribute(element, "m");
        Livery livery;
        livery.title = requiredAttribute(element, "t");
        livery.regcode = element.attribute("r").value();
        livery.key.airlineId = gf_airlineId(airline);
        livery.key.operatorId = gf_airlineId(element.attribute("o").value());
        livery.key.modelId = gf_modelId(model);
        livery.key.cargo = element.attribute("c").as_bool(false) ? 1 : 0;
        liveries.push_back(std::move(livery));
    }
    if (liveries.empty()) {
        throw UserRelatedException(533, storeText + " does not contain liveries");
    }
    std::sort(liveries.begin(), liveries.end());
    return liveries;
}

} // namespace

fs::path lf_scanTempPath(const fs::path& store) {
    fs::path temporary = store;
    temporary += ".scan_tmp";
    return temporary;
}

bool lf_makeScanDocument(const std::vector<Livery>& liveries, pugi::xml_document& document) {
    DataFileInfo info;
    info.version = gf_versionString(gf_programVersion());
    info.sim = gf_trafficSource()->simulatorCode;
    if (!gf_writeInfoHeader(document, info)) {
        gf_logLine("Cannot write liveries scanned: failed to add metadata");
        return false;
    }
    pugi::xml_node root = document.child("root");
    if (!root) {
        gf_logLine("Cannot write liveries scanned: XML root missing");
        return false;
    }
    pugi::xml_node section = root.append_child("liveries");
    if (!section) {
        gf_logLine("Cannot write liveries scanned: failed to add Liveries node");
        return false;
    }
    for (const Livery& livery : liveries) {
        if (!appendLivery(section, livery)) {
            return false;
        }
    }
    return true;
}

bool lf_writeLiveriesScanned(const std::vector<Livery>& liveries, const fs::path& store) {
    if (liveries.empty()) {
        return false;
    }
    pugi::xml_document document;
    if (!lf_makeScanDocument(liveries, document)) {
        return false;
    }
    if (!lf_storeScanDocument(document, liveries.size(), store)) {
        return false;
    }
    try {
        gf_logLine(fmt::format("{} liveries in {}", liveries.size(), gf_pathToUtf8(store)));
    } catch (...) {
        // The store is in place; a failed log line must not turn that into a failure.
    }
    return true;
}

bool lf_storeScanDocument(pugi::xml_document& document, std::size_t expectedCount, const fs::path& store) {
    const fs::path temporary = lf_scanTempPath(store);
    const std::string temporaryText = gf_pathToUtf8(temporary);
    std::error_code error;
    fs::remove(temporary, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        gf_logImportant(
            fmt::format("Cannot remove stale temporary livery scan file {}: {}", temporaryText, error.message()));
        return false;
    }
    // Armed to the end: after a commit the temporary name no longer exists.
    const TempFileGuard guard(temporary);
    if (!gf_saveXmlDocument(document, temporary)) {
        gf_logImportant(fmt::format("Cannot write temporary livery scan file {}", temporaryText));
        return false;
    }
    if (!lf_validateScanFile(temporary, expectedCount)) {
        gf_logImportant(fmt::format("Temporary livery scan file {} failed validation", temporaryText));
        return false;
    }
    return lf_commitScanFile(temporary, store);
}

bool lf_validateScanFile(const fs::path& path, std::size_t expectedCount) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    pugi::xml_document document;
    if (!document.load(file)) {
        return false;
    }
    const pugi::xml_node section = document.child("root").child("liveries");
    if (!section) {
        return false;
    }
    std::size_t count = 0;
    for (const pugi::xml_node element : section.children("l")) {
        if (!element.attribute("a") || !element.attribute("m") || !element.attribute("t")) {
            return false;
        }
        ++count;
    }
    return count == expectedCount;
}

bool lf_commitScanFile(const fs::path& temporary, const fs::path& target) {
    std::error_code error;
    static_cast<void>(fs::status(target, error));
    if (error && error != std::errc::no_such_file_or_directory) {
        gf_logImportant(
            fmt::format("Cannot inspect {} before replacing it: {}", gf_pathToUtf8(target), error.message()));
        return false;
    }
    error = platform::replaceFileDurably(temporary, target);
    if (error) {
        gf_logImportant(
            fmt::format("Cannot replace {} after the livery scan: {}", gf_pathToUtf8(target), error.message()));
        return false;
    }
    return true;
}

bool lf_readLiveriesScanned(const fs::path& store, std::vector<Livery>& liveries) {
    try {
        std::vector<Livery> read = readStore(store);
        gf_logLine(fmt::format("{:5} liveries read from {}", read.size(), gf_pathToUtf8(store)));
        liveries.swap(read);
        return true;
    } catch (const UserRelatedException& e) {
        gf_logLine(e.what());
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("Error reading {}: {}", gf_pathToUtf8(store), e.what()));
    }
    return false;
}

} // namespace kiv
