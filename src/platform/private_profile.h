// Reader of INI-style files ("[section]" and "key=value" lines) with the lookup rules of
// the Windows private-profile calls: section and key names compare without regard to
// ASCII case, values are trimmed and lose one pair of enclosing quotes. A loaded profile
// is immutable and may be read from any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv::platform {

class PrivateProfile {
public:
    // A missing or unreadable file gives an empty profile that reports !exists().
    static PrivateProfile load(const std::filesystem::path& path);
    static PrivateProfile parse(std::string_view text);

    bool exists() const { return exists_; }
    bool hasSection(std::string_view section) const;
    // The first value of the key in the first section of that name.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    const Section* find(std::string_view section) const;

    bool exists_ = false;
    std::vector<Section> sections_;
};

} // namespace kiv::platform
