#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "platform/headless_control.h"
#include "settings/aircraft_selector_refill.h"
#include "settings/gui_thread_changes.h"
#include "settings/settings_table.h"
#include "settings_reset.h"

namespace kiv {
namespace {

class AircraftSelectorRefillTest : public ::testing::Test {
protected:
    // The test's own thread plays the GUI thread.
    void SetUp() override {
        test_support::resetSettingsToDefaults();
        gf_unregisterGuiThread();
        while (gf_completeAircraftSelectorRefill()) {
        }
        gf_completeGuiChanges();
        gf_registerGuiThread();
    }
    void TearDown() override {
        gf_setGuiChangeNotifier(nullptr);
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
        test_support::resetSettingsToDefaults();
    }
};

// The loop thread only posts; the selector and its combo box change when the GUI thread
// completes the refill, and then with the newest list.
TEST_F(AircraftSelectorRefillTest, LoopPostsAndTheGuiThreadApplies) {
    platform::HeadlessControl combo;
    param::AIRCRAFT_SELECTOR.window = &combo;
    std::atomic<int> notified{0};
    gf_setGuiChangeNotifier([&] { ++notified; });

    std::thread loop([] {
        gf_postAircraftSelectorRefill({"A320 DLH", "B738 RYR"});
        gf_postAircraftSelectorRefill({"B77W UAE", "A388 UAE"});
    });
    loop.join();
    EXPECT_EQ(notified.load(), 2);
    EXPECT_EQ(*param::AIRCRAFT_SELECTOR.choices, std::vector<std::string>{""}) << "untouched until completed";
    EXPECT_EQ(combo.itemCount(), 0U);

    gf_completeGuiChanges();
    EXPECT_EQ(*param::AIRCRAFT_SELECTOR.choices, (std::vector<std::string>{"B77W UAE", "A388 UAE"}));
    EXPECT_EQ(param::AIRCRAFT_SELECTOR.value, "B77W UAE");
    EXPECT_EQ(combo.items(), (std::vector<std::string>{"B77W UAE", "A388 UAE"}));
    EXPECT_EQ(combo.selectedIndex(), 0);
    EXPECT_FALSE(gf_completeAircraftSelectorRefill()) << "one post is applied once";

    // A later post replaces the list the GUI thread already showed.
    std::thread([] { gf_postAircraftSelectorRefill({"C172 N123"}); }).join();
    gf_completeGuiChanges();
    EXPECT_EQ(combo.items(), std::vector<std::string>{"C172 N123"});
    EXPECT_EQ(param::AIRCRAFT_SELECTOR.value, "C172 N123");
}

TEST_F(AircraftSelectorRefillTest, AnEmptyListClearsTheText) {
    param::AIRCRAFT_SELECTOR.value = "B738 RYR";
    std::thread([] { gf_postAircraftSelectorRefill({}); }).join();
    ASSERT_TRUE(gf_completeAircraftSelectorRefill());
    EXPECT_EQ(param::AIRCRAFT_SELECTOR.value, "");
    EXPECT_TRUE(param::AIRCRAFT_SELECTOR.choices->empty());
}

} // namespace
} // namespace kiv
