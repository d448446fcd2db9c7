#include "airports/scan_files.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>
#include <variant>

#include <fmt/format.h>

#include "airports/airport_file_writer.h"
#include "airports/bgl_format.h"
#include "airports/bgl_reader.h"
#include "airports/bgl_records.h"
#include "airports/scan_context.h"
#include "airports/scan_log.h"
#include "airports/scan_reference_tables.h"
#include "airports/scan_shell.h"
#include "foundation/file_helpers.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/text_conversion.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

// The airport code field lies at +40; a shorter airport record holds none.
constexpr std::uint64_t kAirportCodeEnd = 44;

void postCounts(ScanShell& shell, bool simaddon) {
    if (simaddon) {
        shell.postSimaddonCount(gf_countFiles(gf_paths().userSimaddonAirports, ""));
    }
    shell.postThirdPartyCount(gf_countFiles(gf_paths().userThirdpartyAirports, ""));
}

// The link file of the airport in `folder`; false (and a problem line) when it was not written.
bool writeLink(const fs::path& folder, const IcaoCode& icao, const std::string& link) {
    const fs::path path = folder / (std::string(icao.text()) + ".txt");
    if (gf_writeTextFile(link, path, false)) {
        return true;
    }
    gf_appendScanLog(fmt::format("{}Writing {} did not succeed", kScanProblemPrefix, gf_pathToUtf8(path)));
    return false;
}

void processRecords(AirportScanContext& context, const fs::path& path, const std::vector<std::uint8_t>& bytes,
                    const std::vector<BglRecordRef>& records) {
    const BglWords words(bytes);
    for (const BglRecordRef& record : records) {
        if (record.id != bgl::kAirportRecord && record.id != bgl::kAirportRecordNew) {
            continue;
        }
        const std::size_t index = record.offset / 4;
        if (record.size < kAirportCodeEnd || index + bgl::kAirportCodeWord >= words.size()) {
            gf_logImportant(fmt::format("Airport record at byte {} is too small to contain an ICAO", record.offset));
            continue;
        }
        const IcaoDecodeResult code = lf_decodeIcao(words.at(index + bgl::kAirportCodeWord).u32(), context.tables);
        if (!code.isOk) {
            continue;
        }
        const IcaoCode icao(code.text);
        if (!context.tables.isWeeklyTrafficAirport(icao)) {
            continue;
        }
        lf_readAirportSubrecords(context, index, words, record.id == bgl::kAirportRecordNew, record.size / 4, icao,
                                 path);
    }
}

} // namespace

std::vector<std::uint8_t> lf_readFileWords(std::istream& file) {
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 4) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) / 4 * 4);
    file.seekg(0, std::ios::beg);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        return {};
    }
    return bytes;
}

void lf_processBGLfile(AirportScanContext& context, const fs::path& path) {
    BglPhaseGuard guard(path, "opening");
    try {
        std::ifstream file(path, std::ios::binary);
        if (!file.is_open()) {
            return;
        }
        guard.phase("reading");
        const std::vector<std::uint8_t> bytes = lf_readFileWords(file);
        if (bytes.empty()) {
            guard.phase("empty");
            return;
        }
        guard.phase("enumerating");
        const BglWalkResult walked = lf_walkBglFile(bytes);
        if (const auto* error = std::get_if<BglError>(&walked)) {
            guard.phase("parse error");
            if (error->code > 1) {
                gf_logImportant(fmt::format("BGL airport section parse error at byte {} in '{}': {}", error->offset,
                                            gf_pathToUtf8(path), error->message));
            }
            return;
        }
        guard.phase("processing records");
        processRecords(context, path, bytes, std::get<std::vector<BglRecordRef>>(walked));
        guard.phase("complete");
    } catch (const std::exception& e) {
        gf_logImportant(
            fmt::format("Exception in lf_processBGLfile (std::ex): {} \xE2\x80\x94 {}", gf_pathToUtf8(path), e.what()));
        throw;
    } catch (...) {
        gf_logImportant(fmt::format("Exception in lf_processBGLfile: {}", gf_pathToUtf8(path)));
        throw;
    }
}

void lf_readAirportSubrecords(AirportScanContext& context, std::size_t index, const BglWords& words, bool newerForm,
                              std::size_t sizeWords, const IcaoCode& icao, const fs::path& bglPath) {
    BglAirport airport;
    airport.icao = icao;
    airport.bglPath = bglPath;
    airport.bglPathText = gf_pathToUtf8(bglPath);
    if (lf_outputBglAirport(context, airport)) {
        postCounts(context.shell, true);
        return;
    }
    BglAirportBasics basics = lf_readBglAirport(words, index, sizeWords, newerForm);
    airport.name = std::move(basics.name);
    airport.altitude = basics.altitudeFt;
    const std::uint32_t helipads = lf_readAirportStands(words, index, sizeWords, newerForm, airport);
    if (!airport.stands.empty()) {
        lf_generateAirportFile(airport, helipads);
        postCounts(context.shell, false);
    }
}

bool lf_outputBglAirport(AirportScanContext& context, BglAirport& airport) {
    if (airport.publisher.empty() && (!context.tables.publisherFromFileName(airport) || airport.publisher.empty())) {
        return false;
    }
    if (airport.publisher == "simaddon") {
        const std::optional<std::string> link = lf_linkSimaddon(context.tables, airport.icao);
        if (!link || !writeLink(gf_paths().userSimaddonAirports, airport.icao, *link)) {
            return false;
        }
        gf_appendScanLog(fmt::format("{} airport {} linked to {}\n", "simaddon", airport.icao.text(), *link));
        return true;
    }
    const std::optional<std::string> link = lf_linkThirdParty(context.tables, airport);
    if (!link || !writeLink(gf_paths().userThirdpartyAirports, airport.icao, *link)) {
        return false;
    }
    gf_appendScanLog(fmt::format("thirdparty airport {} linked to {}\n", airport.icao.text(), *link));
    return true;
}

std::optional<std::string> lf_linkSimaddon(const ScanReferenceTables& tables, const IcaoCode& icao) {
    if (!tables.isSimaddonAirport(icao.text())) {
        gf_appendScanLog(fmt::format("{} does not exist as simaddon", icao.text()));
        return std::nullopt;
    }
    return fmt::format("archive/simaddon/{}.enc", icao.text());
}

std::optional<std::string> lf_linkThirdParty(const ScanReferenceTables& tables, const BglAirport& airport) {
    if (!tables.isThirdPartyAirport(airport.publisher, airport.icao.text())) {
        gf_appendScanLog(fmt::format("thirdparty {} {} does not exist", airport.publisher, airport.icao.text()));
        return std::nullopt;
    }
    std::string folder;
    for (const char c : airport.publisher) {
        folder += c == ' ' ? std::string("%20") : std::string(1, c);
    }
    return fmt::format("archive/thirdparty/{}/{}.enc", folder, airport.icao.text());
}

void lf_generateAirportFile(BglAirport& airport, std::uint32_t helipads) {
    const fs::path& folder =
        airport.publisher == "simaddon" ? gf_paths().userSimaddonAirports : gf_paths().userThirdpartyAirports;
    const std::string fileName = std::string(airport.icao.text()) + ".xml";
    const std::size_t count = airport.stands.size();
    const std::string helipadText =
        helipads == 0 ? std::string() : fmt::format(" of which {} helipad{}", helipads, helipads > 1 ? "s" : "");
    gf_appendScanLog(fmt::format("Generated {}: {} position{}{}", fileName, count, count == 1 ? "" : "s", helipadText));
    std::sort(airport.stands.begin(), airport.stands.end(), [](const Stand& a, const Stand& b) { return a.id < b.id; });
    fs::create_directories(folder);
    const fs::path path = folder / fileName;
    const auto simulator = static_cast<std::uint32_t>(gf_trafficSource()->simulatorCode);
    if (!gf_writeApf(airport, path, kGeneratedAirportFile, simulator, false, std::nullopt)) {
        gf_appendScanLog(fmt::format("{}Writing {} did not succeed", kScanProblemPrefix, gf_pathToUtf8(path)));
    }
}

void lf_logSlowBglProcessing(const fs::path& path, std::chrono::steady_clock::time_point start, std::string_view phase,
                             std::chrono::steady_clock::time_point now) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start).count();
    if (elapsed < 1'000'000'000) {
        return;
    }
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    const std::string sizeText = error ? std::string("unknown size") : fmt::format("{} bytes", size);
    gf_logImportant(fmt::format("Slow BGL processing: {:.2f} s, {}, phase {}, file '{}'", elapsed / 1e9, sizeText,
                                phase, gf_pathToUtf8(path)));
}

BglPhaseGuard::~BglPhaseGuard() {
    if (!armed_) {
        return;
    }
    try {
        lf_logSlowBglProcessing(path_, start_, phase_);
    } catch (...) {
        // A report about timing must not end the scan.
    }
}

} // namespace kiv
