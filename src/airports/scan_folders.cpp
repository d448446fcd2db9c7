#include "airports/scan_folders.h"

#include <array>
#include <exception>
#include <string_view>
#include <unordered_set>

#include <fmt/format.h>

#include "airports/bgl_reader.h"
#include "airports/scan_context.h"
#include "airports/scan_files.h"
#include "airports/scan_log.h"
#include "airports/scan_shell.h"
#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

// Scenery files known to hold no usable airports, matched anywhere in the path (exact case).
constexpr std::array<std::string_view, 6> kExcludedNames{"statics",         "_heliports", "duijffmedia-eham-remove",
                                                         "immersivelights", "immersive-", "bksq-scenery-"};

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool isScenerySubject(const fs::path& path) {
    if (lowerCase(gf_pathToUtf8(path.extension())) != ".bgl") {
        return false;
    }
    const std::string text = gf_pathToUtf8(path);
    for (const std::string_view excluded : kExcludedNames) {
        if (text.find(excluded) != std::string::npos) {
            return false;
        }
    }
    BglPhaseGuard guard(path, "probing header");
    return lf_bglHasAirportSection(path);
}

void appendProblem(const std::string& text) { gf_appendScanLog(std::string(kScanProblemPrefix) + text); }

class FolderWalk {
public:
    FolderWalk(AirportScanContext& context, const fs::path& root) : context_(context), root_(root) {}

    void run() {
        const std::string rootText = gf_pathToUtf8(root_);
        const std::string banner = fmt::format("\nScan: {}", rootText);
        gf_logLine(banner);
        gf_appendScanLog(banner);
        if (const std::optional<std::string> key = lf_canonicalFolderKey(root_)) {
            visited_.insert(*key);
            gf_appendScanLog(fmt::format("scan root resolved to: {}", *key));
        } else {
            appendProblem(
                fmt::format("could not resolve scan root, continuing without root cycle protection: {}", rootText));
        }
        std::error_code error;
        fs::recursive_directory_iterator entries(root_, fs::directory_options::follow_directory_symlink, error);
        if (error) {
            appendProblem(fmt::format("recursive directory iterator failed while starting scan root {}, cause: {}",
                                      rootText, error.message()));
            return;
        }
        while (entries != fs::recursive_directory_iterator()) {
            if (!visit(entries)) {
                return;
            }
            const int depth = entries.depth();
            if (!lf_advanceScan(entries, error)) {
                appendProblem(fmt::format("recursive directory iterator failed in scan root {}, depth {}, cause: {}",
                                          rootText, depth, error.message()));
                return;
            }
        }
    }

private:
    // False when the walk must end (a stop request).
    bool visit(fs::recursive_directory_iterator& entries) {
        const fs::directory_entry& entry = *entries;
        const int depth = entries.depth();
        std::error_code error;
        if (entry.is_directory(error)) {
            enterFolder(entries, depth);
            return true;
        }
        if (error || !entry.is_regular_file(error) || !isScenerySubject(entry.path())) {
            return true;
        }
        if (!gf_isRunning()) {
            return false;
        }
        const std::string pathText = gf_pathToUtf8(entry.path());
        gf_appendScanLog(fmt::format("Fac depth {}: {}", depth, pathText));
        try {
            lf_processBGLfile(context_, entry.path());
        } catch (const std::exception& e) {
            appendProblem(fmt::format("airport file skipped after an exception, depth {}, file {}, cause: {}", depth,
                                      pathText, e.what()));
        } catch (...) {
            appendProblem(
                fmt::format("airport file skipped after an unknown exception, depth {}, file {}", depth, pathText));
        }
        return true;
    }

    void enterFolder(fs::recursive_directory_iterator& entries, int depth) {
        const fs::path& folder = entries->path();
        const std::string folderText = gf_pathToUtf8(folder);
        const std::optional<std::string> key = lf_canonicalFolderKey(folder);
        if (!key) {
            appendProblem(fmt::format("could not resolve directory during airport scan, skipping recursion, depth {}, "
                                      "folder: {}",
                                      depth, folderText));
            entries.disable_recursion_pending();
            return;
        }
        if (!visited_.insert(*key).second) {
            appendProblem(fmt::format("skipping recursive directory link during airport scan, depth {}, folder: {}, "
                                      "resolved target: {}",
                                      depth, folderText, *key));
            entries.disable_recursion_pending();
            return;
        }
        std::error_code error;
        if (entries->is_symlink(error)) {
            gf_appendScanLog(
                fmt::format("following airport scan directory link, depth {}, folder: {}, resolved target: "
                            "{}",
                            depth, folderText, *key));
        }
        if (lf_isInStockScenery(context_, folder)) {
            entries.disable_recursion_pending();
        }
    }

    AirportScanContext& context_;
    const fs::path& root_;
    std::unordered_set<std::string> visited_;
};

} // namespace

void lf_scanAfolder(AirportScanContext& context, const std::vector<fs::path>& folders) {
    for (const fs::path& folder : folders) {
        if (folder.empty()) {
            continue;
        }
        std::error_code error;
        const fs::file_status status = fs::status(folder, error);
        if (error && status.type() != fs::file_type::not_found) {
            throw fs::filesystem_error("status", folder, error);
        }
        if (!fs::exists(status)) {
            context.shell.showMessage(gf_pathToUtf8(folder) + " does not exist, skipped!", true);
        } else if (!fs::is_directory(status)) {
            context.shell.showMessage(gf_pathToUtf8(folder) + " is not a folder name, skipped!", true);
        } else if (!lf_isInStockScenery(context, folder)) {
            lf_scanBglFolder(context, folder);
        }
    }
}

void lf_scanBglFolder(AirportScanContext& context, const fs::path& root) { FolderWalk(context, root).run(); }

std::optional<std::string> lf_canonicalFolderKey(const fs::path& path) {
    std::error_code error;
    const fs::path canonical = fs::canonical(path, error);
    if (error) {
        return std::nullopt;
    }
    return gf_pathToUtf8(canonical);
}

bool lf_isInStockScenery(const AirportScanContext& context, const fs::path& path) {
    const std::string stock = lowerCase(gf_pathToUtf8(context.stockSceneryPath));
    return !stock.empty() && lowerCase(gf_pathToUtf8(path)).find(stock) != std::string::npos;
}

bool lf_advanceScan(fs::recursive_directory_iterator& iterator, std::error_code& error) {
    iterator.increment(error);
    return !error;
}

} // namespace kiv
