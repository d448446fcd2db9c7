#include "airports/learned_save.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "airports/airport_file_apply.h"
#include "airports/airport_file_paths.h"
#include "airports/airport_file_writer.h"
#include "airports/airports_shell.h"
#include "airports/bgl_airport.h"
#include "airports/current_park_airport.h"
#include "airports/learned_airport_file.h"
#include "airports/park_settings_edit.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/gui_thread_changes.h"
#include "settings/parameters_file.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "settings/startup_checks.h"

namespace kiv {
namespace {

std::atomic<std::int32_t> learnedUpdateCount{0};

std::vector<Stand> keptStands(std::span<const Stand> stands, bool handmade) {
    std::vector<Stand> kept;
    kept.reserve(stands.size());
    for (const Stand& stand : stands) {
        Stand copy = stand;
        if (!handmade) {
            std::erase_if(copy.options,
                          [](const FlightOption& option) { return option.seq == 0 || option.fromFile == 1; });
            if (!copy.manual && copy.options.empty()) {
                continue;
            }
        }
        kept.push_back(std::move(copy));
    }
    return kept;
}

ParkKeys parkKeysNow() {
    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    ParkKeys keys;
    keys.parking_percentage = static_cast<std::uint32_t>(settings->parkingPercentage);
    keys.MAX_FIT = static_cast<std::uint32_t>(settings->maxFit);
    keys.RT_PARKTRAFFIC_ONLY = settings->rtParkTrafficOnly;
    keys.AUTO_PARK = settings->autoPark;
    keys.WEEK = settings->week;
    keys.PARK_SOFT = settings->parkSoft;
    return keys;
}

template <typename Parameter> void storeOnGuiThread(Parameter& parameter) {
    gf_runOnGuiThread([&parameter] { gf_storeParameter(parameter); });
}

void restoreBool(ParkSettingsEdit& edit, CheckBoxParameter& parameter, bool ParkSettingsHead::*field, bool recorded) {
    if (edit.values().*field != recorded) {
        edit.setBool(parameter, field, recorded);
        storeOnGuiThread(parameter);
    }
}

} // namespace

void gf_addLearnedUpdate() { learnedUpdateCount.fetch_add(1, std::memory_order_relaxed); }
std::int32_t gf_learnedUpdateCount() { return learnedUpdateCount.load(std::memory_order_relaxed); }
void gf_resetLearnedUpdateCount() { learnedUpdateCount.store(0, std::memory_order_relaxed); }
void gf_setLearnedUpdateCountForTesting(std::int32_t count) { learnedUpdateCount.store(count); }

void gf_saveLearned(std::span<const Stand> stands, bool handmade) {
    const KnownAirport park = gf_currentParkAirport();
    const AppliedAirportFile applied = gf_appliedAirportFile();
    if (park.icao.empty() || !applied.airportFileLoaded) {
        gf_logImportant("gf_saveLearned called without a loaded airport file");
        return;
    }
    BglAirport record;
    record.icao = park.icao;
    record.name = applied.info.airport_name;
    record.altitude = static_cast<std::int32_t>(applied.info.altitude);
    record.publisher = applied.info.publisher;
    record.stands = keptStands(stands, handmade);
    if (handmade) {
        const QualityFigures figures = gf_computeQualityFigures(record.stands);
        record.Qf_real = figures.Qf_real;
        record.Qf_soft = figures.Qf_soft;
    }
    // The same mapping as the read of the file, so that the copy is found again.
    const std::optional<std::filesystem::path> learned =
        gf_learnedAirportFilePath(gf_shortAirportFilePath(applied.info.requestedPath), applied.info.publisher);
    if (!learned) {
        gf_logImportant(
            fmt::format("cannot construct a safe learned path for publisher '{}'", applied.info.publisher));
        return;
    }
    const std::uint32_t sim = static_cast<std::uint32_t>(gf_trafficSource()->simulatorCode);
    const std::string pathText = gf_pathToUtf8(*learned);
    if (!gf_writeApf(record, *learned, kLearnedAirportFile, sim, handmade, parkKeysNow())) {
        gf_logLine(fmt::format("saving '{}' did not succeed", pathText));
    } else {
        const std::int32_t count = gf_learnedUpdateCount();
        gf_logLine(fmt::format("{} '{}' saved with {} update{}", handmade ? " handmade" : "", pathText, count,
                               count == 1 || count < 0 ? "" : "s"));
    }
    learnedUpdateCount.store(0);
}

void gf_applyParkSettings() {
    const AppliedAirportFile applied = gf_appliedAirportFile();
    // Without an applied file nothing was recorded to go back to.
    if (!applied.airportFileLoaded) {
        return;
    }
    const ParkSettingsHead recorded = applied.info.parkSettingsAtLoad;
    ParkSettingsEdit edit;
    if (edit.values().MAX_FIT != recorded.MAX_FIT) {
        edit.setInt(param::MAX_FIT, &ParkSettingsHead::MAX_FIT, recorded.MAX_FIT);
        storeOnGuiThread(param::MAX_FIT);
        gf_runOnGuiThread([] { gf_syncMaxFitList(); });
    }
    if (edit.values().parking_percentage != recorded.parking_percentage) {
        edit.setInt(param::parking_percentage, &ParkSettingsHead::parking_percentage, recorded.parking_percentage);
        storeOnGuiThread(static_cast<IntParameter&>(param::parking_percentage));
        gf_runOnGuiThread([] { param::parking_percentage.selectValue(); });
    }
    restoreBool(edit, param::RT_PARKTRAFFIC_ONLY, &ParkSettingsHead::RT_PARKTRAFFIC_ONLY, recorded.RT_PARKTRAFFIC_ONLY);
    restoreBool(edit, param::AUTO_PARK, &ParkSettingsHead::AUTO_PARK, recorded.AUTO_PARK);
    restoreBool(edit, param::PARK_SOFT, &ParkSettingsHead::PARK_SOFT, recorded.PARK_SOFT);
    restoreBool(edit, param::WEEK, &ParkSettingsHead::WEEK, recorded.WEEK);
    edit.publish();
    AirportsShell& shell = gf_airportsShell();
    shell.updateControlsForRtParkedOnly();
    shell.updateControlsForAutoPark();
    const bool enableMaxFit = edit.values().RT_PARKTRAFFIC_ONLY || !edit.values().AUTO_PARK;
    gf_runOnGuiThread([enableMaxFit] {
        if (param::MAX_FIT_FL.hasLiveWindow()) {
            param::MAX_FIT_FL.window->setEnabled(enableMaxFit);
        }
    });
}

void lf_setIntClamped(IntParameter& parameter, std::int32_t value) {
    const std::int32_t clamped = std::clamp(value, parameter.min, parameter.max);
    gf_runOnGuiThread([&parameter, clamped] { parameter.value = clamped; });
}

void lf_setBoolAndCheck(CheckBoxParameter& parameter, bool value) {
    gf_runOnGuiThread([&parameter, value] {
        parameter.value = value;
        if (parameter.hasLiveWindow()) {
            parameter.window->setChecked(value);
        }
    });
}

std::string lf_formatQuality(std::int32_t Qf_real, std::int32_t Qf_soft) {
    if (Qf_real >= 35) {
        return fmt::format("{:2}", Qf_real);
    }
    if (Qf_real <= 0 && Qf_soft <= 0) {
        return "  ";
    }
    return fmt::format("{:2}/{:2}", Qf_real, Qf_soft);
}

} // namespace kiv
