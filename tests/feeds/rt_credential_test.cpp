// Finding the service credential: the working-folder file, the service application's file,
// the prompt, and the text never reaching the log.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feeds/rt_credential.h"
#include "foundation/user_related_exception.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"
#include "test_support/working_folder.h"

namespace kiv {
namespace {

namespace fs = std::filesystem;

class ScriptedPrompt final : public CredentialPrompt {
public:
    explicit ScriptedPrompt(std::optional<std::string> answer) : answer_(std::move(answer)) {}
    std::optional<std::string> lf_promptForLicense() override {
        ++asked;
        return answer_;
    }
    int asked = 0;

private:
    std::optional<std::string> answer_;
};

class RtCredentialTest : public testing::Test {
protected:
    fs::path insideSystemsFile() const { return roaming.path() / "InsideSystems" / "RealTraffic.lic"; }
    void writeInsideSystems(const std::string& text) const {
        fs::create_directories(insideSystemsFile().parent_path());
        test_support::writeFile(insideSystemsFile(), text);
    }
    bool logMentions(const std::string& text) const {
        const auto lines = log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }

    test_support::LogCapture log;
    test_support::WorkingFolder folder;
    test_support::TempFolder roaming;
};

TEST_F(RtCredentialTest, WorkingFolderFileInAnyLayoutGivesTheCredential) {
    const std::vector<std::string> files = {
        R"({"License":"ABCD-1234","Name":"me"})",
        "{\"License\":\n\"ABCD-1234\",\"Name\":\"me\"}\n",
        "{\r\n  \"Name\": \"x\",\r\n  \"License\": \"ABCD-1234\"\r\n}\r\n",
    };
    for (const std::string& file : files) {
        test_support::WorkingFolder::write("RealTraffic.lic", file);
        ScriptedPrompt prompt(std::nullopt);
        EXPECT_EQ(gf_findRtCredentials(prompt, roaming.path()), "ABCD-1234") << file;
        EXPECT_EQ(prompt.asked, 0);
    }
    EXPECT_TRUE(logMentions("Your RealTraffic license was taken from 'RealTraffic.lic'"));
    EXPECT_FALSE(logMentions("ABCD-1234"));
}

TEST_F(RtCredentialTest, MissingFileIsCreatedWithThePlaceholderAndTheTypedTokenWrittenBack) {
    ScriptedPrompt prompt(std::string("rt_token&=+%"));
    EXPECT_EQ(gf_findRtCredentials(prompt, roaming.path()), "rt_token&=+%");
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_EQ(test_support::WorkingFolder::read("RealTraffic.lic"), R"({"License":"rt_token&=+%","Name":"unknown"})");
    EXPECT_TRUE(logMentions("Your RealTraffic API-token was taken from 'RealTraffic.lic'"));
    EXPECT_FALSE(logMentions("rt_token"));
}

TEST_F(RtCredentialTest, UnusableWorkingFileAsksThenFallsBackToTheServiceApplicationFile) {
    struct Case {
        std::string file;
        std::string logLine;
    };
    const std::vector<Case> cases = {
        {R"({"License":"fill in your license here"})", ""},
        {R"({"License":"fill in your API-token here","Name":"unknown"})", ""},
        {"", "No license found in 'RealTraffic.lic'. File is empty."},
        {"[1,2]", "No license found in 'RealTraffic.lic'. Problem: JSON root is not an object"},
        {"{\"License\":", "No license found in 'RealTraffic.lic'. Problem: JSON root is not an object"},
        {R"({"License":12})", "No license found in 'RealTraffic.lic'. Problem: Missing or invalid 'License' field"},
        {R"({"Name":"x"})", "No license found in 'RealTraffic.lic'. Problem: Missing or invalid 'License' field"},
        {R"({"License":""})", "No license found in 'RealTraffic.lic'. Problem: Empty 'License' value"},
    };
    writeInsideSystems(R"({"License":"INSIDE-KEY"})");
    for (const Case& c : cases) {
        test_support::WorkingFolder::write("RealTraffic.lic", c.file);
        ScriptedPrompt cancelled(std::nullopt);
        EXPECT_EQ(gf_findRtCredentials(cancelled, roaming.path()), "INSIDE-KEY") << c.file;
        EXPECT_EQ(cancelled.asked, 1) << c.file;
        EXPECT_EQ(test_support::WorkingFolder::read("RealTraffic.lic"), c.file) << "a cancelled prompt writes nothing";
        if (!c.logLine.empty()) {
            EXPECT_TRUE(logMentions(c.logLine)) << c.file;
        }
    }
    EXPECT_FALSE(logMentions("INSIDE-KEY"));
}

TEST_F(RtCredentialTest, NoCredentialAnywhereSaysWhereToPutIt) {
    ScriptedPrompt cancelled(std::string(""));
    try {
        gf_findRtCredentials(cancelled, roaming.path());
        FAIL() << "no credential was found, yet nothing was thrown";
    } catch (const UserRelatedException& error) {
        EXPECT_EQ(std::string(error.what()),
                  "899: No valid RT license / API-token found. Place your new license in 'VELT/RealTraffic.lic'.");
    }
    EXPECT_EQ(test_support::WorkingFolder::read("RealTraffic.lic"),
              R"({"License":"fill in your API-token here","Name":"unknown"})");

    writeInsideSystems(R"({"License":"fill in your license here"})");
    try {
        gf_findRtCredentials(cancelled, roaming.path());
        FAIL() << "a placeholder is no credential";
    } catch (const UserRelatedException& error) {
        EXPECT_NE(std::string(error.what()).find(insideSystemsFile().string()), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace kiv
