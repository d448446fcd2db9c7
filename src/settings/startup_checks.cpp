#include "settings/startup_checks.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log.h"
#include "foundation/program_identity.h"
#include "foundation/xml_helpers.h"
#include "settings/gui_thread_changes.h"
#include "settings/loaded_value_display.h"
#include "settings/parameters_file.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

// No longer a setting; removed from the file at the first start of a newer version.
constexpr std::string_view kRetiredCollisionKey = "COLLISION_LIVE_PARKED_GND";

std::array<IntParameter*, 8> radiusSettings() {
    return {&param::RANGE_GROUND, &param::RANGE_1,        &param::RANGE_2,        &param::RANGE_3,
            &param::RANGE_ABOVE,  &param::FLIGHT_LEVEL_1, &param::FLIGHT_LEVEL_2, &param::FLIGHT_LEVEL_3};
}

std::int32_t roundAndClamp(double value, const IntParameter& parameter) {
    const long long rounded = std::llround(value); // halves away from zero
    return static_cast<std::int32_t>(std::clamp<long long>(rounded, parameter.min, parameter.max));
}

void checkRadii() {
    const std::array<IntParameter*, 8> settings = radiusSettings();
    RadiusValues values{};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        values[i] = settings[i]->value;
    }
    const CorrectedRadii corrected = gf_correctRadii(values, 1.0);
    if (!corrected.changed) {
        gf_logLine("Radius parameters okay");
        return;
    }
    gf_logImportant("Radius parameters changed to fulfill the requirements (see Manual): ");
    for (std::size_t i = 0; i < settings.size(); ++i) {
        settings[i]->value = roundAndClamp(corrected.values[i], *settings[i]);
        gf_storeParameter(*settings[i]);
    }
}

// Running newer than stored, comparing major, minor and patch as signed numbers.
bool isNewer(const Version& running, const Version& stored) {
    const auto parts = [](const Version& version) {
        return std::array<std::int32_t, 3>{static_cast<std::int32_t>(version.major),
                                           static_cast<std::int32_t>(version.minor),
                                           static_cast<std::int32_t>(version.patch)};
    };
    return parts(running) > parts(stored);
}

void deleteNewVersionFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::remove(folder, error);
    if (error == std::errc::directory_not_empty) {
        std::filesystem::remove_all(folder, error);
    }
}

void migrate(const StartupContext& context, const Version& stored) {
    gf_logLine(fmt::format("This is a version update from {} -> {}", gf_versionString(stored),
                           gf_versionString(context.running)));
    const BoolParameter retired{std::string(kRetiredCollisionKey), false};
    gf_removeParameter(retired);
    IntListParameter& holding = param::HOLDING_THRESHOLD_METERS;
    holding.value = std::clamp(gf_snapToList(holding.value, holding.allowed), holding.min, holding.max);
    gf_storeParameter(holding);
    // The load showed the value before the snap; the window must show the one in use.
    gf_showLoadedValue(holding);
    deleteNewVersionFolder(context.newVersionFolder);
}

void updateVersion(const StartupContext& context) {
    StringParameter& programVersion = param::PROGRAM_VERSION;
    const std::string runningText = gf_versionString(context.running);
    if (programVersion.value == programVersion.defaultValue) {
        programVersion.value = runningText;
        gf_storeParameter(programVersion);
        return;
    }
    const Version stored(programVersion.value);
    if (stored == Version{}) {
        // A damaged entry must not stop the start: it counts as the oldest version.
        gf_logLine(fmt::format("PROGRAM_VERSION '{}' is not a version, taken as older than {}", programVersion.value,
                               runningText));
    }
    if (stored != context.running) {
        programVersion.value = runningText;
        gf_storeParameter(programVersion);
    }
    if (isNewer(context.running, stored)) {
        migrate(context, stored);
    }
}

std::ptrdiff_t indexOf(const auto& list, const auto& wanted) {
    const auto found = std::find(list.begin(), list.end(), wanted);
    return found == list.end() ? -1 : found - list.begin();
}

} // namespace

CorrectedRadii gf_correctRadii(const RadiusValues& values, double step) {
    CorrectedRadii result{values, false};
    RadiusValues& v = result.values;
    for (std::size_t i = 0; i < 5; ++i) {
        v[i] = std::max(v[i], 0.0);
    }
    std::sort(v.begin() + 5, v.end());
    v[6] = v[6] > v[5] ? v[6] : v[5] + step;
    v[7] = v[7] > v[6] ? v[7] : v[6] + step;
    for (std::size_t i = 1; i < 5; ++i) {
        v[i] = std::max(v[i - 1], v[i]);
    }
    result.changed = v != values;
    return result;
}

std::int32_t gf_snapToList(std::int32_t value, const std::vector<std::int32_t>& allowed) {
    if (value <= allowed.front()) {
        return allowed.front();
    }
    if (value >= allowed.back()) {
        return allowed.back();
    }
    const auto upper = std::lower_bound(allowed.begin(), allowed.end(), value);
    if (*upper == value) {
        return value;
    }
    const std::int32_t lower = *(upper - 1);
    return value - lower <= *upper - value ? lower : *upper;
}

void gf_readParameters() { gf_readParameters(StartupContext{gf_programVersion()}); }

void gf_readParameters(const StartupContext& context) {
    if (gf_loadParameters(context.running)) {
        return; // a new file already records the running version; nothing to repair
    }
    checkRadii();
    updateVersion(context);
}

void gf_readTrafficSource() {
    ChoiceParameter& choice = param::RT_CHOISE;
    bool rtApp = false;
    if (choice.value == kRtApp) {
        rtApp = true;
    } else if (choice.value != kRtDirect) {
        gf_logImportant(fmt::format("Invalid traffic source '{}', using '{}'", choice.value, kRtDirect));
        choice.value = std::string(kRtDirect);
        gf_showLoadedValue(choice);
    }
    gf_publishTrafficSource(rtApp);
}

float gf_maxFitValue(std::int32_t index) { return static_cast<float>(std::clamp(index, 0, 47) + 1) * 0.5F; }

void gf_syncMaxFitList() {
    gf_runOnGuiThread([] {
        FloatListParameter& hours = param::MAX_FIT_FL;
        hours.value = std::clamp(gf_maxFitValue(param::MAX_FIT.value), hours.min, hours.max);
        const std::ptrdiff_t index = indexOf(hours.allowed, hours.value);
        if (index >= 0 && hours.window != nullptr) {
            hours.window->selectIndex(index);
        }
    });
}

void gf_setRange(std::int32_t rangeNm) {
    IntListParameter& range = param::RANGE;
    const std::int32_t clamped = std::clamp(rangeNm, range.min, range.max);
    gf_runOnGuiThread([clamped] {
        IntListParameter& parameter = param::RANGE;
        parameter.value = clamped;
        const std::ptrdiff_t index = indexOf(parameter.allowed, clamped);
        if (index >= 0 && parameter.window != nullptr) {
            parameter.window->selectIndex(index);
        }
    });
    // The clamped range, so that the traffic filter and the setting never disagree.
    const std::uint32_t extraMetres = gf_isRTDirect() ? 10000U : 0U;
    gf_updateSettings([clamped, extraMetres](SettingsSnapshot& snapshot) {
        snapshot.rangeNm = clamped;
        snapshot.rangeNmSquared = static_cast<double>(clamped * clamped);
        snapshot.rangeMetres = static_cast<std::uint32_t>(clamped) * 1852U + extraMetres;
    });
}

} // namespace kiv
