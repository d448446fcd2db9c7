#include "feeds/rt_credential.h"

#include <fstream>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "platform/known_folders.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kNoCredentialCode = 899;

bool lf_isPlaceholder(std::string_view text) { return text == kLicensePlaceholder || text == kTokenPlaceholder; }

bool lf_isUsable(std::string_view text) { return !text.empty() && !lf_isPlaceholder(text); }

bool lf_exists(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        throw fs::filesystem_error("exists", path, error);
    }
    return fs::exists(status);
}

std::string lf_licenseText(const std::vector<std::string>& lines, const fs::path& path) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += line;
    }
    const nlohmann::json document = nlohmann::json::parse(joined, nullptr, false);
    if (!document.is_object()) {
        gf_logLine(fmt::format("No license found in '{}'. Problem: JSON root is not an object", gf_pathToUtf8(path)));
        return {};
    }
    const auto license = document.find("License");
    if (license == document.end() || !license->is_string()) {
        gf_logLine(fmt::format("No license found in '{}'. Problem: Missing or invalid 'License' field", gf_pathToUtf8(path)));
        return {};
    }
    std::string text = license->get<std::string>();
    if (text.empty()) {
        gf_logLine(fmt::format("No license found in '{}'. Problem: Empty 'License' value", gf_pathToUtf8(path)));
    }
    return text;
}

} // namespace

bool gf_isApiToken(std::string_view credential) { return credential.size() >= 3 && credential.starts_with("rt_"); }

std::string lf_readLicenseFile(const fs::path& path) {
    try {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            gf_logLine(fmt::format("Could not open '{}'.", gf_pathToUtf8(path)));
            return {};
        }
        std::vector<std::string> lines;
        gf_readStreamLines(file, lines);
        if (lines.empty()) {
            gf_logLine(fmt::format("No license found in '{}'. File is empty.", gf_pathToUtf8(path)));
            return {};
        }
        return lf_licenseText(lines, path);
    } catch (const std::exception& error) {
        gf_logLine(fmt::format("No license found in '{}'. Problem: {}", gf_pathToUtf8(path), error.what()));
        return {};
    }
}

bool lf_writeLicenseFile(std::string_view text) {
    try {
        const nlohmann::json document = {{"License", text.empty() ? std::string(kTokenPlaceholder) : std::string(text)},
                                         {"Name", "unknown"}};
        // nlohmann keeps object keys sorted, which is the file's order ("License", "Name").
        return gf_writeTextFile(document.dump(), gf_paths().credentialFile, false);
    } catch (const std::exception&) {
        return false;
    }
}

std::string gf_findRtCredentials(CredentialPrompt& prompt, const std::optional<fs::path>& roamingFolder) {
    const fs::path& workingFile = gf_paths().credentialFile;
    std::optional<fs::path> insideSystemsFile;
    if (roamingFolder) {
        insideSystemsFile = *roamingFolder / gf_paths().serviceDataFolderName / workingFile;
    }

    if (lf_exists(workingFile) || lf_writeLicenseFile("")) {
        std::string text = lf_readLicenseFile(workingFile);
        if (!lf_isUsable(text)) {
            if (std::optional<std::string> typed = prompt.lf_promptForLicense();
                typed && !typed->empty() && lf_writeLicenseFile(*typed)) {
                text = std::move(*typed);
            }
        }
        if (lf_isUsable(text)) {
            gf_logLine(fmt::format("Your RealTraffic {} was taken from '{}'",
                                   gf_isApiToken(text) ? "API-token" : "license", gf_pathToUtf8(workingFile)));
            return text;
        }
    }
    const bool insideSystemsExists = insideSystemsFile && lf_exists(*insideSystemsFile);
    if (insideSystemsExists) {
        std::string text = lf_readLicenseFile(*insideSystemsFile);
        if (lf_isUsable(text)) {
            gf_logLine(fmt::format("Your RealTraffic {} was taken from '{}'",
                                   gf_isApiToken(text) ? "API-token" : "license", gf_pathToUtf8(*insideSystemsFile)));
            return text;
        }
    }
    const fs::path where = insideSystemsExists ? *insideSystemsFile : fs::path("VELT") / workingFile;
    throw UserRelatedException(kNoCredentialCode,
                               fmt::format("No valid RT license / API-token found. Place your new license in '{}'.",
                                           gf_pathToUtf8(where)));
}

std::string gf_findRtCredentials(CredentialPrompt& prompt) {
    return gf_findRtCredentials(prompt, platform::roamingAppDataPath());
}

} // namespace kiv
