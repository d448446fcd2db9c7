#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "app/fake_window.h"
#include "app/gui.h"
#include "foundation/user_message.h"
#include "settings/gui_thread_changes.h"
#include "test_support/fake_loop_clock.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

namespace gu = gui_update;
using platform::PixelRect;
using platform::WindowMessage;
using test_support::FakeClock;
using test_support::FakeWindow;
using test_support::LogCapture;

constexpr std::int64_t kSecond = 1'000'000'000;

IcaoCode code(const char* text) { return IcaoCode(text); }

struct ApplyRow {
    const char* name;
    std::vector<GuiUpdate> before;
    GuiUpdate update;
    std::uint8_t mask;
    std::function<bool(const GuiStatus&)> after;
};

// Applies `before`, then the update, on the test thread with no window.
std::uint8_t applyRow(Gui& gui, const ApplyRow& row) {
    for (const GuiUpdate& update : row.before) {
        gui.applyUpdate(update);
    }
    return gui.applyUpdate(row.update);
}

TEST(GuiApply, EveryAlternativeStoresItsPayloadAndYieldsItsMask) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<ApplyRow> rows = {
        {"SetCollapsed", {}, gu::SetCollapsed{true}, 16, [](auto& s) { return s.collapsed; }},
        {"ToggleCollapsed", {gu::SetCollapsed{true}}, gu::ToggleCollapsed{}, 16, [](auto& s) { return !s.collapsed; }},
        {"SetAlwaysOnTop", {}, gu::SetAlwaysOnTop{true}, 0, [](auto&) { return true; }},
        {"Repaint", {}, gu::Repaint{6}, 6, [](auto&) { return true; }},
        {"ExpireMessage, not due",
         {gu::Message{"hi", false}},
         gu::ExpireMessage{},
         0,
         [](auto& s) { return s.messageLine == "hi"; }},
        {"TrafficSourceStarted", {}, gu::TrafficSourceStarted{}, 1, [](auto& s) { return !s.trafficSourceNotStarted; }},
        {"StaticExtra", {}, gu::StaticExtra{7}, 4, [](auto& s) { return s.staticExtra == 7; }},
        {"TrafficReaderStatus changed",
         {},
         gu::TrafficReaderStatus{0},
         1,
         [](auto& s) { return s.trafficReaderStatus == 0; }},
        {"TrafficReaderStatus same",
         {},
         gu::TrafficReaderStatus{2},
         0,
         [](auto& s) { return s.trafficReaderStatus == 2; }},
        {"WeatherReaderStatus changed",
         {},
         gu::WeatherReaderStatus{1},
         1,
         [](auto& s) { return s.weatherReaderStatus == 1; }},
        {"WeatherReaderStatus same",
         {},
         gu::WeatherReaderStatus{2},
         0,
         [](auto& s) { return s.weatherReaderStatus == 2; }},
        {"TrafficSourceText",
         {},
         gu::TrafficSourceText{"RT App"},
         1,
         [](auto& s) { return s.trafficSourceText == "RT App"; }},
        {"SimulatorText", {}, gu::SimulatorText{"P3D v5"}, 1, [](auto& s) { return s.simulatorText == "P3D v5"; }},
        {"SimulatorState", {}, gu::SimulatorState{2}, 1, [](auto& s) { return s.simulatorState == 2; }},
        {"LiveryCount", {}, gu::LiveryCount{12}, 1, [](auto& s) { return s.liveryCount == 12; }},
        {"SimaddonCount", {}, gu::SimaddonCount{3}, 1, [](auto& s) { return s.simaddonCount == 3; }},
        {"ThirdPartyCount", {}, gu::ThirdPartyCount{4}, 1, [](auto& s) { return s.thirdPartyCount == 4; }},
        {"UserWingspanKnown", {}, gu::UserWingspanKnown{false}, 1, [](auto& s) { return !s.userWingspanKnown; }},
        {"LiveCount changed", {}, gu::LiveCount{9}, 1, [](auto& s) { return s.liveCount == 9; }},
        {"LiveCount same", {gu::LiveCount{9}}, gu::LiveCount{9}, 0, [](auto& s) { return s.liveCount == 9; }},
        {"StandCount", {}, gu::StandCount{40}, 4, [](auto& s) { return s.standCount == 40; }},
        {"ParkCounts changed",
         {},
         gu::ParkCounts{1, 2},
         4,
         [](auto& s) { return s.parkedLiveCount == 1 && s.parkedStaticCount == 2; }},
        {"ParkCounts one differs",
         {gu::ParkCounts{1, 2}},
         gu::ParkCounts{1, 3},
         4,
         [](auto& s) { return s.parkedStaticCount == 3; }},
        {"ParkCounts same", {gu::ParkCounts{1, 2}}, gu::ParkCounts{1, 2}, 0, [](auto&) { return true; }},
        {"MaxPark", {}, gu::MaxPark{50, 30}, 4, [](auto& s) { return s.maxParkCount == 50 && s.maxParkPercent == 30; }},
        {"QualityText", {}, gu::QualityText{"good"}, 4, [](auto& s) { return s.qualityText == "good"; }},
        {"ParkAirport expanded",
         {},
         gu::ParkAirport{code("EHAM")},
         4,
         [](auto& s) { return s.parkAirport == code("EHAM"); }},
        {"ParkAirport collapsed, none to some",
         {gu::SetCollapsed{true}},
         gu::ParkAirport{code("EHAM")},
         16,
         [](auto& s) { return s.parkAirport.has_value(); }},
        {"ParkAirport collapsed, some to none",
         {gu::SetCollapsed{true}, gu::ParkAirport{code("EHAM")}},
         gu::ParkAirport{},
         16,
         [](auto& s) { return !s.parkAirport.has_value(); }},
        {"ParkAirport collapsed, some to other",
         {gu::SetCollapsed{true}, gu::ParkAirport{code("EHAM")}},
         gu::ParkAirport{code("EGLL")},
         4,
         [](auto& s) { return s.parkAirport == code("EGLL"); }},
        {"ParkAirportInfo clears the message",
         {gu::Message{"old", false}},
         gu::ParkAirportInfo{true, "EHAM file"},
         12,
         [](auto& s) {
             return s.parkAirportHasFile && s.parkAirportText == "EHAM file" && s.messageLine.empty() &&
                    !s.messageExpiryArmed;
         }},
        {"ParkAirportInfo under an error",
         {gu::Error{"bad"}},
         gu::ParkAirportInfo{false, "x"},
         12,
         [](auto& s) { return s.errorLine == "bad" && s.parkAirportText == "x"; }},
        {"ParkingCountdown", {}, gu::ParkingCountdown{15}, 4, [](auto& s) { return s.parkingCountdownMinutes == 15; }},
        {"StaticFitHidden", {}, gu::StaticFitHidden{true}, 4, [](auto& s) { return s.staticFitHidden; }},
        {"Qnh while waiting",
         {gu::WeatherReaderStatus{1}},
         gu::Qnh{1013},
         1,
         [](auto& s) { return s.qnhHectopascal == 1013 && s.weatherReaderStatus == 0; }},
        {"Qnh while not running",
         {},
         gu::Qnh{998},
         1,
         [](auto& s) { return s.qnhHectopascal == 998 && s.weatherReaderStatus == 2; }},
        {"QnhInInchesHg changed", {}, gu::QnhInInchesHg{true}, 1, [](auto& s) { return s.qnhInInchesHg; }},
        {"QnhInInchesHg same", {}, gu::QnhInInchesHg{false}, 0, [](auto& s) { return !s.qnhInInchesHg; }},
        {"Publisher",
         {},
         gu::Publisher{"Orbx", true},
         4,
         [](auto& s) { return s.publisher == "Orbx" && s.publisherHandmade; }},
        {"ParkingUpdates changed", {}, gu::ParkingUpdates{3}, 4, [](auto& s) { return s.parkingUpdates == 3; }},
        {"ParkingUpdates same", {}, gu::ParkingUpdates{0}, 0, [](auto&) { return true; }},
        {"StaticFit changed", {}, gu::StaticFit{0.5F}, 4, [](auto& s) { return s.staticFit == 0.5F; }},
        {"StaticFit same", {gu::StaticFit{0.5F}}, gu::StaticFit{0.5F}, 0, [](auto&) { return true; }},
        {"StaticFit NaN twice",
         {gu::StaticFit{nan}},
         gu::StaticFit{nan},
         4,
         [](auto& s) { return std::isnan(s.staticFit); }},
        {"LiveFit changed", {}, gu::LiveFit{0.25F}, 4, [](auto& s) { return s.liveFit == 0.25F; }},
        {"LiveFit same", {gu::LiveFit{0.25F}}, gu::LiveFit{0.25F}, 0, [](auto&) { return true; }},
        {"LiveFit NaN twice", {gu::LiveFit{nan}}, gu::LiveFit{nan}, 4, [](auto& s) { return std::isnan(s.liveFit); }},
        {"UserStand changed", {}, gu::UserStand{"B12"}, 1, [](auto& s) { return s.userStand == "B12"; }},
        {"UserStand same", {gu::UserStand{"B12"}}, gu::UserStand{"B12"}, 0, [](auto&) { return true; }},
        {"TimeShiftLocked", {}, gu::TimeShiftLocked{}, 2, [](auto& s) { return !s.timeShiftEditable; }},
        {"Message new",
         {},
         gu::Message{"hello", false},
         8,
         [](auto& s) { return s.messageLine == "hello" && s.messageExpiryArmed; }},
        {"Message same text",
         {gu::Message{"hello", false}},
         gu::Message{"hello", false},
         0,
         [](auto& s) { return s.messageLine == "hello" && s.messageExpiryArmed; }},
        {"Message empty disarms",
         {gu::Message{"hello", false}},
         gu::Message{"", false},
         8,
         [](auto& s) { return s.messageLine.empty() && !s.messageExpiryArmed; }},
        {"Message under an error",
         {gu::Error{"bad"}},
         gu::Message{"hello", false},
         0,
         [](auto& s) { return s.messageLine.empty() && s.errorLine == "bad"; }},
        {"Error empties the message",
         {gu::Message{"hello", false}},
         gu::Error{"bad"},
         8,
         [](auto& s) { return s.messageLine.empty() && !s.messageExpiryArmed && s.errorLine == "bad"; }},
        {"Error equal to the standing one",
         {gu::Error{"bad"}},
         gu::Error{"bad"},
         0,
         [](auto& s) { return s.errorLine == "bad"; }},
        {"ClearMessage",
         {gu::Message{"hello", false}},
         gu::ClearMessage{},
         8,
         [](auto& s) { return s.messageLine.empty() && !s.messageExpiryArmed; }},
        {"ClearMessage with none", {}, gu::ClearMessage{}, 0, [](auto&) { return true; }},
        {"ClearError", {gu::Error{"bad"}}, gu::ClearError{}, 8, [](auto& s) { return s.errorLine.empty(); }},
        {"ClearError with none", {}, gu::ClearError{}, 0, [](auto&) { return true; }},
        {"ResetStatus",
         {gu::LiveryCount{5}, gu::MaxPark{20, 40}, gu::ParkAirport{code("EHAM")}, gu::Qnh{1010}, gu::LiveCount{3},
          gu::UserWingspanKnown{false}, gu::TimeShiftLocked{}, gu::Error{"e"}, gu::StaticFit{0.1F},
          gu::TrafficReaderStatus{0}},
         gu::ResetStatus{},
         15,
         [](auto& s) {
             return s.liveryCount == 5 && s.maxParkPercent == 40 && s.maxParkCount == 0 && !s.parkAirport &&
                    s.qnhHectopascal == 0 && s.liveCount == 0 && s.userWingspanKnown && s.timeShiftEditable &&
                    s.errorLine.empty() && s.staticFit == -1.0F && s.trafficReaderStatus == 2 &&
                    s.trafficSourceNotStarted;
         }},
    };
    for (const ApplyRow& row : rows) {
        FakeClock clock;
        Gui gui(clock);
        EXPECT_EQ(applyRow(gui, row), row.mask) << row.name;
        EXPECT_TRUE(row.after(gui.status())) << row.name;
    }
}

TEST(GuiApply, AMessageExpiresAfterTwentyFiveSecondsOnTheSteadyClock) {
    FakeClock clock;
    Gui gui(clock);
    gui.applyUpdate(gu::Message{"hello", false});
    clock.now += 25 * kSecond - 1;
    EXPECT_EQ(gui.applyUpdate(gu::ExpireMessage{}), 0);
    EXPECT_EQ(gui.status().messageLine, "hello");
    // The same text again renews the 25 s without a repaint.
    gui.applyUpdate(gu::Message{"hello", false});
    clock.now += 25 * kSecond - 1;
    EXPECT_EQ(gui.applyUpdate(gu::ExpireMessage{}), 0);
    clock.now += 1;
    EXPECT_EQ(gui.applyUpdate(gu::ExpireMessage{}), 8);
    EXPECT_EQ(gui.status().messageLine, "");
    EXPECT_EQ(gui.applyUpdate(gu::ExpireMessage{}), 0);
}

TEST(GuiApply, MessagesAndErrorsAreLoggedOnlyWhenShown) {
    LogCapture log;
    FakeClock clock;
    Gui gui(clock);
    gui.applyUpdate(gu::Message{"first", true});
    gui.applyUpdate(gu::Message{"quiet", false});
    gui.applyUpdate(gu::Error{"broken"});
    gui.applyUpdate(gu::Error{"broken"});
    gui.applyUpdate(gu::Message{"hidden", true});
    gui.applyUpdate(gu::ClearMessage{});
    EXPECT_EQ(gui.status().errorLine, "broken");
    gui.applyUpdate(gu::ClearError{});
    gui.applyUpdate(gu::Message{"after", true});
    EXPECT_EQ(gui.status().messageLine, "after");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"first", "Error broken", "after"}));
}

TEST(GuiRepaint, BandsAndResizesFollowTheLayoutAtTheWindowsDpi) {
    struct Row {
        const char* name;
        std::vector<GuiUpdate> state;
        std::uint8_t mask;
        std::uint32_t dpi;
        std::vector<PixelRect> invalidated;
        std::vector<std::pair<std::int32_t, std::int32_t>> resizes;
    };
    const std::vector<Row> rows = {
        {"all bands, expanded, 96 dpi",
         {},
         15,
         96,
         {{0, 32, 900, 96}, {0, 96, 900, 640}, {0, 640, 900, 736}, {0, 736, 900, 768}},
         {}},
        {"parking and message, collapsed with park airport, 144 dpi",
         {gu::SetCollapsed{true}, gu::ParkAirport{code("EHAM")}},
         12,
         144,
         {{0, 144, 1350, 288}, {0, 288, 1350, 336}},
         {}},
        {"parking and message, collapsed without park airport",
         {gu::SetCollapsed{true}},
         12,
         96,
         {{0, 96, 900, 128}},
         {}},
        {"resize wins over the bands, expanded, 120 dpi", {}, 31, 120, {}, {{1125, 960}}},
        {"resize collapsed with park airport",
         {gu::SetCollapsed{true}, gu::ParkAirport{code("EHAM")}},
         16,
         96,
         {},
         {{900, 224}}},
        {"resize collapsed without", {gu::SetCollapsed{true}}, 16, 96, {}, {{900, 128}}},
        {"nothing for mask 0", {}, 0, 96, {}, {}},
    };
    for (const Row& row : rows) {
        FakeClock clock;
        FakeWindow window;
        Gui gui(clock);
        for (const GuiUpdate& update : row.state) {
            gui.applyUpdate(update);
        }
        gui.attachWindow(window, row.dpi);
        gui.repaint(row.mask);
        std::vector<PixelRect> rects;
        for (const auto& [rect, erase] : window.invalidated) {
            EXPECT_FALSE(erase) << row.name;
            rects.push_back(rect);
        }
        EXPECT_EQ(rects, row.invalidated) << row.name;
        EXPECT_EQ(window.resizes, row.resizes) << row.name;
        gui.detachWindow();
    }
}

TEST(GuiRepaint, RepaintWithoutAWindowDoesNothing) {
    FakeClock clock;
    Gui gui(clock);
    gui.repaint(31); // must not crash or throw
    EXPECT_FALSE(gui.hasWindow());
}

class GuiQueueTest : public ::testing::Test {
protected:
    void TearDown() override {
        gf_unregisterGuiThread();
        gf_setGuiChangeNotifier({});
        gf_setUserMessageHandler({});
    }
    FakeClock clock;
    FakeWindow window;
};

TEST_F(GuiQueueTest, UpdatesPostedBeforeTheWindowExistsAreShownOnceItIsCreated) {
    Gui gui(clock);
    std::thread([&] {
        gui.enqueueUpdate(gu::LiveCount{4});
        gui.showMessage("early", false);
    }).join();
    EXPECT_TRUE(window.messages().empty());
    gui.beginWindowCreation();
    gui.attachWindow(window, 96);
    EXPECT_EQ(window.messages(), std::vector<WindowMessage>{WindowMessage::guiUpdate});
    gui.drainUpdates();
    EXPECT_EQ(gui.status().liveCount, 4u);
    EXPECT_EQ(gui.status().messageLine, "early");
    // One repaint for the whole batch: status band and message line.
    EXPECT_EQ(window.invalidated.size(), 2u);
}

TEST_F(GuiQueueTest, AnEmptyQueueAtCreationPostsNothing) {
    Gui gui(clock);
    gui.beginWindowCreation();
    gui.attachWindow(window, 96);
    EXPECT_TRUE(window.messages().empty());
}

TEST_F(GuiQueueTest, OnTheGuiThreadAnUpdateIsAppliedAndPaintedAtOnce) {
    Gui gui(clock);
    gui.beginWindowCreation();
    gui.attachWindow(window, 96);
    gui.enqueueUpdate(gu::QualityText{"q"});
    EXPECT_EQ(gui.status().qualityText, "q");
    EXPECT_TRUE(window.messages().empty());
    ASSERT_EQ(window.invalidated.size(), 1u);
    EXPECT_EQ(window.invalidated[0].first, (PixelRect{0, 640, 900, 736}));
}

TEST_F(GuiQueueTest, AfterClosingTheQueueUpdatesAreDropped) {
    Gui gui(clock);
    gui.beginWindowCreation();
    gui.attachWindow(window, 96);
    std::thread([&] { gui.enqueueUpdate(gu::LiveCount{1}); }).join();
    gui.closeUpdateQueue();
    std::thread([&] { gui.enqueueUpdate(gu::LiveCount{2}); }).join();
    gui.enqueueUpdate(gu::LiveCount{3}); // the GUI thread too
    gui.drainUpdates();
    EXPECT_EQ(gui.status().liveCount, 0u);
    EXPECT_EQ(window.messages().size(), 1u);
}

TEST_F(GuiQueueTest, AFailedWakeUpIsRetriedByTheNextPost) {
    Gui gui(clock);
    gui.beginWindowCreation();
    gui.attachWindow(window, 96);
    window.refusePosts = true;
    std::thread([&] { gui.enqueueUpdate(gu::LiveCount{1}); }).join();
    window.refusePosts = false;
    std::thread([&] { gui.enqueueUpdate(gu::StandCount{2}); }).join();
    EXPECT_EQ(window.messages().size(), 1u);
    gui.drainUpdates();
    EXPECT_EQ(gui.status().liveCount, 1u);
    EXPECT_EQ(gui.status().standCount, 2u);
}

TEST_F(GuiQueueTest, ManyPostingThreadsKeepOneWakeUpOutstandingAndTheirOwnOrder) {
    LogCapture log;
    Gui gui(clock);
    constexpr int kThreads = 4;
    constexpr int kPosts = 400;
    std::atomic<int> finished{0};
    std::thread guiThread([&] {
        gui.beginWindowCreation();
        gui.attachWindow(window, 96);
        while (window.takeWake([&] { return finished.load() == kThreads; })) {
            gui.drainUpdates();
        }
        gui.drainUpdates(); // whatever a refused race left behind (none expected)
    });
    while (!gui.hasWindow()) {
        std::this_thread::yield();
    }
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                gui.showMessage(fmt::format("{} {}", t, i), true);
            }
            ++finished;
            window.notifyAll();
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    guiThread.join();
    EXPECT_EQ(window.mostOutstandingWakes(), 1);
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : log.lines()) {
        int thread = 0;
        int index = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %d", &thread, &index), 2) << line;
        EXPECT_EQ(index, next[thread]) << "thread " << thread;
        next[thread] = index + 1;
    }
    EXPECT_EQ(next, std::vector<int>(kThreads, kPosts));
}

TEST_F(GuiQueueTest, SharedPostsOfTheFoundationAndSettingsReachTheGui) {
    Gui gui(clock);
    gf_routeSharedPostsTo(gui);
    gui.beginWindowCreation();
    gui.attachWindow(window, 96);
    bool ran = false;
    std::thread([&] {
        gf_showUserMessage("from a worker", false);
        gf_runOnGuiThread([&] { ran = true; });
    }).join();
    EXPECT_EQ(window.messages().size(), 1u);
    gui.drainUpdates();
    EXPECT_EQ(gui.status().messageLine, "from a worker");
    EXPECT_TRUE(ran);
}

TEST_F(GuiQueueTest, WhileTheSupportHintIsPendingClearingShowsTheHintInstead) {
    Gui gui(clock);
    gui.applyUpdate(gu::Message{"standing", false});
    gui.setSupportHintAction([&] { gui.showMessage("mail tblo.zip", false); });
    gui.setSupportHintPending(true);
    gui.clearMessage();
    gui.drainUpdates();
    EXPECT_EQ(gui.status().messageLine, "mail tblo.zip");
    gui.setSupportHintPending(false);
    gui.clearMessage();
    gui.drainUpdates();
    EXPECT_EQ(gui.status().messageLine, "");
}

TEST_F(GuiQueueTest, StaticFitHiddenIsSharedAtOnceAndShownAfterTheDrain) {
    Gui gui(clock);
    std::thread([&] { gui.setStaticFitHidden(true); }).join();
    EXPECT_TRUE(gui.staticFitHiddenShared());
    EXPECT_FALSE(gui.status().staticFitHidden);
    gui.drainUpdates();
    EXPECT_TRUE(gui.status().staticFitHidden);
    gui.applyUpdate(gu::ResetStatus{});
    EXPECT_FALSE(gui.staticFitHiddenShared());
}

TEST_F(GuiQueueTest, WindowMessagesNeedAWindow) {
    Gui gui(clock);
    EXPECT_FALSE(gui.postWindowMessage(WindowMessage::exit));
    gui.attachWindow(window, 96);
    EXPECT_TRUE(gui.postWindowMessage(WindowMessage::exit));
    gui.applyUpdate(gu::SetAlwaysOnTop{true});
    gui.applyUpdate(gu::SetCollapsed{true});
    EXPECT_EQ(window.topmost, std::vector<bool>{true});
    EXPECT_EQ(window.controlsShown, std::vector<bool>{false});
    gui.detachWindow();
    EXPECT_FALSE(gui.postWindowMessage(WindowMessage::start));
}

} // namespace
} // namespace kiv
