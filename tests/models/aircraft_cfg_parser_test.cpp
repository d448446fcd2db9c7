#include <algorithm>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "models/aircraft_cfg_parser.h"
#include "models/livery_key_text.h"
#include "models/scan_collections.h"
#include "models_fixtures.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The type database the packages below are checked against.
const std::string kDatabase = test_support::dbaseXml("A320,B738,B744,C172", "DLH,CLH,BAW,ZZZ", R"(
    <heavy><hvy types="B744"/></heavy>
    <large><lar types="A320,B738"/></large>
    <fixes><fx wro="B38M" cor="B738"/></fixes>
    <dbase>
      <d r="D-ABCD" a="BAW" o="CLH" m="A320" c="true"/>
      <d r="D-EFG" a="DLH" m="C172"/>
      <d r="D-NOMO" a="DLH"/>
    </dbase>)");

// "title|regcode|key text" of each livery, in order.
Lines describe(const std::list<Livery>& liveries) {
    Lines result;
    for (const Livery& livery : liveries) {
        result.push_back(fmt::format("{}|{}|{}|{}", livery.title, livery.regcode, gf_liveryKeyText(livery.key),
                                     livery.folderPriority));
    }
    return result;
}

template <class Container> Lines linesOf(const Container& container) {
    return Lines(container.begin(), container.end());
}

class CfgParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::resetModelTables();
        lf_clearScanCollections();
        const fs::path database = temp_.path() / "dbase.enc";
        test_support::writeEncryptedXml(database, kDatabase);
        gf_readDbase(database);
    }
    void TearDown() override {
        lf_clearScanCollections();
        test_support::resetModelTables();
    }

    // A package folder with the usual companions of its sections: the folders "model" and
    // "texture" (what an empty model= or texture= names) and an empty flight model per type.
    fs::path package(const std::string& name, std::string_view cfg, const std::string& cfgName = "aircraft.cfg") {
        const fs::path folder = temp_.path() / name;
        fs::create_directories(folder / "model");
        fs::create_directories(folder / "texture");
        for (const char* air : {"B738.air", "B744.air", "C172.air", "A320.air"}) {
            test_support::writeBytes(folder / air, "");
        }
        test_support::writeBytes(folder / cfgName, cfg);
        return folder / cfgName;
    }

    // {path} and {folder} of `path` put into the expected report lines.
    static Lines expand(const Lines& lines, const fs::path& path) {
        Lines result;
        for (std::string line : lines) {
            for (const auto& [mark, text] : {std::pair<std::string, std::string>{"{path}", gf_pathToUtf8(path)},
                                             {"{folder}", gf_pathToUtf8(path.parent_path())}}) {
                for (std::size_t at = line.find(mark); at != std::string::npos; at = line.find(mark)) {
                    line.replace(at, mark.size(), text);
                }
            }
            result.push_back(line);
        }
        return result;
    }

    ScanCollections& collections() { return gf_scanCollections(); }

    test_support::TempFolder temp_;
    test_support::LogCapture log_;
};

const std::string kGeneral = "[General]\natc_type=BOEING\natc_model=B738\n\n";

// One section of a B738 package at a time: the livery it gives and what it reports.
TEST_F(CfgParserTest, SectionsOfAnOrdinaryPackage) {
    struct Case {
        const char* name;
        std::string section;
        Lines liveries;
        Lines incomplete;
        Lines invalidAirlines;
    };
    const std::string hdr = "[fltsim.0]\n";
    const std::string base = "sim=B738\nmodel=\ntexture=\n";
    const Case cases[] = {
        {"airline, regcode with a comment, cargo",
         hdr + "title=DLH Freighter\n" + base +
             "atc_id=D-XXXX ; the real one\natc_parking_codes=DLH,CLH\natc_parking_types=gate, cargo\n",
         {"DLH Freighter|D-XXXX|DLH     B738 (C)|1"},
         {},
         {}},
        {"four-letter code ending in X",
         hdr + "title=T\n" + base + "atc_parking_codes=DLHX\n",
         {"T||DLH     B738    |1"},
         {},
         {}},
        {"four-letter code ending in C",
         hdr + "title=T\n" + base + "atc_parking_codes=BAWC\n",
         {"T||BAW     B738    |1"},
         {},
         {}},
        {"registration in the database decides the key",
         hdr + "title=T\n" + base + "atc_id=DABCD\natc_parking_codes=DLH\n",
         {"T|DABCD|BAW,CLH A320.(C)|1"},
         {},
         {}},
        {"two registrations give none",
         hdr + "title=T\n" + base + "atc_id=D-AAAA, D-AAAB\natc_parking_codes=DLH\n",
         {"T||DLH     B738    |1"},
         {},
         {}},
        {"a star makes atc_id invalid",
         hdr + "title=T\n" + base + "atc_id=D-AA*\natc_parking_codes=DLH\n",
         {"T||DLH     B738    |1"},
         {"invalid atc_id=D-AA* in: T"},
         {}},
        {"ZZZ keeps no registration",
         hdr + "title=T\n" + base + "atc_id=D-ABCD\natc_parking_codes=ZZZ\n",
         {"T||ZZZ     B738    |1"},
         {},
         {}},
        {"leading comma: empty code, then private",
         hdr + "title=Private D-EFG\n" + base + "atc_parking_codes=,DLH\n",
         {"Private D-EFG|D-EFG|DLH     C172.   |1"},
         {"{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {"             in {path} [fltsim.0]"}},
        {"unknown code, a later line is read afresh",
         hdr + "title=T\n" + base + "atc_parking_codes=XYZ\natc_parking_codes=BAW\n",
         {"T||BAW     B738    |1"},
         {},
         {"XYZ          in {path} [fltsim.0]"}},
        {"RFO is refused without a word", hdr + "title=T\n" + base + "atc_parking_codes=RFO\n", {}, {}, {}},
        {"Fictional is refused without a word",
         hdr + "title=Fictional T\n" + base + "atc_parking_codes=DLH\n",
         {},
         {},
         {}},
        {"second title",
         hdr + "title=T\ntitle=U\n" + base + "atc_parking_codes=DLH\n",
         {},
         {"{folder} [fltsim.0] has more than one title key",
          "{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {}},
        {"second atc_parking_codes",
         hdr + "title=T\n" + base + "atc_parking_codes=DLH\natc_parking_codes=BAW\n",
         {},
         {"{folder} [fltsim.0] has more than one atc_parking_codes key"},
         {}},
        {"second atc_parking_types behind a semicolon",
         hdr + "title=T\n" + base + "atc_parking_codes=DLH\natc_parking_types=GATE\n;atc_parking_types=RAMP\nx=1\n",
         {},
         {"{folder} [fltsim.0] has more than one atc_parking_types key"},
         {}},
        {"a trailing comment is not part of the section",
         hdr + "title=T\n" + base + "atc_parking_codes=DLH\natc_parking_types=GATE\n;atc_parking_types=RAMP\n",
         {"T||DLH     B738    |1"},
         {},
         {}},
        {"second atc_id",
         hdr + "title=T\n" + base + "atc_id=D-AAAA\natc_id=D-AAAB\natc_parking_codes=DLH\n",
         {},
         {"{folder}, [fltsim.0], has more than one atc_id key",
          "{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {}},
        {"no title", hdr + base + "atc_parking_codes=DLH\n", {}, {"{folder} [fltsim.0] misses title"}, {}},
        {"missing flight model",
         hdr + "title=T\nsim=B777\natc_parking_codes=DLH\n",
         {},
         {"{folder}/model. or related path does not exist: [fltsim.0]"},
         {}},
        {"missing texture folder",
         hdr + "title=T\nsim=B738\ntexture=XX\natc_parking_codes=DLH\n",
         {},
         {"{folder}/model. or related path does not exist: [fltsim.0]"},
         {}},
        {"private B738 without a registration in its title",
         hdr + "title=Private\n" + base,
         {"Private||PVT     B738    |1"},
         {"{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {}},
        {"private with an unknown registration",
         hdr + "title=Private\n" + base + "atc_id=D-QQQQ\n",
         {"Private|D-QQQQ|PVT     B738    |1"},
         {"{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {}},
        {"no airline but a known registration",
         hdr + "title=T\n" + base + "atc_id=D-ABCD\n",
         {"T|D-ABCD|BAW,CLH A320.(C)|1"},
         {"{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {}},
        // The database row has no model: the key can never match, and the title stays free.
        {"registration without a model",
         hdr + "title=T\n" + base + "atc_id=D-NOMO\n[fltsim.1]\ntitle=T\n" + base + "atc_parking_codes=DLH\n",
         {"T||DLH     B738    |1"},
         {"{path} [fltsim.0] icao_airline is missing, or it has invalid info ",
          "{folder} [fltsim.0] title 'T' has an unknown model"},
         {}},
        {"one title twice",
         hdr + "title=T\n" + base + "atc_parking_codes=DLH\n[fltsim.1]\ntitle=T\n" + base + "atc_parking_codes=BAW\n",
         {"T||DLH     B738    |1"},
         {"{folder} [fltsim.1] title 'T' already exists"},
         {}},
        {"another section header ends the section",
         hdr + "title=T\n" + base + "[Other]\natc_parking_codes=DLH\n",
         {"T||PVT     B738    |1"},
         {"{path} [fltsim.0] icao_airline is missing, or it has invalid info "},
         {}},
    };
    int index = 0;
    for (const Case& c : cases) {
        lf_clearScanCollections();
        const fs::path path = package(fmt::format("case{}", index++), kGeneral + c.section);
        EXPECT_EQ(describe(lf_searchLiveriesinFile(1, path)), c.liveries) << c.name;
        EXPECT_EQ(linesOf(collections().incompleteSections), expand(c.incomplete, path)) << c.name;
        EXPECT_EQ(linesOf(collections().invalidAirlineCodes), expand(c.invalidAirlines, path)) << c.name;
    }
}

// Without an airline a Heavy model cannot become a private aircraft; a Light one can.
TEST_F(CfgParserTest, HeavyAgainstLightWithoutAirline) {
    const auto cfg = [](const char* model) {
        return fmt::format("[General]\natc_model={0}\n[fltsim.0]\ntitle=Private D-EFG\nsim={0}\n", model);
    };
    const fs::path heavy = package("heavy", cfg("B744"));
    const fs::path light = package("light", cfg("C172"));
    EXPECT_TRUE(lf_searchLiveriesinFile(1, heavy).empty());
    EXPECT_EQ(linesOf(collections().incompleteSections),
              expand({"{path} [fltsim.0] icao_airline is missing, or it has invalid info ",
                      "'{folder}' '[fltsim.0]' has no airline and no regcode info"},
                     heavy));
    lf_clearScanCollections();
    // The short registration in the title names the aircraft.
    EXPECT_EQ(describe(lf_searchLiveriesinFile(2, light)), Lines{"Private D-EFG|D-EFG|DLH     C172.   |2"});

    lf_clearScanCollections();
    const fs::path unknown =
        package("unknown", "[General]\natc_model=B744\n[fltsim.0]\ntitle=P\nsim=B744\natc_id=D-QQQQ\n");
    EXPECT_TRUE(lf_searchLiveriesinFile(1, unknown).empty());
    EXPECT_EQ(linesOf(collections().incompleteSections).back(),
              expand({"'{folder}' '[fltsim.0]' has no airline and regcode not in dbase"}, unknown)[0]);
}

TEST_F(CfgParserTest, FileLevelOutcomes) {
    struct Case {
        const char* name;
        std::string cfg;
        std::size_t liveries;
        Lines noSection;
        Lines invalidFiles;
        Lines invalidModels;
        Lines fixes;
    };
    const std::string section = "[fltsim.0]\ntitle=T\nsim=B738\natc_parking_codes=DLH\n";
    const Case cases[] = {
        {"[General] only", "[General]\natc_model=B738\n", 0, {"{path}"}, {}, {}, {}},
        {"[General] only, no atc_model",
         "[General]\natc_type=X\n",
         0,
         {"{path}"},
         {"Line atc_model= is missing in [General] section of {path}"},
         {},
         {}},
        {"atc_model in a later section counts", section + "[General]\natc_model=B738\n", 1, {}, {}, {}, {}},
        {"a fixed model",
         "[General]\natc_model=B38M\n" + section,
         1,
         {},
         {},
         {},
         {"Model fix: B38M found in {path} changed into B738"}},
        {"an unknown model", "[General]\natc_model=B39M\n" + section, 0, {}, {}, {"B39M             in {path}"}, {}},
        {"models are case-sensitive",
         "[General]\natc_model=b738\n" + section,
         0,
         {},
         {},
         {"b738             in {path}"},
         {}},
        {"section 10001",
         "[General]\natc_model=B738\n" + section + "[fltsim.10001]\n",
         0,
         {},
         {"{path} contains a [fltsim.x] section with a number < 0 or > 10000"},
         {},
         {}},
        {"section 10000 and odd headers pass",
         "[General]\natc_model=B738\n[fltsim.10000]\ntitle=T\nsim=B738\natc_parking_codes=DLH\n"
         "[fltsim.1] ; comment\ntitle=U\nsim=B738\natc_parking_codes=DLH\n[FLTSIM.x]\ntitle=V\nsim=B738\n"
         "atc_parking_codes=DLH\n",
         3,
         {},
         {},
         {},
         {}},
        {"a number beyond 32 bits",
         "[General]\natc_model=B738\n" + section + "[fltsim.4294967296]\n",
         0,
         {},
         {},
         {},
         {}},
    };
    int index = 0;
    for (const Case& c : cases) {
        lf_clearScanCollections();
        const fs::path path = package(fmt::format("file{}", index++), c.cfg);
        EXPECT_EQ(lf_searchLiveriesinFile(1, path).size(), c.liveries) << c.name;
        EXPECT_EQ(linesOf(collections().noSectionFiles), expand(c.noSection, path)) << c.name;
        EXPECT_EQ(linesOf(collections().invalidCfgFiles), expand(c.invalidFiles, path)) << c.name;
        EXPECT_EQ(linesOf(collections().invalidModelCodes), expand(c.invalidModels, path)) << c.name;
        EXPECT_EQ(linesOf(collections().fixes), expand(c.fixes, path)) << c.name;
    }
    EXPECT_EQ(log_.lines().back(), "==> fltsim num [fltsim.4294967296] incorrect");
    EXPECT_TRUE(lf_searchLiveriesinFile(1, temp_.path() / "none" / "aircraft.cfg").empty());
}

TEST_F(CfgParserTest, SectionsKeepFileOrderAndFirstTitlesAcrossFolders) {
    const std::string cfg = kGeneral + "[fltsim.1]\ntitle=B\nsim=B738\natc_parking_codes=DLH\n"
                                       "[fltsim.0]\ntitle=A\nsim=B738\natc_parking_codes=DLH\n";
    const fs::path first = package("first", cfg);
    const fs::path second = package("second", cfg, "sim.cfg");
    EXPECT_EQ(describe(lf_searchLiveriesinFile(3, first)), (Lines{"B||DLH     B738    |3", "A||DLH     B738    |3"}));
    EXPECT_TRUE(lf_searchLiveriesinFile(1, second).empty());
    EXPECT_EQ(linesOf(collections().incompleteSections),
              expand({"{folder} [fltsim.1] title 'B' already exists", "{folder} [fltsim.0] title 'A' already exists"},
                     second));
    EXPECT_TRUE(collections().scanTitles.contains("A"));

    // A don't-use title is skipped without a word.
    lf_clearScanCollections();
    collections().dontUseTitles.insert("A");
    EXPECT_EQ(describe(lf_searchLiveriesinFile(3, first)), Lines{"B||DLH     B738    |3"});
    EXPECT_TRUE(collections().incompleteSections.empty());
}

// Windows finds "model.X", "texture.X" and "X.air" in any letter case, and ignores a trailing dot.
TEST_F(CfgParserTest, CompanionsAreFoundInAnyLetterCase) {
    const fs::path folder = temp_.path() / "cased";
    fs::create_directories(folder / "MODEL.Lh");
    fs::create_directories(folder / "Texture.LH");
    fs::create_directories(folder / "Model");
    fs::create_directories(folder / "TEXTURE");
    test_support::writeBytes(folder / "b738.AIR", "");
    test_support::writeBytes(folder / "aircraft.cfg",
                             kGeneral +
                                 "[fltsim.0]\ntitle=T0\nsim=B738\nmodel=lh\ntexture=lh\natc_parking_codes=DLH\n"
                                 "[fltsim.1]\ntitle=T1\nsim=B738\nmodel=\ntexture=.\natc_parking_codes=DLH\n"
                                 "[fltsim.2]\ntitle=T2\nsim=B738\nmodel=lh.\ntexture=lh\natc_parking_codes=DLH\n"
                                 "[fltsim.3]\ntitle=T3\nsim=B738\nmodel=xx\ntexture=lh\natc_parking_codes=DLH\n");
    EXPECT_EQ(describe(lf_searchLiveriesinFile(1, folder / "aircraft.cfg")),
              (Lines{"T0||DLH     B738    |1", "T1||DLH     B738    |1", "T2||DLH     B738    |1"}));
    EXPECT_EQ(linesOf(collections().incompleteSections),
              expand({"{folder}/model.xx or related path does not exist: [fltsim.3]"}, folder / "aircraft.cfg"));
}

// A file-system error other than "not found" on one package reads as a missing path; the scan
// goes on.
TEST_F(CfgParserTest, FileSystemErrorsReadAsMissingPaths) {
    const fs::path path = package("looped", kGeneral +
                                                "[fltsim.0]\ntitle=T0\nsim=B738\nmodel=loop\n"
                                                "atc_parking_codes=DLH\n[fltsim.1]\ntitle=T1\nsim=B738\n"
                                                "atc_parking_codes=DLH\n[fltsim.2]\ntitle=T2\nsim=" +
                                                std::string(300, 'L') + "\natc_parking_codes=DLH\n");
    fs::create_directory_symlink("model.loop", path.parent_path() / "model.loop");
    std::list<Livery> liveries;
    ASSERT_NO_THROW(liveries = lf_searchLiveriesinFile(1, path));
    EXPECT_EQ(describe(liveries), Lines{"T1||DLH     B738    |1"});
    EXPECT_EQ(collections().incompleteSections.size(), 2u);

    const fs::path loop = temp_.path() / "loop";
    fs::create_directory_symlink("loop", loop);
    EXPECT_TRUE(lf_searchLiveriesinFile(1, loop / "aircraft.cfg").empty());
}

TEST_F(CfgParserTest, Utf16AndWindows1252Files) {
    const std::u16string text =
        u"[General]\r\natc_model=B738\r\n[fltsim.0]\r\ntitle=Lufthansa \u00DCberf\u00FChrung\r\n"
        u"sim=B738\r\natc_parking_codes=DLH\r\n";
    const fs::path utf16 = package("utf16", test_support::utf16LeWithMark(text));
    const fs::path ansi =
        package("ansi", kGeneral + "[fltsim.0]\ntitle=Caf\xE9 DLH\nsim=B738\natc_parking_codes=DLH\n");
    EXPECT_EQ(describe(lf_searchLiveriesinFile(1, utf16)), Lines{"Lufthansa \xC3\x9C"
                                                                 "berf\xC3\xBChrung||DLH     B738    |1"});
    EXPECT_EQ(describe(lf_searchLiveriesinFile(1, ansi)), Lines{"Caf\xC3\xA9 DLH||DLH     B738    |1"});
}

TEST_F(CfgParserTest, LongLinesDoNotEndTheScan) {
    const std::string title(300000, 'T');
    const fs::path path =
        package("long", kGeneral + "[fltsim.0]\ntitle=" + title + "\nsim=B738\natc_parking_codes=DLH\n");
    const std::list<Livery> liveries = lf_searchLiveriesinFile(1, path);
    ASSERT_EQ(liveries.size(), 1u);
    EXPECT_EQ(liveries.front().title, title);
}

TEST_F(CfgParserTest, IvaoModelFromThePackageFolder) {
    struct Case {
        const char* relative;
        const char* model;
        Lines invalidModels;
        Lines fixes;
    };
    const Case cases[] = {
        {"IVAO_MTL/IVAO_B738/aircraft.cfg", "B738", {}, {}},
        {"ivao_mtl/ivao_B738/AIRCRAFT.CFG", "B738", {}, {}},
        {"IVAO_MTL/IVAO_B744F/aircraft.cfg", "B744", {}, {}},
        {"IVAO_MTL/IVAO_A320w/aircraft.cfg", "A320", {}, {}},
        {"IVAO_MTL/IVAO_A320W/aircraft.cfg", "", {"A320W            in {path}"}, {}},
        {"IVAO_MTL/IVAO_B38M/aircraft.cfg", "B738", {}, {"Model fix: B38M found in {path} changed into B738"}},
        {"IVAO_MTL/IVAO_b738/aircraft.cfg", "", {"b738             in {path}"}, {}},
        {"IVAO_MTL/IVAO_B738/sim.cfg", "", {"                 in {path}"}, {}},
        {"IVAO_MTL/IVAO_B7-38/aircraft.cfg", "", {"                 in {path}"}, {}},
        {"ivao_x-csl/IVAO_B738/aircraft.cfg", "", {"                 in {path}"}, {}},
    };
    for (const Case& c : cases) {
        lf_clearScanCollections();
        const fs::path path = temp_.path() / c.relative;
        EXPECT_EQ(lf_ivaoModelFromPath(path), c.model) << c.relative;
        EXPECT_EQ(linesOf(collections().invalidModelCodes), expand(c.invalidModels, path)) << c.relative;
        EXPECT_EQ(linesOf(collections().fixes), expand(c.fixes, path)) << c.relative;
    }
}

TEST_F(CfgParserTest, IvaoSectionsTakeTheAirlineFromTheTitle) {
    const fs::path folder = temp_.path() / "IVAO_MTL" / "IVAO_B738";
    fs::create_directories(folder / "model");
    fs::create_directories(folder / "texture");
    test_support::writeBytes(folder / "B738.air", "");
    const std::string cfg = "[fltsim.0]\ntitle=DLH Lufthansa\nsim=B738\natc_id=D-XXXX;x\natc_parking_types=CARGO\n"
                            "[fltsim.1]\ntitle=dlh lower case\nsim=B738\n"
                            "[fltsim.2]\ntitle=ZZZ generic\nsim=B738\natc_id=D-ABCD\n"
                            "[fltsim.3]\ntitle=D-ABCD only\nsim=B738\natc_id=D-ABCD\n"
                            "[fltsim.4]\ntitle=D-QQ unknown\nsim=B738\natc_id=D-QQQQ\n"
                            "[fltsim.5]\ntitle=D-QQ none\nsim=B738\n"
                            "[fltsim.6]\ntitle=BAW long\nsim=B738\natc_id=ABCDEFGHIJKLM\n"
                            "[fltsim.7]\ntitle=BAW 2\nsim=B738\nmodel=xx\n"
                            "[fltsim.8]\ntitle=DLH Lufthansa\nsim=B738\n"
                            "any [ line ends the section\n"
                            "[fltsim.9]\ntitle=BAW 3\nsim=B738\n[x\ntitle=BAW 4\n"
                            "[fltsim.10]\ntitle=BAW 5\nsim=B738\natc_id=ABCDEFGHIJKL\n";
    test_support::writeBytes(folder / "aircraft.cfg", cfg);
    const fs::path path = folder / "aircraft.cfg";
    EXPECT_EQ(describe(lf_searchLiveriesinIVAOFile(2, path)),
              (Lines{"DLH Lufthansa|D-XXXX;x|DLH     B738    |2", "ZZZ generic||ZZZ     B738    |2",
                     "D-ABCD only|D-ABCD|BAW,CLH A320.(C)|2", "BAW long||BAW     B738    |2",
                     "BAW 3||BAW     B738    |2", "BAW 5|ABCDEFGHIJKL|BAW     B738    |2"}));
    EXPECT_EQ(linesOf(collections().invalidAirlineCodes), expand({"dlh          in {path} [fltsim.1]"}, path));
    EXPECT_EQ(linesOf(collections().incompleteSections),
              expand({"{folder} [fltsim.4] misses airlinecode in title: D-QQ unknown, and regcode unknown D-QQQQ",
                      "{folder} [fltsim.5] misses airlinecode in title: D-QQ none, and no regcode",
                      "invalid atc_id=ABCDEFGHIJKLM in BAW long", "{folder}/model.xx [fltsim.7] does not exist",
                      "{folder} [fltsim.8] title already exists: DLH Lufthansa"},
                     path));
}

} // namespace
} // namespace kiv
