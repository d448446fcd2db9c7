#include "app/file_download.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/stop_request.h"
#include "foundation/temp_file_guard.h"
#include "foundation/text_conversion.h"
#include "platform/atomic_file_replace.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kLowSpeedLimitBytes = 1;
constexpr long kLowSpeedSeconds = 30;

std::atomic<long> stallSecondsForTesting{0};

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

std::size_t lf_curlWrite(char* data, std::size_t size, std::size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

// Ties every transfer to the program's run: libcurl aborts once this returns non-zero.
int lf_curlProgress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return gf_isRunning() ? 0 : 1; }

// Sets the options in order; false at the first one libcurl refuses.
bool lf_configure(CURL* handle, const std::string& url, std::FILE* file) {
    const long stallSeconds = stallSecondsForTesting.load();
    return curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_USERAGENT, "VELT") == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &lf_curlWrite) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_WRITEDATA, file) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedLimitBytes) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallSeconds > 0 ? stallSeconds : kLowSpeedSeconds) ==
               CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &lf_curlProgress) == CURLE_OK &&
           curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
}

bool lf_transfer(CURL* handle, const std::string& url, const std::filesystem::path& target, bool binary,
                 const DownloadCheck& check) {
    std::filesystem::path temporary = target;
    temporary += kDownloadSuffix;
    std::error_code error;
    std::filesystem::remove(temporary, error);
    if (error) {
        gf_logImportant(fmt::format("Could not remove stale temporary download '{}': {}", gf_pathToUtf8(temporary),
                                    error.message()));
        return false;
    }
    TempFileGuard guard(temporary);
    FilePointer file(std::fopen(temporary.c_str(), binary ? "wb" : "w"));
    if (!file) {
        gf_logLine(fmt::format("Could not open temporary download file: {}", gf_pathToUtf8(temporary)));
        return false;
    }
    if (!lf_configure(handle, url, file.get())) {
        gf_logImportant(fmt::format("Could not configure download for '{}'", url));
        return false;
    }
    if (curl_easy_perform(handle) != CURLE_OK) {
        return false; // the callers report a failed transfer
    }
    if (std::fflush(file.get()) != 0) {
        gf_logImportant(fmt::format("Could not flush temporary download file '{}'", gf_pathToUtf8(temporary)));
        return false;
    }
    if (std::fclose(file.release()) != 0) {
        gf_logImportant(fmt::format("Could not close temporary download file '{}'", gf_pathToUtf8(temporary)));
        return false;
    }
    if (check && !check(temporary)) {
        return false;
    }
    error = platform::replaceFileDurably(temporary, target);
    if (error) {
        gf_logImportant(
            fmt::format("Could not replace downloaded file '{}': {}", gf_pathToUtf8(target), error.message()));
        return false;
    }
    guard.disarm();
    return true;
}

} // namespace

void CurlCleanup::operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }

CurlHandle gf_makeCurlHandle() {
    static std::once_flag started;
    std::call_once(started, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return CurlHandle(curl_easy_init());
}

bool gf_downloadFile(CURL* handle, std::string_view url, const std::filesystem::path& target, bool binary,
                     const DownloadCheck& check) {
    if (handle == nullptr) {
        return false;
    }
    try {
        return lf_transfer(handle, std::string(url), target, binary, check);
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("Downloader exception: '{}', {} => {}", e.what(), url, gf_pathToUtf8(target)));
        return false;
    }
}

bool gf_downloadDataFile(std::string_view fileName, const std::filesystem::path& target, const DownloadCheck& check) {
    const CurlHandle handle = gf_makeCurlHandle();
    const std::string url = fmt::format("{}input/{}", gf_downloadServerBase(), fileName);
    const bool downloaded = gf_downloadFile(handle.get(), url, target, true, check);
    if (downloaded) {
        gf_logLine(fmt::format("Downloaded '{}' to '{}'", url, gf_pathToUtf8(target)));
    } else {
        gf_logImportant(fmt::format("Downloading '{}' failed!", url));
    }
    return downloaded;
}

std::string gf_downloadServerBase() {
    std::string base = param::DOWNLOAD_SERVER.value;
    if (base.empty() || base.back() != '/') {
        base += '/';
    }
    return base;
}

void gf_setDownloadStallSecondsForTesting(long seconds) { stallSecondsForTesting.store(seconds); }

} // namespace kiv
