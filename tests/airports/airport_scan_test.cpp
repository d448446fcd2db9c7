#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airports/airport_scan.h"
#include "airports/known_airports.h"
#include "airports/scan_log.h"
#include "airports/scan_reference_tables.h"
#include "airports/scan_transaction.h"
#include "airports/scenery_publishers.h"
#include "airports/weekly_traffic_airports.h"
#include "airports_test_files.h"
#include "foundation/program_paths.h"
#include "scan_fakes.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "test_support/bgl_builder.h"
#include "test_support/folder_tree.h"
#include "test_support/log_capture.h"
#include "test_support/pinned_clock.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::FolderTree;
using ::testing::Contains;
using ::testing::ElementsAreArray;
using ::testing::Not;

const FolderTree kPrevious{{"my_simaddon", "<dir>"},
                           {"my_simaddon/OLD2.txt", "archive/simaddon/OLD2.enc"},
                           {"my_thirdparty", "<dir>"},
                           {"my_thirdparty/OLD1.xml", "previous"}};

const std::string kBanner = "++++++++++++++++++++++++ airports scan manual  starts +++++++++++++++++++++++++++++";
const std::string kEndBanner = "-------------------------- airports scan ends -------------------------------";

void writeAirport(const fs::path& path, const std::string& code) {
    test_support::AirportSpec spec;
    spec.code = code;
    spec.parkings = {test_support::ParkingSpec{}};
    fs::create_directories(path.parent_path());
    test_support::writeBytes(path, test_support::buildAirportBgl({test_support::bglAirport(spec)}).bytes);
}

struct Outcome {
    std::string name;
    std::function<void(test_support::FakeScanTables&, AirportScanContext&)> arrange;
    std::vector<std::string> messages;
    std::vector<std::string> logLines; // each must be in the log
    bool bannersLogged;
    FolderTree outputsAfter;            // "*" stands for any file content
    std::vector<std::string> tbloAfter; // as ScanWorld::tbloFiles reads them
};

// One program folder with the previous scan's output and one add-on airport in "scenery".
class ScanWorld {
public:
    ScanWorld() {
        resetSettings();
        tables.known = {"EHAM", "EDDF"};
        tables.weekly = tables.known;
        for (const auto& [name, content] : kPrevious) {
            if (content == "<dir>") {
                fs::create_directories(fs::path("airports") / name);
            } else {
                test_support::writeTreeFile(fs::path("airports") / name, content);
            }
        }
        param::afolder[0].value = "scenery";
        writeAirport("scenery/Pack/EHAM.bgl", "EHAM");
    }
    ~ScanWorld() {
        resetSettings();
        gf_clearScanLog();
    }

    static void resetSettings() {
        for (StringParameter& parameter : param::afolder) {
            parameter.value.clear();
        }
        detail::settingsSlot().store(std::make_shared<const SettingsSnapshot>());
    }

    FolderTree outputFolders() const {
        FolderTree tree = test_support::readFolderTree("airports");
        std::erase_if(tree, [](const auto& entry) {
            return !entry.first.starts_with("my_simaddon") && !entry.first.starts_with("my_thirdparty");
        });
        return tree;
    }

    // The files in "tblo"; nothing when there is no such folder, "(empty)" for an empty one.
    std::vector<std::string> tbloFiles() const {
        if (!fs::exists("tblo")) {
            return {};
        }
        std::vector<std::string> names;
        for (const auto& [name, content] : test_support::readFolderTree("tblo")) {
            names.push_back(name);
        }
        if (names.empty()) {
            names.push_back("(empty)");
        }
        return names;
    }

    test_support::WorkingFolder folder;
    test_support::LogCapture log;
    test_support::PinnedClock clock{1767225600};
    test_support::FakeScanTables tables;
    test_support::RecordingScanShell shell;
    AirportScanContext context{shell, tables, "", "support@example.org"};
};

::testing::AssertionResult treeMatches(const FolderTree& actual, const FolderTree& expected) {
    bool same = actual.size() == expected.size();
    for (auto a = actual.begin(), e = expected.begin(); same && a != actual.end(); ++a, ++e) {
        same = a->first == e->first && (e->second == "*" || a->second == e->second);
    }
    if (same) {
        return ::testing::AssertionSuccess();
    }
    auto failure = ::testing::AssertionFailure() << "tree:";
    for (const auto& [name, content] : actual) {
        failure << " " << name;
    }
    return failure;
}

std::vector<Outcome> outcomes() {
    const std::string failed = "Airport scan failed; VELT will continue with the previous airport data";
    return {
        {"SKIP_AIRPORT_SCAN",
         [](auto&, auto&) { gf_setSettingsField(&SettingsSnapshot::skipAirportScan, true); },
         {"Airport scan suppressed by parameter SKIP_AIRPORT_SCAN [logged]"},
         {"Airport scan skipped because SKIP_AIRPORT_SCAN=true"},
         false,
         kPrevious,
         {}},
        {"recovery impossible",
         [](auto&, auto&) { test_support::writeTreeFile(gf_scanMarkerPath(), "x"); },
         {"Airport scan skipped; previous airport data could not be recovered safely [logged]"},
         {"==> Airport scan skipped: recovery of a previously interrupted scan failed"},
         false,
         kPrevious,
         {}},
        {"weekly airports unreadable",
         [](auto& tables, auto&) { tables.weeklyReadable = false; },
         {"Scanning for airports ...",
          "Reading RT weekly airports failed; keeping previous airport scan data [logged]"},
         {},
         true,
         kPrevious,
         {}},
        {"publishers unreadable",
         [](auto& tables, auto&) { tables.publishersReadable = false; },
         {"Scanning for airports ...", "Reading archives failed; keeping previous airport scan data [logged]"},
         {},
         true,
         kPrevious,
         {}},
        {"no afolder set (49)",
         [](auto&, auto&) { param::afolder[0].value.clear(); },
         {"Scanning for airports ...", failed + " [logged]"},
         {"==> Airport scan failed; previous airport scan data restored: 49: Set one or more afolderx parameters to "
          "your add-on airports in the file parameters.xml"},
         true,
         kPrevious,
         {}},
        {"afolder in the stock scenery (42)",
         [](auto&, auto& context) {
             context.stockSceneryPath = "/sim/Prepar3D v5/Scenery";
             param::afolder[3].value = "/sim/Prepar3D v5/Scenery/World";
         },
         {"Scanning for airports ...", failed + " [logged]"},
         {"==> Airport scan failed; previous airport scan data restored: 42: parameter afolder3 points to stock "
          "airports instead of add-on airports!"},
         true,
         kPrevious,
         {}},
        {"no add-on data",
         [](auto& tables, auto&) { tables.weekly = {"LFPG"}; },
         {"Scanning for airports ...", "Warning: Scan has not found any add-on airports [logged]",
          "Airport scan produced no add-on data; keeping previous airport scan data [logged]"},
         {"All your simaddon and third party airports are recognised, no off line learning needed."},
         true,
         kPrevious,
         {}},
        {"success with a learning archive",
         [](auto&, auto&) {},
         {"Scanning for airports ..."},
         {"From parameter afolder0: scenery", "The scan will search 1 folder",
          "output/info/AirportsScanLog.txt written"},
         true,
         {{"my_simaddon", "<dir>"}, {"my_thirdparty", "<dir>"}, {"my_thirdparty/EHAM.xml", "*"}},
         {"email address.txt", "tblo.zip"}},
        {"success with nothing to learn",
         [](auto& tables, auto&) {
             tables.publishers = {{"Pack", "simaddon"}};
             tables.simaddons = {"EHAM"};
         },
         {"Scanning for airports ..."},
         {"All your simaddon and third party airports are recognised, no off line learning needed."},
         true,
         {{"my_simaddon", "<dir>"}, {"my_simaddon/EHAM.txt", "archive/simaddon/EHAM.enc"}, {"my_thirdparty", "<dir>"}},
         {}},
    };
}

TEST(AirportScan, EachOutcomeLeavesItsFoldersMessagesAndLog) {
    for (const Outcome& outcome : outcomes()) {
        SCOPED_TRACE(outcome.name);
        ScanWorld world;
        outcome.arrange(world.tables, world.context);
        gf_scanAirports(world.context);
        EXPECT_EQ(world.shell.messages(), outcome.messages);
        const std::vector<std::string> lines = world.log.lines();
        for (const std::string& line : outcome.logLines) {
            EXPECT_THAT(lines, Contains(line));
        }
        EXPECT_EQ(std::count(lines.begin(), lines.end(), kBanner), outcome.bannersLogged ? 1 : 0);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), kEndBanner), outcome.bannersLogged ? 1 : 0);
        EXPECT_TRUE(treeMatches(world.outputFolders(), outcome.outputsAfter));
        EXPECT_EQ(world.tbloFiles(), outcome.tbloAfter);
        // No transaction is left open, whatever happened; an unreadable marker stays for the user.
        EXPECT_EQ(fs::exists(gf_scanMarkerPath()), outcome.name == "recovery impossible");
        EXPECT_FALSE(fs::exists("airports/my_simaddon.scan_backup"));
        EXPECT_FALSE(fs::exists("airports/my_thirdparty.scan_backup"));
        // The reference tables are read for one scan only.
        EXPECT_EQ(world.tables.clears, outcome.bannersLogged ? 1 : 0);
    }
}

TEST(AirportScan, ASuccessfulScanWritesItsLogAndOffersTheArchive) {
    ScanWorld world;
    gf_scanAirports(world.context);
    ASSERT_TRUE(fs::exists("airports/my_thirdparty/EHAM.xml"));
    std::vector<std::string> scanLog;
    std::istringstream text(test_support::WorkingFolder::read("output/info/AirportsScanLog.txt"));
    for (std::string line; std::getline(text, line);) {
        scanLog.push_back(line);
    }
    ASSERT_GE(scanLog.size(), 4u);
    EXPECT_EQ(scanLog[1], "Scan: scenery");
    EXPECT_EQ(std::vector<std::string>(scanLog.end() - 2, scanLog.end()),
              (std::vector<std::string>{"", "Airports scan finished!"}));
    EXPECT_THAT(scanLog, Contains("Generated EHAM.xml: 1 position"));
    EXPECT_TRUE(gf_scanLogLines().empty());
    EXPECT_EQ(test_support::WorkingFolder::read("tblo/email address.txt"), "support@example.org");
    // The GUI learns in order: scan running, counts zeroed, archive offered, final counts.
    EXPECT_THAT(world.shell.calls,
                ::testing::IsSupersetOf({"skip box off", "hint flag 1", "tblo button on", "support hint", "repaint 2",
                                         "repaint 1", "thirdparty count 1", "skip box on"}));
    EXPECT_EQ(world.shell.calls.front(), "skip box off");
    EXPECT_EQ(world.shell.calls.back(), "skip box on");
    EXPECT_TRUE(world.shell.hintFlag);
}

TEST(AirportScan, ALeftoverTransactionIsRecoveredBeforeTheSkipSettingIsRead) {
    ScanWorld world;
    // A scan killed after it moved my_thirdparty away and wrote a first new file.
    fs::rename("airports/my_thirdparty", "airports/my_thirdparty.scan_backup");
    test_support::writeTreeFile("airports/my_thirdparty/EHAM.xml", "half");
    test_support::writeTreeFile(gf_scanMarkerPath(), "1 1\n");
    gf_setSettingsField(&SettingsSnapshot::skipAirportScan, true);
    gf_scanAirports(world.context);
    EXPECT_EQ(world.outputFolders(), kPrevious);
    EXPECT_FALSE(fs::exists(gf_scanMarkerPath()));
}

TEST(AirportScan, TheProgramsOwnDataFilesDriveTheScan) {
    ScanWorld world;
    const test_support::KnownAirportsFile known(R"(<ap c="EHAM" la="52.3086" lo="4.7639" a="-11"/>
                                                  <ap c="LFPG" la="49.0097" lo="2.5479" a="392"/>)");
    ASSERT_TRUE(gf_readAirportsFile());
    test_support::writeEncryptedDataFile("input/wktraffic.enc",
                                         R"(<root><traffic_airports><arp c="EHAM,LFPG"/></traffic_airports></root>)");
    test_support::writeEncryptedDataFile("input/archives.enc", R"(<root>
        <publishers><pub pn="My Pub,MyPub"/></publishers>
        <simaddonsP3D><sP3 aps="EDDM"/></simaddonsP3D>
        <thirdpartiesP3D><tP3 pub="My Pub" aps="LFPG"/></thirdpartiesP3D></root>)");
    writeAirport("scenery/MyPub/LFPG.bgl", "LFPG");
    writeAirport("scenery/Pack/EDDF.bgl", "EDDF");
    AirportScanContext context{world.shell, gf_scanReferenceTables(), "", "support@example.org"};
    gf_scanAirports(context);

    EXPECT_TRUE(
        treeMatches(world.outputFolders(), {{"my_simaddon", "<dir>"},
                                            {"my_thirdparty", "<dir>"},
                                            {"my_thirdparty/EHAM.xml", "*"},
                                            {"my_thirdparty/LFPG.txt", "archive/thirdparty/My%20Pub/LFPG.enc"}}));
    EXPECT_EQ(world.tbloFiles(), (std::vector<std::string>{"email address.txt", "tblo.zip"}));
    const std::string scanLog = test_support::WorkingFolder::read("output/info/AirportsScanLog.txt");
    EXPECT_THAT(scanLog, ::testing::HasSubstr("EDDF is not known\n"));
    EXPECT_THAT(scanLog,
                ::testing::HasSubstr("thirdparty airport LFPG linked to archive/thirdparty/My%20Pub/LFPG.enc\n"));
    // The weekly list and the publisher tables live for one scan.
    EXPECT_TRUE(gf_publisherTables().publishers.empty());
    EXPECT_TRUE(gf_isWeeklyTrafficAirport(IcaoCode("KLAX")));
}

} // namespace
} // namespace kiv
