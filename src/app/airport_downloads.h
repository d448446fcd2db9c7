// The airports' archive downloads over the program's own download: the server base from the
// DOWNLOAD_SERVER setting, each transfer through libcurl into the temporary file the airports
// side names, and the update check's maintenance flag. Installed once the settings are read;
// any thread may use the installed downloader.
#pragma once

#include "airports/airport_file_read.h"

namespace kiv {

// The downloader over gf_downloadFile with the current server base.
AirportFileDownloader gf_airportDownloadsOverServer();

// Installs it for the airports side (again after every reading of the settings, so that a
// changed DOWNLOAD_SERVER takes effect at a restart).
void gf_installAirportDownloads();

} // namespace kiv
