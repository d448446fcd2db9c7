#include <algorithm>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "foundation/file_helpers.h"
#include "test_support/file_contents.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::readFile;
using test_support::writeFile;

namespace fs = std::filesystem;
using Names = std::set<std::string>;
using Lines = std::vector<std::string>;

Names namesIn(const fs::path& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Files given by name; a name ending in "/" is made a folder holding one file.
void populate(const fs::path& folder, std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        if (name.ends_with('/')) {
            fs::create_directory(folder / name.substr(0, name.size() - 1));
            writeFile(folder / name / "inside.xml", "x");
        } else {
            writeFile(folder / name, name);
        }
    }
}

// A name too long for any file system: asking its status fails with something else than
// "not found".
fs::path unaskablePath(const fs::path& folder) { return folder / std::string(300, 'n'); }

TEST(Save1Generation, KeepsOneBackupBesideTheFile) {
    test_support::TempFolder folder;
    test_support::LogCapture log;
    const fs::path logFile = folder.path() / "Log.txt";
    const fs::path backup = folder.path() / "Log0.txt";
    writeFile(backup, "old backup");
    EXPECT_TRUE(gf_save1GenerationOf(logFile)); // nothing to keep
    EXPECT_EQ(readFile(backup), "old backup");

    writeFile(logFile, "current");
    EXPECT_TRUE(gf_save1GenerationOf(logFile));
    EXPECT_EQ(readFile(backup), "current");

    writeFile(folder.path() / "a.b.xml", "two dots");
    EXPECT_TRUE(gf_save1GenerationOf(folder.path() / "a.b.xml"));
    EXPECT_EQ(readFile(folder.path() / "a.b0.xml"), "two dots");
    EXPECT_EQ(log.lines(), Lines{});
}

TEST(Save1Generation, FailuresAreLoggedAndReported) {
    test_support::TempFolder folder;
    test_support::LogCapture log;
    const fs::path noExtension = folder.path() / "README";
    writeFile(noExtension, "x");
    EXPECT_FALSE(gf_save1GenerationOf(noExtension));

    // The backup name is taken by a folder, so the copy fails.
    writeFile(folder.path() / "EHAM.xml", "x");
    fs::create_directory(folder.path() / "EHAM0.xml");
    EXPECT_FALSE(gf_save1GenerationOf(folder.path() / "EHAM.xml"));

    const fs::path unaskable = fs::path(unaskablePath(folder.path()).string() + ".txt");
    EXPECT_FALSE(gf_save1GenerationOf(unaskable));

    const Lines lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "==> gf_save1GenerationOf: no extension in filename: " + noExtension.string());
    EXPECT_TRUE(lines[1].starts_with("==> copy " + (folder.path() / "EHAM.xml").string() + " -> " +
                                     (folder.path() / "EHAM0.xml").string() + " failed: "))
        << lines[1];
    EXPECT_TRUE(lines[2].starts_with("==> exists(" + unaskable.string() + "): ")) << lines[2];
}

TEST(MoveFile, RenamesOrReportsFailure) {
    test_support::TempFolder folder;
    test_support::LogCapture log;
    const fs::path from = folder.path() / "from.xml";
    const fs::path to = folder.path() / "to.xml";
    writeFile(from, "new");
    writeFile(to, "old");
    EXPECT_TRUE(gf_moveFile(from, to));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(readFile(to), "new");
    EXPECT_EQ(log.lines(), Lines{});

    EXPECT_FALSE(gf_moveFile(from, to)); // the source is gone now
    EXPECT_EQ(readFile(to), "new");
    const Lines lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("==> could not move " + from.string() + " => " + to.string() + ": ")) << lines[0];
}

// Needs a second file system: the shared-memory one, when it is a different device.
TEST(MoveFile, CopiesAcrossVolumesAndRemovesTheSource) {
    const fs::path otherVolume = "/dev/shm";
    test_support::TempFolder folder;
    std::error_code error;
    if (!fs::is_directory(otherVolume, error)) {
        GTEST_SKIP() << "no second volume";
    }
    const fs::path from = otherVolume / ("kiv-move-" + folder.path().filename().string());
    writeFile(from, "moved across");
    const fs::path to = folder.path() / "target.xml";
    writeFile(to, "old");
    const bool moved = gf_moveFile(from, to);
    fs::remove(from, error);
    EXPECT_TRUE(moved);
    EXPECT_EQ(readFile(to), "moved across");
    EXPECT_FALSE(fs::exists(from));
}

TEST(RemoveFiles, RemovesOnlyRegularFilesDirectlyInTheFolder) {
    struct Case {
        void (*remove)(const fs::path&);
        Names left;
    };
    const Case cases[] = {
        {&gf_removeXMLFilesFromDirectory, {"x.xml.bak", "x.xm", "y.xml", "xml", ".xml"}},
        {&gf_removeFilesFromDirectory, {"y.xml"}},
    };
    for (const auto& [remove, left] : cases) {
        test_support::TempFolder folder;
        test_support::LogCapture log;
        populate(folder.path(), {"EHAM.XML", "x.xml", "a.Xml", "x.xml.bak", "x.xm", "xml", ".xml", "y.xml/"});
        remove(folder.path());
        EXPECT_EQ(namesIn(folder.path()), left);
        EXPECT_TRUE(fs::exists(folder.path() / "y.xml" / "inside.xml"));
        EXPECT_EQ(log.lines(), Lines{});
    }
}

TEST(RemoveFiles, MissingFolderOrFileIsNoError) {
    test_support::TempFolder folder;
    test_support::LogCapture log;
    populate(folder.path(), {"plain.xml"});
    gf_removeFilesFromDirectory(folder.path() / "missing");
    gf_removeXMLFilesFromDirectory(folder.path() / "plain.xml");
    EXPECT_TRUE(fs::exists(folder.path() / "plain.xml"));
    EXPECT_EQ(log.lines(), Lines{});

    gf_removeXMLFilesFromDirectory(unaskablePath(folder.path()));
    const Lines lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("==> gf_removeXMLFilesFromDirectory exception: ")) << lines[0];
}

TEST(CountFiles, CountsByExactExtension) {
    test_support::TempFolder folder;
    populate(folder.path(), {"a.xml", "b.xml", "EHAM.XML", "readme.txt", "d.xml/"});
    const std::pair<std::string_view, std::uint64_t> cases[] = {
        {".xml", 2}, {".XML", 1}, {"", 4}, {".txt", 1}, {".bgl", 0}};
    for (const auto& [extension, count] : cases) {
        EXPECT_EQ(gf_countFiles(folder.path(), extension), count) << extension;
    }
    EXPECT_EQ(gf_countFiles(folder.path() / "missing", ""), 0u);
    EXPECT_THROW(gf_countFiles(folder.path() / "a.xml", ""), fs::filesystem_error); // not a folder
    EXPECT_THROW(gf_countFiles(unaskablePath(folder.path()), ""), fs::filesystem_error);
}

TEST(ListXmlFiles, ListsEachAirportOnce) {
    test_support::TempFolder folder;
    populate(folder.path(), {"eham.xml", "EHAM.xml", "LFPG.XML", "EHAMX.xml", "abc.xml", "readme.txt", "EGLL.xml.bak",
                             "EDDF.xml/", "k123.xml", "EH\xC3\x84.xml"});
    std::vector<IcaoCode> codes = gf_listXmlFiles(folder.path());
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<IcaoCode>{IcaoCode("EHAM"), IcaoCode("K123"), IcaoCode("LFPG")}));

    EXPECT_TRUE(gf_listXmlFiles(folder.path() / "missing").empty());
    EXPECT_THROW(gf_listXmlFiles(unaskablePath(folder.path())), fs::filesystem_error);

    // Four characters that are no airport code, however many bytes they take.
    const std::pair<std::string_view, std::string_view> invalid[] = {
        {"E-AM.xml", "'E-AM' IcaoCode: invalid string"},
        {"EH\xC3\x84M.xml", "'EH\xC3\x84M' IcaoCode: invalid string"},
    };
    for (const auto& [name, message] : invalid) {
        test_support::TempFolder alone;
        populate(alone.path(), {name});
        try {
            gf_listXmlFiles(alone.path());
            ADD_FAILURE() << "no exception for " << name;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

} // namespace
} // namespace kiv
