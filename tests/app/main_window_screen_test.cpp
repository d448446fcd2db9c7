// The real main window on a virtual X server: painting, controls and the Compact/Expand
// click. Skipped when no X server can be started.
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/init_instance.h"
#include "app/window_fakes.h"
#include "app/window_procedure.h"
#include "platform/child_process.h"
#include "platform/fltk_window.h"
#include "settings/settings_table.h"

// The font and X libraries keep caches for the life of the process; not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libX11.so\nleak:libXft.so\nleak:libfltk.so\n";
}

namespace kiv {
namespace {

namespace p = param;

// One virtual X server for the whole test program; the reason when none could be started.
struct VirtualDisplay {
    std::unique_ptr<platform::ChildProcess> server;
    std::string failure;

    VirtualDisplay() {
        const std::filesystem::path xvfb = "/usr/bin/Xvfb";
        if (!std::filesystem::exists(xvfb)) {
            failure = "Xvfb is not installed";
            return;
        }
        try {
            server = std::make_unique<platform::ChildProcess>(
                xvfb, std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1600x1200x24", "-dpi", "96",
                                               "-nolisten", "tcp"});
        } catch (const std::exception& e) {
            failure = std::string("Xvfb did not start: ") + e.what();
            return;
        }
        const std::optional<std::string> number = server->readLine(std::chrono::seconds(20));
        if (!number || number->empty()) {
            failure = "Xvfb reported no display";
            return;
        }
        if (!platform::gf_openDisplay(":" + *number, failure)) {
            return;
        }
        failure.clear();
    }
};

VirtualDisplay& display() {
    static VirtualDisplay instance;
    return instance;
}

class MainWindowScreen : public test_support::WindowTest {
protected:
    void SetUp() override {
        if (!display().failure.empty()) {
            GTEST_SKIP() << "no X server could be started: " << display().failure;
        }
        WindowTest::SetUp();
    }
};

constexpr std::uint32_t kDarkGreen = 0x199619;
constexpr std::uint32_t kLightBlue = 0xFFCC99;
constexpr std::uint32_t kRed = 0x0000FF;

TEST_F(MainWindowScreen, PaintsTheBandsAndCollapsesOnTheHotSpot) {
    PaintFacts facts;
    facts.programVersion = "16.8.4";
    facts.simLinkState = 2;
    facts.sourceConnected = true;
    gui_.enqueueUpdate(gui_update::SimulatorText{"Prepar3D v5"});
    gui_.enqueueUpdate(gui_update::SimulatorState{1});
    gui_.enqueueUpdate(gui_update::TrafficSourceStarted{});
    gui_.enqueueUpdate(gui_update::TrafficReaderStatus{1});
    gui_.enqueueUpdate(gui_update::LiveryCount{0});
    gui_.enqueueUpdate(gui_update::Error{"screen test error"});

    p::COLLAPSED.value = false;
    MainWindowProcedure procedure(context(), [&] { return facts; });
    const MainWindowFactory factory = [](std::int32_t x, std::int32_t y, std::int32_t height,
                                         platform::MainWindowEvents& events) {
        return platform::gf_makeMainWindow("VELT_P3D", x, y, height, events);
    };
    std::unique_ptr<platform::MainWindow> window = initInstance(procedure, factory);
    ASSERT_TRUE(window);
    ASSERT_EQ(window->dpi(), 96U);
    EXPECT_EQ(platform::gf_childCount(*window, false), 50U);
    EXPECT_EQ(platform::gf_childCount(*window, true), 50U);

    const std::filesystem::path expanded = std::filesystem::current_path() / "main_window_expanded.png";
    ASSERT_TRUE(platform::gf_saveClientImage(*window, expanded));
    EXPECT_GT(std::filesystem::file_size(expanded), 1000U);
    EXPECT_EQ(platform::gf_savedPixel(300, 28), 0U);                   // header
    EXPECT_EQ(platform::gf_savedPixel(420, 90), kDarkGreen);           // simulator box, linked and running
    EXPECT_EQ(platform::gf_savedPixel(450, 90), 0x00FFFFU);            // source box, reader waiting
    EXPECT_EQ(platform::gf_savedPixel(600, 190), kLightBlue);          // settings band
    EXPECT_EQ(platform::gf_savedPixel(890, 730), 0U);                  // parking band
    EXPECT_EQ(platform::gf_savedPixel(890, 765), kRed);                // message band with the error
    EXPECT_EQ(platform::gf_savedPixel(899, 767), kRed);
    EXPECT_EQ(platform::gf_savedPixel(900, 767), 0xFFFFFFFFU);         // 900 x 768 at 96 dpi

    platform::gf_clickClient(*window, 100, 17); // outside the hot spot
    EXPECT_FALSE(gui_.status().collapsed);

    platform::gf_clickClient(*window, 810, 17);
    EXPECT_TRUE(gui_.status().collapsed);
    EXPECT_TRUE(p::COLLAPSED.value);
    EXPECT_EQ(stored("COLLAPSED"), "true");
    EXPECT_EQ(platform::gf_childCount(*window, true), 0U);
    const std::filesystem::path collapsed = std::filesystem::current_path() / "main_window_collapsed.png";
    ASSERT_TRUE(platform::gf_saveClientImage(*window, collapsed));
    EXPECT_EQ(platform::gf_savedPixel(890, 120), kRed); // the message band moved up to 96..128
    EXPECT_EQ(platform::gf_savedPixel(890, 127), kRed);
    EXPECT_EQ(platform::gf_savedPixel(890, 128), 0xFFFFFFFFU);

    platform::gf_clickClient(*window, 810, 17);
    EXPECT_FALSE(gui_.status().collapsed);
    EXPECT_EQ(platform::gf_childCount(*window, true), 50U);
    window->quit(0);
    platform::gf_pumpMessages();
    gui_.detachWindow();
}

} // namespace
} // namespace kiv
