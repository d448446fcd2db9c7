// The user's service credential (a licence key, or an API token beginning "rt_"): found in
// "RealTraffic.lic" in the working folder or in the service application's folder, or asked of
// the user, and written back to the working-folder file. The text never goes to the log or
// into an error text. Runs on the main worker during start-up.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "feeds/credential_prompt.h"

namespace kiv {

inline constexpr std::string_view kLicensePlaceholder = "fill in your license here";
inline constexpr std::string_view kTokenPlaceholder = "fill in your API-token here";

// True for a credential that is an API token rather than a licence key.
bool gf_isApiToken(std::string_view credential);

// The credential in force, or UserRelatedException 899 telling where to put one. `roamingFolder`
// is the user's roaming application-data folder (none: only the working folder is looked at).
// A failing file-status query throws std::filesystem::filesystem_error.
std::string gf_findRtCredentials(CredentialPrompt& prompt, const std::optional<std::filesystem::path>& roamingFolder);
// The same with the user's own roaming folder.
std::string gf_findRtCredentials(CredentialPrompt& prompt);

// The "License" text of a credential file, or "" after logging why there is none.
std::string lf_readLicenseFile(const std::filesystem::path& path);
// Writes the working-folder file with the text (the placeholder when it is empty).
bool lf_writeLicenseFile(std::string_view text);

} // namespace kiv
