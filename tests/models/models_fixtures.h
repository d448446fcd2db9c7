// Small fixtures for the models tests: encrypted data files made from plain XML with the
// project's own data-file encryptor and key, and a fresh start of the code tables and the
// type database. Single-threaded test helpers.
#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>

#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "models/interned_codes.h"
#include "models/type_database.h"

namespace kiv {

// Readable keys in test failures.
inline void PrintTo(const LiveryKey& key, std::ostream* out) {
    *out << "{" << key.airlineId << "," << key.operatorId << "," << key.modelId << "," << int{key.cargo} << ","
         << int{key.present} << "}";
}

} // namespace kiv

namespace kiv::test_support {

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// UTF-16 little-endian bytes with their byte-order mark, as Windows editors write them.
inline std::string utf16LeWithMark(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// The ".enc" file the program's reader opens with its built-in key.
inline void writeEncryptedXml(const std::filesystem::path& path, std::string_view xml) {
    const DataFileKey key;
    writeBytes(path, datafile::encryptDataFile(xml, key.bytes()));
}

// Every required section of the type database, empty, around `extra` sections.
inline std::string dbaseXml(std::string_view aircrafts, std::string_view airlines, std::string_view extra) {
    std::string xml = "<root><aircrafts><aircraft types=\"";
    xml += aircrafts;
    xml += "\"/></aircrafts><ICAO_airlines><ICAO codes=\"";
    xml += airlines;
    xml += "\"/></ICAO_airlines>";
    for (const char* section :
         {"cargo_types", "heavy", "large", "buzjet", "twoprops", "high_performance", "rotorcraft", "cargo_operators"}) {
        if (extra.find(std::string("<") + section + ">") == std::string_view::npos) {
            xml += std::string("<") + section + "/>";
        }
    }
    xml += extra;
    xml += "</root>";
    return xml;
}

// Empty code tables and type database, as at program start.
inline void resetModelTables() {
    gf_resetInternedCodesForTesting();
    gf_resetTypeDatabaseForTesting();
}

} // namespace kiv::test_support
