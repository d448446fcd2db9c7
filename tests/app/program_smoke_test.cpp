// The whole program in one process over its real subsystems, against the separately written
// simulator stand-in (tools/simconnect-standin) and RT App stand-in (tools/rtapp-standin), with
// a headless main window: it starts, creates the scene's traffic in the simulator, closes when
// the user closes the window, removes every object it created and ends with exit code 0.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/process_entry.h"
#include "app/program.h"
#include "app/program_window.h"
#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "foundation/stop_request.h"
#include "models/livery_records.h"
#include "settings/data_folder.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_reset.h"
#include "simlink/standin_driver.h"
#include "test_support/json_line_process.h"
#include "test_support/log_capture.h"
#include "test_support/queued_window.h"
#include "test_support/temp_folder.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

using test_support::freeTcpPort;
using test_support::freeUdpPort;
using test_support::QueuedWindow;

// The headless toolkit with its message loop; `window` names the window once it is made.
WindowToolkit headlessToolkit(QueuedWindow*& window) {
    WindowToolkit toolkit = test_support::queuedWindowToolkit(window);
    toolkit.runMessageLoop = [&window] { return window->run(std::chrono::seconds(30)).value_or(-99); };
    return toolkit;
}

std::string plainDataFile(const char* name) {
    std::ifstream plain(fs::path(KIV_SAMPLE_DATA_DIR) / "input" / (std::string(name) + ".xml"), std::ios::binary);
    std::ostringstream text;
    text << plain.rdbuf();
    return text.str();
}

// An arrival at Zurich: the RT App's buffer holds its last half minute, then it replays the
// rest live; and the airport's weather.
Json zurichScene() {
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    const auto point = [](int t) {
        return Json{{"hexid", 4738868}, {"lat", 47.52 - 0.0009 * t}, {"lon", 8.50}, {"alt", 3500 - 8 * t},
                    {"vs", -500}, {"gs", 160}, {"track", 180}, {"callsign", "KLM1957"}, {"type", "B738"},
                    {"reg", "PH-BXA"}, {"from", "AMS"}, {"to", "ZRH"}};
    };
    Json buffer = Json::array();
    for (int t = 0; t < 30; t += 5) {
        Json aircraft = point(t);
        aircraft["ts"] = now - 30 + t;
        buffer.push_back(Json::array({aircraft}));
    }
    Json live = Json::array();
    for (int t = 30; t <= 90; t += 2) {
        Json aircraft = point(t);
        aircraft["t"] = t - 30;
        live.push_back(aircraft);
    }
    return {{"buffer", buffer},
            {"parked", Json::array()},
            {"live", live},
            {"weather", Json::array({{{"t", 0}, {"METAR", "LSZH 101250Z 24010KT 9999 FEW030 12/05 Q1018 NOSIG"}}})}};
}

class ProgramSmokeTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::resetSettingsToDefaults();
        gf_resetRunStateForTests();
        gf_setDataFolderForTesting(dataFolder_.path());
        ::setenv("XDG_RUNTIME_DIR", runtimeFolder_.path().c_str(), 1);
        makeProgramFolder();
    }
    void TearDown() override {
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
        // The traffic's livery choices outlive a program run; the next test's run rebuilds the tables.
        gf_clearStickyLiveries();
        gf_resetRunStateForTests();
        test_support::resetSettingsToDefaults();
    }

    // The program's folder as its installer leaves it: the data files, the docs folder, a
    // simulator install folder and one AI package.
    void makeProgramFolder() {
        const DataFileKey key;
        for (const char* name : {"dbase", "airports", "wktraffic", "archives"}) {
            program_.write(fs::path("input") / (std::string(name) + ".enc"),
                           datafile::encryptDataFile(plainDataFile(name), key.bytes()));
        }
        program_.write("docs/README.txt", "read me");
        fs::create_directories(program_.path() / "P3D/Scenery");
        program_.write("liveries/Demo_B738/aircraft.cfg",
                       "[General]\r\natc_model=B738\r\n\r\n[fltsim.0]\r\ntitle=Demo B738 KLM\r\nsim=plane\r\n"
                       "model=\r\ntexture=\r\natc_parking_codes=KLM\r\n");
        program_.write("liveries/Demo_B738/plane.air", "");
        fs::create_directories(program_.path() / "liveries/Demo_B738/model");
        fs::create_directories(program_.path() / "liveries/Demo_B738/texture");
    }

    void writeParameters(std::uint16_t psxPort = 10747) {
        const std::vector<std::pair<std::string, std::string>> values = {
            {"SIM_INSTALL_PATH", (program_.path() / "P3D").string()},
            {"lfolder0", (program_.path() / "liveries").string()},
            {"SKIP_AIRPORT_SCAN", "true"},
            {"RT_CHOISE", "RT App"},
            {"PORT_NUMBER", std::to_string(psxPort)},
            {"DOWNLOAD_SERVER", "http://127.0.0.1:1/"},
            {"P3D_VERSION", "5"}};
        std::ofstream file(dataFolder_.path() / "parameters.xml");
        file << "<?xml version=\"1.0\"?>\n<root><parameters>\n";
        for (const auto& [name, value] : values) {
            file << "<parameter name=\"" << name << "\" value=\"" << value << "\"/>\n";
        }
        file << "</parameters></root>\n";
    }

    test_support::LogCapture log_;
    test_support::TempFolder dataFolder_;
    test_support::TempFolder runtimeFolder_;
    test_support::WorkingFolder program_;
};

TEST_F(ProgramSmokeTest, StartsCreatesTrafficAndRemovesItAllWhenTheUserCloses) {
    const fs::path pipe = runtimeFolder_.path() / "Lockheed_Martin_Prepar3D_v5_SimConnect";
    test_support::SimConnectStandIn simulator({}, pipe);

    const std::uint16_t psxPort = freeTcpPort();
    const std::uint16_t trafficPort = freeUdpPort();
    const std::uint16_t weatherPort = freeUdpPort();
    ASSERT_TRUE(psxPort != 0 && trafficPort != 0 && weatherPort != 0);
    writeParameters(psxPort);
    const fs::path scene = runtimeFolder_.path() / "scene.json";
    std::ofstream(scene) << zurichScene().dump();
    test_support::JsonLineProcess rtApp(
        KIV_PYTHON3, {KIV_RTAPP_STANDIN, "--psx-port", std::to_string(psxPort), "--traffic-port",
                      std::to_string(trafficPort), "--weather-port", std::to_string(weatherPort), "--scene",
                      scene.string(), "--rate", "2", "--speed", "2", "--connect-timeout", "30"});

    QueuedWindow* window = nullptr;
    const WindowToolkit toolkit = headlessToolkit(window);

    ShellFlags flags;
    Program program(".", flags);
    program.rtAppBase.trafficPort = trafficPort;
    program.rtAppBase.weatherPort = weatherPort;
    program.rtAppBase.versionSettle = std::chrono::milliseconds(200);
    ASSERT_TRUE(program.createMainWindow(toolkit));
    ASSERT_NE(window, nullptr);

    // The user: waits for the scene's aircraft to show in the simulator, then closes.
    Json created;
    std::thread user([&] {
        created = simulator.next([](const Json& line) { return line.value("packet", "") == "AICreateNonATCAircraft"; },
                                 std::chrono::seconds(40));
        window->close();
    });
    program.postStart();
    const std::optional<int> exitCode = window->run(std::chrono::seconds(60));
    user.join();

    ASSERT_TRUE(exitCode.has_value()) << "the program did not end";
    EXPECT_EQ(*exitCode, 0);
    EXPECT_EQ(created.value("title", ""), "Demo B738 KLM");
    EXPECT_EQ(created.value("tail_number", ""), "KLM1957");

    // Every object the program created was removed before it hung up.
    simulator.next([](const Json& line) { return line.contains("disconnected"); });
    std::set<std::uint32_t> removed;
    for (const Json& removal : simulator.packets("AIRemoveObject")) {
        removed.insert(removal.value("object_id", 0u));
    }
    const std::size_t creations = simulator.packets("AICreateNonATCAircraft").size();
    EXPECT_GE(creations, 1u);
    EXPECT_EQ(removed.size(), creations);

    const std::vector<std::string> lines = log_.lines();
    const auto logged = [&lines](std::string_view wanted) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(wanted) != std::string::npos; });
    };
    EXPECT_TRUE(logged("Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(logged("Shutdown cleanup: SimClient stopped"));
    EXPECT_TRUE(logged("Shutdown cleanup completed; posting MSG_EXIT"));
}

// No RT App ever connects: the start waits for it on the server's socket, where no stop flag
// reaches. The user's close must end that wait too, and the program with it.
TEST_F(ProgramSmokeTest, AUserCloseEndsTheWaitForTheRtApp) {
    const fs::path pipe = runtimeFolder_.path() / "Lockheed_Martin_Prepar3D_v5_SimConnect";
    test_support::SimConnectStandIn simulator({}, pipe);
    const std::uint16_t psxPort = freeTcpPort();
    ASSERT_NE(psxPort, 0);
    writeParameters(psxPort);

    QueuedWindow* window = nullptr;
    const WindowToolkit toolkit = headlessToolkit(window);
    ShellFlags flags;
    Program program(".", flags);
    program.rtAppBase.trafficPort = 0;
    program.rtAppBase.weatherPort = 0;
    ASSERT_TRUE(program.createMainWindow(toolkit));
    ASSERT_NE(window, nullptr);

    const auto waitingForTheApp = [this] {
        const std::vector<std::string> lines = log_.lines();
        return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("Waiting for the RealTraffic App to run") != std::string::npos;
        });
    };
    bool waited = false;
    std::thread user([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(40);
        while (!(waited = waitingForTheApp()) && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        window->close();
    });
    program.postStart();
    const std::optional<int> exitCode = window->run(std::chrono::seconds(60));
    user.join();
    if (!exitCode) {
        program.feeds.closeRtAppServer(); // lets the stuck worker go, so the test ends
    }

    EXPECT_TRUE(waited) << "the start never waited for the RT App";
    ASSERT_TRUE(exitCode.has_value()) << "the program did not end after the close";
    EXPECT_EQ(*exitCode, 0);
}

// The command-line job through the process entry: the real start-up reads the data files and
// ends with 0 when the job completed, 1 when it did not (here: started outside its folder).
TEST_F(ProgramSmokeTest, ACommandLineJobEndsWithItsResult) {
    struct Case {
        const char* name;
        bool inItsFolder;
        int exitCode;
        bool jobLogged;
    };
    for (const Case& c : {Case{"a completed job", true, 0, true}, Case{"a job that failed", false, 1, false}}) {
        SCOPED_TRACE(c.name);
        gf_resetRunStateForTests();
        writeParameters();
        if (!c.inItsFolder) {
            fs::remove_all(program_.path() / "docs");
        }
        QueuedWindow* window = nullptr;
        ShellFlags flags;
        ProgramHost host(".", headlessToolkit(window), flags);
        const std::vector<std::string> arguments = {"velt_p3d", "--Production"};
        EXPECT_EQ(gf_runProgram(arguments, dataFolder_.path(), host, flags), c.exitCode);

        const std::vector<std::string> lines = log_.lines();
        const auto logged = [&lines](std::string_view wanted) {
            return std::any_of(lines.begin(), lines.end(),
                               [&](const std::string& line) { return line.find(wanted) != std::string::npos; });
        };
        EXPECT_EQ(logged("Command line job:"), c.jobLogged);
        EXPECT_TRUE(logged("Shutdown cleanup completed; posting MSG_EXIT"));
        // A job reaches neither the scans nor the simulator.
        EXPECT_FALSE(fs::exists(program_.path() / "output/LiveriesScanned.xml"));
        fs::create_directories(program_.path() / "docs");
    }
}

} // namespace
} // namespace kiv
