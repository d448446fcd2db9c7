// A headless main window, recording ports and dialogs, and a fixture that runs the window's
// controls over them with a fresh "parameters.xml", default settings and the log captured.
// Settings, the log and the stop slot are process globals: one fixture at a time.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "app/gui.h"
#include "app/main_window_controls.h"
#include "foundation/stop_request.h"
#include "platform/headless_control.h"
#include "settings/data_folder.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_reset.h"
#include "settings/settings_snapshot.h"
#include "settings/settings_table.h"
#include "test_support/fake_loop_clock.h"
#include "test_support/log_capture.h"

namespace kiv::test_support {

class HeadlessMainWindow final : public platform::MainWindow {
public:
    bool postMessage(platform::WindowMessage message) override {
        posted.push_back(message);
        return true;
    }
    void invalidate(const platform::PixelRect& rect, bool erase) override { invalidated.emplace_back(rect, erase); }
    void resizeClient(std::int32_t width, std::int32_t height) override { resizes.emplace_back(width, height); }
    void setAlwaysOnTop(bool on) override { topmost.push_back(on); }
    void showControls(bool visible) override { controlsShown.push_back(visible); }
    platform::Control* createControl(const platform::ControlSpec& spec) override {
        specs.push_back(spec);
        if (spec.id == failId) {
            return nullptr;
        }
        controls.push_back(std::make_unique<platform::HeadlessControl>());
        return controls.back().get();
    }
    std::uint32_t dpi() const override { return windowDpi; }
    platform::PixelRect frame() const override { return framePixels; }
    platform::PixelRect workAreaNear(const platform::PixelRect&) const override { return workArea; }
    void moveTo(std::int32_t x, std::int32_t y) override {
        moves.emplace_back(x, y);
        framePixels = {x, y, x + framePixels.right - framePixels.left, y + framePixels.bottom - framePixels.top};
    }
    void show() override { shown = true; }
    void quit(int exitCode) override { quitCode = exitCode; }

    std::uint16_t failId = 0;
    std::uint32_t windowDpi = 96;
    platform::PixelRect framePixels{400, 20, 1316, 827};
    platform::PixelRect workArea{0, 0, 1920, 1040};
    std::vector<platform::ControlSpec> specs;
    std::vector<std::unique_ptr<platform::HeadlessControl>> controls;
    std::vector<platform::WindowMessage> posted;
    std::vector<std::pair<platform::PixelRect, bool>> invalidated;
    std::vector<std::pair<std::int32_t, std::int32_t>> resizes;
    std::vector<bool> topmost;
    std::vector<bool> controlsShown;
    std::vector<std::pair<std::int32_t, std::int32_t>> moves;
    bool shown = false;
    std::optional<int> quitCode;
};

struct FakePorts final : WindowPorts {
    void requestFlushStatics() override { calls.push_back("flush"); }
    void requestAircraftList() override { calls.push_back("aircraft list"); }
    void removeAircraftClass(AircraftClass c) override {
        calls.push_back("remove class " + std::to_string(static_cast<int>(c)));
    }
    void maxLiveChanged() override { calls.push_back("max live"); }
    void maxParkChanged() override { calls.push_back("max park"); }
    void matchingDepthRaised() override { calls.push_back("depth raised"); }
    void setNavLightsWhileParked(bool on) override { calls.push_back(on ? "nav lights on" : "nav lights off"); }
    void raiseBlockChanged() override { calls.push_back("block changed"); }
    void countParkingOptionChange(bool rtParkedOnly) override {
        calls.push_back(rtParkedOnly ? "parking option on" : "parking option off");
    }
    void countParkingRequest() override { calls.push_back("parking request"); }
    void setParkingCountdown(std::int32_t minutes) override { calls.push_back("countdown " + std::to_string(minutes)); }
    void clearParkingGenerating() override { calls.push_back("generating cleared"); }
    bool parkingActive() const override { return parking; }
    void clearParkAirportRecord() override { calls.push_back("park record cleared"); }
    bool rtAppServerRunning() const override { return serverRunning; }
    void closeRtAppServer() override { calls.push_back("close server"); }
    void requestRtAppParkedTraffic() override { calls.push_back("rt app parked"); }
    void setSourceTimeShifts(std::int32_t minutes) override { sourceShifts.push_back(minutes); }
    void rtDirectRangeChanged(std::int32_t rangeNm) override { calls.push_back("range " + std::to_string(rangeNm)); }
    bool sourceConnected() const override { return true; }
    std::int64_t latestTrafficTime() const override { return trafficTime; }
    bool isKnownAirport(const IcaoCode& code) const override {
        return std::find(known.begin(), known.end(), std::string(code.text())) != known.end();
    }
    StandsRead readStands(const IcaoCode&) override { return stands; }
    std::string parkAirportStand(const IcaoCode&) override { return reservedStand; }
    bool setReservedStand(const IcaoCode& code, const std::string& stand) override {
        calls.push_back("reserve " + std::string(code.text()) + " " + stand);
        return reserveWorks;
    }
    void moveParkAirportToFront(const IcaoCode& code) override { calls.push_back("front " + std::string(code.text())); }
    std::uint8_t simLinkState() const override { return 2; }
    UserAltitude userAltitude() const override { return user; }
    std::optional<std::int64_t> simulatorTime() const override { return simTime; }
    bool openTbloArchiveFolder() override { return tbloOpens; }
    void startMainWorker() override { calls.push_back("start worker"); }
    void joinMainWorker() override { calls.push_back("join worker"); }
    int exitCode() const override { return 3; }

    bool has(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }

    std::vector<std::string> calls;
    std::vector<std::int32_t> sourceShifts;
    bool parking = false;
    bool serverRunning = false;
    bool reserveWorks = true;
    bool tbloOpens = true;
    std::int64_t trafficTime = 0;
    std::vector<std::string> known;
    StandsRead stands{true, {}, {}};
    std::string reservedStand;
    UserAltitude user;
    std::optional<std::int64_t> simTime;
};

struct FakeDialogs final : platform::WindowDialogs {
    void messageBox(std::string_view text, std::string_view caption, platform::MessageIcon icon) override {
        boxes.push_back({std::string(text), std::string(caption), icon});
    }
    std::optional<std::filesystem::path> pickFolder(const std::filesystem::path& initial) override {
        pickedFrom.push_back(initial);
        return picked;
    }
    std::optional<std::string> promptText(std::string_view, std::string_view, std::size_t maxLength) override {
        promptLengths.push_back(maxLength);
        return typed;
    }
    struct Box {
        std::string text;
        std::string caption;
        platform::MessageIcon icon;
    };
    std::vector<Box> boxes;
    std::vector<std::filesystem::path> pickedFrom;
    std::optional<std::filesystem::path> picked;
    std::vector<std::size_t> promptLengths;
    std::optional<std::string> typed;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_setDataFolderForTesting(log_.folder());
        resetSettingsToDefaults();
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
        gf_resetRunStateForTests();
        gf_publishSettingsSnapshot();
        gui_.beginWindowCreation();
    }
    void TearDown() override {
        for (const ControlEntry& entry : gf_controlTable()) {
            entry.owner->window = nullptr;
        }
        gf_mainWindowState() = MainWindowState{};
        gui_.detachWindow();
        resetSettingsToDefaults();
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
        gf_resetRunStateForTests();
    }

    void createControls() {
        gui_.attachWindow(window_, 96);
        lf_createControls(window_, context());
    }
    WindowContext context() { return {gui_, ports_, &dialogs_}; }
    platform::HeadlessControl& control(const ParameterControl& owner) {
        return *static_cast<platform::HeadlessControl*>(owner.window);
    }
    // The value stored for `key` in "parameters.xml", or nothing.
    std::optional<std::string> stored(const std::string& key) const {
        pugi::xml_document document;
        if (!document.load_file(gf_parametersFilePath().c_str())) {
            return std::nullopt;
        }
        for (const pugi::xml_node element : document.first_child().child("parameters").children()) {
            if (key == element.attribute("name").as_string()) {
                return std::string(element.attribute("value").as_string());
            }
        }
        return std::nullopt;
    }
    std::optional<ExitReason> pendingStop() const {
        const auto request = gf_pendingStopRequest();
        return request ? std::optional(request->reason) : std::nullopt;
    }
    bool logged(std::string_view wanted) const {
        for (const std::string& line : log_.lines()) {
            if (line == wanted) {
                return true;
            }
        }
        return false;
    }

    LogCapture log_;
    FakeClock clock_;
    Gui gui_{clock_};
    HeadlessMainWindow window_;
    FakePorts ports_;
    FakeDialogs dialogs_;
};

} // namespace kiv::test_support
