#include "platform/private_profile.h"

#include "foundation/line_files.h"
#include "foundation/string_helpers.h"

namespace kiv::platform {
namespace {

bool sameName(std::string_view a, std::string_view b) { return gf_toUpper(a) == gf_toUpper(b); }

std::string unquoted(std::string text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

} // namespace

PrivateProfile PrivateProfile::load(const std::filesystem::path& path) {
    const std::optional<std::string> text = gf_readWholeFile(path);
    return text ? parse(*text) : PrivateProfile{};
}

PrivateProfile PrivateProfile::parse(std::string_view text) {
    PrivateProfile profile;
    profile.exists_ = true;
    std::vector<std::string> lines;
    gf_splitLines(text, lines); // a UTF-8 mark goes with it
    Section* current = nullptr;
    for (const std::string& rawLine : lines) {
        const std::string line = gf_trim(rawLine);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            profile.sections_.push_back(
                {gf_trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            current = &profile.sections_.back();
            continue;
        }
        const auto equals = line.find('=');
        if (current != nullptr && equals != std::string::npos) {
            current->entries.emplace_back(gf_trim(line.substr(0, equals)), unquoted(gf_trim(line.substr(equals + 1))));
        }
    }
    return profile;
}

const PrivateProfile::Section* PrivateProfile::find(std::string_view section) const {
    for (const auto& candidate : sections_) {
        if (sameName(candidate.name, section)) {
            return &candidate;
        }
    }
    return nullptr;
}

bool PrivateProfile::hasSection(std::string_view section) const { return find(section) != nullptr; }

std::optional<std::string> PrivateProfile::value(std::string_view section, std::string_view key) const {
    if (const Section* found = find(section)) {
        for (const auto& [name, value] : found->entries) {
            if (sameName(name, key)) {
                return value;
            }
        }
    }
    return std::nullopt;
}

} // namespace kiv::platform
