#include "airports/scenery_publishers.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include <fmt/format.h>

#include "airports/detail/encrypted_xml.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml_helpers.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

constexpr std::int32_t kPublisherDataError = 61;

PublisherTables& tables() {
    static PublisherTables instance;
    return instance;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return lowerAscii(c); });
    return lower;
}

std::string_view plural(std::size_t count) { return count == 1 ? "" : "s"; }

void readPublisherRows(const pugi::xml_node& root) {
    std::vector<std::string> texts;
    for (const pugi::xml_node publisher : root.child("publishers").children("pub")) {
        texts.push_back(gf_xmlAttributeString(publisher, "pn").value_or(""));
    }
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    for (const std::string& text : texts) {
        tables().publishers.push_back(gf_splitOnComma(text));
    }
}

// A file that is missing or cannot be decrypted throws, for every caller alike; an XML
// document that does not parse is logged and answered with no document.
std::unique_ptr<detail::EncryptedXml> loadPublisherFile(const fs::path& path) {
    constexpr detail::EncryptedXmlTexts kTexts{"Could not check whether {0} exists: {1}", "{0} not available",
                                               "{0} not read because: {1}"};
    auto loaded = detail::lf_loadEncryptedXml(path, kSceneryPublishersLimit, kTexts);
    if (loaded) {
        return std::move(*loaded);
    }
    if (loaded.error().failure != detail::EncryptedXmlFailure::parse) {
        throw std::runtime_error(loaded.error().text);
    }
    gf_logImportant(loaded.error().text);
    return nullptr;
}

} // namespace

const PublisherTables& gf_publisherTables() { return tables(); }

void gf_clearPublisherTables() {
    PublisherTables& all = tables();
    all.publishers.clear();
    all.publishers.reserve(kPublisherRowsReserve);
    all.rejected.clear();
    all.simaddonAirports.clear();
    all.thirdParties.clear();
    all.thirdParties.reserve(kThirdPartiesReserve);
}

bool gf_readPublishers() {
    gf_clearPublisherTables();
    const fs::path& path = gf_paths().archivesEnc;
    const std::unique_ptr<detail::EncryptedXml> loaded = loadPublisherFile(path);
    if (!loaded) {
        return false;
    }
    const pugi::xml_document& document = loaded->document;
    const pugi::xml_node root = document.child("root");
    if (!root) {
        gf_logImportant(fmt::format("'{}' has no root node", gf_pathToUtf8(path)));
        return false;
    }
    readPublisherRows(root);
    lf_readRejectedPublishers(document);
    const PublisherTables& all = tables();
    gf_logLine(fmt::format("{:5} publisher{}", all.publishers.size(), plural(all.publishers.size())));
    gf_logLine(
        fmt::format("{:5} rejected manifest publisher value{}", all.rejected.size(), plural(all.rejected.size())));
    lf_readSimaddons(document, "aps");
    lf_readThirdParties(document);
    return true;
}

void lf_readRejectedPublishers(const pugi::xml_document& document) {
    std::map<std::string, std::string>& rejected = tables().rejected;
    rejected.clear();
    const pugi::xml_node section = document.child("root").child("rejectedpublishers");
    if (!section) {
        rejected.emplace("fsim", "FSIM");
        return;
    }
    for (const pugi::xml_node element : section.children("rp")) {
        for (const std::string& piece : gf_split(gf_xmlAttributeString(element, "n").value_or(""), ',')) {
            rejected.emplace(lowerAscii(piece), piece); // the first of equal keys stays
        }
    }
}

void lf_readSimaddons(const pugi::xml_document& document, std::string_view attributeName) {
    const pugi::xml_node root = document.child("root");
    if (!root) {
        throw UserRelatedException(kPublisherDataError, std::string("XML root missing: ") + "root");
    }
    const pugi::xml_node section = root.child("simaddonsP3D");
    if (!section) {
        throw UserRelatedException(kPublisherDataError, std::string("Missing section: ") + "simaddonsP3D");
    }
    for (const pugi::xml_node element : section.children("sP3")) {
        for (std::string& code : gf_split(gf_xmlAttributeString(element, attributeName).value_or(""), ',')) {
            tables().simaddonAirports.insert(std::move(code));
        }
    }
}

void lf_readThirdParties(const pugi::xml_document& document) {
    const pugi::xml_node section = document.child("root").child("thirdpartiesP3D");
    for (const pugi::xml_node element : section.children("tP3")) {
        ThirdParty entry;
        entry.publisher = gf_xmlAttributeString(element, "pub").value_or("");
        for (std::string& code : gf_split(gf_xmlAttributeString(element, "aps").value_or(""), ',')) {
            entry.airports.push_back({std::move(code), {}});
        }
        for (const pugi::xml_node airport : element.children("ap")) {
            const std::string code = gf_xmlAttributeString(airport, "f").value_or("");
            const std::string value = gf_xmlAttributeString(airport, "v").value_or("");
            if (code.empty() || value.empty()) {
                continue;
            }
            const auto listed = std::find_if(entry.airports.begin(), entry.airports.end(),
                                             [&](const ThirdPartyAirport& a) { return a.airport == code; });
            if (listed != entry.airports.end()) {
                listed->value = value;
            }
        }
        tables().thirdParties.push_back(std::move(entry));
    }
}

bool gf_isSimaddonAirport(std::string_view code) { return tables().simaddonAirports.contains(std::string(code)); }

bool gf_isThirdPartyAirport(std::string_view publisher, std::string_view code) {
    for (const ThirdParty& entry : tables().thirdParties) {
        if (entry.publisher == publisher) {
            return std::any_of(entry.airports.begin(), entry.airports.end(),
                               [&](const ThirdPartyAirport& a) { return a.airport == code; });
        }
    }
    return false;
}

bool lf_containsNoCase(std::string_view pathText, std::string_view text) {
    if (text.empty()) {
        return true;
    }
    return lowerAscii(pathText).find(lowerAscii(text)) != std::string::npos;
}

PublisherMatch lf_publisherFromPath(std::string_view pathText) {
    if (pathText.empty()) {
        return {2, {}};
    }
    for (const std::vector<std::string>& variants : tables().publishers) {
        for (const std::string& variant : variants) {
            if (lf_containsNoCase(pathText, variant)) {
                return {0, variants.front()};
            }
        }
    }
    return {1, {}};
}

bool gf_publisherFromFileName(BglAirport& airport, std::vector<std::string>& scanMessages) {
    airport.publisher.clear();
    try {
        if (lf_containsNoCase(airport.bglPathText, "ORBX")) {
            airport.publisher = "simaddon";
            scanMessages.push_back(fmt::format("from filename => publisher {}", airport.publisher));
            return true;
        }
        PublisherMatch match = lf_publisherFromPath(airport.bglPathText);
        if (match.status != 0) {
            return false;
        }
        airport.publisher = std::move(match.name);
        return true;
    } catch (const std::exception& e) {
        scanMessages.push_back(fmt::format("Publisher detection failed: {}", e.what()));
        return false;
    }
}

} // namespace kiv
