// Data files for the airports tests, made at test time from plain XML with the data-file
// tool's encryptor and the program's own key, so the plain text stays beside each test.
// Tests run one at a time in their own working folder (test_support/working_folder.h).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "airports/known_airports.h"
#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "foundation/program_paths.h"
#include "test_support/working_folder.h"

namespace kiv::test_support {

inline void writeEncryptedDataFile(const std::filesystem::path& relative, std::string_view xml) {
    const DataFileKey key;
    WorkingFolder::write(relative, datafile::encryptDataFile(xml, key.bytes()));
}

// "<root><airports>" around the given <ap> elements.
inline std::string airportsXml(std::string_view entries) {
    return "<root><airports>" + std::string(entries) + "</airports></root>";
}

// Writes "input/airports.enc" and loads the known-airports table from it; the destructor
// empties the table again.
class KnownAirportsFile {
public:
    explicit KnownAirportsFile(std::string_view entries) {
        gf_resetKnownAirportsForTesting();
        writeEncryptedDataFile(gf_paths().airportsEnc, airportsXml(entries));
    }
    ~KnownAirportsFile() { gf_resetKnownAirportsForTesting(); }
    KnownAirportsFile(const KnownAirportsFile&) = delete;
    KnownAirportsFile& operator=(const KnownAirportsFile&) = delete;
};

} // namespace kiv::test_support
