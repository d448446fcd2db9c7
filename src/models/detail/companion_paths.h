// Finding the folders and files that a livery section names beside its configuration file
// ("model.X", "texture.X", "X.air") as Windows finds them: trailing dots and blanks of the name
// dropped, letters in any case. A file-system error on one name counts as "not there", so that
// one unreadable package cannot end a whole scan. One finder per configuration file, on the
// scanning thread.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::detail {

enum class CompanionKind { folder, file };

class CompanionFinder {
public:
    explicit CompanionFinder(std::filesystem::path folder);

    // The path of the entry called `name` (as Windows resolves it) when it exists as `kind`.
    std::optional<std::filesystem::path> find(std::string_view name, CompanionKind kind);

    const std::filesystem::path& folder() const { return folder_; }

private:
    const std::vector<std::filesystem::path>& namesLike(const std::string& foldedName);

    std::filesystem::path folder_;
    bool listed_ = false;
    // Lower-cased entry name -> the entries' names as they are, in byte-wise order.
    std::map<std::string, std::vector<std::filesystem::path>> entries_;
};

// The name Windows would open: trailing '.' and ' ' removed.
std::string lf_windowsName(std::string_view name);

} // namespace kiv::detail
