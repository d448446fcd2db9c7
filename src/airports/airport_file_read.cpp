#include "airports/airport_file_read.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <fstream>
#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "airports/airport_file_paths.h"
#include "airports/airport_file_reader.h"
#include "airports/airports_shell.h"
#include "foundation/encrypted_data_file.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/secure_xml.h"
#include "foundation/temp_file_guard.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml_helpers.h"
#include "platform/process_id.h"
#include "settings/data_file_info.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameter_elements.h"
#include "settings/settings_table.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

constexpr std::uint64_t kAirportFilePlaintextLimit = 67108864; // 64 MiB
constexpr std::int32_t kMissingAltitudeCode = 65;

std::atomic<std::uint64_t> downloadCounter{0};

std::mutex downloaderMutex;
AirportFileDownloader& installedDownloader() {
    static AirportFileDownloader downloader;
    return downloader;
}

AirportFileDownloader currentDownloader() {
    const std::lock_guard lock(downloaderMutex);
    return installedDownloader();
}

std::string digitsOf(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    return digits;
}

bool fileExists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

void enableFlushButton(bool enable) {
    gf_runOnGuiThread([enable] {
        if (param::BUTTON_FLUSH.hasLiveWindow()) {
            param::BUTTON_FLUSH.window->setEnabled(enable);
        }
    });
}

void readParameters(const pugi::xml_document& document, AirportFile& file) {
    file.RT_traffic_week = static_cast<std::uint32_t>(gf_readIntParameter(document, "RT_traffic_week").value_or(0));
    file.publisher = gf_readStringParameter(document, "publisher").value_or("");
    file.version = gf_readStringParameter(document, "version");
    const std::optional<std::int32_t> altitude = gf_readIntParameter(document, "altitude");
    if (!altitude) {
        throw UserRelatedException(kMissingAltitudeCode, fmt::format("Parameter {} not found", "altitude"));
    }
    file.altitude = static_cast<std::uint32_t>(*altitude);
    file.airport_name = gf_readStringParameter(document, "airport_name").value_or("");
    lf_readParkpositions(document, file.stands);
    const std::optional<std::int32_t> real = gf_readIntParameter(document, "Qf_real");
    const std::optional<std::int32_t> soft = gf_readIntParameter(document, "Qf_soft");
    if (real || soft) {
        file.Qf_real = real.value_or(0);
        file.Qf_soft = soft.value_or(0);
    }
}

void mergeLearnedCopy(AirportFile& file) {
    const std::optional<fs::path> learned =
        gf_learnedAirportFilePath(gf_shortAirportFilePath(file.requestedPath), file.publisher);
    if (!learned || !fileExists(*learned)) {
        return;
    }
    file.learnedPath = *learned;
    Expected<LearnedAirportFile, std::string> merged =
        gf_readLearnedAirportFile(file.learnedPath, file.airport_name, file.stands);
    if (!merged) {
        gf_logImportant(merged.error());
        return;
    }
    file.stands = std::move(merged.value().stands);
    file.learnedSettings = merged.value().settings;
    file.handmadeOverrules = merged.value().handmade ? 1 : 0;
    file.learnedMerged = 1;
    const QualityFigures figures = gf_computeQualityFigures(file.stands);
    file.Qf_real = figures.Qf_real;
    file.Qf_soft = figures.Qf_soft;
}

void updateCache(const pugi::xml_document& document, const AirportFile& file, bool enciphered) {
    const fs::path& cache = gf_paths().parkAirportCache;
    if (!enciphered) {
        std::error_code error;
        fs::copy_file(file.loadedPath, cache, fs::copy_options::overwrite_existing, error);
        if (error) {
            gf_logImportant(
                fmt::format("could not update airport cache '{}': {}", gf_pathToUtf8(cache), error.message()));
        }
        return;
    }
    pugi::xml_document copy;
    copy.reset(document);
    if (!gf_saveXmlDocument(copy, cache)) {
        gf_logImportant(fmt::format("could not update airport cache '{}'", gf_pathToUtf8(cache)));
    }
}

Expected<AirportFile, std::string> readAirportFile(const fs::path& path) {
    const fs::path& cache = gf_paths().parkAirportCache;
    AirportFile file;
    fs::path toLoad;
    bool enciphered = false;
    std::optional<AirportFileIdentity> requested;
    if (fileExists(cache)) {
        requested = lf_airportFileIdentity(path);
    }
    std::optional<AirportFileIdentity> cached;
    if (requested) {
        cached = lf_readCacheIdentity();
    }
    if (requested && cached && *requested == *cached) {
        gf_logLine(fmt::format("cached: '{}' is taken instead of '{}'", gf_pathToUtf8(cache), gf_pathToUtf8(path)));
        toLoad = cache;
        file.source = AirportFileSource::Cache;
    } else {
        Expected<FetchedAirportFile, std::string> fetched = lf_fetchAirportFile(path, true);
        if (!fetched) {
            return unexpected(fetched.error());
        }
        file.source = fetched.value().isArchive != 0 ? AirportFileSource::Archive : AirportFileSource::Local;
        toLoad = file.source == AirportFileSource::Archive ? fetched.value().path : path;
        enciphered = fetched.value().isEncrypted != 0;
    }
    // The download, or a cache file that turns out unusable, goes when the read fails.
    TempFileGuard guard(file.source == AirportFileSource::Local ? fs::path() : toLoad);
    file.requestedPath = path;
    file.loadedPath = toLoad;
    SecureBuffer buffer;
    pugi::xml_document document;
    if (std::optional<std::string> error = lf_loadAirportXml(file.loadedPath, enciphered, buffer, document)) {
        return unexpected(std::move(*error));
    }
    if (!gf_checkInfoHeader(document, false)) {
        return unexpected(fmt::format("{}: refused to load", gf_pathToUtf8(path)));
    }
    readParameters(document, file);
    mergeLearnedCopy(file);
    lf_numberStandsAndFindOverlaps(file.stands);
    if (file.stands.empty()) {
        gf_logLine("no stands found in the airport file");
    }
    enableFlushButton(!file.stands.empty());
    if (file.source != AirportFileSource::Cache) {
        updateCache(document, file, enciphered);
    }
    if (file.source != AirportFileSource::Archive) {
        guard.disarm();
    }
    return file;
}

} // namespace

void gf_setAirportFileDownloader(AirportFileDownloader downloader) {
    const std::lock_guard lock(downloaderMutex);
    installedDownloader() = std::move(downloader);
}

AirportFileDownloader gf_folderAirportFileDownloader(fs::path folder, std::string baseUrl) {
    AirportFileDownloader downloader;
    downloader.baseUrl = baseUrl;
    downloader.download = [folder = std::move(folder), baseUrl](std::string_view url, const fs::path& target, bool) {
        if (!url.starts_with(baseUrl)) {
            return false;
        }
        std::error_code error;
        fs::copy_file(folder / gf_utf8ToPath(url.substr(baseUrl.size())), target, fs::copy_options::overwrite_existing,
                      error);
        return !error;
    };
    return downloader;
}

Expected<AirportFile, std::string> gf_readAirportFile(const fs::path& path) {
    try {
        return readAirportFile(path);
    } catch (const UserRelatedException&) {
        throw;
    } catch (const std::exception& e) {
        return unexpected(fmt::format("{}: {}", "gf_readAirportFile", e.what()));
    } catch (...) {
        return unexpected(fmt::format("{}: unknown exception", "gf_readAirportFile"));
    }
}

Expected<FetchedAirportFile, std::string> lf_fetchAirportFile(const fs::path& path, bool forPark) {
    const AirportFileDownloader downloader = currentDownloader();
    if (downloader.serverInMaintenance && downloader.serverInMaintenance()) {
        return unexpected(std::string("Web server temporarily unavailable due to maintenance."));
    }
    FetchedAirportFile fetched;
    if (path.empty() || *path.begin() != gf_paths().archiveFolder) {
        return fetched;
    }
    fetched.isArchive = 1;
    const std::string extension = path.extension().string();
    fetched.isEncrypted = extension.size() == 4 && lf_hasExtension(path, ".enc") ? 1 : 0;
    const std::string suffix =
        fmt::format(".{}.{}", platform::currentProcessId(), downloadCounter.fetch_add(1, std::memory_order_relaxed));
    const std::string_view stem = forPark ? "park_airport" : "airport";
    const std::string name =
        fetched.isEncrypted != 0 ? fmt::format("{}{}.enc", stem, suffix) : fmt::format("{}{}.xml", stem, suffix);
    fetched.path = gf_paths().airportsFolder / name;
    std::string error = lf_downloadArchiveFile(path, fetched.path, fetched.isEncrypted != 0);
    if (!error.empty()) {
        return unexpected(std::move(error));
    }
    return fetched;
}

std::string lf_downloadArchiveFile(const fs::path& archivePath, const fs::path& temporary, bool isEncrypted) {
    const AirportFileDownloader downloader = currentDownloader();
    std::string relative = gf_pathToUtf8(archivePath);
    for (char& c : relative) {
        if (c == '\\') {
            c = '/';
        }
    }
    const std::string url = downloader.baseUrl + relative;
    const bool done = downloader.download && downloader.download(url, temporary, isEncrypted);
    if (done) {
        return {};
    }
    std::error_code ignored;
    fs::remove(temporary, ignored);
    std::string message = fmt::format("failed to download: '{}'", url);
    gf_airportsShell().showMessage(message, true);
    return message;
}

std::optional<std::string> lf_loadAirportXml(const fs::path& path, bool isEncrypted, SecureBuffer& buffer,
                                             pugi::xml_document& document) {
    const std::string pathText = gf_pathToUtf8(path);
    if (isEncrypted) {
        EncryptedFileResult plaintext = gf_readEncryptedFile(path, kAirportFilePlaintextLimit);
        if (!plaintext) {
            return plaintext.error();
        }
        document.reset();
        buffer = std::move(plaintext).value();
        const pugi::xml_parse_result parsed = gf_parseXmlInPlace(buffer, document);
        if (!parsed) {
            return fmt::format("{} not loaded: {}", pathText, parsed.description());
        }
        return std::nullopt;
    }
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return fmt::format("{} could not be opened", pathText);
    }
    const pugi::xml_parse_result parsed = document.load(stream);
    if (!parsed) {
        return fmt::format("{} not loaded: {}", pathText, parsed.description());
    }
    return std::nullopt;
}

std::optional<AirportFileIdentity> lf_airportFileIdentity(const fs::path& path) {
    const std::optional<ArchiveFileInfo> archive = gf_parseArchiveFilePath(path);
    if (!archive) {
        return std::nullopt;
    }
    return AirportFileIdentity{archive->icao, archive->kind, archive->suffix};
}

std::optional<AirportFileIdentity> lf_documentIdentity(const pugi::xml_node& document) {
    const std::optional<std::string> icaoText = gf_readStringParameter(document, "icao");
    if (!icaoText || icaoText->size() != 4) {
        return std::nullopt;
    }
    std::string upper = *icaoText;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return std::nullopt;
        }
    }
    AirportFileIdentity identity;
    identity.icao = IcaoCode(upper);
    identity.publisher = gf_readStringParameter(document, "publisher").value_or("");
    identity.version = digitsOf(gf_readStringParameter(document, "version").value_or(""));
    return identity;
}

std::optional<AirportFileIdentity> lf_readCacheIdentity() {
    const fs::path& cache = gf_paths().parkAirportCache;
    const std::string pathText = gf_pathToUtf8(cache);
    std::ifstream stream(cache, std::ios::binary);
    if (!stream) {
        gf_logLine(fmt::format("{} could not be opened", pathText));
        return std::nullopt;
    }
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load(stream);
    if (!parsed) {
        gf_logLine(fmt::format("{} not loaded: {}", pathText, parsed.description()));
        return std::nullopt;
    }
    return lf_documentIdentity(document);
}

void lf_numberStandsAndFindOverlaps(std::vector<Stand>& stands) {
    std::uint32_t number = 1;
    for (Stand& stand : stands) {
        stand.number = number++;
        stand.overlaps.clear();
    }
    for (std::size_t i = 0; i < stands.size(); ++i) {
        for (std::size_t j = i + 1; j < stands.size(); ++j) {
            const Stand& a = stands[i];
            const Stand& b = stands[j];
            const double dLat = (a.latitude - b.latitude) * 60.0;
            const double dLon =
                (a.longitude - b.longitude) * std::cos((a.latitude + b.latitude) * 0.5 * 0.017453292519943295) * 60.0;
            const double reach = a.radius + b.radius;
            if ((dLat * dLat + dLon * dLon) * 1.2100000000000002 < reach * reach) {
                stands[i].overlaps.push_back(stands[j].number);
                stands[j].overlaps.push_back(stands[i].number);
            }
        }
    }
}

} // namespace kiv
