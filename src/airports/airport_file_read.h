// Reading the park airport's airport file into an AirportFile: from where it lies, from the
// archive on the download server, or from the cache "airports/park_airport.xml" (a plain copy
// of the last archive file read); its learned copy merged in, the stands numbered and their
// overlaps found, the cache brought up to date. The fetch and load steps also serve the
// destination readers. Runs on its caller's thread; the only shared state is the download
// counter, the installed downloader (under a mutex) and the cache file (written only here).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "airports/learned_airport_file.h"
#include "airports/stand.h"
#include "foundation/expected.h"
#include "foundation/icao_code.h"
#include "foundation/secure_buffer.h"

namespace kiv {

enum class AirportFileSource : std::uint32_t { Local = 0, Archive = 1, Cache = 2 };

struct AirportFile {
    std::string airport_name;
    std::string publisher;
    std::uint32_t altitude = 0; // feet
    std::optional<std::string> version;
    std::int32_t Qf_real = 0;
    std::int32_t Qf_soft = 0;
    std::vector<Stand> stands;
    std::filesystem::path requestedPath;
    std::filesystem::path loadedPath; // the file parsed: the requested one, the download or the cache
    std::filesystem::path learnedPath; // empty when there is no learned copy
    std::uint32_t RT_traffic_week = 0;
    AirportFileSource source = AirportFileSource::Local;
    std::uint8_t learnedMerged = 0;
    std::uint8_t handmadeOverrules = 0;
    LearnedParkSettings learnedSettings;
};

// Which archive file a path names, or which one the cache holds.
struct AirportFileIdentity {
    IcaoCode icao;
    std::string publisher;
    std::string version; // digits only

    friend bool operator==(const AirportFileIdentity&, const AirportFileIdentity&) = default;
};

struct FetchedAirportFile {
    std::filesystem::path path; // the downloaded temporary file; empty when nothing was fetched
    std::uint8_t isArchive = 0;
    std::uint8_t isEncrypted = 0;
};

// How archive files reach the program: the server's folder address (ending in "/") and the
// transfer of one address into a file. The program installs its libcurl download; tests
// install gf_folderAirportFileDownloader. Without one every download fails.
struct AirportFileDownloader {
    std::string baseUrl;
    std::function<bool(std::string_view url, const std::filesystem::path& target, bool binary)> download;
    std::function<bool()> serverInMaintenance;
};
void gf_setAirportFileDownloader(AirportFileDownloader downloader);
// Serves "<baseUrl>X" by copying `folder`/X; any other address fails.
AirportFileDownloader gf_folderAirportFileDownloader(std::filesystem::path folder, std::string baseUrl);

// A UserRelatedException (a file without "altitude") passes to the caller; every other
// failure is the error text.
Expected<AirportFile, std::string> gf_readAirportFile(const std::filesystem::path& path);

// Archive paths are downloaded into a temporary file in "airports" ("park_airport" or
// "airport", process id, counter, ".enc" or ".xml"); other paths are read where they lie.
Expected<FetchedAirportFile, std::string> lf_fetchAirportFile(const std::filesystem::path& path, bool forPark);
// Empty on success; else "failed to download: '{url}'", also shown and logged.
std::string lf_downloadArchiveFile(const std::filesystem::path& archivePath, const std::filesystem::path& temporary,
                                   bool isEncrypted);
// Loads the file into the caller's document; an enciphered file is parsed in place in the
// caller's buffer, which must then outlive the document. Nothing, or the error text.
std::optional<std::string> lf_loadAirportXml(const std::filesystem::path& path, bool isEncrypted,
                                             SecureBuffer& buffer, pugi::xml_document& document);

// The identity of an archive file's path (archive/stock, archive/simaddon,
// archive/thirdparty/<publisher>); none for every other path, so that a user's own file is
// always read afresh and never hidden by the cache.
std::optional<AirportFileIdentity> lf_airportFileIdentity(const std::filesystem::path& path);
std::optional<AirportFileIdentity> lf_readCacheIdentity();
// The identity parameters of a parsed airport file ("icao", "publisher", digits of "version").
std::optional<AirportFileIdentity> lf_documentIdentity(const pugi::xml_node& document);

// Numbers the stands from 1 and fills their overlap lists: two stands overlap when their
// flat distance times 1.1 is below the sum of their radii.
void lf_numberStandsAndFindOverlaps(std::vector<Stand>& stands);

} // namespace kiv
