#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/log.h"
#include "test_support/file_contents.h"
#include "test_support/log_capture.h"
#include "test_support/pinned_clock.h"
#include "test_support/temp_folder.h"

namespace kiv {
namespace {

using test_support::readFile;
using test_support::writeFile;

namespace fs = std::filesystem;

// Points the log at a temp folder, closed, and puts it back afterwards.
class LogInFolder : public testing::Test {
protected:
    LogInFolder() {
        gf_closeLog();
        gf_setLogPathForTesting(logPath);
    }
    ~LogInFolder() override {
        gf_closeLog();
        gf_setLogPathForTesting("Log.txt");
    }
    std::string body() const {
        gf_flushLog();
        const std::string text = readFile(logPath);
        return text.substr(text.find('\n') + 1);
    }

    test_support::TempFolder folder;
    const fs::path logPath = folder.path() / "Log.txt";
    const fs::path backupPath = folder.path() / "Log0.txt";
};

TEST_F(LogInFolder, ClosedLogDropsLinesWithoutTrace) {
    gf_logLine("x");
    gf_logImportant("x");
    EXPECT_FALSE(fs::exists(logPath));
    EXPECT_EQ(gf_unflushedLogBytes(), 0u);
    gf_flushLog();
    EXPECT_EQ(gf_unflushedLogBytes(), 0u);

    gf_openLog();
    gf_logLine("first run");
    gf_closeLog();
    gf_logLine("while closed");
    gf_logIndented("while closed");
    EXPECT_EQ(gf_unflushedLogBytes(), 0u);
    gf_openLog();
    EXPECT_EQ(body(), "");
    EXPECT_EQ(readFile(backupPath).find("while closed"), std::string::npos);
}

TEST_F(LogInFolder, HeaderLineAndOneBackupGeneration) {
    test_support::PinnedClock clock{1709190309}; // 2024-02-29 07:05:09
    writeFile(backupPath, "older backup\n");
    gf_openLog(); // no Log.txt yet: the old backup stays
    EXPECT_EQ(readFile(backupPath), "older backup\n");
    EXPECT_EQ(readFile(logPath), "29 Feb 2024 07:05Z VELT_P3D version 16.8.4 for Prepar3D v5/v6\n");
    gf_logLine("run one");

    clock.set(1709190309 + 3600);
    gf_openLog();
    EXPECT_EQ(readFile(backupPath), "29 Feb 2024 07:05Z VELT_P3D version 16.8.4 for Prepar3D v5/v6\nrun one\n");
    EXPECT_EQ(readFile(logPath), "29 Feb 2024 08:05Z VELT_P3D version 16.8.4 for Prepar3D v5/v6\n");
}

TEST_F(LogInFolder, WritersAndTheirByteCounts) {
    using Writer = void (*)(std::string_view);
    struct Case {
        Writer writer;
        std::string_view line;
        std::string_view written;
        std::uint64_t unflushedAfter;
    };
    const Case cases[] = {
        {&gf_logLine, "ab", "ab\n", 3},
        {&gf_logLine, "", "\n", 1},
        {&gf_logIndented, "ab", "          ab\n", 13},
        {&gf_logLineFlush, "ab", "ab\n", 0},
        {&gf_logImportant, "ab", "==> ab\n", 0},
        {&gf_logImportant, "", "==> \n", 0},
        {&gf_logLine, "a\r", "a\r\n", 3}, // a CR inside the line is the caller's; the end is LF alone
    };
    for (const auto& c : cases) {
        gf_openLog();
        c.writer(c.line);
        EXPECT_EQ(gf_unflushedLogBytes(), c.unflushedAfter) << c.written;
        EXPECT_EQ(body(), c.written);
    }
}

TEST_F(LogInFolder, SwallowingWriterLogsWithTheChosenWriterAndSwallowsFailures) {
    gf_openLog();
    gf_logSwallowingErrors([] { return std::string("plain"); });
    gf_logSwallowingErrors([] { return std::string("important"); }, &gf_logImportant);
    gf_logSwallowingErrors([]() -> std::string { throw std::runtime_error("no text"); });
    gf_logSwallowingErrors([] { return fmt::format(fmt::runtime("{:d}"), "not a number"); });
    gf_logSwallowingErrors([] { return std::string("writer fails"); },
                           [](std::string_view) { throw std::runtime_error("disk gone"); });
    EXPECT_EQ(body(), "plain\n==> important\n");
}

TEST_F(LogInFolder, OrdinaryLinesAreFlushedOnce4096BytesGathered) {
    gf_openLog();
    const auto headerSize = fs::file_size(logPath);
    for (int round = 1; round <= 2; ++round) {
        for (int i = 0; i < 2047; ++i) {
            gf_logLine("x");
        }
        EXPECT_EQ(gf_unflushedLogBytes(), 4094u);
        EXPECT_EQ(fs::file_size(logPath), headerSize + (round - 1) * 4096u) << "flushed too early";
        gf_logLine("x");
        EXPECT_EQ(gf_unflushedLogBytes(), 0u);
        EXPECT_EQ(fs::file_size(logPath), headerSize + round * 4096u) << "not flushed at 4096 bytes";
    }
    // A long line passes the mark by itself and is flushed with everything before it.
    gf_logIndented(std::string(5000, 'y'));
    EXPECT_EQ(gf_unflushedLogBytes(), 0u);
    EXPECT_EQ(fs::file_size(logPath), headerSize + 2 * 4096u + 5011u);
}

TEST_F(LogInFolder, OpenThatCannotCreateTheFileThrowsAndStaysClosed) {
    const fs::path unreachable = folder.path() / "missing-folder" / "Log.txt";
    gf_setLogPathForTesting(unreachable);
    try {
        gf_openLog();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to write file " + unreachable.string());
    }
    EXPECT_FALSE(gf_isLogOpen());
    gf_logLine("dropped");
    EXPECT_EQ(gf_unflushedLogBytes(), 0u);
}

TEST_F(LogInFolder, ConcurrentWritersNeverInterleaveWithinALine) {
    constexpr int kThreads = 4;
    constexpr int kLinesPerThread = 3000;
    gf_openLog();
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kLinesPerThread; ++i) {
                // Lengths vary so that lines straddle the stream's buffer edges.
                const std::string line =
                    fmt::format("t{} n{} {}", t, i, std::string(static_cast<std::size_t>(i % 301), 'a' + t));
                if (i % 3 == 0) {
                    gf_logImportant(line);
                } else if (i % 3 == 1) {
                    gf_logIndented(line);
                } else {
                    gf_logLine(line);
                }
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    std::istringstream lines(body());
    std::vector<int> nextOfThread(kThreads, 0);
    std::string line;
    while (std::getline(lines, line)) {
        const int t = line[line.find('t') + 1] - '0';
        ASSERT_TRUE(t >= 0 && t < kThreads) << line;
        const int i = nextOfThread[static_cast<std::size_t>(t)]++;
        const std::string expected =
            fmt::format("t{} n{} {}", t, i, std::string(static_cast<std::size_t>(i % 301), 'a' + t));
        const std::string prefix = i % 3 == 0 ? "==> " : (i % 3 == 1 ? "          " : "");
        ASSERT_EQ(line, prefix + expected);
    }
    EXPECT_EQ(nextOfThread, std::vector<int>(kThreads, kLinesPerThread));
}

} // namespace
} // namespace kiv
