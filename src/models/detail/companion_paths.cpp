#include "models/detail/companion_paths.h"

#include <algorithm>
#include <system_error>

#include "foundation/text_conversion.h"

namespace kiv::detail {
namespace {

std::string foldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

// Any error (permission denied, a broken link, a name too long) reads as "not there".
bool isKind(const std::filesystem::path& path, CompanionKind kind) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        return false;
    }
    return kind == CompanionKind::folder ? std::filesystem::is_directory(status)
                                         : std::filesystem::is_regular_file(status);
}

} // namespace

std::string lf_windowsName(std::string_view name) {
    const std::size_t last = name.find_last_not_of(". ");
    return last == std::string_view::npos ? std::string{} : std::string(name.substr(0, last + 1));
}

CompanionFinder::CompanionFinder(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::optional<std::filesystem::path> CompanionFinder::find(std::string_view name, CompanionKind kind) {
    const std::string windowsName = lf_windowsName(name);
    if (windowsName.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path exact = folder_ / gf_utf8ToPath(windowsName);
    if (isKind(exact, kind)) {
        return exact;
    }
    for (const std::filesystem::path& candidate : namesLike(foldCase(windowsName))) {
        const std::filesystem::path path = folder_ / candidate;
        if (isKind(path, kind)) {
            return path;
        }
    }
    return std::nullopt;
}

const std::vector<std::filesystem::path>& CompanionFinder::namesLike(const std::string& foldedName) {
    if (!listed_) {
        // Listed once per configuration file, and only when a name was not found as written.
        listed_ = true;
        std::error_code error;
        std::filesystem::directory_iterator it(folder_, error);
        const std::filesystem::directory_iterator end;
        while (!error && it != end) {
            const std::filesystem::path entryName = it->path().filename();
            entries_[foldCase(gf_pathToUtf8(entryName))].push_back(entryName);
            it.increment(error);
        }
        for (auto& [folded, names] : entries_) {
            std::sort(names.begin(), names.end());
        }
    }
    static const std::vector<std::filesystem::path> none;
    const auto it = entries_.find(foldedName);
    return it == entries_.end() ? none : it->second;
}

} // namespace kiv::detail
