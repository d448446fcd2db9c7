#include <gtest/gtest.h>

#include "platform/control.h"
#include "platform/headless_control.h"

namespace kiv::platform {
namespace {

TEST(FindItemByPrefix, MatchesFromTheStartIgnoringAsciiCase) {
    const std::vector<std::string> items = {"All traffic", "Airborne only", "Ground only", "ground crew"};
    const struct {
        const char* prefix;
        std::ptrdiff_t index;
    } cases[] = {
        {"All traffic", 0}, {"all TRAFFIC", 0},   {"air", 1}, {"GROUND", 2}, {"ground c", 3}, {"", 0},
        {"traffic", -1},    {"All traffic!", -1}, {"Ä", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(findItemByPrefix(items, c.prefix), c.index) << c.prefix;
    }
    EXPECT_EQ(findItemByPrefix({}, ""), -1);
}

TEST(HeadlessControl, KeepsSelectionInsideTheList) {
    HeadlessControl control;
    control.addItem("10");
    control.addItem("20");
    control.selectIndex(1);
    EXPECT_EQ(control.selectedText(), "20");
    control.selectIndex(2);
    EXPECT_EQ(control.selectedIndex(), -1);

    control.selectIndex(0);
    EXPECT_EQ(control.selectByPrefix("3"), -1);
    EXPECT_EQ(control.selectedIndex(), 0) << "a failed search leaves the selection alone";

    control.resetList();
    EXPECT_EQ(control.itemCount(), 0U);
    EXPECT_EQ(control.selectedIndex(), -1);
}

} // namespace
} // namespace kiv::platform
