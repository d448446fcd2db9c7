#include "airports/airport_file_apply.h"

#include <algorithm>
#include <mutex>

#include <fmt/format.h>

#include "airports/airports_shell.h"
#include "airports/current_park_airport.h"
#include "airports/learned_save.h"
#include "airports/park_settings_edit.h"
#include "foundation/log.h"
#include "foundation/text_conversion.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "settings/startup_checks.h"

namespace kiv {
namespace {

constexpr std::int32_t kVeryLowQuality = 16;

std::mutex appliedMutex;
AppliedAirportFile& applied() {
    static AppliedAirportFile state;
    return state;
}

void logKey(std::string_view key, const auto& value) { gf_logIndented(fmt::format("{:24}: {}", key, value)); }

void selectParkingPercentage(bool enable) {
    gf_runOnGuiThread([enable] {
        IntListParameter& parameter = param::parking_percentage;
        parameter.selectValue();
        if (enable && parameter.hasLiveWindow()) {
            parameter.window->setEnabled(true);
        }
    });
}

void switchToAutoPark(ParkSettingsEdit& edit) {
    if (edit.values().RT_PARKTRAFFIC_ONLY) {
        edit.setBool(param::RT_PARKTRAFFIC_ONLY, &ParkSettingsHead::RT_PARKTRAFFIC_ONLY, false);
    }
}

// Without a learned copy the settings follow the file's quality and size.
void applyRules(const AirportFile& file, const std::string& quality) {
    ParkSettingsEdit edit;
    const std::size_t standCount = file.stands.size();
    gf_logLine("learned airport file not available");
    if (file.Qf_real < kVeryLowQuality) {
        switchToAutoPark(edit);
        if (!edit.values().AUTO_PARK) {
            edit.setBool(param::AUTO_PARK, &ParkSettingsHead::AUTO_PARK, true);
            gf_logLine(fmt::format("auto park set because Qf is very low: {}", quality));
        }
    }
    const std::int32_t percentage = edit.values().parking_percentage;
    if (standCount < 3 && percentage != 100 && percentage != 65) {
        const std::int32_t target = standCount == 1 ? 100 : 65;
        edit.setInt(param::parking_percentage, &ParkSettingsHead::parking_percentage, target);
        gf_logImportant(fmt::format("target parking % set at {}, because this airport has just {} stand{}",
                                    edit.values().parking_percentage, standCount, standCount == 1 ? "" : "s"));
        switchToAutoPark(edit);
        if (!edit.values().AUTO_PARK) {
            edit.setBool(param::AUTO_PARK, &ParkSettingsHead::AUTO_PARK, true);
            gf_logLine("auto park set");
        }
    }
    edit.publish();
    logKey(param::parking_percentage.key, edit.values().parking_percentage);
    selectParkingPercentage(true);
}

void applyLearned(const AirportFile& file) {
    ParkSettingsEdit edit;
    const LearnedParkSettings& learned = file.learnedSettings;
    edit.setInt(param::parking_percentage, &ParkSettingsHead::parking_percentage,
                learned.parking_percentage.value_or(param::parking_percentage.defaultValue));
    selectParkingPercentage(false);
    if (learned.WEEK) {
        edit.setBool(param::WEEK, &ParkSettingsHead::WEEK, *learned.WEEK);
    }
    if (learned.PARK_SOFT) {
        edit.setBool(param::PARK_SOFT, &ParkSettingsHead::PARK_SOFT, *learned.PARK_SOFT);
    }
    if (learned.RT_PARKTRAFFIC_ONLY) {
        edit.setBool(param::RT_PARKTRAFFIC_ONLY, &ParkSettingsHead::RT_PARKTRAFFIC_ONLY, *learned.RT_PARKTRAFFIC_ONLY);
    }
    if (learned.AUTO_PARK) {
        edit.setBool(param::AUTO_PARK, &ParkSettingsHead::AUTO_PARK, *learned.AUTO_PARK);
    }
    if (learned.MAX_FIT) {
        edit.setInt(param::MAX_FIT, &ParkSettingsHead::MAX_FIT, *learned.MAX_FIT);
        gf_runOnGuiThread([] { gf_syncMaxFitList(); });
    }
    edit.publish();
    gf_airportsShell().updateParkingControls();
    if (file.handmadeOverrules != 0) {
        gf_logLine("A handmade airport file overruled the archived file!");
    }
}

} // namespace

ParkSettingsHead gf_currentParkSettingsHead() {
    const std::shared_ptr<const SettingsSnapshot> settings = gf_settings();
    ParkSettingsHead head;
    head.parking_percentage = settings->parkingPercentage;
    head.MAX_PARK_SEL = settings->maxParkSel;
    head.MAX_LIVE_SEL = settings->maxLiveSel;
    head.MAX_FIT = settings->maxFit;
    head.RT_PARKTRAFFIC_ONLY = settings->rtParkTrafficOnly;
    head.AUTO_PARK = settings->autoPark;
    head.WEEK = settings->week;
    head.PARK_SOFT = settings->parkSoft;
    return head;
}

AppliedAirportFile gf_appliedAirportFile() {
    const std::lock_guard lock(appliedMutex);
    return applied();
}

void gf_clearAppliedAirportFile() {
    const std::lock_guard lock(appliedMutex);
    applied().airportFileLoaded = false;
    applied().handmadeOverrulesLoaded = false;
    applied().parkTrafficWeek = 0;
}

void gf_applyAirportFile(const AirportFile& file) {
    {
        const std::lock_guard lock(appliedMutex);
        applied().handmadeOverrulesLoaded = file.handmadeOverrules != 0;
        applied().parkTrafficWeek = file.RT_traffic_week;
    }
    gf_setParkAirportAltitudeFt(static_cast<std::int32_t>(file.altitude));
    const std::string quality = lf_formatQuality(file.Qf_real, file.Qf_soft);
    if (file.learnedMerged == 0) {
        applyRules(file, quality);
    } else {
        applyLearned(file);
    }
    AirportsShell& shell = gf_airportsShell();
    shell.postStandCount(file.stands.size());
    const std::filesystem::path& shown =
        file.source == AirportFileSource::Cache ? file.loadedPath : file.requestedPath;
    gf_logLine(fmt::format("Airport file read from '{}'", gf_pathToUtf8(shown)));
    shell.setPublisher(file.publisher, file.handmadeOverrules != 0);
    logKey("publisher", file.publisher);
    if (file.version) {
        logKey("version", *file.version);
    }
    // The file keeps the elevation as stored bits; an airport below sea level is negative.
    gf_logIndented(fmt::format("{:24}: {} ft", "altitude", static_cast<std::int32_t>(file.altitude)));
    logKey("num_parkpos", file.stands.size());
    logKey("quality factor", quality);
    logKey("RT_traffic_week", file.RT_traffic_week);
    shell.postQualityText(fmt::format("{}", quality));
    {
        const std::lock_guard lock(appliedMutex);
        applied().airportFileLoaded = true;
        applied().info = LoadedParkFileInfo{file.airport_name, file.publisher, file.altitude,
                                            gf_currentParkSettingsHead(), file.requestedPath};
    }
    ParkingNeighbours& neighbours = gf_parkingNeighbours();
    if (gf_isRTDirect()) {
        neighbours.setRTAPIParkAirportValue(gf_parkAirportAltitude());
    } else {
        neighbours.setRTAppParkAirportValue(gf_parkAirportAltitude());
    }
    shell.repaintParking();
}

} // namespace kiv
