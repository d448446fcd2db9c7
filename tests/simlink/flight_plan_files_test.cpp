// AI flight-plan files under the data folder.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "settings/data_folder.h"
#include "simlink/flight_plan_files.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

IataCode iata(const char* text) {
    IataCode code;
    code.key = text[0] == 0 ? 0 : 1;
    for (int i = 0; i < 3 && text[i] != 0; ++i) {
        code.chars[i] = text[i];
    }
    return code;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class FlightPlanFiles : public testing::Test {
protected:
    FlightPlanFiles() { gf_setDataFolderForTesting(data.path()); }
    test_support::LogCapture log;
    test_support::TempFolder data;
};

TEST_F(FlightPlanFiles, APlanNamesTheFlightTypeAndTheRoute) {
    struct Case {
        SizeClass sizeClass;
        const char* origin;
        const char* destination;
        const char* type;
    };
    const Case cases[] = {
        {SizeClass::Heavy, "ZRH", "JFK", "IFR"},      {SizeClass::TwoProps, "ZRH", "JFK", "IFR"},
        {SizeClass::Bizjet, "ZRH", "JFK", "IFR"},     {SizeClass::Large, "", "JFK", "IFR"},
        {SizeClass::Light, "ZRH", "", "VFR"},         {SizeClass::HighPerf, "ZRH", "JFK", "VFR"},
        {SizeClass::Rotorcraft, "ZRH", "JFK", "VFR"},
    };
    for (const Case& c : cases) {
        const auto path = data.path() / "plan.pln";
        ASSERT_TRUE(gf_writeFlightPlan(path, Route{iata(c.origin), iata(c.destination)}, c.sizeClass));
        EXPECT_EQ(fileText(path), fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                              "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                                              "<FlightPlan.FlightPlan>\n"
                                              "<FPType>{}</FPType>\n"
                                              "<DepartureID>{}</DepartureID>\n"
                                              "<DestinationID>{}</DestinationID>\n"
                                              "</FlightPlan.FlightPlan>\n"
                                              "</SimBase.Document>\n",
                                              c.type, c.origin, c.destination));
    }
}

TEST_F(FlightPlanFiles, TheFolderLiesUnderTheDataFolderAndGoesAtShutDown) {
    const auto folder = gf_flightPlanFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, data.path() / "orig_dest");
    ASSERT_TRUE(gf_ensureFlightPlanFolder(*folder));
    ASSERT_TRUE(gf_ensureFlightPlanFolder(*folder)); // already there
    const auto path = *folder / gf_flightPlanFileName(1234);
    EXPECT_EQ(path.filename(), "1234.pln");
    const Route route{iata("ZRH"), iata("JFK")};
    ASSERT_TRUE(gf_writeFlightPlan(path, route, SizeClass::Light));
    ASSERT_TRUE(gf_writeFlightPlan(path, route, SizeClass::Heavy));
    EXPECT_EQ(fileText(path), gf_flightPlanText(route, SizeClass::Heavy)); // the second one only

    gf_removeFlightPlan(1234);
    EXPECT_FALSE(std::filesystem::exists(path));
    gf_removeFlightPlan(1234); // gone already: no error
    ASSERT_TRUE(gf_writeFlightPlan(*folder / gf_flightPlanFileName(99), route, SizeClass::Heavy));
    gf_removeFlightPlanFolder();
    EXPECT_FALSE(std::filesystem::exists(*folder));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(FlightPlanFiles, AnUnusableFolderOrFileIsLoggedAndRefused) {
    const auto blocker = data.path() / "blocker";
    std::ofstream(blocker) << "a file";
    EXPECT_FALSE(gf_ensureFlightPlanFolder(blocker));
    EXPECT_FALSE(gf_ensureFlightPlanFolder(blocker / "below"));
    EXPECT_FALSE(gf_writeFlightPlan(data.path() / "missing" / "1.pln", Route{}, SizeClass::Large));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with(fmt::format("Could not create flight-plan folder '{}': ", blocker.string())))
        << lines[0];
    EXPECT_TRUE(lines[1].starts_with("Could not create flight-plan folder '")) << lines[1];
    EXPECT_EQ(lines[2],
              fmt::format("Could not open flight plan '{}' for writing", (data.path() / "missing" / "1.pln").string()));
}

} // namespace
} // namespace kiv
