// The installer download against the download server stand-in, with archives built here.
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/download_standin.h"
#include "app/file_text.h"
#include "app/installer_download.h"
#include "app/pe_image_writer.h"
#include "foundation/zip_archive.h"
#include "settings/settings_table.h"
#include "test_support/fake_loop_clock.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::anyLineContains;
using test_support::buildPeImage;
using test_support::PeImageOptions;
using test_support::readFile;
using test_support::writeFile;

using Entries = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

void writeZip(const fs::path& path, const Entries& entries) {
    fs::create_directories(path.parent_path());
    std::string error;
    auto archive = ZipArchive::open(path, ZipArchive::Mode::createNew, error);
    ASSERT_TRUE(archive) << error;
    for (const auto& [name, bytes] : entries) {
        ASSERT_TRUE(archive->addData(name, std::as_bytes(std::span(bytes))));
    }
    ASSERT_EQ(archive->close(), 0);
}

TEST(InstallerDownload, OnlyAnInstallerOfExactlyTheAnnouncedVersionReachesNewVersion) {
    const std::vector<std::uint8_t> installer = buildPeImage({{16, 9, 0, 7}});
    struct Row {
        const char* name;
        Entries entries; // empty: the server has no archive
        Version announced;
        const char* logLine; // nullptr: accepted
    };
    const std::vector<Row> rows = {
        {"a folder and one file", {{"setup/", {}}, {"setup/installer.exe", installer}}, {16, 9, 0}, nullptr},
        {"two files",
         {{"a.exe", installer}, {"b.txt", {1}}},
         {16, 9, 0},
         "Update archive contains 2 files instead of exactly one"},
        {"an empty entry", {{"a.exe", {}}}, {16, 9, 0}, "Invalid installer size in update archive: 0 bytes"},
        {"another patch",
         {{"a.exe", installer}},
         {16, 9, 1},
         "Downloaded installer ProductVersion 16.9.0 does not match web version 16.9.1"},
        {"no version resource",
         {{"a.exe", buildPeImage({.withVersionResource = false})}},
         {16, 9, 0},
         "Downloaded installer has no readable ProductVersion"},
        {"no archive", {}, {16, 9, 0}, "Downloading program installer file version 16.9.0 failed"},
    };
    for (const Row& row : rows) {
        test_support::LogCapture log;
        test_support::TempFolder served;
        test_support::TempFolder program;
        if (!row.entries.empty()) {
            writeZip(served.path() / "downloads/release/VELT_P3D_latest_version.zip", row.entries);
        }
        fs::create_directories(program.path() / "new_version");
        std::ofstream(program.path() / "new_version/old.txt") << "from an earlier try";
        std::ofstream(program.path() / "install_new_version.exe") << "stale";
        test_support::DownloadStandIn server(served.path(), {});
        param::DOWNLOAD_SERVER.value = server.base() + "downloads/";
        test_support::FakeClock clock;
        Gui gui(clock);

        const bool accepted = gf_downloadInstaller(row.announced, program.path(), gui);
        gui.drainUpdates();

        EXPECT_EQ(accepted, row.logLine == nullptr) << row.name;
        const fs::path placed = program.path() / "new_version/install_new_version.exe";
        EXPECT_EQ(fs::exists(placed), accepted) << row.name;
        if (accepted) {
            EXPECT_EQ(fs::file_size(placed), installer.size()) << row.name;
        } else {
            EXPECT_TRUE(anyLineContains(log.lines(), row.logLine)) << row.name;
        }
        EXPECT_FALSE(fs::exists(program.path() / "new_version/old.txt")) << row.name;
        EXPECT_FALSE(fs::exists(program.path() / "latest_version.zip")) << row.name;
        EXPECT_FALSE(fs::exists(program.path() / "install_new_version.exe")) << row.name;
    }
    param::DOWNLOAD_SERVER.value = param::DOWNLOAD_SERVER.defaultValue;
}

TEST(InstallerDownload, AnUnwritableFolderNeedsAnAdministratorUnlessElevated) {
    test_support::TempFolder folder;
    const fs::path missing = folder.path() / "absent"; // no file can be created in it
    EXPECT_EQ(gf_installerNeedsElevation(missing, false), kRunAsAdministratorText);
    EXPECT_EQ(gf_installerNeedsElevation(missing, true), kRunNormallyText);
    EXPECT_EQ(gf_installerNeedsElevation(folder.path(), false), kRunNormallyText);
    EXPECT_FALSE(fs::exists(folder.path() / ".write_test.tmp"));
}

} // namespace
} // namespace kiv
