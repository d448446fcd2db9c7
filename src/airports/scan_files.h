// The airport scan's work on one scenery file and on one airport in it: reading the file,
// walking its airport records, and linking or generating the airport's file in
// "airports/my_simaddon" or "airports/my_thirdparty". Used by the thread that runs the scan.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "airports/bgl_airport.h"
#include "foundation/icao_code.h"

namespace kiv {

struct AirportScanContext;
class BglWords;
class ScanReferenceTables;

// The file's bytes in whole 32-bit words (a last incomplete word dropped); none for a file
// shorter than one word or a short read.
std::vector<std::uint8_t> lf_readFileWords(std::istream& file);

// Reads one scenery file and links or generates a file for each of its airports that is a
// known airport and supported this week. Exceptions are logged and passed on.
void lf_processBGLfile(AirportScanContext& context, const std::filesystem::path& path);

// Links the airport record at word `index` to an archive file or generates its file.
void lf_readAirportSubrecords(AirportScanContext& context, std::size_t index, const BglWords& words, bool newerForm,
                              std::size_t sizeWords, const IcaoCode& icao, const std::filesystem::path& bglPath);

// True when a link file was written for the airport (its publisher is listed with it).
bool lf_outputBglAirport(AirportScanContext& context, BglAirport& airport);
// "archive/simaddon/CODE.enc" / "archive/thirdparty/P/CODE.enc" when listed, else a scan-log line.
std::optional<std::string> lf_linkSimaddon(const ScanReferenceTables& tables, const IcaoCode& icao);
std::optional<std::string> lf_linkThirdParty(const ScanReferenceTables& tables, const BglAirport& airport);
// Writes the airport's stands, sorted by id, into CODE.xml of its output folder.
void lf_generateAirportFile(BglAirport& airport, std::uint32_t helipads);

// Reports a file whose processing took a second or more, naming the phase it reached.
void lf_logSlowBglProcessing(const std::filesystem::path& path, std::chrono::steady_clock::time_point start,
                             std::string_view phase,
                             std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

// Calls lf_logSlowBglProcessing with the phase reached when it goes out of scope while armed.
class BglPhaseGuard {
public:
    BglPhaseGuard(const std::filesystem::path& path, std::string_view phase)
        : path_(path), phase_(phase), start_(std::chrono::steady_clock::now()) {}
    ~BglPhaseGuard();
    BglPhaseGuard(const BglPhaseGuard&) = delete;
    BglPhaseGuard& operator=(const BglPhaseGuard&) = delete;

    void phase(std::string_view phase) { phase_ = phase; }
    void disarm() { armed_ = false; }

private:
    const std::filesystem::path& path_;
    std::string_view phase_;
    std::chrono::steady_clock::time_point start_;
    bool armed_ = true;
};

} // namespace kiv
