#include "models/regcode_merge.h"

#include <string>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "foundation/file_helpers.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "models/livery_key_text.h"
#include "models/scan_reports.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

std::string_view plural(std::size_t count) { return count == 1 ? "" : "s"; }

void logErrors(const std::vector<std::string>& errors) {
    for (const std::string& error : errors) {
        gf_logImportant(error);
    }
}

std::size_t addTitlesWithoutCodes(const RegcodeFileResult& result, TitleSet& titles) {
    std::size_t added = 0;
    for (const RegcodeEntry& entry : result.entries) {
        if (entry.codes.empty() && titles.insert(entry.title).second) {
            ++added;
        }
    }
    return added;
}

// Throws filesystem_error when the folder cannot be made.
void ensureFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        throw fs::filesystem_error("create_directories", folder, error);
    }
}

void removeReport(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

bool inlineRegcode(const Livery& livery, LiveryTables& tables, std::list<std::string>& clashes) {
    const std::string_view title = lf_titleView(tables, livery.title);
    if (title.empty()) {
        clashes.push_back(fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                                      gf_liveryKeyText(livery.key), livery.regcode, livery.title));
        return false;
    }
    const auto [bound, added] = tables.regcodeLiveries.try_emplace(livery.regcode, title);
    if (!added && bound->second != title) {
        clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", livery.regcode, title, bound->second));
    }
    const auto [registration, newTitle] = tables.inlineTitleRegcodes.try_emplace(title, livery.regcode);
    if (!newTitle && registration->second != livery.regcode) {
        clashes.push_back(
            fmt::format("{} '{}' => already in use by '{}'", title, livery.regcode, registration->second));
    }
    return true;
}

std::vector<std::string_view> installedTitles(const LiveryTables& tables) {
    std::vector<std::string_view> titles;
    titles.reserve(tables.titleIndex.size());
    for (const auto& entry : tables.titleIndex) {
        titles.push_back(entry.first);
    }
    return titles;
}

} // namespace

void lf_processInlineRegcodes(const std::vector<Livery>& liveries, LiveryTables& tables, const LiveryPaths& paths) {
    std::list<std::string> clashes;
    for (const Livery& livery : liveries) {
        if (!livery.regcode.empty()) {
            inlineRegcode(livery, tables, clashes);
        }
    }
    if (clashes.empty()) {
        return;
    }
    ensureFolder(paths.errorsFolder);
    const fs::path& report = paths.inlineRegcodesReport;
    if (!lf_writeListFile(clashes, report)) {
        gf_logImportant(fmt::format("Could not write '{}'", gf_pathToUtf8(report)));
        return;
    }
    gf_logLine(fmt::format("{:5} in-line regcode clashes, see {}", clashes.size(), gf_pathToUtf8(report)));
}

void lf_mergeRegcodes(const std::vector<RegcodeEntry>& entries, LiveryTables& tables) {
    std::size_t added = 0;
    std::size_t replaced = 0;
    std::size_t special = 0;
    for (const RegcodeEntry& entry : entries) {
        const std::string_view title = lf_titleView(tables, entry.title);
        if (title.empty()) {
            continue;
        }
        for (const std::string& registration : entry.codes) {
            const auto [bound, isNew] = tables.regcodeLiveries.try_emplace(registration, title);
            if (isNew) {
                ++added;
            } else if (bound->second != title) {
                tables.offlineMessages.push_back(fmt::format("   regcode {} for '{}', instead of the same for '{}'",
                                                             registration, title, bound->second));
                bound->second = title;
                ++replaced;
            }
            if (entry.special && entry.codes.size() == 1) {
                tables.uniqueRegcodes.insert(registration);
            }
        }
        if (entry.special) {
            tables.specialTitles.insert(std::string(title));
            ++special;
        }
    }
    std::string line = fmt::format("{} new regcode{} added", added, plural(added));
    if (replaced > 0) {
        line += fmt::format(", {} regcode{} replaced", replaced, plural(replaced));
    }
    if (special > 0) {
        line += fmt::format(", {} regcode{} defined as special", special, plural(special));
    }
    tables.offlineMessages.push_back(std::move(line));
}

void lf_processAigRegcodes(LiveryTables& tables, const fs::path& file) {
    const std::string processing = fmt::format("Processing '{}'", gf_pathToUtf8(file));
    gf_logLine(processing);
    tables.offlineMessages.push_back(processing);
    const RegcodeFileResult result = loadAigRegcodes(file);
    logErrors(result.errors);
    if (!result.errors.empty()) {
        tables.offlineMessages.push_back(
            fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt", gf_pathToUtf8(file)));
    }
    lf_mergeRegcodes(result.entries, tables);
}

void lf_processCustomRepaints(LiveryTables& tables, const LiveryPaths& paths) {
    removeReport(paths.missingRepaintsReport);
    if (gf_countFiles(paths.myRegcodes, "") == 0) {
        return;
    }
    const std::string folderText = gf_pathToUtf8(paths.myRegcodes);
    tables.offlineMessages.push_back(fmt::format("Processing files in {}", folderText));
    const RegcodeFileResult result = readMyRegcodesFolder(paths.myRegcodes);
    logErrors(result.errors);
    if (!result.errors.empty()) {
        gf_logLine(
            fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt", folderText));
    }
    const std::vector<std::string_view> installed = installedTitles(tables);
    const std::vector<std::string> missing = lf_missingTitleLines(result.entries, installed);
    if (!missing.empty()) {
        ensureFolder(paths.errorsFolder);
        const std::string reportText = gf_pathToUtf8(paths.missingRepaintsReport);
        if (gf_writeLinesToFile(missing, paths.missingRepaintsReport)) {
            gf_logLine(fmt::format("{:5} custom repaint title{} not found in scanned liveries, see '{}'",
                                   missing.size(), plural(missing.size()), reportText));
        } else {
            gf_logImportant(fmt::format("Could not write '{}'", reportText));
        }
    }
    lf_mergeRegcodes(result.entries, tables);
}

void lf_processOfflineRegcodes(LiveryTables& tables, const LiveryPaths& paths) {
    tables.offlineMessages.clear();
    tables.specialTitles.clear();
    tables.uniqueRegcodes.clear();
    if (!lf_aigRegcodesAvailable(paths.aigRegcodes)) {
        return;
    }
    gf_logLine("\n******* Offline regcodes ******");
    lf_processAigRegcodes(tables, paths.aigRegcodes);
    lf_processCustomRepaints(tables, paths);

    removeReport(paths.offlineRegcodesReport);
    const std::string reportText = gf_pathToUtf8(paths.offlineRegcodesReport);
    if (!gf_writeLinesToFile(tables.offlineMessages, paths.offlineRegcodesReport)) {
        gf_logImportant(fmt::format("Could not write '{}'", reportText));
    } else {
        gf_logLine(
            fmt::format("****** Offline regcode files processed, results can be found in '{}' ******\n", reportText));
    }
    if (!tables.specialTitles.empty()) {
        gf_logLine(fmt::format("{:5} special liveries", tables.specialTitles.size()));
    }
    if (!tables.uniqueRegcodes.empty()) {
        gf_logLine(fmt::format("{:5} unique liveries", tables.uniqueRegcodes.size()));
    }
}

bool lf_aigRegcodesAvailable(const fs::path& aigFile) {
    std::error_code error;
    const bool exists = fs::exists(aigFile, error);
    if (error) {
        throw fs::filesystem_error("exists", aigFile, error);
    }
    if (!exists) {
        gf_logImportant(fmt::format("{} not available", gf_pathToUtf8(aigFile)));
    }
    return exists;
}

void lf_readDontUseTitles(const fs::path& aigFile, TitleSet& titles) {
    const RegcodeFileResult result = loadAigRegcodes(aigFile);
    logErrors(result.errors);
    const std::size_t added = addTitlesWithoutCodes(result, titles);
    gf_logLine(fmt::format("{:5} don't use title{} read", added, plural(added)));
}

void lf_readDontUseFolder(const fs::path& folder, TitleSet& titles) {
    const RegcodeFileResult result = readMyRegcodesFolder(folder);
    logErrors(result.errors);
    const std::size_t added = addTitlesWithoutCodes(result, titles);
    gf_logLine(
        fmt::format("{:5} don't use title{} read from files in {}", added, plural(added), gf_pathToUtf8(folder)));
}

} // namespace kiv
