#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/command_line_job.h"
#include "app/process_entry.h"
#include "platform/instance_lock.h"
#include "test_support/log_capture.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::LogCapture;
using test_support::TempFolder;

// The window toolkit as the entry sees it: records each call; the message loop plays a
// scripted run (by default the worker's exit message with the flags' exit code).
class RecordingWindow : public ProgramWindow {
public:
    explicit RecordingWindow(ShellFlags& flags) : flags_(&flags) {}

    bool initInstance() override {
        calls.push_back("initInstance");
        productionAtInit = flags_->production.load();
        return initSucceeds;
    }
    bool hasMainWindow() const override { return windowExists; }
    void postStart() override { calls.push_back("postStart"); }
    MessageLoopEnd runMessageLoop() override {
        calls.push_back("runMessageLoop");
        if (duringLoop) {
            duringLoop();
        }
        if (loopFails) {
            return {true, 0, "22"};
        }
        return {false, quitCode ? *quitCode : flags_->exitCode.load(), {}};
    }

    std::vector<std::string> calls;
    bool initSucceeds = true;
    bool windowExists = true;
    bool loopFails = false;
    bool productionAtInit = false;
    std::optional<std::int32_t> quitCode; // the WM_QUIT code; default: the exit message's
    std::function<void()> duringLoop;

private:
    ShellFlags* flags_;
};

std::vector<std::string> args(std::initializer_list<const char*> list) { return {list.begin(), list.end()}; }

TEST(ProductionOption, MatchesAnyCaseAfterTheProgramPathOnly) {
    struct Case {
        std::vector<std::string> arguments;
        bool engaged;
    };
    const Case cases[] = {
        {args({"velt_p3d"}), false},
        {args({"velt_p3d", "--production"}), true},
        {args({"velt_p3d", "--PRODUCTION"}), true},
        {args({"velt_p3d", "--Production", "other"}), true},
        {args({"velt_p3d", "other", "--pRoDuCtIoN"}), true},
        {args({"--production"}), false}, // the program path is never an option
        {args({"velt_p3d", "--production=1"}), false},
        {args({"velt_p3d", "-production"}), false},
        {args({}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_productionOption(c.arguments).has_value(), c.engaged) << ::testing::PrintToString(c.arguments);
    }
}

TEST(InstanceLock, ASecondHolderIsRefusedUntilTheFirstIsGone) {
    TempFolder folder;
    const auto file = folder.path() / "app.lock";
    {
        platform::InstanceLock first = platform::InstanceLock::acquire(file);
        ASSERT_EQ(first.outcome(), platform::InstanceLock::Outcome::acquired) << first.error();
        EXPECT_EQ(platform::InstanceLock::acquire(file).outcome(), platform::InstanceLock::Outcome::heldElsewhere);
        platform::InstanceLock moved = std::move(first);
        EXPECT_EQ(platform::InstanceLock::acquire(file).outcome(), platform::InstanceLock::Outcome::heldElsewhere);
    }
    EXPECT_EQ(platform::InstanceLock::acquire(file).outcome(), platform::InstanceLock::Outcome::acquired);
    EXPECT_EQ(platform::InstanceLock::acquire(folder.path() / "missing" / "app.lock").outcome(),
              platform::InstanceLock::Outcome::failed);
}

TEST(InstanceLock, OneLockPerDataFolder) {
    EXPECT_EQ(gf_instanceLockPath("/home/a/.config/VELT_P3D"), gf_instanceLockPath("/home/a/.config/./VELT_P3D"));
    EXPECT_NE(gf_instanceLockPath("/home/a/.config/VELT_P3D"), gf_instanceLockPath("/tmp/other/VELT_P3D"));
    EXPECT_EQ(gf_instanceLockPath("/x").parent_path(), platform::runtimeFolder());
}

class ProcessEntryTest : public ::testing::Test {
protected:
    int entry(const std::vector<std::string>& arguments) {
        return gf_processEntry(arguments, dataFolder, lockFile, window, flags);
    }

    LogCapture log;
    TempFolder temp;
    std::filesystem::path dataFolder = temp.path() / "config" / "nested" / "VELT_P3D";
    std::filesystem::path lockFile = temp.path() / "VELT_P3D.lock";
    ShellFlags flags;
    RecordingWindow window{flags};
};

TEST_F(ProcessEntryTest, ASecondInstanceEndsAtOnceAndLeavesTheFirstRunning) {
    std::optional<int> second;
    // The first instance is inside its message loop when the second one starts.
    window.duringLoop = [&] {
        ShellFlags otherFlags;
        RecordingWindow other(otherFlags);
        second = gf_processEntry(args({"velt_p3d"}), dataFolder, lockFile, other, otherFlags);
        EXPECT_TRUE(other.calls.empty());
    };
    window.quitCode = 0;
    EXPECT_EQ(entry(args({"velt_p3d"})), 0);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*second, kSecondInstanceExitCode);
    EXPECT_EQ(static_cast<std::uint8_t>(*second), 255); // as the shell sees the status
    EXPECT_EQ(window.calls, (std::vector<std::string>{"initInstance", "postStart", "runMessageLoop"}));
    EXPECT_TRUE(log.lines().empty());
    // Once the first has ended, a new instance may start.
    RecordingWindow third(flags);
    third.quitCode = 0;
    EXPECT_EQ(gf_processEntry(args({"velt_p3d"}), dataFolder, lockFile, third, flags), 0);
    EXPECT_FALSE(third.calls.empty());
}

TEST_F(ProcessEntryTest, TheDataFolderIsMadeWithItsParentsBeforeTheWindow) {
    window.duringLoop = [&] { EXPECT_TRUE(std::filesystem::is_directory(dataFolder)); };
    window.quitCode = 7;
    EXPECT_EQ(entry(args({"velt_p3d"})), 7);
    EXPECT_TRUE(std::filesystem::is_directory(dataFolder));
    // An existing folder and its contents are left alone.
    std::ofstream(dataFolder / "parameters.xml") << "x";
    RecordingWindow again(flags);
    again.quitCode = 0;
    EXPECT_EQ(gf_processEntry(args({"velt_p3d"}), dataFolder, lockFile, again, flags), 0);
    EXPECT_TRUE(std::filesystem::exists(dataFolder / "parameters.xml"));
}

TEST_F(ProcessEntryTest, StartUpFailuresEndTheProgramWithTheirLogLine) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> calls;
        std::string line;
    };
    const std::filesystem::path blocker = temp.path() / "file";
    std::ofstream(blocker) << "x";
    const Case cases[] = {
        {"data folder under a file", [&] { dataFolder = blocker / "VELT_P3D"; }, {}, "Failed to create directory: "},
        {"window", [&] { window.initSucceeds = false; }, {"initInstance"}, "==> initInstance failed"},
        {"message loop", [&] { window.loopFails = true; },
         {"initInstance", "postStart", "runMessageLoop"}, "==> GetMessageW failed: 22"},
    };
    for (const Case& c : cases) {
        for (const bool production : {false, true}) {
            SCOPED_TRACE(::testing::Message() << c.name << (production ? " (job)" : ""));
            LogCapture caseLog;
            window = RecordingWindow(flags);
            dataFolder = temp.path() / "data";
            c.arrange();
            const int result = entry(production ? args({"velt_p3d", "--production"}) : args({"velt_p3d"}));
            // A job that never ran has failed; an ordinary start-up failure ends quietly.
            EXPECT_EQ(result, production ? 1 : 0);
            EXPECT_EQ(window.calls, c.calls);
            const auto lines = caseLog.lines();
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_TRUE(lines[0].starts_with(c.line)) << lines[0];
        }
    }
}

TEST_F(ProcessEntryTest, WithoutAMainWindowNoStartIsPosted) {
    window.windowExists = false;
    window.quitCode = 0;
    EXPECT_EQ(entry(args({"velt_p3d"})), 0);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"initInstance", "runMessageLoop"}));
}

TEST_F(ProcessEntryTest, ExceptionsOfTheStartAreLoggedAndEndTheProgram) {
    struct Thrower : RecordingWindow {
        using RecordingWindow::RecordingWindow;
        bool initInstance() override {
            if (standard) {
                throw std::runtime_error("no display");
            }
            throw 42;
        }
        bool standard = true;
    };
    for (const bool standard : {true, false}) {
        LogCapture caseLog;
        Thrower thrower(flags);
        thrower.standard = standard;
        EXPECT_EQ(gf_processEntry(args({"velt_p3d", "--production"}), dataFolder, lockFile, thrower, flags), 1);
        EXPECT_EQ(gf_processEntry(args({"velt_p3d"}), dataFolder, lockFile, thrower, flags), 0);
        EXPECT_EQ(caseLog.lines(), std::vector<std::string>(2, standard ? "==> Windows startup failed: no display"
                                                                       : "==> Windows startup failed with an unknown exception"));
    }
}

TEST_F(ProcessEntryTest, AJobEndsWithItsOwnResultWhateverEndsTheLoop) {
    struct Case {
        const char* name;
        bool jobLogged;
        std::optional<std::int32_t> quitCode;
        int expected;
    };
    const Case cases[] = {
        {"job done, exit message", true, std::nullopt, 0},
        {"job done, window closed", true, 0, 0},
        {"job not done, exit message", false, std::nullopt, 1},
        {"job not done, window closed", false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window = RecordingWindow(flags);
        window.quitCode = c.quitCode;
        window.duringLoop = [&] {
            // The dialogs of the start-up already know that this is a job.
            EXPECT_TRUE(window.productionAtInit);
            EXPECT_FALSE(gf_dialogsAllowed(flags));
            if (c.jobLogged) {
                lf_logProductionJob(flags);
            }
        };
        EXPECT_EQ(entry(args({"velt_p3d", "--Production"})), c.expected);
    }
    // An ordinary run ends with the loop's code.
    window = RecordingWindow(flags);
    window.quitCode = 3;
    EXPECT_EQ(entry(args({"velt_p3d"})), 3);
    EXPECT_FALSE(flags.production.load());
    EXPECT_TRUE(gf_dialogsAllowed(flags));
}

TEST(CommandLineJob, LogsTheJobAndSetsItsExitCode) {
    LogCapture log;
    ShellFlags flags;
    flags.production.store(true);
    flags.exitCode.store(kJobFailedExitCode);
    lf_logProductionJob(flags);
    EXPECT_EQ(flags.exitCode.load(), 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Command line job:", "production"}));
}

TEST(CommandLineJob, AJobAnswersTheCredentialPromptAsCancelled) {
    struct AnsweringPrompt : CredentialPrompt {
        std::optional<std::string> lf_promptForLicense() override {
            ++asked;
            return "key";
        }
        int asked = 0;
    };
    AnsweringPrompt window;
    ShellFlags flags;
    JobAwareCredentialPrompt prompt(window, flags);
    EXPECT_EQ(prompt.lf_promptForLicense(), "key");
    flags.production.store(true);
    EXPECT_EQ(prompt.lf_promptForLicense(), std::nullopt);
    EXPECT_EQ(window.asked, 1);
}

TEST(CommandLineJob, AJobShowsNoDialogAndCountsEachAsCancelled) {
    struct AnsweringDialogs : platform::WindowDialogs {
        void messageBox(std::string_view, std::string_view, platform::MessageIcon) override { ++shown; }
        std::optional<std::filesystem::path> pickFolder(const std::filesystem::path&) override {
            ++shown;
            return std::filesystem::path("/sim");
        }
        std::optional<std::string> promptText(std::string_view, std::string_view, std::size_t) override {
            ++shown;
            return "key";
        }
        int shown = 0;
    };
    struct Case {
        const char* name;
        bool production;
        bool attached;
        int shown;
        bool answered;
    };
    for (const Case& c : {Case{"an ordinary run asks the window", false, true, 3, true},
                          Case{"a job asks nobody", true, true, 0, false},
                          Case{"before the window exists nobody is asked", false, false, 0, false}}) {
        SCOPED_TRACE(c.name);
        AnsweringDialogs window;
        ShellFlags flags;
        flags.production.store(c.production);
        JobAwareDialogs dialogs(flags);
        if (c.attached) {
            dialogs.attach(&window);
        }
        dialogs.messageBox("text", "caption", platform::MessageIcon::stop);
        EXPECT_EQ(dialogs.pickFolder("/").has_value(), c.answered);
        EXPECT_EQ(dialogs.promptText("t", "l", 60).has_value(), c.answered);
        EXPECT_EQ(window.shown, c.shown);
    }
}

} // namespace
} // namespace kiv
