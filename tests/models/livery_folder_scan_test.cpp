#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/text_conversion.h"
#include "foundation/user_related_exception.h"
#include "livery_fixtures.h"
#include "models/livery_folder_scan.h"
#include "models/livery_store.h"
#include "settings/settings_table.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::CfgSection;
using test_support::contains;
using test_support::writePackage;
using Lines = std::vector<std::string>;

class LiveryFolderScanTest : public test_support::LiveryTest {
protected:
    fs::path folder(const std::string& name) const { return folder_.root() / "packages" / name; }

    std::vector<std::string> titles() const {
        std::vector<std::string> result;
        for (const Livery& livery : gf_scannedLiveries()) {
            result.push_back(livery.title);
        }
        return result;
    }

    Lines scan(const std::vector<fs::path>& folders, bool prioritise, LiveryScanResult expected = liveryScanDone) {
        lf_clearScanCollections(); // as the end of every scan does
        const std::size_t before = log_.lines().size();
        EXPECT_EQ(lf_scanLiveryFolders(folders, prioritise, folder_.paths), expected);
        return linesFrom(before);
    }
};

TEST_F(LiveryFolderScanTest, SettingsNameFoldersInOrderAndMissingPathsStopTheCheck) {
    writePackage(folder("one"), "A320", {{"One", "DLH"}});
    test_support::writeBytes(folder("file.txt"), "not a folder");
    param::lfolder[1].value = gf_pathToUtf8(folder("one"));
    param::lfolder[4].value = gf_pathToUtf8(folder("file.txt"));
    std::vector<fs::path> folders;
    lf_checkLiveryFolders(folders);
    EXPECT_EQ(folders, (std::vector<fs::path>{folder("one"), folder("file.txt")}));

    param::lfolder[7].value = gf_pathToUtf8(folder("missing"));
    param::lfolder[9].value = gf_pathToUtf8(folder("also missing"));
    folders.clear();
    try {
        lf_checkLiveryFolders(folders);
        FAIL() << "no exception";
    } catch (const UserRelatedException& e) {
        EXPECT_EQ(e.code(), 243);
        EXPECT_STREQ(e.what(), "243: the path pointed to by parameter 'lfolder7' does not exist, see Log.txt!");
    }
    EXPECT_EQ(log_.lines().back(), "==> lfolder7: '" + gf_pathToUtf8(folder("missing")) + "' does not exist");
}

TEST_F(LiveryFolderScanTest, PrioritisingKeepsTheFirstFolderOfEachCombination) {
    writePackage(folder("first") / "a320", "A320", {{"First DLH", "DLH"}, {"First BAW", "BAW"}});
    writePackage(
        folder("second") / "a320", "A320",
        {{"Second DLH", "DLH"}, {"Second KLM", "KLM"}, {"Second DLH cargo", "DLH", "atc_parking_types=CARGO\n"}});
    writePackage(folder("second") / "b738", "B738", {{"Second DLH B738", "DLH"}});
    const std::vector<fs::path> folders = {folder("first"), folder("second")};

    Lines lines = scan(folders, true);
    EXPECT_EQ(titles(), (std::vector<std::string>{"First BAW", "First DLH", "Second DLH cargo", "Second DLH B738",
                                                  "Second KLM"}));
    EXPECT_TRUE(contains(lines, "    2 liveries found in " + gf_pathToUtf8(folder("first"))));
    EXPECT_TRUE(contains(lines, "Prioritizing the scanned liveries ..."));
    EXPECT_TRUE(contains(lines, "    1 same airl+model liverie removed because from lower ai-package"));
    EXPECT_TRUE(contains(lines, "    5 in total"));
    for (const Livery& livery : gf_scannedLiveries()) {
        EXPECT_EQ(livery.folderPriority, livery.title.starts_with("First") ? 1 : 2) << livery.title;
    }

    lines = scan(folders, false);
    EXPECT_EQ(titles().size(), 6u);
    EXPECT_FALSE(contains(lines, "Prioritizing the scanned liveries ..."));
    EXPECT_TRUE(contains(lines, "    6 in total"));
}

TEST_F(LiveryFolderScanTest, OneFolderHasNoTotalAndFilesGivenAsFoldersAreSkipped) {
    writePackage(folder("only"), "A320", {{"Only", "DLH"}});
    Lines lines = scan({folder("only")}, true);
    EXPECT_TRUE(contains(lines, "    1 liverie found in " + gf_pathToUtf8(folder("only"))));
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.ends_with("in total"); }));
    EXPECT_FALSE(contains(lines, "Prioritizing the scanned liveries ..."));

    // A file and a missing path still count as entries, but get no priority.
    test_support::writeBytes(folder("file.cfg"), "x");
    lines = scan({folder("file.cfg"), folder("gone"), folder("only")}, true);
    EXPECT_TRUE(contains(lines, gf_pathToUtf8(folder("file.cfg")) + " is not a folder name, skipped!"));
    EXPECT_TRUE(contains(lines, gf_pathToUtf8(folder("gone")) + " does not exist, skipped!"));
    EXPECT_TRUE(contains(lines, "    1 in total"));
    ASSERT_EQ(gf_scannedLiveries().size(), 1u);
    EXPECT_EQ(gf_scannedLiveries()[0].folderPriority, 1);

    EXPECT_EQ(lf_scanLiveryFolders({folder("gone")}, true, folder_.paths), liveryScanNoLivery);
    fs::create_directories(folder("empty"));
    lines = scan({folder("empty")}, true, liveryScanNoLivery);
    EXPECT_TRUE(contains(lines, "No liveries found in " + gf_pathToUtf8(folder("empty"))));
}

TEST_F(LiveryFolderScanTest, WalkPrunesAirportFoldersAndReadsConfigurationFilesInAnyCase) {
    writePackage(folder("root") / "Upper", "A320", {{"Upper case name", "DLH"}}, "AIRCRAFT.CFG");
    writePackage(folder("root") / "Sim", "A320", {{"Sim cfg", "DLH"}}, "Sim.Cfg");
    writePackage(folder("root") / "Backup", "A320", {{"Backup", "DLH"}}, "aircraft.cfg.bak");
    writePackage(folder("root") / "my airport stuff" / "pkg", "A320", {{"Below airport", "DLH"}});
    writePackage(folder("root") / "Airport", "A320", {{"Capital Airport", "DLH"}});
    scan({folder("root")}, true);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Capital Airport", "Sim cfg", "Upper case name"}));

    // A livery folder whose own path holds "airport" yields only the files lying in it.
    writePackage(folder("airport liveries"), "A320", {{"Direct", "DLH"}});
    writePackage(folder("airport liveries") / "deeper", "A320", {{"Deeper", "DLH"}});
    scan({folder("airport liveries")}, true);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Direct"}));
}

TEST_F(LiveryFolderScanTest, ReportsOfEarlierScansGoAndDuplicatesAreRemoved) {
    writePackage(folder("a"), "A320", {{"Same", "DLH"}});
    test_support::writeBytes(folder_.paths.scanReports[reportInvalidAirlineCodes], "old\n");
    test_support::writeBytes(folder_.paths.infoFolder / "stale.txt", "old\n");
    const Lines lines = scan({folder("a")}, false);
    EXPECT_EQ(titles(), std::vector<std::string>{"Same"});
    EXPECT_FALSE(fs::exists(folder_.paths.scanReports[reportInvalidAirlineCodes]));
    EXPECT_FALSE(fs::exists(folder_.paths.infoFolder / "stale.txt"));
    EXPECT_TRUE(contains(lines, "No errors"));

    std::vector<Livery> liveries = {test_support::makeLivery("T", "DLH", "A320", false, "D-A"),
                                    test_support::makeLivery("T", "DLH", "A320", false, "D-A"),
                                    test_support::makeLivery("T", "DLH", "A320", false, "D-B")};
    liveries[1].key.present = 1;
    liveries[1].folderPriority = 4;
    EXPECT_EQ(lf_uniqueLiveries(liveries), 1u);
    EXPECT_EQ(liveries.size(), 2u);
    EXPECT_EQ(liveries[0].folderPriority, 0);
}

TEST_F(LiveryFolderScanTest, ReportsAreWrittenSortedWithTheirSummaries) {
    writePackage(folder("pkg") / "b", "A320", {{"Bad airline", "XYZ"}, {"Good", "DLH"}, {"Worse airline", "ABC"}});
    writePackage(folder("pkg") / "c", "NOPE", {{"Bad model", "DLH"}});
    writePackage(folder("pkg") / "d", "A320", {});
    const Lines lines = scan({folder("pkg")}, true);
    const fs::path airlines = folder_.paths.scanReports[reportInvalidAirlineCodes];
    const Lines report = test_support::readLines(airlines);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_TRUE(report[0].starts_with("ABC ")) << report[0];
    EXPECT_TRUE(report[1].starts_with("XYZ ")) << report[1];
    EXPECT_TRUE(contains(lines, "Errors:"));
    EXPECT_TRUE(contains(lines, "    2 invalid airline codes, see " + gf_pathToUtf8(airlines)));
    EXPECT_TRUE(contains(lines, "    1 invalid model code, see " +
                                    gf_pathToUtf8(folder_.paths.scanReports[reportInvalidModelCodes])));
    EXPECT_TRUE(contains(lines, "Information:"));
    EXPECT_TRUE(contains(lines, "    1 empty aircraft.cfg files, see " +
                                    gf_pathToUtf8(folder_.paths.scanReports[reportNoSectionFiles])));
    EXPECT_EQ(test_support::readLines(folder_.paths.scanReports[reportNoSectionFiles]),
              Lines{gf_pathToUtf8(folder("pkg") / "d" / "aircraft.cfg")});
    EXPECT_TRUE(fs::exists(folder_.paths.store));
}

TEST_F(LiveryFolderScanTest, AReportThatCannotBeWrittenIsNotCountedAsWritten) {
    writePackage(folder("pkg") / "a", "A320", {{"Good", "DLH"}});
    writePackage(folder("pkg") / "d", "A320", {});
    fs::remove_all(folder_.paths.infoFolder);
    const Lines lines = scan({folder("pkg")}, true);
    const std::string report = gf_pathToUtf8(folder_.paths.scanReports[reportNoSectionFiles]);
    EXPECT_TRUE(contains(lines, "==> Could not write '" + report + "'"));
    EXPECT_FALSE(contains(lines, "    1 empty aircraft.cfg files, see " + report));
}

TEST_F(LiveryFolderScanTest, DontUseTitlesComeFromTheAigListAndTheUsersFiles) {
    writePackage(folder("pkg"), "A320", {{"Keep", "DLH"}, {"AIG dont", "DLH"}, {"Mine dont", "DLH"}});
    test_support::writeBytes(folder_.paths.myRegcodes / "mine.txt", "Mine dont\nOther;D-AIAB\n");
    // Without the AIG list neither source is read.
    Lines lines = scan({folder("pkg")}, true);
    EXPECT_EQ(titles().size(), 3u);
    EXPECT_TRUE(contains(lines, "==> " + gf_pathToUtf8(folder_.paths.aigRegcodes) + " not available"));
    EXPECT_FALSE(fs::exists(folder_.paths.scanReports[reportDontUseLiveries]));

    test_support::writeAigRegcodes(folder_.paths.aigRegcodes, R"(<l t="AIG dont"/><l t="AIG A320" r="D-AIAC"/>)");
    lf_clearScanCollections();
    lines = scan({folder("pkg")}, true);
    EXPECT_EQ(titles(), std::vector<std::string>{"Keep"});
    EXPECT_TRUE(contains(lines, "    1 don't use title read"));
    EXPECT_TRUE(contains(lines, "    1 don't use title read from files in " + gf_pathToUtf8(folder_.paths.myRegcodes)));
    EXPECT_TRUE(contains(lines, "    2 don't use liveries"));
    const Lines report = test_support::readLines(folder_.paths.scanReports[reportDontUseLiveries]);
    EXPECT_EQ(std::set<std::string>(report.begin(), report.end()), (std::set<std::string>{"AIG dont", "Mine dont"}));
}

// A listing that fails at a chosen folder: at opening it, or on every step after its first
// entry, as a folder that turns unreadable does.
class FailingListing final : public detail::FolderListing {
public:
    explicit FailingListing(std::unique_ptr<detail::FolderListing> real) : real_(std::move(real)) {}
    std::optional<detail::FolderEntry> next(std::error_code& error) override {
        ++calls;
        if (calls > 3) {
            ADD_FAILURE() << "the walk keeps reading a folder that fails";
            throw std::runtime_error("spinning");
        }
        if (calls > 1) {
            error = std::make_error_code(std::errc::io_error);
            return std::nullopt;
        }
        return real_->next(error);
    }
    int calls = 0;

private:
    std::unique_ptr<detail::FolderListing> real_;
};

TEST_F(LiveryFolderScanTest, PersistentDirectoryErrorsEndOnlyTheirFolder) {
    writePackage(folder("root") / "a", "A320", {{"Before", "DLH"}});
    writePackage(folder("root") / "broken", "A320", {{"Broken", "DLH"}});
    writePackage(folder("root") / "broken" / "x", "A320", {{"Broken deeper", "DLH"}});
    writePackage(folder("root") / "locked", "A320", {{"Locked", "DLH"}});
    writePackage(folder("root") / "z", "A320", {{"After", "DLH"}});
    const detail::FolderOpener open = [&](const fs::path& path,
                                          std::error_code& error) -> std::unique_ptr<detail::FolderListing> {
        if (path.filename() == "locked") {
            error = std::make_error_code(std::errc::permission_denied);
            return nullptr;
        }
        std::unique_ptr<detail::FolderListing> real = detail::gf_openFolder(path, error);
        if (path.filename() == "broken" && real) {
            return std::make_unique<FailingListing>(std::move(real));
        }
        return real;
    };
    std::vector<Livery> liveries;
    lf_searchLiveries(1, folder("root"), liveries, open);
    std::set<std::string> found;
    for (const Livery& livery : liveries) {
        found.insert(livery.title);
    }
    EXPECT_TRUE(found.contains("Before"));
    EXPECT_TRUE(found.contains("After"));
    EXPECT_FALSE(found.contains("Locked"));
    const Lines lines = log_.lines();
    EXPECT_TRUE(contains(lines, "==> Could not search " + gf_pathToUtf8(folder("root") / "broken") +
                                    " for liveries, cause: " + std::make_error_code(std::errc::io_error).message()));
    EXPECT_TRUE(
        contains(lines, "==> Could not search " + gf_pathToUtf8(folder("root") / "locked") +
                            " for liveries, cause: " + std::make_error_code(std::errc::permission_denied).message()));

    liveries.clear();
    lf_searchLiveries(1, folder("nowhere"), liveries);
    EXPECT_TRUE(liveries.empty());
    EXPECT_TRUE(log_.lines().back().starts_with("==> Could not start liveries search in " +
                                                gf_pathToUtf8(folder("nowhere")) + ", cause: "));
}

} // namespace
} // namespace kiv
