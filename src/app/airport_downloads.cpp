#include "app/airport_downloads.h"

#include "app/file_download.h"
#include "app/update_check.h"

namespace kiv {

AirportFileDownloader gf_airportDownloadsOverServer() {
    AirportFileDownloader downloader;
    downloader.baseUrl = gf_downloadServerBase();
    downloader.download = [](std::string_view url, const std::filesystem::path& target, bool binary) {
        const CurlHandle handle = gf_makeCurlHandle();
        return gf_downloadFile(handle.get(), url, target, binary);
    };
    downloader.serverInMaintenance = [] { return gf_serverInMaintenance(); };
    return downloader;
}

void gf_installAirportDownloads() { gf_setAirportFileDownloader(gf_airportDownloadsOverServer()); }

} // namespace kiv
