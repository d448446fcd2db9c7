#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "platform/headless_control.h"
#include "settings/parameter_elements.h"
#include "settings/parameters_file.h"
#include "settings/parameters_fixture.h"

namespace kiv {
namespace {

using test_support::KeyValues;
using Lines = std::vector<std::string>;

constexpr std::size_t kStoredKeyCount = 90;
const Version kRunning{16, 8, 4};

class ParametersFile : public test_support::ParametersFileTest {
protected:
    // The current value of every stored setting as the file writes it, in file order.
    static KeyValues currentValues() {
        KeyValues values;
        const auto add = [&values](const auto& parameter) {
            values.emplace_back(parameter.key, gf_parameterValueText(parameter));
        };
        for (const auto* p : registry::bools)
            add(*p);
        for (const auto* p : registry::checkBoxes)
            add(*p);
        for (const auto* p : registry::ints)
            add(*p);
        for (const auto* p : registry::intLists)
            add(*p);
        for (const auto* p : registry::texts)
            add(*p);
        for (const auto* p : registry::choices)
            add(*p);
        for (const auto* p : registry::paths)
            add(*p);
        return values;
    }
};

TEST_F(ParametersFile, LoadReadsEachKindAndMendsBadValuesInPlace) {
    const struct {
        const char* key;
        const char* stored;
        std::string loaded;                  // the setting's text form after the load
        std::vector<std::string> fileValues; // every element of that key after the load
    } cases[] = {
        {"MAX_FIT", "abc", "47", {"47"}},
        {"RANGE_1", " +42 ", "42", {" +42 "}},
        {"RANGE_1", "+", "20", {"20"}},
        {"RANGE_1", "4 2", "20", {"20"}},
        {"RANGE_1", "42a", "20", {"20"}},
        {"RANGE_1", "", "20", {"20"}},
        {"RANGE_GROUND", "-5", "2", {"2"}},
        {"MAIN_WINDOW_X", "99999", "30000", {"30000"}},
        {"PARKING_INTERVAL_MINUTES", "35", "35", {"35"}},
        {"SKIP_AIRPORT_SCAN", "YES", "true", {"YES"}},
        {"SKIP_AIRPORT_SCAN", "Yes", "true", {"Yes"}},
        {"SKIP_AIRPORT_SCAN", "y", "false", {"false"}},
        {"COLLAPSED", "off", "false", {"off"}},
        {"PORT_NUMBER", "", "", {""}},
        {"DESTINATION", " EHAM ", " EHAM ", {" EHAM "}},
        {"RT_CHOISE", "RT App", "RT App", {"RT App"}},
        {"SIM_INSTALL_PATH", "C:\\P3D \xc3\xa9", "C:\\P3D \xc3\xa9", {"C:\\P3D \xc3\xa9"}},
    };
    for (const auto& testCase : cases) {
        SetUp();
        writeParameters({{testCase.key, testCase.stored}});
        EXPECT_FALSE(gf_loadParameters(kRunning)) << testCase.key;
        std::string loaded;
        for (const auto& [key, value] : currentValues()) {
            if (key == testCase.key) {
                loaded = value;
            }
        }
        EXPECT_EQ(loaded, testCase.loaded) << testCase.key << " '" << testCase.stored << "'";
        EXPECT_EQ(fileValues(testCase.key), testCase.fileValues) << testCase.key << " '" << testCase.stored << "'";
        EXPECT_EQ(fileElements().size(), kStoredKeyCount) << testCase.key;
    }
}

TEST_F(ParametersFile, LoadCompletesAFileInOrderAndRepeatedStartsDoNotGrowIt) {
    writeParameters({{"RANGE_2", "letters"}, {"UNKNOWN_KEY", "kept"}, {"RANGE_2", "77"}});
    ASSERT_FALSE(gf_loadParameters(kRunning));
    EXPECT_EQ(param::RANGE_2.value, 40);
    const KeyValues afterFirst = fileElements();
    ASSERT_EQ(afterFirst.size(), kStoredKeyCount + 2);
    // The elements already there stay first, in their order; the missing keys follow.
    EXPECT_EQ(afterFirst[0], (std::pair<std::string, std::string>{"RANGE_2", "40"}));
    EXPECT_EQ(afterFirst[1].first, "UNKNOWN_KEY");
    EXPECT_EQ(afterFirst[2], (std::pair<std::string, std::string>{"RANGE_2", "77"}));
    EXPECT_EQ(afterFirst[3].first, "PSX_SERVER_HERE");
    EXPECT_EQ(afterFirst.back().first, "SIM_INSTALL_PATH");

    for (int start = 0; start < 2; ++start) {
        ASSERT_FALSE(gf_loadParameters(kRunning));
        EXPECT_EQ(fileElements(), afterFirst) << start;
    }
}

TEST_F(ParametersFile, InvalidUtf8PathIsTreatedAsAbsentWithOneLogLine) {
    param::SIM_INSTALL_PATH.value = u"stale";
    writeParameters({{"SIM_INSTALL_PATH", "C:\\bad\xff\xfe"}});
    ASSERT_FALSE(gf_loadParameters(kRunning));
    EXPECT_EQ(param::SIM_INSTALL_PATH.value, u"");
    EXPECT_EQ(fileValues("SIM_INSTALL_PATH"), std::vector<std::string>{""});
    const Lines lines = log_.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SIM_INSTALL_PATH is not valid UTF-8, using the default"), 1);
}

TEST_F(ParametersFile, BrokenFileIsRebuiltFromTheCurrentSettings) {
    const struct {
        const char* what;
        std::optional<std::string> content; // empty: no file
        std::string logLine;
    } cases[] = {
        {"missing", std::nullopt, "could not be opened, creating new with default values:"},
        {"not XML", "<root><parameters>", "could not be loaded: "},
        {"no section", "<root><other/></root>", "Section 'parameters' not found in '"},
    };
    for (const auto& testCase : cases) {
        SetUp();
        if (testCase.content) {
            test_support::writeFile(file(), *testCase.content);
        }
        // Values a previous start of this run left in memory; a restart must not lose them.
        param::RANGE.value = 77;
        param::QNH_UNIT.value = "QNH inHg";
        EXPECT_TRUE(gf_loadParameters(kRunning)) << testCase.what;
        EXPECT_EQ(param::PROGRAM_VERSION.value, "16.8.4") << testCase.what;
        EXPECT_EQ(param::RANGE.value, 77) << testCase.what;
        EXPECT_EQ(fileElements(), currentValues()) << testCase.what;
        EXPECT_EQ(fileValues("PROGRAM_VERSION"), std::vector<std::string>{"16.8.4"}) << testCase.what;
        EXPECT_EQ(fileValues("RANGE"), std::vector<std::string>{"77"}) << testCase.what;
        const Lines lines = log_.lines();
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(testCase.logLine) != std::string::npos;
        })) << testCase.what;
    }
}

TEST_F(ParametersFile, LoadShowsValuesInExistingControls) {
    platform::HeadlessControl checkBox;
    platform::HeadlessControl rangeBox;
    param::AUTO_PARK.window = &checkBox;
    param::RANGE.window = &rangeBox;
    param::RANGE.fillComboBox();
    writeParameters({{"AUTO_PARK", "false"}, {"RANGE", "12"}});
    checkBox.setChecked(true);
    ASSERT_FALSE(gf_loadParameters(kRunning));
    EXPECT_FALSE(checkBox.isChecked());
    EXPECT_EQ(rangeBox.selectedText(), "12");
    param::AUTO_PARK.window = nullptr;
    param::RANGE.window = nullptr;
}

TEST_F(ParametersFile, StoreUpdatesEveryDuplicateOrAppends) {
    writeParameters({{"RANGE_1", "1"}, {"RANGE_2", "2"}, {"RANGE_1", "3"}});
    param::RANGE_1.value = 33;
    gf_storeParameter(param::RANGE_1);
    param::DESTINATION.value = "EDDF";
    gf_storeParameter(param::DESTINATION);
    gf_setAndStore(param::RANGE_2, 500);
    EXPECT_EQ(param::RANGE_2.value, 100);
    EXPECT_EQ(fileElements(),
              (KeyValues{{"RANGE_1", "33"}, {"RANGE_2", "100"}, {"RANGE_1", "33"}, {"DESTINATION", "EDDF"}}));
    EXPECT_EQ(gf_readIntParameter(pugi::xml_document(), "RANGE_1"), std::nullopt);
}

TEST_F(ParametersFile, StoreIntoAMissingOrBrokenFileRebuildsEverySetting) {
    const struct {
        const char* what;
        std::optional<std::string> content;
    } cases[] = {
        {"deleted", std::nullopt},
        {"not XML", "<root><parameters><parameter name="},
        {"no root", "<other/>"},
        {"no section", "<root/>"},
        {"empty", ""},
    };
    for (const auto& testCase : cases) {
        SetUp();
        param::MAX_LIVE_SEL.value = 75;
        param::SIM_INSTALL_PATH.value = u"D:\\Prepar3D v5";
        if (testCase.content) {
            test_support::writeFile(file(), *testCase.content);
        }
        param::RANGE_3.value = 9;
        gf_storeParameter(param::RANGE_3);
        EXPECT_EQ(fileElements(), currentValues()) << testCase.what;
        EXPECT_EQ(fileValues("RANGE_3"), std::vector<std::string>{"9"}) << testCase.what;
        EXPECT_EQ(fileValues("MAX_LIVE_SEL"), std::vector<std::string>{"75"}) << testCase.what;
    }
}

TEST_F(ParametersFile, SafeSaveKeepsOneBackupAndClearsAStaleTemporaryFile) {
    param::TCAS_FL.value = 200;
    gf_storeParameter(param::TCAS_FL);
    EXPECT_FALSE(std::filesystem::exists(sibling(".bak"))) << "no backup of a file that did not exist";
    const std::string first = test_support::readFile(file());

    test_support::writeFile(sibling(".tmp"), "left over by an interrupted save");
    param::TCAS_FL.value = 220;
    gf_storeParameter(param::TCAS_FL);
    EXPECT_EQ(test_support::readFile(sibling(".bak")), first);
    EXPECT_FALSE(std::filesystem::exists(sibling(".tmp")));
    const std::string second = test_support::readFile(file());

    param::TCAS_FL.value = 240;
    gf_storeParameter(param::TCAS_FL);
    EXPECT_EQ(test_support::readFile(sibling(".bak")), second);
    EXPECT_EQ(fileValues("TCAS_FL"), std::vector<std::string>{"240"});
    EXPECT_EQ(test_support::readFile(file()).rfind(
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n    <parameter ", 0),
              0);
}

TEST_F(ParametersFile, FailedSaveLeavesTheOldFileAndIsLogged) {
    writeParameters({{"TCAS_FL", "180"}});
    const std::string before = test_support::readFile(file());
    // A folder where the temporary file must go cannot be cleared or written.
    std::filesystem::create_directories(sibling(".tmp") / "busy");
    param::TCAS_FL.value = 300;
    gf_storeParameter(param::TCAS_FL);
    EXPECT_EQ(test_support::readFile(file()), before);
    EXPECT_EQ(param::TCAS_FL.value, 300);
    const Lines lines = log_.lines();
    EXPECT_EQ(lines.back(), fmt::format("saving '{}' failed", gf_pathToUtf8(file())));
    EXPECT_FALSE(std::filesystem::exists(sibling(".bak")));
}

TEST_F(ParametersFile, RemovalTakesTheFirstElementOnly) {
    writeParameters({{"RANGE_1", "1"}, {"COLLISION_LIVE_PARKED_GND", "true"}, {"COLLISION_LIVE_PARKED_GND", "false"}});
    const BoolParameter retired{"COLLISION_LIVE_PARKED_GND", false};
    EXPECT_TRUE(gf_removeParameter(retired));
    EXPECT_EQ(fileElements(), (KeyValues{{"RANGE_1", "1"}, {"COLLISION_LIVE_PARKED_GND", "false"}}));
    EXPECT_EQ(log_.lines().back(), "Parameter 'COLLISION_LIVE_PARKED_GND' removed");
}

TEST_F(ParametersFile, RemovalOfAnAbsentKeyOrFromABrokenFileChangesNothing) {
    const BoolParameter absent{"NOT_THERE", false};
    EXPECT_FALSE(gf_removeParameter(absent)) << "no file";
    EXPECT_FALSE(std::filesystem::exists(file()));

    const struct {
        const char* content;
        Lines log;
    } cases[] = {
        {"<root><parameters><parameter name=\"A\" value=\"1\"/></parameters></root>", {}},
        {"<other/>", {"root missing in {}"}},
        {"<root/>", {"Section parameters missing in {}"}},
    };
    for (const auto& [content, log] : cases) {
        test_support::LogCapture capture;
        test_support::writeFile(file(), content);
        EXPECT_FALSE(gf_removeParameter(absent)) << content;
        EXPECT_EQ(test_support::readFile(file()), content);
        EXPECT_FALSE(std::filesystem::exists(sibling(".bak"))) << content;
        Lines expected;
        for (const std::string& line : log) {
            expected.push_back(fmt::format(fmt::runtime(line), gf_pathToUtf8(file())));
        }
        EXPECT_EQ(capture.lines(), expected) << content;
    }
}

TEST_F(ParametersFile, ConcurrentStoresOfDifferentKeysKeepEveryValue) {
    gf_writeDefaultParameters(kRunning);
    constexpr int kRounds = 25;
    std::thread gui([] {
        for (int i = 1; i <= kRounds; ++i) {
            param::MAIN_WINDOW_X.value = i;
            gf_storeParameter(param::MAIN_WINDOW_X);
        }
    });
    for (int i = 1; i <= kRounds; ++i) {
        param::LAST_EPOCH_TIME.value = i;
        gf_storeParameter(param::LAST_EPOCH_TIME);
    }
    gui.join();
    EXPECT_EQ(fileValues("MAIN_WINDOW_X"), std::vector<std::string>{"25"});
    EXPECT_EQ(fileValues("LAST_EPOCH_TIME:"), std::vector<std::string>{"25"});
    EXPECT_EQ(fileElements().size(), kStoredKeyCount);
}

TEST_F(ParametersFile, ReadersFindTheFirstElementUnderRootOrTheNodeItself) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(R"(<root><parameters>
        <parameter value="5"/>
        <parameter name="QUALITY" value=" 7 "/>
        <parameter name="QUALITY" value="8"/>
        <parameter name="FLAG" value="On"/>
        <parameter name="NAME"/>
        <parameter name="quality" value="9"/>
    </parameters></root>)"));
    EXPECT_EQ(gf_readIntParameter(document, "QUALITY"), 7);
    EXPECT_EQ(gf_readIntParameter(document.child("root"), "QUALITY"), 7);
    EXPECT_EQ(gf_readIntParameter(document, ""), 5);
    EXPECT_EQ(gf_readIntParameter(document, "QUALIT"), std::nullopt);
    EXPECT_EQ(gf_readBoolParameter(document, "FLAG"), true);
    EXPECT_EQ(gf_readStringParameter(document, "QUALITY"), " 7 ");
    EXPECT_EQ(gf_readStringParameter(document, "NAME"), std::nullopt);
    EXPECT_EQ(gf_readIntParameter(document.child("root").child("parameters"), "QUALITY"), std::nullopt);
}

} // namespace
} // namespace kiv
