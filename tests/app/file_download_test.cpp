// Downloads against the separately written download server stand-in.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "airports/airport_file_read.h"
#include "app/airport_downloads.h"
#include "app/download_standin.h"
#include "app/file_download.h"
#include "app/file_text.h"
#include "foundation/stop_request.h"
#include "settings/settings_table.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using test_support::anyLineContains;
using test_support::DownloadStandIn;
using test_support::readFile;
using test_support::writeFile;

class FileDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetRunStateForTests();
        writeFile(served_.path() / "downloads/input/data.enc", "new contents");
        writeFile(target_, "old contents");
    }
    void TearDown() override {
        gf_resetRunStateForTests();
        gf_setDownloadStallSecondsForTesting(0);
        param::DOWNLOAD_SERVER.value = param::DOWNLOAD_SERVER.defaultValue;
    }

    bool download(DownloadStandIn& server, const std::string& path, const DownloadCheck& check = {}) {
        const CurlHandle handle = gf_makeCurlHandle();
        return gf_downloadFile(handle.get(), server.base() + path, target_, true, check);
    }
    fs::path temporary() const {
        fs::path path = target_;
        path += ".download_tmp";
        return path;
    }

    test_support::LogCapture log_;
    test_support::TempFolder served_;
    test_support::TempFolder local_;
    fs::path target_ = local_.path() / "data.enc";
};

TEST_F(FileDownloadTest, ACompleteTransferReplacesTheTargetAndLeavesNoTemporaryFile) {
    DownloadStandIn server(served_.path(), {});
    writeFile(temporary(), "stale from an earlier crash");
    EXPECT_TRUE(download(server, "downloads/input/data.enc"));
    EXPECT_EQ(readFile(target_), "new contents");
    EXPECT_FALSE(fs::exists(temporary()));
}

TEST_F(FileDownloadTest, AFailedTransferKeepsTheOldTargetAndLeavesNoTemporaryFile) {
    for (const char* rule : {"downloads/input/data.enc=missing", "downloads/input/data.enc=cut"}) {
        DownloadStandIn server(served_.path(), {rule});
        EXPECT_FALSE(download(server, "downloads/input/data.enc")) << rule;
        EXPECT_EQ(readFile(target_), "old contents") << rule;
        EXPECT_FALSE(fs::exists(temporary())) << rule;
    }
}

TEST_F(FileDownloadTest, AStalledServerIsGivenUp) {
    gf_setDownloadStallSecondsForTesting(1);
    DownloadStandIn server(served_.path(), {"downloads/input/data.enc=stall"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(download(server, "downloads/input/data.enc"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(readFile(target_), "old contents");
    EXPECT_FALSE(fs::exists(temporary()));
}

TEST_F(FileDownloadTest, AStopRequestEndsARunningTransfer) {
    DownloadStandIn server(served_.path(), {"downloads/input/data.enc=stall"});
    std::jthread stopper([&server] {
        server.nextLine(); // the request has arrived: the transfer is running
        gf_installStopRequest(ExitReason::user_closed_sim, 0);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(download(server, "downloads/input/data.enc"));
    // Well inside the 30 s after which the stall alone would end it.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(readFile(target_), "old contents");
    EXPECT_FALSE(fs::exists(temporary()));
}

TEST_F(FileDownloadTest, ATargetThatIsAFolderFailsCleanly) {
    fs::remove(target_);
    fs::create_directories(target_ / "inside");
    DownloadStandIn server(served_.path(), {});
    EXPECT_FALSE(download(server, "downloads/input/data.enc"));
    EXPECT_TRUE(fs::is_directory(target_ / "inside"));
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_TRUE(anyLineContains(log_.lines(), "==> Could not replace downloaded file '"));
}

TEST_F(FileDownloadTest, AStaleTemporaryThatCannotBeRemovedStopsTheDownloadBeforeItStarts) {
    fs::create_directories(temporary() / "locked");
    DownloadStandIn server(served_.path(), {});
    EXPECT_FALSE(download(server, "downloads/input/data.enc"));
    EXPECT_EQ(readFile(target_), "old contents");
    EXPECT_TRUE(anyLineContains(log_.lines(), "==> Could not remove stale temporary download '"));
}

TEST_F(FileDownloadTest, TheCallersCheckDecidesBeforeTheTargetIsReplaced) {
    DownloadStandIn server(served_.path(), {});
    std::string seen;
    EXPECT_FALSE(download(server, "downloads/input/data.enc", [&](const fs::path& temporary) {
        seen = readFile(temporary);
        return false;
    }));
    EXPECT_EQ(seen, "new contents");
    EXPECT_EQ(readFile(target_), "old contents");
    EXPECT_FALSE(fs::exists(temporary()));
}

TEST_F(FileDownloadTest, WithoutAHandleNothingHappens) {
    EXPECT_FALSE(gf_downloadFile(nullptr, "http://127.0.0.1:1/x", target_, true));
    EXPECT_EQ(readFile(target_), "old contents");
    EXPECT_TRUE(log_.lines().empty());
}

TEST_F(FileDownloadTest, ADataFileComesFromTheInputFolderOfTheServerBase) {
    DownloadStandIn server(served_.path(), {});
    param::DOWNLOAD_SERVER.value = server.base() + "downloads"; // the missing "/" is added
    EXPECT_TRUE(gf_downloadDataFile("data.enc", target_));
    EXPECT_EQ(readFile(target_), "new contents");
    EXPECT_EQ(server.nextLine().value("request", ""), "/downloads/input/data.enc");
    EXPECT_FALSE(gf_downloadDataFile("absent.enc", target_));
    const auto lines = log_.lines();
    EXPECT_TRUE(anyLineContains(lines, "Downloaded '" + server.base() + "downloads/input/data.enc' to '"));
    EXPECT_TRUE(anyLineContains(lines, "==> Downloading '" + server.base() + "downloads/input/absent.enc' failed!"));
}

TEST_F(FileDownloadTest, TheAirportsFetchArchiveFilesFromTheServerBase) {
    DownloadStandIn server(served_.path(), {});
    writeFile(served_.path() / "downloads/archive/stock/EHAM.xml", "<airport/>");
    param::DOWNLOAD_SERVER.value = server.base() + "downloads";
    gf_installAirportDownloads();
    const fs::path fetched = local_.path() / "park_airport.xml";
    EXPECT_EQ(lf_downloadArchiveFile("archive/stock/EHAM.xml", fetched, false), "");
    EXPECT_EQ(readFile(fetched), "<airport/>");
    EXPECT_EQ(server.nextLine().value("request", ""), "/downloads/archive/stock/EHAM.xml");

    const fs::path missing = local_.path() / "airport.xml";
    EXPECT_EQ(lf_downloadArchiveFile("archive/stock/EDDF.xml", missing, false),
              "failed to download: '" + server.base() + "downloads/archive/stock/EDDF.xml'");
    EXPECT_FALSE(fs::exists(missing));
    gf_setAirportFileDownloader({});
}

} // namespace
} // namespace kiv
