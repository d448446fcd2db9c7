#include <algorithm>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "platform/headless_control.h"
#include "settings/parameters_file.h"
#include "settings/parameters_fixture.h"
#include "settings/settings_snapshot.h"
#include "settings/startup_checks.h"

namespace kiv {
namespace {

using test_support::KeyValues;
using Lines = std::vector<std::string>;

const Version kRunning{16, 8, 4};
constexpr const char* kRadiiChanged = "==> Radius parameters changed to fulfill the requirements (see Manual): ";

bool contains(const Lines& lines, std::string_view wanted) {
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

// A combo box or check box that counts every use from a thread other than the one that
// made it (the GUI thread of the test).
class GuiOnlyControl final : public platform::Control {
public:
    bool isLive() const override { return noted().isLive(); }
    void resetList() override { noted().resetList(); }
    void addItem(std::string_view text) override { noted().addItem(text); }
    std::size_t itemCount() const override { return noted().itemCount(); }
    void selectIndex(std::ptrdiff_t index) override { noted().selectIndex(index); }
    std::ptrdiff_t selectByPrefix(std::string_view prefix) override { return noted().selectByPrefix(prefix); }
    std::ptrdiff_t selectedIndex() const override { return noted().selectedIndex(); }
    void setChecked(bool checked) override { noted().setChecked(checked); }
    bool isChecked() const override { return noted().isChecked(); }
    void setEnabled(bool enabled) override { noted().setEnabled(enabled); }
    bool isEnabled() const override { return noted().isEnabled(); }

    std::string selectedText() const { return noted().selectedText(); }
    int foreignUses() const { return foreignUses_.load(); }

private:
    platform::HeadlessControl& noted() const {
        if (std::this_thread::get_id() != owner_) {
            ++foreignUses_;
        }
        return inner_;
    }

    std::thread::id owner_ = std::this_thread::get_id();
    mutable std::atomic<int> foreignUses_{0};
    mutable platform::HeadlessControl inner_;
};

class StartupChecks : public test_support::ParametersFileTest {
protected:
    StartupContext context() const { return {kRunning, log_.folder() / "new_version"}; }

    // A file with the eight radius settings (and anything else given).
    void writeRadii(const std::array<const char*, 8>& values, KeyValues more = {}) const {
        static constexpr std::array<const char*, 8> keys{"RANGE_GROUND",   "RANGE_1",       "RANGE_2",
                                                         "RANGE_3",        "RANGE_ABOVE",   "FLIGHT_LEVEL_1",
                                                         "FLIGHT_LEVEL_2", "FLIGHT_LEVEL_3"};
        KeyValues elements{{"PROGRAM_VERSION", "16.8.4"}};
        for (std::size_t i = 0; i < keys.size(); ++i) {
            elements.emplace_back(keys[i], values[i]);
        }
        elements.insert(elements.end(), more.begin(), more.end());
        writeParameters(elements);
    }

    std::array<std::int32_t, 8> radiiInMemory() const {
        return {param::RANGE_GROUND.value,   param::RANGE_1.value,       param::RANGE_2.value,
                param::RANGE_3.value,        param::RANGE_ABOVE.value,   param::FLIGHT_LEVEL_1.value,
                param::FLIGHT_LEVEL_2.value, param::FLIGHT_LEVEL_3.value};
    }
};

TEST(CorrectRadii, Rules) {
    const struct {
        RadiusValues input;
        RadiusValues output;
        bool changed;
    } cases[] = {
        {{10, 20, 40, 50, 60, 100, 200, 300}, {10, 20, 40, 50, 60, 100, 200, 300}, false},
        {{30, 20, 40, 50, 60, 100, 200, 300}, {30, 30, 40, 50, 60, 100, 200, 300}, true},
        {{10, 20, 20, 20, 60, 100, 200, 300}, {10, 20, 20, 20, 60, 100, 200, 300}, false},
        {{-3, 20, 40, 50, 60, 100, 200, 300}, {0, 20, 40, 50, 60, 100, 200, 300}, true},
        {{90, 10, 5, 0, 1, 100, 200, 300}, {90, 90, 90, 90, 90, 100, 200, 300}, true},
        {{10, 20, 40, 50, 60, 300, 100, 200}, {10, 20, 40, 50, 60, 100, 200, 300}, true},
        {{10, 20, 40, 50, 60, 100, 100, 100}, {10, 20, 40, 50, 60, 100, 101, 102}, true},
        {{10, 20, 40, 50, 60, 200, 100, 100}, {10, 20, 40, 50, 60, 100, 101, 200}, true},
        {{10, 20, 40, 50, 60, 480, 480, 480}, {10, 20, 40, 50, 60, 480, 481, 482}, true},
    };
    for (const auto& testCase : cases) {
        const CorrectedRadii corrected = gf_correctRadii(testCase.input, 1.0);
        EXPECT_EQ(corrected.values, testCase.output) << testCase.input[0] << "," << testCase.input[5];
        EXPECT_EQ(corrected.changed, testCase.changed) << testCase.input[0] << "," << testCase.input[5];
    }
}

TEST_F(StartupChecks, RadiusRulesThenClampAreStoredForAllEight) {
    const struct {
        std::array<const char*, 8> stored;
        std::array<std::int32_t, 8> expected;
        bool changed;
    } cases[] = {
        {{"10", "20", "40", "50", "60", "100", "200", "300"}, {10, 20, 40, 50, 60, 100, 200, 300}, false},
        {{"30", "20", "40", "50", "60", "100", "200", "300"}, {30, 30, 40, 50, 60, 100, 200, 300}, true},
        {{"10", "20", "40", "50", "60", "300", "100", "200"}, {10, 20, 40, 50, 60, 100, 200, 300}, true},
        {{"10", "20", "40", "50", "60", "100", "100", "100"}, {10, 20, 40, 50, 60, 100, 101, 102}, true},
        {{"10", "20", "40", "50", "60", "480", "480", "480"}, {10, 20, 40, 50, 60, 480, 480, 480}, true},
        // The load clamps -5 to each minimum (2, and 1 for RANGE_3) before the rules raise RANGE_3.
        {{"-5", "20", "40", "-5", "60", "100", "200", "300"}, {2, 20, 40, 40, 60, 100, 200, 300}, true},
        {{"2", "2", "2", "1", "2", "100", "200", "300"}, {2, 2, 2, 2, 2, 100, 200, 300}, true},
    };
    for (const auto& testCase : cases) {
        SetUp();
        test_support::LogCapture capture;
        writeRadii(testCase.stored);
        gf_readParameters(context());
        EXPECT_EQ(radiiInMemory(), testCase.expected) << testCase.stored[0] << "," << testCase.stored[5];
        const Lines lines = capture.lines();
        EXPECT_EQ(contains(lines, kRadiiChanged), testCase.changed) << testCase.stored[0];
        EXPECT_EQ(contains(lines, "Radius parameters okay"), !testCase.changed) << testCase.stored[0];
        EXPECT_EQ(fileValues("FLIGHT_LEVEL_3"), std::vector<std::string>{std::to_string(testCase.expected[7])});
        EXPECT_EQ(fileValues("RANGE_3"), std::vector<std::string>{std::to_string(testCase.expected[3])});
        // All eight are stored once each after a change: eight "key=value" lines after the notice.
        const auto notice = std::find(lines.begin(), lines.end(), kRadiiChanged);
        if (testCase.changed && notice != lines.end()) {
            EXPECT_EQ(*(notice + 1), fmt::format("RANGE_GROUND={}", testCase.expected[0]));
            EXPECT_EQ(*(notice + 8), fmt::format("FLIGHT_LEVEL_3={}", testCase.expected[7]));
        }
    }
}

TEST(SnapToList, HoldingThresholds) {
    const std::vector<std::int32_t> holding{10, 50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 600, 700, 800, 900};
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {5, 10},    {10, 10},   {11, 10},   {30, 10},   {31, 50},   {75, 50}, {76, 100},
        {550, 500}, {551, 600}, {300, 300}, {899, 900}, {950, 900}, {-7, 10},
    };
    for (const auto& [value, snapped] : cases) {
        EXPECT_EQ(gf_snapToList(value, holding), snapped) << value;
    }
}

TEST_F(StartupChecks, VersionPairs) {
    const struct {
        const char* what;
        std::optional<std::string> stored; // empty: no PROGRAM_VERSION element
        bool migrated;
        std::vector<std::string> versionInFile;
        const char* extraLine; // expected in the log, or nullptr
    } cases[] = {
        {"older", "16.8.3", true, {"16.8.4"}, "This is a version update from 16.8.3 -> 16.8.4"},
        {"older minor, two parts", "15.9", true, {"16.8.4"}, "This is a version update from 15.9.0 -> 16.8.4"},
        {"newer", "16.9.0", false, {"16.8.4"}, nullptr},
        {"equal", "16.8.4", false, {"16.8.4"}, nullptr},
        {"missing", std::nullopt, false, {"16.8.4"}, nullptr},
        {"empty", "", false, {"16.8.4"}, nullptr},
        {"malformed",
         "16.8.x",
         true,
         {"16.8.4"},
         "PROGRAM_VERSION '16.8.x' is not a version, taken as older than 16.8.4"},
    };
    for (const auto& testCase : cases) {
        SetUp();
        test_support::LogCapture capture;
        const auto leftover = context().newVersionFolder;
        std::filesystem::create_directories(leftover / "sub");
        test_support::writeFile(leftover / "sub" / "setup.exe", "x");
        KeyValues elements{{"HOLDING_THRESHOLD_METERS", "75"}, {"COLLISION_LIVE_PARKED_GND", "true"}};
        if (testCase.stored) {
            elements.emplace_back("PROGRAM_VERSION", *testCase.stored);
        }
        writeParameters(elements);

        gf_readParameters(context());

        EXPECT_EQ(param::PROGRAM_VERSION.value, "16.8.4") << testCase.what;
        EXPECT_EQ(fileValues("PROGRAM_VERSION"), testCase.versionInFile) << testCase.what;
        EXPECT_EQ(param::HOLDING_THRESHOLD_METERS.value, testCase.migrated ? 50 : 75) << testCase.what;
        EXPECT_EQ(fileValues("HOLDING_THRESHOLD_METERS"), std::vector<std::string>{testCase.migrated ? "50" : "75"})
            << testCase.what;
        EXPECT_EQ(fileValues("COLLISION_LIVE_PARKED_GND").empty(), testCase.migrated) << testCase.what;
        EXPECT_EQ(std::filesystem::exists(leftover), !testCase.migrated) << testCase.what;
        if (testCase.extraLine != nullptr) {
            EXPECT_TRUE(contains(capture.lines(), testCase.extraLine)) << testCase.what;
        }
        std::filesystem::remove_all(leftover);
    }
}

TEST_F(StartupChecks, EqualVersionWritesNothingAfterTheLoad) {
    writeRadii({"10", "20", "40", "50", "60", "100", "200", "300"});
    const std::string handWritten = test_support::readFile(file());
    gf_readParameters(context());
    // Only the load saved: its backup still holds the file as it was before the start.
    EXPECT_EQ(test_support::readFile(sibling(".bak")), handWritten);
    EXPECT_EQ(fileValues("PROGRAM_VERSION"), std::vector<std::string>{"16.8.4"});
}

TEST_F(StartupChecks, FirstStartWritesDefaultsWithoutChecksOrMigration) {
    const auto leftover = context().newVersionFolder;
    std::filesystem::create_directories(leftover);
    gf_readParameters(context());
    EXPECT_EQ(param::PROGRAM_VERSION.value, "16.8.4");
    EXPECT_EQ(fileValues("PROGRAM_VERSION"), std::vector<std::string>{"16.8.4"});
    const Lines lines = log_.lines();
    EXPECT_FALSE(contains(lines, "Radius parameters okay"));
    EXPECT_FALSE(contains(lines, kRadiiChanged));
    EXPECT_TRUE(std::filesystem::exists(leftover));

    // The next start of the same version finds its own file and changes nothing.
    gf_readParameters(context());
    EXPECT_TRUE(contains(log_.lines(), "Radius parameters okay"));
    EXPECT_TRUE(std::filesystem::exists(leftover));
}

TEST_F(StartupChecks, TrafficSource) {
    const struct {
        const char* choice;
        bool rtDirect;
        const char* after;
        bool logged;
    } cases[] = {
        {"RT App", false, "RT App", false},
        {"RT Direct", true, "RT Direct", false},
        {"rt app", true, "RT Direct", true},
        {"", true, "RT Direct", true},
    };
    for (const auto& testCase : cases) {
        SetUp();
        test_support::LogCapture capture;
        param::RT_CHOISE.value = testCase.choice;
        gf_readTrafficSource();
        EXPECT_EQ(gf_isRTDirect(), testCase.rtDirect) << testCase.choice;
        EXPECT_EQ(gf_trafficSource()->simulatorCode, 3);
        EXPECT_EQ(param::RT_CHOISE.value, testCase.after) << testCase.choice;
        const Lines expected =
            testCase.logged ? Lines{fmt::format("==> Invalid traffic source '{}', using 'RT Direct'", testCase.choice)}
                            : Lines{};
        EXPECT_EQ(capture.lines(), expected) << testCase.choice;
        EXPECT_FALSE(std::filesystem::exists(file())) << "memory only";
    }
}

TEST(MaxFitValue, HalfHoursFromTheIndex) {
    const std::pair<std::int32_t, float> cases[] = {{-3, 0.5F},  {0, 0.5F},   {1, 1.0F},
                                                    {46, 23.5F}, {47, 24.0F}, {100, 24.0F}};
    for (const auto& [index, hours] : cases) {
        EXPECT_EQ(gf_maxFitValue(index), hours) << index;
    }
}

TEST_F(StartupChecks, SyncMaxFitListSelectsTheMatchingEntry) {
    platform::HeadlessControl box;
    for (const float hours : param::MAX_FIT_FL.allowed) {
        box.addItem(std::to_string(hours));
    }
    param::MAX_FIT_FL.window = &box;
    const std::pair<std::int32_t, std::ptrdiff_t> cases[] = {{46, 46}, {0, 0}, {-1, 0}, {47, 47}};
    for (const auto& [maxFit, index] : cases) {
        param::MAX_FIT.value = maxFit;
        gf_syncMaxFitList();
        EXPECT_EQ(param::MAX_FIT_FL.value, gf_maxFitValue(maxFit)) << maxFit;
        EXPECT_EQ(box.selectedIndex(), index) << maxFit;
    }
    param::MAX_FIT_FL.window = nullptr;
}

TEST_F(StartupChecks, SetRangePublishesTheClampedRange) {
    platform::HeadlessControl box;
    param::RANGE.window = &box;
    param::RANGE.fillComboBox();
    const struct {
        std::int32_t range;
        bool rtApp;
        std::int32_t clamped;
        std::uint32_t metres;
    } cases[] = {
        {40, false, 40, 84080}, {40, true, 40, 74080}, {150, true, 100, 185200},
        {0, false, 2, 13704},   {-20, true, 2, 3704},
    };
    for (const auto& testCase : cases) {
        gf_publishTrafficSource(testCase.rtApp);
        gf_setRange(testCase.range);
        const auto snapshot = gf_settings();
        EXPECT_EQ(param::RANGE.value, testCase.clamped) << testCase.range;
        EXPECT_EQ(box.selectedText(), std::to_string(testCase.clamped)) << testCase.range;
        EXPECT_EQ(snapshot->rangeNm, testCase.clamped) << testCase.range;
        EXPECT_EQ(snapshot->rangeNmSquared, testCase.clamped * testCase.clamped) << testCase.range;
        EXPECT_EQ(snapshot->rangeMetres, testCase.metres) << testCase.range;
        EXPECT_EQ(snapshot->rangeChoice, 40) << "the user's own pick stays";
    }
    param::RANGE.window = nullptr;
}

TEST_F(StartupChecks, WorkerThreadsPostControlChangesToTheGuiThread) {
    platform::HeadlessControl rangeBox;
    platform::HeadlessControl fitBox;
    param::RANGE.window = &rangeBox;
    param::RANGE.fillComboBox();
    for (const float hours : param::MAX_FIT_FL.allowed) {
        fitBox.addItem(std::to_string(hours));
    }
    param::MAX_FIT_FL.window = &fitBox;
    gf_registerGuiThread();
    int wakeUps = 0;
    gf_setGuiChangeNotifier([&wakeUps] { ++wakeUps; });

    std::thread worker([] {
        gf_setRange(25);
        param::MAX_FIT.value = 9;
        gf_syncMaxFitList();
    });
    worker.join();

    // The snapshot is published at once; the window's side waits for the GUI thread.
    EXPECT_EQ(gf_settings()->rangeNm, 25);
    EXPECT_EQ(param::RANGE.value, 40);
    EXPECT_EQ(rangeBox.selectedText(), "40");
    EXPECT_EQ(param::MAX_FIT_FL.value, 24.0F);
    EXPECT_EQ(fitBox.selectedIndex(), -1);
    EXPECT_EQ(wakeUps, 2);

    EXPECT_EQ(gf_completeGuiChanges(), 2U);
    EXPECT_EQ(param::RANGE.value, 25);
    EXPECT_EQ(rangeBox.selectedText(), "25");
    EXPECT_EQ(param::MAX_FIT_FL.value, 5.0F);
    EXPECT_EQ(fitBox.selectedIndex(), 9);

    gf_setGuiChangeNotifier(nullptr);
    param::RANGE.window = nullptr;
    param::MAX_FIT_FL.window = nullptr;
}

// On a restart the main sequence loads, repairs and migrates while the window runs: the
// controls change only on the GUI thread, and they end up showing the values the run uses,
// also those changed after the load (the snapped holding threshold, the replaced source).
TEST_F(StartupChecks, StartOnAWorkerShowsTheValuesInUseThroughTheGuiThread) {
    GuiOnlyControl autoPark;
    GuiOnlyControl range;
    GuiOnlyControl holding;
    GuiOnlyControl source;
    autoPark.setChecked(true);
    param::AUTO_PARK.window = &autoPark;
    param::RANGE.window = &range;
    param::HOLDING_THRESHOLD_METERS.window = &holding;
    param::RT_CHOISE.window = &source;
    param::RANGE.fillComboBox();
    param::HOLDING_THRESHOLD_METERS.fillComboBox();
    param::RT_CHOISE.fillComboBox();
    source.selectIndex(1); // "RT App", as the last run had it
    writeParameters({{"PROGRAM_VERSION", "16.8.3"},
                     {"AUTO_PARK", "false"},
                     {"RANGE", "12"},
                     {"HOLDING_THRESHOLD_METERS", "75"},
                     {"RT_CHOISE", "rt app"}});
    gf_registerGuiThread();

    std::atomic<bool> done{false};
    std::thread mainSequence([this, &done] {
        gf_readParameters(context());
        gf_readTrafficSource();
        done = true;
    });
    while (!done) {
        gf_completeGuiChanges();
    }
    mainSequence.join();
    gf_completeGuiChanges();

    EXPECT_EQ(param::HOLDING_THRESHOLD_METERS.value, 50);
    EXPECT_FALSE(autoPark.isChecked());
    EXPECT_EQ(range.selectedText(), "12");
    EXPECT_EQ(holding.selectedText(), "50");
    EXPECT_EQ(source.selectedText(), "RT Direct");
    for (const GuiOnlyControl* control : {&autoPark, &range, &holding, &source}) {
        EXPECT_EQ(control->foreignUses(), 0);
    }
    param::AUTO_PARK.window = nullptr;
    param::RANGE.window = nullptr;
    param::HOLDING_THRESHOLD_METERS.window = nullptr;
    param::RT_CHOISE.window = nullptr;
}

} // namespace
} // namespace kiv
