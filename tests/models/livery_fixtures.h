// Fixtures of the livery tests: a program folder with the livery paths below it, a recording
// shell, the type database the liveries are checked against, AI packages written to disk,
// liveries made in memory, and the reset of every process-wide table the livery code keeps.
// Single-threaded test helpers; one fixture at a time (the tables are process globals).
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/stop_request.h"
#include "models/interned_codes.h"
#include "models/livery.h"
#include "models/livery_folder_scan.h"
#include "models/livery_paths.h"
#include "models/livery_records.h"
#include "models/livery_tables.h"
#include "models/models_shell.h"
#include "models/scan_collections.h"
#include "models/scanned_liveries.h"
#include "models/type_database.h"
#include "models_fixtures.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_reset.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv::test_support {

// Every call as a line: "message <text>", "message+log <text>", "clear", "count <n>",
// "repaint <mask>". `onEvent` runs after each, to look at other state at that moment.
class RecordingModelsShell final : public ModelsShell {
public:
    std::vector<std::string> events;
    std::function<void(const std::string&)> onEvent;

    void showMessage(const std::string& text, bool log) override { record((log ? "message+log " : "message ") + text); }
    void clearMessage() override { record("clear"); }
    void postLiveryCount(std::uint64_t count) override { record(fmt::format("count {}", count)); }
    void postRepaint(std::uint32_t mask) override { record(fmt::format("repaint {}", mask)); }

private:
    void record(std::string event) {
        events.push_back(std::move(event));
        if (onEvent) {
            onEvent(events.back());
        }
    }
};

class FixedViewHolders final : public LiveryViewHolders {
public:
    bool holds = false;
    bool holdsLiveryViews() const override { return holds; }
};

// A program folder as start-up leaves it: "input", "output/info" and "output/errors".
class ProgramFolder {
public:
    ProgramFolder() : paths(LiveryPaths::under(folder_.path())) {
        std::filesystem::create_directories(paths.infoFolder);
        std::filesystem::create_directories(paths.errorsFolder);
        std::filesystem::create_directories(folder_.path() / "input");
    }
    const std::filesystem::path& root() const { return folder_.path(); }

private:
    TempFolder folder_;

public:
    const LiveryPaths paths;
};

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline std::vector<std::string> readLines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::ifstream file(path, std::ios::binary);
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Size classes: A346, B744, B748 Heavy; A306, A319, A320, A321, B737, B738, B739, B77F Large; C25B Bizjet; BE58
// TwoProps; C172 Light; EC35 Rotorcraft; F16 HighPerf. Cargo: model B77F, operator FDX.
inline std::string liveryDatabaseXml() {
    return dbaseXml("A306,A319,A320,A321,A346,B737,B738,B739,B744,B748,B77F,BE58,C172,C25B,EC35,F16",
                    "BAW,CLH,DLH,FDX,KLM,PVT,UPS,ZZZ", R"(
        <heavy><hvy types="A346,B744,B748"/></heavy>
        <large><lar types="A306,A319,A320,A321,B737,B738,B739,B77F"/></large>
        <buzjet><bzj types="C25B"/></buzjet>
        <twoprops><tpr types="BE58"/></twoprops>
        <rotorcraft><rot types="EC35"/></rotorcraft>
        <high_performance><hpf types="F16"/></high_performance>
        <cargo_types><cargo_type types="B77F"/></cargo_types>
        <cargo_operators><ICAO codes="FDX"/></cargo_operators>
        <similar_types><similar types="B737,B738,B739"/><similar types="A319,A320,A321"/>
            <similar types="B738,B748"/></similar_types>)");
}

// Empty livery tables, records, scan state and code tables, and the type database above read
// from `folder`.
inline void startLiveryTables(const std::filesystem::path& folder) {
    resetModelTables();
    gf_liveryTables() = LiveryTables{};
    gf_resetLiveryRecordsForTesting();
    lf_clearScanCollections();
    gf_scannedLiveries().clear();
    const std::filesystem::path database = folder / "dbase.enc";
    writeEncryptedXml(database, liveryDatabaseXml());
    gf_readDbase(database);
}

inline void endLiveryTables() {
    gf_liveryTables() = LiveryTables{};
    gf_resetLiveryRecordsForTesting();
    lf_clearScanCollections();
    gf_scannedLiveries().clear();
    resetModelTables();
    gf_resetRunStateForTests();
}

// A livery as the scan makes it; `airline` may be "DLH" or "DLH/CLH" (airline and operator).
inline Livery makeLivery(std::string title, std::string_view airline, std::string_view model, bool cargo = false,
                         std::string regcode = "") {
    Livery livery;
    livery.title = std::move(title);
    livery.regcode = std::move(regcode);
    const std::size_t slash = airline.find('/');
    livery.key.airlineId = gf_airlineId(airline.substr(0, slash));
    if (slash != std::string_view::npos) {
        livery.key.operatorId = gf_airlineId(airline.substr(slash + 1));
    }
    livery.key.modelId = gf_modelId(model);
    livery.key.cargo = cargo ? 1 : 0;
    return livery;
}

struct CfgSection {
    std::string title;
    std::string airline;
    std::string extra = {}; // further key lines, each ending in "\n"
};

// An AI package in `folder`: a configuration file of `model` with the sections, and the
// companions each section names (the folders "model" and "texture", the flight model).
inline std::filesystem::path writePackage(const std::filesystem::path& folder, std::string_view model,
                                          const std::vector<CfgSection>& sections,
                                          const std::string& cfgName = "aircraft.cfg") {
    std::filesystem::create_directories(folder / "model");
    std::filesystem::create_directories(folder / "texture");
    writeBytes(folder / "plane.air", "");
    std::string cfg = fmt::format("[General]\natc_model={}\n\n", model);
    for (std::size_t i = 0; i < sections.size(); ++i) {
        cfg += fmt::format("[fltsim.{}]\ntitle={}\nsim=plane\nmodel=\ntexture=\natc_parking_codes={}\n{}\n", i,
                           sections[i].title, sections[i].airline, sections[i].extra);
    }
    writeBytes(folder / cfgName, cfg);
    return folder / cfgName;
}

// The AIG list as a data file.
inline void writeAigRegcodes(const std::filesystem::path& path, std::string_view items) {
    writeEncryptedXml(path, aigRegcodesXml(items));
}

inline bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The frame of the livery tests: settings at their defaults, the type database above read,
// every livery table, record and scan collection empty, a program folder and the log.
class LiveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSettingsToDefaults();
        startLiveryTables(folder_.root());
    }
    void TearDown() override {
        endLiveryTables();
        resetSettingsToDefaults();
    }

    // The tables from the liveries, as the start-up builds them after reading the store.
    void build(std::vector<Livery> liveries) {
        std::sort(liveries.begin(), liveries.end());
        lf_buildLiveryTables(liveries, shell_, folder_.paths);
    }

    // The log lines from the index `first` on.
    std::vector<std::string> linesFrom(std::size_t first) const {
        std::vector<std::string> lines = log_.lines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size())));
        return lines;
    }

    ProgramFolder folder_;
    LogCapture log_;
    RecordingModelsShell shell_;
};

} // namespace kiv::test_support
