#include "foundation/version.h"

#include <charconv>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "foundation/log.h"
#include "foundation/string_helpers.h"

namespace kiv {
namespace {

std::uint32_t parseVersionNumber(const std::string& digits) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        throw std::runtime_error("parse error in version string");
    }
    return static_cast<std::uint32_t>(value);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Takes one run of digits off the front of `text`; empty when there is none.
std::string takeDigits(std::string_view& text) {
    std::size_t length = 0;
    while (length < text.size() && isDigit(text[length])) {
        ++length;
    }
    std::string digits(text.substr(0, length));
    text.remove_prefix(length);
    return digits;
}

struct VersionGroups {
    std::string major;
    std::string minor;
    std::optional<std::string> patch;
};

// Matches the whole text against "(\d+)\.(\d+)(?:\.(\d+))?".
std::optional<VersionGroups> matchVersionPattern(std::string_view text) {
    VersionGroups groups;
    groups.major = takeDigits(text);
    if (groups.major.empty() || !text.starts_with('.')) {
        return std::nullopt;
    }
    text.remove_prefix(1);
    groups.minor = takeDigits(text);
    if (groups.minor.empty()) {
        return std::nullopt;
    }
    if (text.empty()) {
        return groups;
    }
    if (!text.starts_with('.')) {
        return std::nullopt;
    }
    text.remove_prefix(1);
    groups.patch = takeDigits(text);
    if (groups.patch->empty() || !text.empty()) {
        return std::nullopt;
    }
    return groups;
}

Version parseVersionText(std::string_view text) {
    if (const std::optional<VersionGroups> groups = matchVersionPattern(text)) {
        const std::uint32_t patch = groups->patch ? parseVersionNumber(*groups->patch) : 0;
        return {parseVersionNumber(groups->major), parseVersionNumber(groups->minor), patch};
    }
    const std::string trimmed = gf_trim(text);
    if (trimmed.empty() || trimmed.front() != '{') {
        throw std::runtime_error("invalid version format");
    }
    const nlohmann::json object = nlohmann::json::parse(trimmed, nullptr, false);
    if (!object.is_object()) {
        throw std::runtime_error("invalid version format");
    }
    return {gf_versionFromJson(object, "major"), gf_versionFromJson(object, "minor"),
            gf_versionFromJson(object, "patch")};
}

} // namespace

Version::Version(std::string_view text) {
    if (text.empty()) {
        return;
    }
    try {
        *this = parseVersionText(text);
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("{} exception: {}", "VersionData", e.what()));
        *this = Version{};
    }
}

std::uint32_t gf_versionFromJson(const nlohmann::json& object, std::string_view key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) {
        return 0;
    }
    // A negative number or one past 32 bits is no version number: cast, -1 would become the
    // newest version there is.
    if (found->is_number_unsigned()) {
        const std::uint64_t value = found->get<std::uint64_t>();
        return value <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(value) : 0;
    }
    const std::int64_t value = found->get<std::int64_t>();
    return value >= 0 && value <= std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(value) : 0;
}

} // namespace kiv
