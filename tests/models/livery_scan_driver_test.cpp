#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/stop_request.h"
#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "livery_fixtures.h"
#include "models/livery_scan_driver.h"
#include "models/livery_store.h"
#include "platform/headless_control.h"
#include "settings/settings_table.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kStartBanner =
    "++++++++++++++++++++++++ liveries scan manual starts ++++++++++++++++++++++++++++++++";
const std::string kEndBanner = "++++++++++++++++++++++++ liveries scan ends ++++++++++++++++++++++++++++++++";

class LiveryScanDriverTest : public test_support::LiveryTest {
protected:
    void SetUp() override {
        LiveryTest::SetUp();
        param::SKIP_LIVERIES_SCAN.window = &checkBox_;
        // What the main window shows at each call of the shell, and how far the log got.
        shell_.onEvent = [this](const std::string& event) {
            seen_.push_back(event + (checkBox_.isEnabled() ? " (enabled)" : " (disabled)") +
                            (lastLineIs(kEndBanner) ? " after end" : ""));
        };
    }
    void TearDown() override {
        param::SKIP_LIVERIES_SCAN.window = nullptr;
        LiveryTest::TearDown();
    }

    bool lastLineIs(const std::string& line) const {
        const Lines lines = log_.lines();
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            if (!it->empty()) {
                return *it == line;
            }
        }
        return false;
    }

    // The code of the UserRelatedException the scan ends with, or 0.
    int scanCode() {
        try {
            gf_scanLiveries(shell_, folder_.paths);
        } catch (const UserRelatedException& e) {
            return e.code();
        }
        return 0;
    }

    fs::path packages() const { return folder_.root() / "packages"; }

    platform::HeadlessControl checkBox_;
    Lines seen_;
};

TEST_F(LiveryScanDriverTest, ScanIsDueUnlessSkippedWithAStore) {
    SettingsSnapshot settings;
    struct Case {
        bool skip;
        const char* store; // "", "file" or "folder"
        bool due;
    };
    const Case cases[] = {
        {false, "", true}, {false, "file", true}, {true, "", true}, {true, "file", false}, {true, "folder", false},
    };
    for (const Case& c : cases) {
        fs::remove_all(folder_.paths.store);
        if (std::string(c.store) == "file") {
            test_support::writeBytes(folder_.paths.store, "<root/>");
        } else if (std::string(c.store) == "folder") {
            fs::create_directories(folder_.paths.store);
        }
        settings.skipLiveriesScan = c.skip;
        EXPECT_EQ(gf_liveriesScanDue(settings, folder_.paths), c.due) << c.skip << " " << c.store;
    }
    // A store whose status cannot be read (a link to itself) is an error, not a reason to scan.
    fs::remove_all(folder_.paths.store);
    fs::create_symlink(folder_.paths.store, folder_.paths.store);
    settings.skipLiveriesScan = true;
    EXPECT_THROW(gf_liveriesScanDue(settings, folder_.paths), fs::filesystem_error);
}

TEST_F(LiveryScanDriverTest, SuccessfulScanPostsTheCountBeforeTheCheckBoxAndTheEndBanner) {
    test_support::writePackage(packages(), "A320", {{"One", "DLH"}, {"Two", "BAW"}});
    param::lfolder[0].value = gf_pathToUtf8(packages());
    EXPECT_EQ(scanCode(), 0);
    EXPECT_EQ(seen_, (Lines{"message Scanning for liveries ... (disabled)", "count 2 (disabled)",
                            "repaint 2 (disabled)", "clear (enabled)", "repaint 1 (enabled)"}));
    EXPECT_TRUE(lastLineIs(kEndBanner));
    EXPECT_TRUE(fs::exists(folder_.paths.store));
    EXPECT_TRUE(gf_scanCollections().scanTitles.empty());
    const Lines lines = log_.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), kStartBanner), lines.end());
}

TEST_F(LiveryScanDriverTest, FailedScansEndWithTheirCodeBannerAndAnEnabledCheckBox) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        int code;
    };
    const Case cases[] = {
        {"no folder set", [] {}, 48},
        {"a folder that does not exist", [&] { param::lfolder[3].value = gf_pathToUtf8(packages() / "missing"); }, 243},
        {"no livery in the folders",
         [&] {
             fs::create_directories(packages() / "empty");
             param::lfolder[3].value = gf_pathToUtf8(packages() / "empty");
         },
         53},
    };
    for (const Case& c : cases) {
        test_support::resetSettingsToDefaults();
        c.arrange();
        checkBox_.setEnabled(true);
        const std::size_t before = log_.lines().size();
        EXPECT_EQ(scanCode(), c.code) << c.name;
        EXPECT_TRUE(checkBox_.isEnabled()) << c.name;
        EXPECT_TRUE(lastLineIs(kEndBanner)) << c.name;
        const Lines lines = log_.lines();
        EXPECT_NE(std::find(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end(), kStartBanner),
                  lines.end())
            << c.name;
        EXPECT_FALSE(fs::exists(folder_.paths.store)) << c.name;
    }
}

TEST_F(LiveryScanDriverTest, CodeFortyEightNamesTheProgram) {
    try {
        gf_scanLiveries(shell_, folder_.paths);
        FAIL() << "no exception";
    } catch (const UserRelatedException& e) {
        EXPECT_STREQ(e.what(), "48: Exit VELT_P3D, and then set one or more lfolderx parameters to your liveries in "
                               "the file parameters.xml");
    }
}

TEST_F(LiveryScanDriverTest, StopDuringTheScanCancelsItWithoutACount) {
    test_support::writePackage(packages(), "A320", {{"One", "DLH"}});
    param::lfolder[0].value = gf_pathToUtf8(packages());
    ASSERT_TRUE(gf_installStopRequest(ExitReason::new_settings, 0));
    EXPECT_EQ(scanCode(), 0);
    EXPECT_EQ(seen_, (Lines{"message Scanning for liveries ... (disabled)", "clear (enabled)", "repaint 1 (enabled)"}));
    const Lines lines = log_.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Liveries scan cancelled"), lines.end());
    EXPECT_TRUE(lastLineIs(kEndBanner));
    EXPECT_FALSE(fs::exists(folder_.paths.store));
}

TEST_F(LiveryScanDriverTest, StoreThatCannotBeWrittenIsAnError) {
    test_support::writePackage(packages(), "A320", {{"One", "DLH"}});
    param::lfolder[0].value = gf_pathToUtf8(packages());
    test_support::writeBytes(folder_.paths.store / "inside", "the store's name is taken by a folder");
    try {
        gf_scanLiveries(shell_, folder_.paths);
        FAIL() << "no exception";
    } catch (const UserRelatedException&) {
        FAIL() << "a user exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "the new " + gf_pathToUtf8(folder_.paths.store) + " could not be committed safely");
    }
    EXPECT_TRUE(checkBox_.isEnabled());
    EXPECT_TRUE(lastLineIs(kEndBanner));
}

} // namespace
} // namespace kiv
