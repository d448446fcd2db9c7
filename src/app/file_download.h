// The one download routine for everything fetched from the maker's download server: the
// transfer goes into a temporary file beside the target, which replaces the target only when
// the whole transfer (and the caller's check of it) succeeded. Runs on the calling thread with
// a handle of its own; a stop request ends a running transfer.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <curl/curl.h>

namespace kiv {

inline constexpr std::string_view kDownloadSuffix = ".download_tmp";

struct CurlCleanup {
    void operator()(CURL* handle) const noexcept;
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;

// A fresh easy handle (libcurl started once per process); empty when libcurl cannot make one.
CurlHandle gf_makeCurlHandle();

// Looks at the complete temporary file before it replaces the target; false keeps the old
// target (the check logs why).
using DownloadCheck = std::function<bool(const std::filesystem::path& temporary)>;

// True when the target now holds the complete downloaded file. `binary` chooses how the
// temporary file is written. HTTP errors, a stalled or cut transfer and a stop request all
// give false, the old target untouched and no temporary file left.
bool gf_downloadFile(CURL* handle, std::string_view url, const std::filesystem::path& target, bool binary,
                     const DownloadCheck& check = {});

// Downloads "<server base>input/<fileName>" into `target` with a handle of its own and logs
// the outcome.
bool gf_downloadDataFile(std::string_view fileName, const std::filesystem::path& target,
                         const DownloadCheck& check = {});

// The server base address (the DOWNLOAD_SERVER setting), always ending with "/".
std::string gf_downloadServerBase();

// Tests: seconds below 1 byte/s after which a transfer is given up (0 restores 30).
void gf_setDownloadStallSecondsForTesting(long seconds);

} // namespace kiv
