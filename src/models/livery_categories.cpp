#include "models/livery_categories.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "foundation/log.h"
#include "models/interned_codes.h"
#include "models/type_database.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"

namespace kiv {
namespace {

constexpr std::size_t kCodesPerLine = 20;

std::string_view plural(std::size_t count) { return count == 1 ? "" : "s"; }

// A traffic class the user may switch: its setting, its snapshot field and its log text.
struct ClassSwitch {
    CheckBoxParameter* setting;
    bool SettingsSnapshot::*field;
    std::string_view missing;
};

const ClassSwitch* classSwitch(SizeClass sizeClass) {
    static const ClassSwitch light{&param::LIGHT_AIRCRAFT, &SettingsSnapshot::lightAircraft,
                                   "{} temporarily switched off because you do not have light aircraft installed"};
    static const ClassSwitch twoProps{
        &param::TWO_PROPS, &SettingsSnapshot::twoProps,
        "{} temporarily switched off because you do not have two-prop aircraft installed"};
    static const ClassSwitch highPerf{
        &param::HIGH_PERF_AIRCRAFT, &SettingsSnapshot::highPerfAircraft,
        "{} temporarily switched off because you do not have High Perf aircraft installed"};
    static const ClassSwitch rotorcraft{&param::HELICOPTERS, &SettingsSnapshot::helicopters,
                                        "{} temporarily switched off because you do not have Helicopters installed"};
    switch (sizeClass) {
    case SizeClass::Light:
        return &light;
    case SizeClass::TwoProps:
        return &twoProps;
    case SizeClass::HighPerf:
        return &highPerf;
    case SizeClass::Rotorcraft:
        return &rotorcraft;
    default:
        return nullptr;
    }
}

// The switch-off holds for this run only: parameters.xml keeps the user's choice, so a later
// start that finds liveries of the class shows the class as the user left it.
void applyClassSwitch(const ClassSwitch& classSwitch, bool hasLiveries) {
    if (!hasLiveries && (*gf_settings()).*classSwitch.field) {
        gf_setSettingsField(classSwitch.field, false);
        gf_logLine(fmt::format(fmt::runtime(classSwitch.missing), classSwitch.setting->key));
    }
    CheckBoxParameter* setting = classSwitch.setting;
    gf_runOnGuiThread([setting, hasLiveries] {
        if (setting->hasLiveWindow()) {
            setting->window->setChecked(hasLiveries && setting->value);
            setting->window->setEnabled(hasLiveries);
        }
    });
}

void logModelCodes(const std::vector<std::uint16_t>& models) {
    for (const std::string& line : lf_modelCodeLines(models)) {
        gf_logLine(line);
    }
}

void sortUnique(std::vector<std::uint16_t>& ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

} // namespace

std::vector<std::string> lf_modelCodeLines(const std::vector<std::uint16_t>& models) {
    std::vector<std::string> lines;
    for (std::size_t first = 0; first < models.size(); first += kCodesPerLine) {
        std::string line = "  ";
        const std::size_t end = std::min(models.size(), first + kCodesPerLine);
        for (std::size_t i = first; i < end; ++i) {
            line += gf_modelCode(models[i]);
            if (i + 1 < end) {
                line += ',';
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void lf_buildCategories(SizeClass sizeClass, LiveryTables& tables) {
    std::array<std::size_t, 2> counts{0, 0};
    std::vector<std::uint16_t> models;
    for (std::size_t table : {kPassengerTable, kCargoTable}) {
        for (const auto& [model, titles] : tables.modelLiveries[table]) {
            if (gf_sizeClassOfModel(model) == sizeClass) {
                counts[table] += titles.size();
                models.push_back(model);
            }
        }
    }
    const std::string_view name = gf_sizeClassName(sizeClass);
    const bool hasLiveries = counts[kPassengerTable] > 0 || counts[kCargoTable] > 0;
    if (!hasLiveries) {
        gf_logLine(fmt::format("Category {}: No livery found", name));
    } else {
        std::string cargo;
        if (counts[kCargoTable] > 0) {
            cargo = fmt::format(" and {} cargo liverie{}", counts[kCargoTable], plural(counts[kCargoTable]));
        }
        gf_logLine(fmt::format("Category {}: {} pax liverie{}{}", name, counts[kPassengerTable],
                               plural(counts[kPassengerTable]), cargo));
    }
    sortUnique(models);
    std::vector<std::uint16_t>& classModels = tables.sizeClassModels[static_cast<std::size_t>(sizeClass)];
    classModels.insert(classModels.end(), models.begin(), models.end());
    logModelCodes(models);
    if (const ClassSwitch* switchOf = classSwitch(sizeClass)) {
        applyClassSwitch(*switchOf, hasLiveries);
    }
}

void lf_buildGenericLiveries(const LiveryTables& tables) {
    const auto generic = tables.airlineLiveries.find(tables.genericAirline);
    if (generic == tables.airlineLiveries.end() || generic->second.empty()) {
        gf_logLine("No generic liveries");
        return;
    }
    std::vector<std::uint16_t> models;
    for (const auto& entry : generic->second) {
        models.push_back(entry.first);
    }
    sortUnique(models);
    gf_logLine(fmt::format("{} model{} have a generic livery", models.size(), plural(models.size())));
    logModelCodes(models);
}

} // namespace kiv
