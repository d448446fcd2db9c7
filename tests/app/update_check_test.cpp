// The update check against the download server stand-in: "versions.json", maintenance, the
// data sets and the program version.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/download_standin.h"
#include "app/file_text.h"
#include "app/update_check.h"
#include "datafile/data_file_encryptor.h"
#include "foundation/data_file_key.h"
#include "foundation/user_related_exception.h"
#include "settings/parameters_fixture.h"
#include "settings/settings_table.h"
#include "test_support/fake_loop_clock.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test_support::anyLineContains;
using test_support::readFile;
using test_support::writeFile;

std::string encrypted(std::string_view plaintext) {
    const DataFileKey key;
    return datafile::encryptDataFile(plaintext, key.bytes());
}

json item(int major, int minor, int patch) { return {{"major", major}, {"minor", minor}, {"patch", patch}}; }

class UpdateCheckTest : public test_support::ParametersFileTest {
protected:
    void TearDown() override {
        param::DOWNLOAD_SERVER.value = param::DOWNLOAD_SERVER.defaultValue;
        ParametersFileTest::TearDown();
    }

    // Serves versions.json (as given) and the named data files; starts the stand-in.
    void serve(const std::string& versions, const std::vector<std::string>& rules = {}) {
        writeFile(served_.path() / "downloads/versions.json", versions);
        server_.emplace(served_.path(), rules);
        param::DOWNLOAD_SERVER.value = server_->base() + "downloads/";
    }
    void serveDataFile(const std::string& name, const std::string& plaintext) {
        writeFile(served_.path() / "downloads/input" / name, encrypted(plaintext));
    }
    fs::path local(const std::string& name) const { return program_.path() / "input" / name; }

    bool check() { return gf_checkForUpdates({gui_, program_.path(), Version{16, 8, 4}, {}}); }

    test_support::TempFolder served_;
    test_support::TempFolder program_;
    std::optional<test_support::DownloadStandIn> server_;
    test_support::FakeClock clock_;
    Gui gui_{clock_};
};

TEST_F(UpdateCheckTest, AVersionsFileOfExactlyOneMebibyteIsReadAndOneByteMoreIsNot) {
    const std::string head = json{{"dbase", item(2, 0, 0)}}.dump();
    for (const std::size_t size : {std::size_t{1048576}, std::size_t{1048577}}) {
        param::DBASE_VERSION.value = "1.0.0";
        writeFile(local("dbase.enc"), "old");
        serveDataFile("dbase.enc", "<root/>");
        serve(head + std::string(size - head.size(), ' '));
        EXPECT_TRUE(check());
        const bool read = size == 1048576;
        EXPECT_EQ(param::DBASE_VERSION.value, read ? "2.0.0" : "1.0.0") << size;
        EXPECT_EQ(anyLineContains(log_.lines(), "versions.json is unexpectedly large: 1048577 bytes"), !read) << size;
        EXPECT_FALSE(fs::exists(program_.path() / "versions.json"));
        server_.reset();
    }
}

TEST_F(UpdateCheckTest, InvalidItemsAreSkippedWithTheirReason) {
    const std::vector<std::pair<json, const char*>> rows = {
        {json{{"major", 1}, {"minor", 2}}, "Invalid web version numbers for 'dbase'"},
        {item(1, 2, -1), "Invalid web version numbers for 'dbase'"},
        {json{{"major", 1.0}, {"minor", 2}, {"patch", 3}}, "Invalid web version numbers for 'dbase'"},
        {json{{"major", "1"}, {"minor", 2}, {"patch", 3}}, "Invalid web version numbers for 'dbase'"},
        {json::array({1, 2, 3}), "Invalid web version data for 'dbase'"},
    };
    for (const auto& [value, line] : rows) {
        test_support::LogCapture log;
        EXPECT_FALSE(gf_webVersion(json{{"dbase", value}}, "dbase")) << value.dump();
        EXPECT_TRUE(anyLineContains(log.lines(), line)) << value.dump();
    }
    test_support::LogCapture log;
    EXPECT_FALSE(gf_webVersion(json::object(), "dbase"));
    EXPECT_TRUE(anyLineContains(log.lines(), "==> dbase version not found"));
    EXPECT_EQ(gf_webVersion(json{{"dbase", item(2147483647, 0, 1)}}, "dbase"), (Version{2147483647, 0, 1}));
}

TEST_F(UpdateCheckTest, ADataSetIsFetchedWhenNewerOrMissingAndOnlyADecryptableFileReplacesTheOld) {
    struct Row {
        const char* name;
        const char* stored;
        json announced;
        bool fileMissing;
        const char* rule; // how the server misbehaves for the file
        bool downloaded;
    };
    const std::vector<Row> rows = {
        {"equal", "2.0.0", item(2, 0, 0), false, nullptr, false},
        {"older", "2.0.0", item(1, 9, 9), false, nullptr, false},
        {"newer", "2.0.0", item(2, 0, 1), false, nullptr, true},
        {"equal but the file is missing", "2.0.0", item(2, 0, 0), true, nullptr, true},
        {"empty setting, announced 0.0.0", "", item(0, 0, 0), false, nullptr, false},
        {"empty setting, announced 0.0.1", "", item(0, 0, 1), false, nullptr, true},
        {"newer, but the server sends a wrong body", "2.0.0", item(3, 0, 0), false, "wrong", false},
        {"newer, but the body is cut", "2.0.0", item(3, 0, 0), false, "cut", false},
    };
    for (const Row& row : rows) {
        test_support::LogCapture log;
        param::DBASE_VERSION.value = row.stored;
        fs::remove(local("dbase.enc"));
        fs::create_directories(program_.path() / "input");
        if (!row.fileMissing) {
            writeFile(local("dbase.enc"), "old contents");
        }
        serveDataFile("dbase.enc", "<root>new</root>");
        std::vector<std::string> rules;
        if (row.rule != nullptr) {
            rules.push_back(std::string("downloads/input/dbase.enc=") + row.rule);
        }
        serve(json{{"dbase", row.announced}}.dump(), rules);
        EXPECT_TRUE(check()) << row.name;
        const std::string announced = fmt::format("{}.{}.{}", row.announced["major"].get<int>(),
                                                  row.announced["minor"].get<int>(), row.announced["patch"].get<int>());
        EXPECT_EQ(param::DBASE_VERSION.value, row.downloaded ? announced : row.stored) << row.name;
        if (row.downloaded) {
            EXPECT_EQ(readFile(local("dbase.enc")), readFile(served_.path() / "downloads/input/dbase.enc")) << row.name;
            EXPECT_TRUE(anyLineContains(log.lines(), "dbase updated to " + announced)) << row.name;
            EXPECT_EQ(fileValues("DBASE_VERSION"), std::vector<std::string>{announced}) << row.name;
        } else if (!row.fileMissing) {
            EXPECT_EQ(readFile(local("dbase.enc")), "old contents") << row.name;
        }
        if (row.rule == nullptr && !row.downloaded) {
            EXPECT_TRUE(anyLineContains(log.lines(), "dbase version up-to-date")) << row.name;
        }
        EXPECT_FALSE(fs::exists(local("dbase.enc.download_tmp"))) << row.name;
        server_.reset();
    }
}

TEST_F(UpdateCheckTest, MaintenanceStopsTheRunEvenWhenAllElseIsCurrent) {
    serve(json{{"p3d", item(16, 8, 4)}, {"maintenance", item(0, 0, 1)}}.dump());
    try {
        check();
        FAIL() << "no exception";
    } catch (const UserRelatedException& e) {
        EXPECT_EQ(e.code(), kMaintenanceErrorCode);
    }
    EXPECT_TRUE(gf_serverInMaintenance());
}

TEST_F(UpdateCheckTest, AnOlderProgramAtTheServerIsOnlyLoggedAndAMissingMaintenanceItemToo) {
    serve(json{{"p3d", item(16, 8, 3)}}.dump());
    EXPECT_TRUE(check());
    const auto lines = log_.lines();
    EXPECT_TRUE(anyLineContains(lines, "p3d program version at web = 16.8.3"));
    EXPECT_TRUE(anyLineContains(lines, "==> maintenance version not found"));
    EXPECT_FALSE(fs::exists(program_.path() / "new_version"));
}

TEST_F(UpdateCheckTest, AnUnreachableServerOrABrokenFileSkipsTheCheck) {
    serve("[1, 2, 3]");
    EXPECT_TRUE(check());
    EXPECT_TRUE(anyLineContains(log_.lines(), "==> Invalid versions.json received; update check skipped"));
    server_.reset();
    serve("{}", {"downloads/versions.json=missing"});
    EXPECT_TRUE(check());
    EXPECT_TRUE(anyLineContains(log_.lines(), "==> Downloading version info from my web site failed!"));
}

} // namespace
} // namespace kiv
