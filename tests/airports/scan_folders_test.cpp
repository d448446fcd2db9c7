#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "airports/scan_context.h"
#include "airports/scan_files.h"
#include "airports/scan_folders.h"
#include "airports/scan_log.h"
#include "foundation/program_identity.h"
#include "foundation/program_paths.h"
#include "foundation/stop_request.h"
#include "foundation/text_conversion.h"
#include "scan_fakes.h"
#include "test_support/bgl_builder.h"
#include "test_support/folder_tree.h"
#include "test_support/log_capture.h"
#include "test_support/pinned_clock.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::AirportSpec;
using test_support::HelipadSpec;
using test_support::ParkingSpec;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

void writeAirportBgl(const fs::path& path, const std::vector<AirportSpec>& airports) {
    std::vector<test_support::Bytes> records;
    for (const AirportSpec& airport : airports) {
        records.push_back(test_support::bglAirport(airport));
    }
    fs::create_directories(path.parent_path());
    test_support::writeBytes(path, test_support::buildAirportBgl(records).bytes);
}

AirportSpec airportWithGate(const std::string& code) {
    AirportSpec spec;
    spec.code = code;
    spec.names = {code + " Airport"};
    spec.parkings = {ParkingSpec{}};
    return spec;
}

std::string readText(const fs::path& path) { return test_support::WorkingFolder::read(path); }

// The committed expected text of a generated file, with the program's version filled in.
std::string expectedFile(const std::string& name) {
    std::string text = readText(fs::path(KIV_TEST_DATA_DIR) / "airports" / name);
    const std::string marker = "@VERSION@";
    text.replace(text.find(marker), marker.size(), std::string(kProgramVersionText));
    return text;
}

class ScanFoldersTest : public ::testing::Test {
protected:
    ScanFoldersTest() {
        gf_clearScanLog();
        gf_resetRunStateForTests();
        tables.known = {"EHAM", "EDDF", "LFPG", "KTST", "EGLL"};
        tables.weekly = tables.known;
        fs::create_directories(gf_paths().userSimaddonAirports);
        fs::create_directories(gf_paths().userThirdpartyAirports);
    }
    ~ScanFoldersTest() override {
        gf_clearScanLog();
        gf_resetRunStateForTests();
    }

    void scan(const std::vector<fs::path>& folders) { lf_scanAfolder(context, folders); }
    const std::vector<std::string>& scanLog() const { return gf_scanLogLines(); }
    test_support::FolderTree outputs() const { return test_support::readFolderTree("airports"); }

    test_support::WorkingFolder folder;
    test_support::LogCapture log;
    test_support::PinnedClock clock{1767225600}; // 1 Jan 2026
    test_support::FakeScanTables tables;
    test_support::RecordingScanShell shell;
    AirportScanContext context{shell, tables, "P3D/Scenery", "support@example.org"};
};

TEST_F(ScanFoldersTest, SyntheticSceneryBecomesTheExpectedAirportFile) {
    AirportSpec spec;
    spec.code = "EHAM";
    spec.names = {"Amsterdam Schiphol"};
    spec.altitudeMm = -3000;
    spec.helipads = {{52.30, 4.75, 30.0f, 0.0f}, {52.301, 4.751, 24.0f, 90.0f}};
    spec.parkings = {
        {12, 9, 7, 24.0f, 271.6f, 52.3086, 4.7639, {"KLM", "DAL"}}, // GATE A7, GATE_MEDIUM
        {10, 9, 7, 24.0f, 90.0f, 52.3087, 4.7640, {}},              // GATE 7
        {1, 5, 12, 36.5f, 0.0f, 52.30611, 4.76, {"FDX"}},           // PARKING 12, cargo, heading 0
        {1, 1, 3, 12.0f, 180.0f, 52.3112, 4.7701, {}},              // PARKING 3, ramp
        {1, 13, 4, 12.0f, 180.0f, 52.3113, 4.7702, {}},             // a vehicle place: no stand
    };
    writeAirportBgl("scenery/Pack/scenery/EHAM_AP.bgl", {spec});
    scan({"scenery/Pack"});
    EXPECT_EQ(readText("airports/my_thirdparty/EHAM.xml"), expectedFile("scan_generated_EHAM.xml"));
    EXPECT_THAT(scanLog(), Contains("Generated EHAM.xml: 6 positions of which 2 helipads"));
    EXPECT_THAT(shell.calls, ElementsAre("thirdparty count 1"));
}

TEST_F(ScanFoldersTest, AltitudesOfRealHighAndLowAirportsAreKept) {
    struct Case {
        std::string code;
        std::int32_t millimetres;
        std::string altitude;
    };
    const std::vector<Case> cases{{"EHAM", -3000, "-10"}, {"EDDF", 4000000, "13123"}, {"LFPG", 5000000, "0"}};
    for (const Case& c : cases) {
        AirportSpec spec = airportWithGate(c.code);
        spec.altitudeMm = c.millimetres;
        writeAirportBgl("scenery/" + c.code + "/ap.bgl", {spec});
    }
    scan({"scenery"});
    for (const Case& c : cases) {
        EXPECT_THAT(readText("airports/my_thirdparty/" + c.code + ".xml"),
                    HasSubstr("<parameter name=\"altitude\" value=\"" + c.altitude + "\" />"))
            << c.code;
    }
}

TEST_F(ScanFoldersTest, DuplicateStandIdsGetLettersAndTheEleventhDuplicateIsDropped) {
    AirportSpec spec = airportWithGate("EHAM");
    spec.parkings.clear();
    for (int i = 0; i < 12; ++i) {
        spec.parkings.push_back({10, 8, 12, 20.0f, 90.0f, 52.3 + i * 0.0001, 4.76, {}});
    }
    spec.parkings.push_back({10, 8, 1, 20.0f, 90.0f, 52.31, 4.76, {}});
    spec.parkings.push_back({10, 8, 10, 20.0f, 90.0f, 52.311, 4.76, {}});
    spec.parkings.push_back({10, 8, 2, 20.0f, 90.0f, 52.312, 4.76, {}});
    spec.helipads = {{52.32, 4.77, 20.0f, 0.0f}};
    writeAirportBgl("scenery/ap.bgl", {spec});
    scan({"scenery"});
    const std::string file = readText("airports/my_thirdparty/EHAM.xml");
    std::vector<std::string> ids;
    for (std::size_t at = file.find("id=\""); at != std::string::npos; at = file.find("id=\"", at + 1)) {
        ids.push_back(file.substr(at + 4, file.find('"', at + 4) - at - 4));
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"GATE 1", "GATE 10", "GATE 12", "GATE 12a", "GATE 12b", "GATE 12c",
                                             "GATE 12d", "GATE 12e", "GATE 12f", "GATE 12g", "GATE 12h", "GATE 12i",
                                             "GATE 12j", "GATE 2", "helipad1"}));
    EXPECT_THAT(scanLog(), Contains("===> Warning: more than 10 duplicate IDs GATE 12"));
    EXPECT_THAT(scanLog(), Contains("Generated EHAM.xml: 15 positions of which 1 helipad"));
}

TEST_F(ScanFoldersTest, PublishersDecideBetweenLinkAndGeneratedFile) {
    tables.publishers = {{"Orbx", "simaddon"}, {"MyPub", "My Pub"}};
    tables.simaddons = {"EHAM"};
    tables.thirdparties = {{"My Pub", {"LFPG"}}};
    writeAirportBgl("scenery/Orbx/EHAM/ap.bgl", {airportWithGate("EHAM")});  // listed simaddon: link
    writeAirportBgl("scenery/Orbx/EDDF/ap.bgl", {airportWithGate("EDDF")});  // unlisted simaddon: generated
    writeAirportBgl("scenery/MyPub/LFPG/ap.bgl", {airportWithGate("LFPG")}); // listed thirdparty: link
    writeAirportBgl("scenery/MyPub/EGLL/ap.bgl", {airportWithGate("EGLL")}); // unlisted thirdparty: generated
    writeAirportBgl("scenery/Other/KTST/ap.bgl", {airportWithGate("KTST")}); // no publisher: generated
    scan({"scenery"});
    const test_support::FolderTree tree = outputs();
    EXPECT_EQ(tree.at("my_simaddon/EHAM.txt"), "archive/simaddon/EHAM.enc");
    EXPECT_TRUE(tree.contains("my_simaddon/EDDF.xml"));
    EXPECT_EQ(tree.at("my_thirdparty/LFPG.txt"), "archive/thirdparty/My%20Pub/LFPG.enc");
    EXPECT_TRUE(tree.contains("my_thirdparty/EGLL.xml"));
    EXPECT_TRUE(tree.contains("my_thirdparty/KTST.xml"));
    EXPECT_EQ(tree.size(), 7u); // the two folders and five files
    EXPECT_THAT(scanLog(), Contains("simaddon airport EHAM linked to archive/simaddon/EHAM.enc\n"));
    EXPECT_THAT(scanLog(), Contains("EDDF does not exist as simaddon"));
    EXPECT_THAT(scanLog(), Contains("thirdparty airport LFPG linked to archive/thirdparty/My%20Pub/LFPG.enc\n"));
    EXPECT_THAT(scanLog(), Contains("thirdparty My Pub EGLL does not exist"));
}

TEST_F(ScanFoldersTest, ALinkThatCannotBeWrittenFallsBackToAGeneratedFile) {
    tables.publishers = {{"Orbx", "simaddon"}};
    tables.simaddons = {"EHAM"};
    fs::create_directories("airports/my_simaddon/EHAM.txt/blocked");
    writeAirportBgl("scenery/Orbx/ap.bgl", {airportWithGate("EHAM")});
    scan({"scenery"});
    EXPECT_TRUE(fs::exists("airports/my_simaddon/EHAM.xml"));
    EXPECT_THAT(scanLog(), Contains("===> Writing airports/my_simaddon/EHAM.txt did not succeed"));
    EXPECT_THAT(scanLog(), Not(Contains(HasSubstr("linked to"))));
}

TEST_F(ScanFoldersTest, UnknownOrUnsupportedAirportsGetNoFile) {
    tables.known = {"EHAM", "EDDF"};
    tables.weekly = {"EHAM"};
    writeAirportBgl("scenery/ap.bgl", {airportWithGate("EHAM"), airportWithGate("EDDF"), airportWithGate("LFPG")});
    scan({"scenery"});
    EXPECT_EQ(outputs(),
              (test_support::FolderTree{{"my_simaddon", "<dir>"},
                                        {"my_thirdparty", "<dir>"},
                                        {"my_thirdparty/EHAM.xml", readText("airports/my_thirdparty/EHAM.xml")}}));
    EXPECT_THAT(scanLog(), Contains("LFPG is not known"));
}

TEST_F(ScanFoldersTest, LinkedFoldersAreWalkedOnceAndLoopsCut) {
    writeAirportBgl("scenery/A/ap.bgl", {airportWithGate("EHAM")});
    fs::create_directory_symlink(fs::absolute("scenery/A"), "scenery/A/loop");
    fs::create_directory_symlink(fs::absolute("scenery/A"), "scenery/again");
    scan({"scenery"});
    const auto& lines = scanLog();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Fac depth"); }), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.starts_with("===> skipping recursive directory link during airport scan");
                            }),
              2);
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EHAM.xml"));
}

TEST_F(ScanFoldersTest, FoldersWhoseNamesDifferInCaseAreBothScanned) {
    writeAirportBgl("scenery/Pack/ap.bgl", {airportWithGate("EHAM")});
    writeAirportBgl("scenery/pack/ap.bgl", {airportWithGate("EDDF")});
    scan({"scenery"});
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EHAM.xml"));
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EDDF.xml"));
    EXPECT_THAT(scanLog(), Not(Contains(HasSubstr("skipping recursive directory link"))));
}

TEST_F(ScanFoldersTest, ExcludedNamesAndTheStockSceneryAreNeverRead) {
    for (const std::string path :
         {"scenery/x/Airport_statics.bgl", "scenery/immersive-lights/ap.bgl", "scenery/x/KLAX_heliports.BGL",
          "scenery/bksq-scenery-x/ap.bgl", "scenery/duijffmedia-eham-remove/ap.bgl", "scenery/immersivelights/ap.bgl",
          "scenery/P3D/Scenery/World/ap.bgl", "scenery/x/ap.bgx"}) {
        writeAirportBgl(path, {airportWithGate("EHAM")});
    }
    writeAirportBgl("scenery/x/EDDF.BGL", {airportWithGate("EDDF")});
    context.stockSceneryPath = fs::absolute("scenery/P3D/SCENERY");
    scan({fs::absolute("scenery"), fs::absolute("scenery/P3D/Scenery/World")});
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EDDF.xml"));
    EXPECT_FALSE(fs::exists("airports/my_thirdparty/EHAM.xml"));
    EXPECT_THAT(scanLog(), Contains("Fac depth 1: " + gf_pathToUtf8(fs::absolute("scenery/x/EDDF.BGL"))));
}

TEST_F(ScanFoldersTest, ConfiguredPathsThatAreNoFoldersAreReported) {
    test_support::writeTreeFile("afile.txt", "x");
    scan({"missing", "", "afile.txt"});
    EXPECT_THAT(shell.calls, ElementsAre("message missing does not exist, skipped! [logged]",
                                         "message afile.txt is not a folder name, skipped! [logged]"));
}

TEST_F(ScanFoldersTest, AStopRequestEndsTheWalkBeforeTheNextFile) {
    writeAirportBgl("scenery/a.bgl", {airportWithGate("EHAM")});
    writeAirportBgl("scenery/b.bgl", {airportWithGate("EDDF")});
    tables.onWeeklyLookup = [] { gf_installStopRequest(ExitReason::user_closed_sim, 0); };
    scan({"scenery"});
    const auto& lines = scanLog();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Fac depth"); }), 1);
    EXPECT_EQ(outputs().size(), 3u); // the two folders and one file
}

TEST_F(ScanFoldersTest, BrokenFilesAreLoggedAndSkipped) {
    // The container breaks at a record size of 7; the airport record ends in a helipad whose
    // fields lie past the end of the file.
    test_support::BuiltBgl broken = test_support::buildAirportBgl({test_support::bglRecord(0x3C, {1, 2})});
    test_support::setU32(broken.bytes, broken.records[0] + 2, 7);
    fs::create_directories("scenery");
    test_support::writeBytes("scenery/broken.bgl", broken.bytes);
    AirportSpec cut = airportWithGate("EHAM");
    cut.parkings.clear();
    cut.extraSubrecords = {test_support::Bytes{0x26, 0, 36, 0, 0, 0, 0, 0}};
    writeAirportBgl("scenery/cut.bgl", {cut});
    writeAirportBgl("scenery/good.bgl", {airportWithGate("EDDF")});
    // An airport record of 40 bytes ends before its code field; the airport after it is read.
    const test_support::BuiltBgl small = test_support::buildAirportBgl(
        {test_support::bglRecord(0xAB, test_support::Bytes(34, 0)), test_support::bglAirport(airportWithGate("LFPG"))});
    test_support::writeBytes("scenery/small.bgl", small.bytes);
    scan({"scenery"});
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/EDDF.xml"));
    EXPECT_TRUE(fs::exists("airports/my_thirdparty/LFPG.xml"));
    EXPECT_THAT(log.lines(), Contains(fmt::format("==> Airport record at byte {} is too small to contain an ICAO",
                                                  small.records[0])));
    EXPECT_THAT(log.lines(), Contains(fmt::format("==> BGL airport section parse error at byte {} in "
                                                  "'scenery/broken.bgl': Airport section record has an invalid size",
                                                  broken.records[0])));
    EXPECT_THAT(log.lines(), Contains(::testing::StartsWith("==> Exception in lf_processBGLfile (std::ex): "
                                                            "scenery/cut.bgl \xE2\x80\x94 ")));
    EXPECT_THAT(scanLog(), Contains(::testing::StartsWith("===> airport file skipped after an exception, depth 0, "
                                                          "file scenery/cut.bgl, cause: ")));
    for (const std::string& line : log.lines()) {
        EXPECT_TRUE(gf_isValidUtf8(line)) << line;
    }
}

TEST_F(ScanFoldersTest, SlowFilesAreReportedWithTheirPhase) {
    test_support::writeTreeFile("scenery/slow.bgl", std::string(100, 'x'));
    const auto start = std::chrono::steady_clock::time_point(std::chrono::seconds(50));
    lf_logSlowBglProcessing("scenery/slow.bgl", start, "reading", start + std::chrono::milliseconds(999));
    lf_logSlowBglProcessing("scenery/slow.bgl", start, "reading", start + std::chrono::milliseconds(1000));
    lf_logSlowBglProcessing("scenery/gone.bgl", start, "opening", start + std::chrono::milliseconds(2346));
    EXPECT_THAT(log.lines(),
                ElementsAre("==> Slow BGL processing: 1.00 s, 100 bytes, phase reading, file 'scenery/slow.bgl'",
                            "==> Slow BGL processing: 2.35 s, unknown size, phase opening, file 'scenery/gone.bgl'"));
}

} // namespace
} // namespace kiv
