#include "models/type_database.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/encrypted_data_file.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml_helpers.h"
#include "models/detail/type_database_tables.h"
#include "models/interned_codes.h"

namespace kiv {
namespace {

using detail::ModelIdSet;
using detail::TypeDatabaseTables;

constexpr std::size_t kRegistrationReserve = 81920;
constexpr std::size_t kSimilarGroupReserve = 128;
constexpr double kNmPerMetre = 0.0005399568034557236;
constexpr std::int32_t kMissingSectionCode = 61;

pugi::xml_node requiredSection(const pugi::xml_document& document, const char* section) {
    const pugi::xml_node root = document.child("root");
    if (!root) {
        throw UserRelatedException(kMissingSectionCode, "XML root missing: root");
    }
    const pugi::xml_node node = root.child(section);
    if (!node) {
        throw UserRelatedException(kMissingSectionCode, fmt::format("Missing section: {}", section));
    }
    return node;
}

void lf_readCodeListSection(const pugi::xml_document& document, const char* section, CodeSet& target,
                            const char* element, const char* attribute) {
    target.clear();
    const pugi::xml_node node = requiredSection(document, section);
    for (const pugi::xml_node item : node.children(element)) {
        for (std::string& code : gf_splitComma(item.attribute(attribute).value())) {
            target.insert(std::move(code));
        }
    }
}

void lf_readTypesSection(const pugi::xml_document& document, const char* section, CodeSet& target,
                         const char* element) {
    lf_readCodeListSection(document, section, target, element, "types");
}

void lf_readCodesSection(const pugi::xml_document& document, const char* section, CodeSet& target) {
    lf_readCodeListSection(document, section, target, "ICAO", "codes");
}

void lf_toModelIdSet(const CodeSet& codes, ModelIdSet& target) {
    target.clear();
    for (const std::string& code : codes) {
        target.insert(gf_modelId(code));
    }
}

void readSizeClasses(const pugi::xml_document& document, TypeDatabaseTables& tables) {
    struct SizeSection {
        const char* section;
        const char* element;
        CodeSet* codes;
        ModelIdSet* ids;
    };
    const SizeSection sections[] = {
        {"heavy", "hvy", &tables.heavy, &tables.heavyIds},
        {"large", "lar", &tables.large, &tables.largeIds},
        {"buzjet", "bzj", &tables.buzjet, &tables.buzjetIds},
        {"twoprops", "tpr", &tables.twoprops, &tables.twopropsIds},
        {"high_performance", "hpf", &tables.highPerformance, &tables.highPerformanceIds},
        {"rotorcraft", "rot", &tables.rotorcraft, &tables.rotorcraftIds},
    };
    for (const SizeSection& size : sections) {
        lf_readTypesSection(document, size.section, *size.codes, size.element);
    }
    for (const SizeSection& size : sections) {
        lf_toModelIdSet(*size.codes, *size.ids);
    }
}

void readSimilarTypes(const pugi::xml_node root, TypeDatabaseTables& tables) {
    tables.similarGroups.clear();
    tables.similarGroups.reserve(kSimilarGroupReserve);
    const pugi::xml_node section = root.child("similar_types");
    if (!section) {
        return;
    }
    for (const pugi::xml_node item : section.children("similar")) {
        std::vector<std::string> group = gf_splitComma(item.attribute("types").value());
        std::sort(group.begin(), group.end());
        tables.similarGroups.push_back(std::move(group));
    }
}

void readAirlines(const pugi::xml_document& document, TypeDatabaseTables& tables) {
    lf_readCodesSection(document, "ICAO_airlines", tables.knownAirlines);
    gf_logLine(fmt::format("{:5} ICAO airline codes", tables.knownAirlines.size()));
    lf_readCodesSection(document, "cargo_operators", tables.cargoOperators);
    gf_logLine(fmt::format("{:5} cargo operators", tables.cargoOperators.size()));

    gf_airlineId("");
    for (const std::string& code : tables.knownAirlines) {
        gf_airlineId(code);
    }
    tables.cargoOperatorIds.clear();
    for (const std::string& code : tables.cargoOperators) {
        tables.cargoOperatorIds.insert(gf_airlineId(code));
    }
}

void readWingspans(const pugi::xml_node root, TypeDatabaseTables& tables) {
    tables.wingspans.clear();
    tables.maxModelRadiusNm = 0.0;
    if (const pugi::xml_node section = root.child("wingspans")) {
        for (const pugi::xml_node item : section.children("wingspan")) {
            const std::string code = item.attribute("type").value();
            if (code.empty() || !tables.knownModels.contains(code)) {
                gf_logImportant(fmt::format("wingspan model {} is not valid, skipped", code));
                continue;
            }
            const double metres = gf_xmlAttributeDouble(item, "meters").value_or(0.0);
            if (!(metres > 0.0)) {
                gf_logImportant(fmt::format("wingspan for model {} is not positive, skipped", code));
                continue;
            }
            const double halfSpanNm = metres * 0.5 * kNmPerMetre;
            if (!tables.wingspans.emplace(code, halfSpanNm).second) {
                gf_logImportant(fmt::format("duplicate wingspan model {}, skipped", code));
                continue;
            }
            tables.maxModelRadiusNm = std::max(tables.maxModelRadiusNm, halfSpanNm);
        }
    }
    for (const auto& [code, halfSpanNm] : tables.wingspans) {
        const std::uint16_t id = gf_modelId(code);
        if (id >= tables.modelRadiusNm.size()) {
            gf_logImportant(fmt::format("cannot store wingspan for model {}: model id {} is beyond the table of {}",
                                        code, id, tables.modelRadiusNm.size()));
            continue;
        }
        tables.modelRadiusNm[id] = halfSpanNm;
    }
}

void readFixes(const pugi::xml_node root, TypeDatabaseTables& tables) {
    tables.fixes.clear();
    gf_setModelFixes({});
    const pugi::xml_node section = root.child("fixes");
    if (!section) {
        return;
    }
    for (const pugi::xml_node item : section.children("fx")) {
        const std::string wrong = item.attribute("wro").value();
        const std::string correct = item.attribute("cor").value();
        if (correct.empty() || !tables.knownModels.contains(correct)) {
            gf_logImportant(fmt::format("invalid fix {} -> {}, target is not a valid ICAO model", wrong, correct));
        } else if (!tables.fixes.emplace(wrong, correct).second) {
            gf_logImportant(fmt::format("duplicate fix key '{}', skipped", wrong));
        }
    }
    gf_logLine(fmt::format("{:5} fixes", tables.fixes.size()));
    gf_setModelFixes(tables.fixes);
}

void lf_sortRegistrations(std::vector<RegistrationEntry>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const RegistrationEntry& a, const RegistrationEntry& b) {
        return a.registration < b.registration;
    });
    const auto last = std::unique(rows.begin(), rows.end(), [](const RegistrationEntry& a, const RegistrationEntry& b) {
        return a.registration == b.registration;
    });
    rows.erase(last, rows.end());
    rows.shrink_to_fit();
}

void readRegistrations(const pugi::xml_node root, TypeDatabaseTables& tables) {
    std::vector<RegistrationEntry>& rows = tables.registrations;
    rows.clear();
    rows.reserve(kRegistrationReserve);
    std::size_t withoutRegistration = 0;
    if (const pugi::xml_node section = root.child("dbase")) {
        for (const pugi::xml_node item : section.children("d")) {
            std::string registration = item.attribute("r").value();
            // An empty registration would sort first and occur in every title.
            if (registration.empty()) {
                ++withoutRegistration;
                continue;
            }
            LiveryKey key;
            key.airlineId = gf_airlineId(item.attribute("a").value());
            key.operatorId = gf_airlineId(item.attribute("o").value());
            key.modelId = gf_modelId(item.attribute("m").value());
            key.cargo = gf_xmlAttributeBool(item, "c").value_or(false) ? 1 : 0;
            key.present = 1;
            rows.push_back(RegistrationEntry{std::move(registration), key});
        }
    }
    lf_sortRegistrations(rows);
    if (withoutRegistration > 0) {
        gf_logImportant(fmt::format("{:5} dbase records without registration skipped", withoutRegistration));
    }
    gf_logLine(fmt::format("{:5} dbase records read\n", rows.size()));
}

void readDocument(const pugi::xml_document& document, TypeDatabaseTables& tables) {
    lf_readTypesSection(document, "aircrafts", tables.knownModels, "aircraft");
    gf_logLine(fmt::format("\n{:5} ICAO model codes", tables.knownModels.size()));
    lf_readTypesSection(document, "cargo_types", tables.cargoModels, "cargo_type");

    // Known models take ids 1, 2, 3 ... in code order the first time the file is read.
    gf_modelId("");
    for (const std::string& code : tables.knownModels) {
        gf_modelId(code);
    }
    gf_setModelFixesActive(true);
    lf_toModelIdSet(tables.cargoModels, tables.cargoModelIds);

    readSizeClasses(document, tables);
    const pugi::xml_node root = document.child("root");
    readSimilarTypes(root, tables);
    readAirlines(document, tables);
    readWingspans(root, tables);
    readFixes(root, tables);
    readRegistrations(root, tables);
}

} // namespace

namespace detail {

TypeDatabaseTables& typeDatabaseTables() {
    static TypeDatabaseTables tables;
    return tables;
}

} // namespace detail

void gf_readDbase() { gf_readDbase(gf_paths().dbaseEnc); }

void gf_readDbase(const std::filesystem::path& path) {
    const std::string name = gf_pathToUtf8(path);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        throw std::runtime_error(fmt::format("{} not available", name));
    }
    EncryptedFileResult decrypted = gf_readEncryptedFile(path, kTypeDatabaseLimit);
    if (!decrypted) {
        throw std::runtime_error(decrypted.error());
    }
    SecureBuffer buffer = std::move(decrypted.value());
    pugi::xml_document document;
    // In place, so that the plaintext stays in guarded memory (a UTF-8 text is not copied).
    const pugi::xml_parse_result parsed = document.load_buffer_inplace(buffer.data(), buffer.size());
    // A broken database would leave every table empty and the user later reads "no liveries
    // found": it is as fatal as a missing file.
    if (!parsed) {
        buffer.release();
        throw std::runtime_error(fmt::format("{} not read because: {}", name, parsed.description()));
    }
    if (!document.child("root")) {
        buffer.release();
        throw std::runtime_error(fmt::format("'{}' has no root node", name));
    }
    readDocument(document, detail::typeDatabaseTables());
    document.reset();
    buffer.release();
}

void gf_resetTypeDatabaseForTesting() {
    detail::typeDatabaseTables() = detail::TypeDatabaseTables{};
    gf_setModelFixes({});
    gf_setModelFixesActive(false);
}

} // namespace kiv
