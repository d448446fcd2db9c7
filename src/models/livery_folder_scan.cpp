#include "models/livery_folder_scan.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include <fmt/format.h>

#include "foundation/file_helpers.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "models/aircraft_cfg_parser.h"
#include "models/livery_store.h"
#include "models/regcode_merge.h"
#include "models/scan_reports.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLongestEnteredPath = 249;
constexpr std::int16_t kLowestPriority = 10;

std::string_view plural(std::size_t count) { return count == 1 ? "" : "s"; }

bool isConfigurationFile(const fs::path& path) {
    const std::string name = gf_toUpper(gf_pathToUtf8(path.filename()));
    return name == "AIRCRAFT.CFG" || name == "SIM.CFG";
}

// The key without its present flag: airline, operator, model and cargo.
std::uint64_t priorityKey(const LiveryKey& key) { return key.packed() & 0x00FF'FFFF'FFFF'FFFFu; }

// Logs why an entry of the folder list is passed over; true when it is a usable folder.
bool isScannableFolder(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (status.type() == fs::file_type::not_found) {
        gf_logLine(gf_pathToUtf8(folder) + " does not exist, skipped!");
        return false;
    }
    if (error || !fs::is_directory(status)) {
        gf_logLine(gf_pathToUtf8(folder) + " is not a folder name, skipped!");
        return false;
    }
    return true;
}

void logFolderCount(std::size_t added, const fs::path& folder) {
    const std::string where = fmt::format("found in {}", gf_pathToUtf8(folder));
    if (added == 0) {
        gf_logLine(fmt::format("No liveries {}", where));
    } else {
        gf_logLine(fmt::format("{:5} liverie{} {}", added, plural(added), where));
    }
}

} // namespace

std::vector<Livery>& gf_scannedLiveries() {
    static std::vector<Livery> liveries;
    return liveries;
}

void lf_checkLiveryFolders(std::vector<fs::path>& folders) {
    for (const StringParameter& setting : param::lfolder) {
        if (setting.value.empty()) {
            continue;
        }
        const fs::path path = gf_utf8ToPath(setting.value);
        std::error_code error;
        const fs::file_type type = fs::status(path, error).type();
        if (type == fs::file_type::none || type == fs::file_type::not_found) {
            gf_logImportant(fmt::format("{}: '{}' does not exist", setting.key, gf_pathToUtf8(path)));
            throw UserRelatedException(
                243, fmt::format("the path pointed to by parameter '{}' does not exist, see Log.txt!", setting.key));
        }
        folders.push_back(path);
    }
}

void lf_searchLiveries(std::int16_t priority, const fs::path& folder, std::vector<Livery>& liveries,
                       const detail::FolderOpener& open) {
    detail::FolderWalk walk;
    walk.open = open;
    walk.descend = [](const detail::FolderEntry& entry) {
        const std::string text = gf_pathToUtf8(entry.path);
        return text.find("airport") == std::string::npos && text.size() <= kLongestEnteredPath;
    };
    walk.visit = [&](const detail::FolderEntry& entry) {
        if (!entry.regularFile || !isConfigurationFile(entry.path)) {
            return;
        }
        const std::string text = gf_pathToUtf8(entry.path);
        const bool ivao = text.find("ivao_x-csl") != std::string::npos || text.find("IVAO_MTL") != std::string::npos;
        std::list<Livery> found =
            ivao ? lf_searchLiveriesinIVAOFile(priority, entry.path) : lf_searchLiveriesinFile(priority, entry.path);
        liveries.insert(liveries.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    };
    walk.failed = [](const fs::path& path, const std::error_code& error, bool atRoot) {
        gf_logImportant(
            atRoot
                ? fmt::format("Could not start liveries search in {}, cause: {}", gf_pathToUtf8(path), error.message())
                : fmt::format("Could not search {} for liveries, cause: {}", gf_pathToUtf8(path), error.message()));
    };
    detail::gf_walkFolder(folder, walk);
}

void lf_loadDontUseLiveries(const LiveryPaths& paths) {
    TitleSet& titles = gf_scanCollections().dontUseTitles;
    titles.clear();
    if (!lf_aigRegcodesAvailable(paths.aigRegcodes)) {
        return;
    }
    lf_readDontUseTitles(paths.aigRegcodes, titles);
    if (gf_countFiles(paths.myRegcodes, "") > 0) {
        lf_readDontUseFolder(paths.myRegcodes, titles);
    }
    gf_logLine(fmt::format("{:5} don't use liveries", titles.size()));
    const fs::path& report = paths.scanReports[reportDontUseLiveries];
    if (!lf_writeDontUseTitles(titles, report)) {
        gf_logImportant(fmt::format("Could not write '{}'", gf_pathToUtf8(report)));
    }
}

std::size_t lf_prioritizeLiveries(std::vector<Livery>& liveries) {
    std::unordered_map<std::uint64_t, std::int16_t> smallest;
    for (const Livery& livery : liveries) {
        const auto [entry, added] = smallest.try_emplace(priorityKey(livery.key), livery.folderPriority);
        if (!added) {
            entry->second = std::min(entry->second, livery.folderPriority);
        }
    }
    const auto removed = std::remove_if(liveries.begin(), liveries.end(), [&](const Livery& livery) {
        return livery.folderPriority > smallest.at(priorityKey(livery.key));
    });
    const auto count = static_cast<std::size_t>(std::distance(removed, liveries.end()));
    liveries.erase(removed, liveries.end());
    return count;
}

std::size_t lf_uniqueLiveries(std::vector<Livery>& liveries) {
    const auto removed = std::unique(liveries.begin(), liveries.end(), [](const Livery& a, const Livery& b) {
        return a.title == b.title && a.key.airlineId == b.key.airlineId && a.key.modelId == b.key.modelId &&
               a.key.operatorId == b.key.operatorId && a.key.cargo == b.key.cargo && a.regcode == b.regcode;
    });
    const auto count = static_cast<std::size_t>(std::distance(removed, liveries.end()));
    liveries.erase(removed, liveries.end());
    return count;
}

LiveryScanResult lf_scanLiveryFolders(const std::vector<fs::path>& folders, bool prioritise, const LiveryPaths& paths) {
    std::vector<Livery>& liveries = gf_scannedLiveries();
    liveries.clear();
    gf_removeFilesFromDirectory(paths.infoFolder);
    gf_removeFilesFromDirectory(paths.errorsFolder);
    lf_loadDontUseLiveries(paths);

    std::int16_t priority = 0;
    for (const fs::path& folder : folders) {
        if (folder.empty() || !isScannableFolder(folder)) {
            continue;
        }
        priority = std::min<std::int16_t>(static_cast<std::int16_t>(priority + 1), kLowestPriority);
        if (!gf_isRunning()) {
            return liveryScanStopped;
        }
        const std::size_t before = liveries.size();
        lf_searchLiveries(priority, folder, liveries);
        logFolderCount(liveries.size() - before, folder);
    }
    if (!gf_isRunning()) {
        return liveryScanStopped;
    }
    if (liveries.empty()) {
        return liveryScanNoLivery;
    }
    if (folders.size() > 1) {
        if (prioritise) {
            gf_logLine("\nPrioritizing the scanned liveries ...");
            const std::size_t removed = lf_prioritizeLiveries(liveries);
            gf_logLine(fmt::format("{:5} same airl+model liverie{} removed because from lower ai-package", removed,
                                   plural(removed)));
        }
        gf_logLine(fmt::format("{:5} in total", liveries.size()));
    }
    std::sort(liveries.begin(), liveries.end());
    if (const std::size_t duplicates = lf_uniqueLiveries(liveries); duplicates > 0) {
        gf_logImportant(fmt::format("{} duplicates removed ?", duplicates));
    }
    lf_writeScanReports(gf_scanCollections(), paths);
    gf_flushLog();
    if (!lf_writeLiveriesScanned(liveries, paths.store)) {
        return liveryScanNotStored;
    }
    gf_flushLog();
    return liveryScanDone;
}

} // namespace kiv
