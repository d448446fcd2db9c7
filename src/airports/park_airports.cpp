#include "airports/park_airports.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <mutex>
#include <system_error>

#include <fmt/format.h>

#include "airports/airports_shell.h"
#include "airports/current_park_airport.h"
#include "airports/destination_airport_files.h"
#include "airports/known_airports.h"
#include "airports/airport_file_paths.h"
#include "foundation/clock.h"
#include "foundation/geodesy.h"
#include "foundation/line_files.h"
#include "foundation/log.h"
#include "foundation/program_paths.h"
#include "foundation/string_helpers.h"
#include "foundation/text_conversion.h"
#include "settings/settings_snapshot.h"

namespace kiv {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kFileName = "my_park_airports.txt";
constexpr double kInitialRadiusNm = 4.0;
constexpr std::size_t kManyParkAirports = 3000;

struct ParkList {
    std::mutex mutex;
    std::deque<ParkAirport> list;
    std::vector<std::string> preserved;
    bool readCompleted = false;
    bool fileExisted = false;
    double referenceLatitude = 0.0;
    double referenceLongitude = 0.0;
    double radiusNm = kInitialRadiusNm;
};

ParkList& parkList() {
    static ParkList state;
    return state;
}

fs::path parkAirportsFile() { return gf_paths().airportsFolder / kFileName; }

bool sameAirport(const ParkAirport& entry, const IcaoCode& icao) {
    return entry.icao.key() == icao.key() && entry.icao.text() == icao.text();
}

std::string_view plural(std::size_t count) { return count == 1 ? "" : "s"; }

double degreesCos(double latitude) { return std::cos(latitude * 0.017453292519943295); }

// Flat distance squared in NM² with the cosine of the user's latitude.
double flatSquared(const Lalo& user, double latitude, double longitude) {
    const double north = (user.latitude - latitude) * 60.0;
    const double east = degreesCos(user.latitude) * (user.longitude - longitude) * 60.0;
    return north * north + east * east;
}

void resetSelection(ParkList& state) {
    state.referenceLatitude = 0.0;
    state.referenceLongitude = 0.0;
    state.radiusNm = kInitialRadiusNm;
}

// Moves the entry at `index` to the front, the entries before it shifting back by one.
void rotateToFront(std::deque<ParkAirport>& list, std::size_t index) {
    std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(index),
                list.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

std::optional<std::size_t> findEntry(const std::deque<ParkAirport>& list, const IcaoCode& icao) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sameAirport(list[i], icao)) {
            return i;
        }
    }
    return std::nullopt;
}

void addThirdpartyAirports(std::deque<ParkAirport>& list) {
    const fs::path& folder = gf_paths().userThirdpartyAirports;
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        return;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) {
            continue;
        }
        const std::optional<IcaoCode> icao = IcaoCode::tryParse(entry.path().stem().string());
        if (!icao || entry.path().stem().string().size() != 4 || findEntry(list, *icao)) {
            continue;
        }
        if (const std::optional<KnownAirport> known = gf_findKnownAirport(*icao)) {
            list.push_back(ParkAirport{"", known->latitude, known->longitude, *icao});
        }
    }
}

struct ReadLines {
    std::vector<std::string> lines;
    bool existed = false;
};

std::optional<ReadLines> readFileLines(const fs::path& path) {
    const std::string pathText = gf_pathToUtf8(path);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory) {
        gf_logImportant(fmt::format("Could not check '{}': {}", pathText, error.message()));
        return std::nullopt;
    }
    ReadLines read;
    if (!fs::exists(status)) {
        gf_logLine(fmt::format("No saved park airports file: '{}'", pathText));
        return read;
    }
    read.existed = true;
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        gf_logImportant(fmt::format("Could not open '{}'", pathText));
        return std::nullopt;
    }
    const std::optional<std::string> text = gf_readWholeStream(stream);
    if (!text) {
        gf_logImportant(fmt::format("Could not read '{}'", pathText));
        return std::nullopt;
    }
    gf_splitLines(*text, read.lines);
    return read;
}

void readParkAirports() {
    {
        const std::lock_guard lock(parkList().mutex);
        parkList().readCompleted = false;
    }
    const std::optional<ReadLines> read = readFileLines(parkAirportsFile());
    if (!read) {
        return;
    }
    std::deque<ParkAirport> list;
    std::vector<std::string> preserved;
    for (const std::string& line : read->lines) {
        ParkLine parsed = lf_parseParkAirportLine(line);
        switch (parsed.problem) {
        case ParkLineProblem::none:
            list.push_back(std::move(*parsed.entry));
            continue;
        case ParkLineProblem::invalidCode:
            gf_logImportant(fmt::format("{}:{} invalid ICAO code, preserved", kFileName, line));
            break;
        case ParkLineProblem::unknownAirport:
            gf_airportsShell().showMessage(fmt::format("airport {} is unknown", gf_split(line, ',').front()), true);
            break;
        case ParkLineProblem::wrongSyntax:
            gf_logImportant(fmt::format("{}:{} wrong syntax, preserved", kFileName, line));
            break;
        case ParkLineProblem::empty:
            break;
        }
        preserved.push_back(line);
    }
    lf_mergeDuplicateParkAirports(list);
    const std::size_t countRead = list.size();
    addThirdpartyAirports(list);
    lf_mergeDuplicateParkAirports(list);
    const std::size_t added = list.size() - countRead;
    if (read->existed) {
        gf_logLine(fmt::format("\n{:5} park airport{} read from '{}'", countRead, plural(countRead), kFileName));
    }
    if (added > 0) {
        gf_logLine(fmt::format("{:5} park airport{} added from '{}'", added, plural(added),
                               gf_pathToUtf8(gf_paths().userThirdpartyAirports)));
    }
    if (!list.empty()) {
        gf_logLine(fmt::format("{:5} park airport{} available in total", list.size(), plural(list.size())));
    }
    if (list.size() > kManyParkAirports) {
        gf_airportsShell().showMessage(
            fmt::format("Warning: There are a lot of park airports ({}), that will cost VELT much cpu time and may "
                        "cause stutters",
                        list.size()),
            true);
    }
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    state.list = std::move(list);
    state.preserved = std::move(preserved);
    state.fileExisted = read->existed;
    state.readCompleted = true;
    resetSelection(state);
}

void makeParkAirport(const KnownAirport& airport) {
    gf_setCurrentParkAirport(airport);
    gf_logLineFlush(fmt::format("\nThe park airport is {}", airport.icao.text()));
    gf_airportsShell().postParkAirport(airport.icao);
}

} // namespace

ParkLine lf_parseParkAirportLine(std::string_view line) {
    const std::vector<std::string> pieces = gf_split(line, ',');
    ParkLine parsed;
    if (pieces.empty()) {
        parsed.problem = ParkLineProblem::empty;
        return parsed;
    }
    const std::optional<IcaoCode> icao = IcaoCode::tryParse(pieces[0]);
    if (!icao) {
        parsed.problem = ParkLineProblem::invalidCode;
        return parsed;
    }
    const std::optional<KnownAirport> known = gf_findKnownAirport(*icao);
    if (!known) {
        parsed.problem = ParkLineProblem::unknownAirport;
        return parsed;
    }
    if (pieces.size() >= 3) {
        parsed.problem = ParkLineProblem::wrongSyntax;
        return parsed;
    }
    parsed.entry = ParkAirport{pieces.size() == 2 ? pieces[1] : std::string(), known->latitude, known->longitude, *icao};
    return parsed;
}

void lf_mergeDuplicateParkAirports(std::deque<ParkAirport>& list) {
    if (list.size() < 2) {
        return;
    }
    std::deque<ParkAirport> merged;
    for (ParkAirport& entry : list) {
        const std::optional<std::size_t> kept = findEntry(merged, entry.icao);
        if (!kept) {
            merged.push_back(std::move(entry));
            continue;
        }
        ParkAirport& first = merged[*kept];
        if (first.stand.empty() && !entry.stand.empty()) {
            first.stand = std::move(entry.stand);
            first.latitude = entry.latitude;
            first.longitude = entry.longitude;
        }
    }
    list = std::move(merged);
}

void gf_readMyParkAirportsFile() {
    try {
        readParkAirports();
    } catch (const std::exception& e) {
        gf_logImportant(fmt::format("{}: {}", "gf_readMyParkAirportsFile", e.what()));
    }
}

void gf_saveMyParkAirportsFile() {
    std::deque<ParkAirport> list;
    std::vector<std::string> preserved;
    bool existed = false;
    {
        ParkList& state = parkList();
        const std::lock_guard lock(state.mutex);
        if (!state.readCompleted) {
            gf_logLine("Park airports file not saved: reading was not completed");
            return;
        }
        list = state.list;
        preserved = state.preserved;
        existed = state.fileExisted;
        state.readCompleted = false;
    }
    const fs::path path = parkAirportsFile();
    if (list.empty() && preserved.empty()) {
        if (existed) {
            gf_logLine(fmt::format("Park airports file left unchanged: '{}'", gf_pathToUtf8(path)));
        }
        return;
    }
    lf_mergeDuplicateParkAirports(list);
    std::vector<std::string> lines;
    lines.reserve(list.size() + preserved.size());
    for (const ParkAirport& entry : list) {
        std::string line(entry.icao.text());
        if (!entry.stand.empty()) {
            line += "," + entry.stand;
        }
        lines.push_back(std::move(line));
    }
    std::sort(lines.begin(), lines.end());
    lines.insert(lines.end(), preserved.begin(), preserved.end());
    if (!gf_writeLinesToFile(lines, path)) {
        gf_logImportant(fmt::format("Could not write '{}'", gf_pathToUtf8(path)));
    }
}

void gf_selectNearestParkAirport(const Lalo& position) {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    if (state.list.empty()) {
        return;
    }
    const double c = degreesCos(position.latitude);
    if (state.referenceLatitude != 0.0 || state.referenceLongitude != 0.0) {
        const double east = (state.referenceLongitude - position.longitude) * c * 60.0;
        const double north = (state.referenceLatitude - position.latitude) * 60.0;
        if (state.radiusNm * state.radiusNm > east * east + north * north) {
            return;
        }
    }
    state.referenceLatitude = position.latitude;
    state.referenceLongitude = position.longitude;
    std::optional<std::size_t> nearest;
    double best = 0.0;
    for (std::size_t i = 0; i < state.list.size(); ++i) {
        const ParkAirport& entry = state.list[i];
        if (entry.latitude == 0.0 && entry.longitude == 0.0) {
            continue;
        }
        const double north = (entry.latitude - position.latitude) * 60.0;
        const double east = (entry.longitude - position.longitude) * c * 60.0;
        const double squared = north * north + east * east;
        if (!nearest || squared < best) {
            nearest = i;
            best = squared;
        }
    }
    if (nearest && *nearest != 0) {
        std::swap(state.list[0], state.list[*nearest]);
    }
    const ParkAirport& front = state.list.front();
    state.radiusNm = std::max(kInitialRadiusNm, gf_distanceNm(Lalo{front.latitude, front.longitude}, position) / 2.0);
}

bool lf_isWithinReach(const Lalo& user, const Lalo& airport) {
    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    if (gf_parkingNeighbours().userHeightAboveGroundFt() > static_cast<double>(settings->airpHeight)) {
        return false;
    }
    const double range = static_cast<double>(settings->airpRange);
    return flatSquared(user, airport.latitude, airport.longitude) <= range * range;
}

std::string gf_formatUserOnGround(const IcaoCode& icao) {
    return fmt::format("User aircraft on the ground at {}", icao.text());
}

void gf_parkAirportOnGround(const Lalo& position) {
    ParkingNeighbours& neighbours = gf_parkingNeighbours();
    AirportsShell& shell = gf_airportsShell();
    if (neighbours.userOnGround()) {
        const std::optional<KnownAirport> nearest = gf_findNearestAirport(position, gf_readDestApfForClosestStand);
        if (!nearest) {
            shell.showMessage("User aircraft on the ground, no RT supported airport within reach", true);
            return;
        }
        if (!gf_airportFileExists(nearest->icao)) {
            shell.showMessage(gf_formatUserOnGround(nearest->icao) + ", no airport file found", true);
            return;
        }
        gf_logLine(gf_formatUserOnGround(nearest->icao));
        makeParkAirport(*nearest);
        neighbours.requestParkingRegeneration();
        neighbours.disableParkingControls();
        neighbours.clearReceivedTraffic();
        return;
    }
    const std::optional<ParkAirport> front = lf_frontParkAirport();
    if (!front || !lf_isWithinReach(position, Lalo{front->latitude, front->longitude})) {
        return;
    }
    const std::optional<KnownAirport> known = gf_findKnownAirport(front->icao);
    if (!known) {
        shell.postParkAirport(std::nullopt);
        return;
    }
    makeParkAirport(*known);
    if (!gf_isRTDirect()) {
        neighbours.requestRTAppParkedTraffic();
    }
    shell.showMessage(fmt::format("{} within reach", known->icao.text()), true);
    neighbours.requestParkingRegeneration();
    neighbours.disableParkingControls();
    neighbours.clearReceivedTraffic();
    gf_flushLog();
}

void gf_checkParkAirportReach(const Lalo& position) {
    if (gf_parkingNeighbours().userOnGround()) {
        return;
    }
    const KnownAirport inUse = gf_currentParkAirport();
    const Lalo inUsePosition{inUse.latitude, inUse.longitude};
    if (!lf_isWithinReach(position, inUsePosition)) {
        gf_logLineFlush(fmt::format("\n{} {} is no longer within reach, parked aircraft will be removed",
                                    gf_dataTimeText(), inUse.codes()));
        gf_parkingNeighbours().clearParking();
        return;
    }
    const std::optional<ParkAirport> front = lf_frontParkAirport();
    if (!front || sameAirport(*front, inUse.icao)) {
        return;
    }
    const Lalo frontPosition{front->latitude, front->longitude};
    if (!lf_isWithinReach(position, frontPosition)) {
        return;
    }
    const bool flatNoFarther = flatSquared(position, front->latitude, front->longitude) <=
                               flatSquared(position, inUse.latitude, inUse.longitude);
    const bool greatCircleNoFarther =
        gf_distanceNm(frontPosition, position) <= gf_distanceNm(inUsePosition, position);
    if (flatNoFarther && greatCircleNoFarther) {
        gf_logLineFlush(fmt::format("\n{} {} is within reach, parked aircraft at {} will be removed first",
                                    gf_dataTimeText(), front->icao.text(), inUse.codes()));
        gf_parkingNeighbours().clearParking();
    }
}

std::optional<ParkAirport> lf_frontParkAirport() {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    if (state.list.empty()) {
        return std::nullopt;
    }
    return state.list.front();
}

std::optional<std::string> gf_currentParkAirportStand() {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    if (state.list.empty() || state.list.front().stand.empty()) {
        return std::nullopt;
    }
    return state.list.front().stand;
}

std::optional<std::string> gf_parkAirportStand(const IcaoCode& icao) {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    const std::optional<std::size_t> index = findEntry(state.list, icao);
    if (!index || state.list[*index].stand.empty()) {
        return std::nullopt;
    }
    return state.list[*index].stand;
}

void gf_moveParkAirportToFront(const IcaoCode& icao, const Lalo& position) {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    if (const std::optional<std::size_t> index = findEntry(state.list, icao)) {
        state.list[*index].latitude = position.latitude;
        state.list[*index].longitude = position.longitude;
        rotateToFront(state.list, *index);
    } else {
        state.list.push_front(ParkAirport{"", position.latitude, position.longitude, icao});
    }
    resetSelection(state);
}

void gf_setParkAirportStand(const IcaoCode& icao, const Lalo& position, std::string stand) {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    if (const std::optional<std::size_t> index = findEntry(state.list, icao)) {
        ParkAirport& entry = state.list[*index];
        entry.latitude = position.latitude;
        entry.longitude = position.longitude;
        entry.stand = std::move(stand);
        rotateToFront(state.list, *index);
    } else {
        state.list.push_front(ParkAirport{std::move(stand), position.latitude, position.longitude, icao});
    }
    resetSelection(state);
}

bool gf_updateCurrentParkAirportStand(const IcaoCode& icao, std::string stand) {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    if (state.list.empty() || !sameAirport(state.list.front(), icao)) {
        return false;
    }
    state.list.front().stand = std::move(stand);
    return true;
}

bool gf_reserveParkAirportStand(const IcaoCode& icao, std::string stand) {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    const std::optional<std::size_t> index = findEntry(state.list, icao);
    if (!index) {
        return false;
    }
    state.list[*index].stand = std::move(stand);
    return true;
}

std::vector<ParkAirport> gf_parkAirportsForTesting() {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    return {state.list.begin(), state.list.end()};
}

void gf_resetParkAirportsForTesting() {
    ParkList& state = parkList();
    const std::lock_guard lock(state.mutex);
    state.list.clear();
    state.preserved.clear();
    state.readCompleted = false;
    state.fileExisted = false;
    resetSelection(state);
}

} // namespace kiv
