#include <gtest/gtest.h>

#include "platform/headless_control.h"
#include "settings/control_parameters.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

constexpr ControlLayout kLayout{1, 2, 3, 4};

template <typename Exception, typename Make> std::string refusal(const Make& make) {
    try {
        make();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no exception";
}

TEST(ListParameters, TakeTheirBoundsFromTheListAndRefuseAnEmptyOne) {
    const IntListParameter ints("K", 35, {30, 10, 1440, 20}, 7, kLayout);
    EXPECT_EQ(ints.min, 10);
    EXPECT_EQ(ints.max, 1440);
    EXPECT_EQ(ints.value, 35) << "the default is not checked against the list";

    const FloatListParameter floats("F", 24.0F, {1.5F, 0.5F, 24.0F}, 7, kLayout);
    EXPECT_EQ(floats.min, 0.5F);
    EXPECT_EQ(floats.max, 24.0F);

    EXPECT_EQ(refusal<std::invalid_argument>([] { IntListParameter("K", 1, {}, 7, kLayout); }),
              "configuration option list cannot be empty");
    EXPECT_EQ(refusal<std::invalid_argument>([] { FloatListParameter("F", 1.0F, {}, 7, kLayout); }),
              "configuration option list cannot be empty");
    EXPECT_EQ(refusal<std::invalid_argument>([] { DynamicChoiceParameter("D", "", nullptr, 7, kLayout); }),
              "dynamic configuration option list cannot be null");
}

TEST(IntListParameter, ValueAtChecksTheIndex) {
    const IntListParameter list("K", 20, {10, 20, 40}, 7, kLayout);
    EXPECT_EQ(list.valueAt(0), 10);
    EXPECT_EQ(list.valueAt(2), 40);
    for (const std::ptrdiff_t bad : {std::ptrdiff_t{3}, std::ptrdiff_t{-1}}) {
        EXPECT_EQ(refusal<std::out_of_range>([&] { (void)list.valueAt(bad); }),
                  "configuration option index is out of range")
            << bad;
    }
}

TEST(IntListParameter, FillsTheComboBoxAndSelectsOnlyAListedValue) {
    const struct {
        std::int32_t value;
        std::ptrdiff_t selected;
    } cases[] = {{20, 1}, {35, -1}, {1440, 2}};
    for (const auto& c : cases) {
        IntListParameter list("PARKING", 20, {10, 20, 1440}, 7, kLayout);
        platform::HeadlessControl combo;
        combo.addItem("stale");
        list.window = &combo;
        list.value = c.value;
        list.fillComboBox();
        EXPECT_EQ(combo.items(), (std::vector<std::string>{"10", "20", "1440"}));
        EXPECT_EQ(combo.selectedIndex(), c.selected) << c.value;
        EXPECT_EQ(list.value, c.value) << "filling never snaps the value";
    }
}

TEST(ChoiceParameter, FillSearchesByPrefixButSelectValueWantsTheExactText) {
    const struct {
        const char* value;
        std::ptrdiff_t afterFill;
        std::ptrdiff_t afterSelect; // starting from no selection
    } cases[] = {
        {"Ground only", 2, 2},
        {"ground ONLY", 2, -1},
        {"Air", 1, -1},
        {"Sea", -1, -1},
    };
    for (const auto& c : cases) {
        ChoiceParameter choice("SEL", "All traffic", {"All traffic", "Airborne only", "Ground only"}, 7, kLayout);
        platform::HeadlessControl combo;
        choice.window = &combo;
        choice.value = c.value;
        choice.fillComboBox();
        EXPECT_EQ(combo.itemCount(), 3U);
        EXPECT_EQ(combo.selectedIndex(), c.afterFill) << c.value;

        combo.selectIndex(-1);
        choice.selectValue();
        EXPECT_EQ(combo.selectedIndex(), c.afterSelect) << c.value;
    }
}

TEST(ControlParameters, LeaveAMissingOrDeadControlAlone) {
    auto shared = std::make_shared<std::vector<std::string>>(std::vector<std::string>{"A320", "B738"});
    DynamicChoiceParameter dynamic("D", "B7", shared, 7, kLayout);
    IntListParameter list("K", 20, {10, 20}, 7, kLayout);
    dynamic.fillComboBox();
    list.fillComboBox();
    list.selectValue();

    platform::HeadlessControl dead;
    dead.setLive(false);
    dynamic.window = &dead;
    list.window = &dead;
    dynamic.fillComboBox();
    list.fillComboBox();
    EXPECT_EQ(dead.itemCount(), 0U);

    platform::HeadlessControl live;
    dynamic.window = &live;
    shared->push_back("B77W");
    dynamic.fillComboBox();
    EXPECT_EQ(live.items(), (std::vector<std::string>{"A320", "B738", "B77W"})) << "reads the list at the call";
    EXPECT_EQ(live.selectedText(), "B738");
}

TEST(Parameters, LogTheirValueByKind) {
    BoolParameter flag("COLLAPSED", true);
    IntParameter number("MAX_FIT", 47, 0, 47);
    StringParameter text("PORT_NUMBER", "10747");
    PathParameter path("SIM_INSTALL_PATH", u"C:\\P3D v5\\\u00e9");
    EXPECT_EQ(flag.logText(), "COLLAPSED=true");
    flag.value = false;
    EXPECT_EQ(flag.logText(), "COLLAPSED=false");
    EXPECT_EQ(number.logText(), "MAX_FIT=47");
    EXPECT_EQ(text.logText(), "PORT_NUMBER=\"10747\"");
    EXPECT_EQ(path.logText(), "SIM_INSTALL_PATH=\"C:\\P3D v5\\\xc3\xa9\"");
}

TEST(Parameters, LogWritesOneLineAndSwallowsAnUnconvertiblePath) {
    test_support::LogCapture log;
    PathParameter broken("SIM_INSTALL_PATH", std::u16string(1, char16_t{0xD800}));
    broken.log();
    IntParameter("RANGE_3", 1, 1, 100).log();
    StringParameter("BLOCK_AIRCRAFT", "B738").log();
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"RANGE_3=1", "BLOCK_AIRCRAFT=\"B738\""}));
}

} // namespace
} // namespace kiv
