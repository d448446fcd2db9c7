#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "models/interned_codes.h"
#include "test_support/log_capture.h"

namespace kiv {
namespace {

TEST(CodeTable, InternsExactTextsToDenseIdsFromZero) {
    CodeTable table("airline");
    struct Case {
        const char* code;
        std::uint16_t id;
    };
    const Case cases[] = {{"", 0}, {"DLH", 1}, {"dlh", 2}, {"DLH", 1}, {" DLH", 3}, {"", 0}, {"BAW", 4}};
    for (const Case& c : cases) {
        EXPECT_EQ(table.intern(c.code), c.id) << "'" << c.code << "'";
    }
    EXPECT_EQ(table.size(), 5u);
    EXPECT_EQ(table.codeOf(2), "dlh");
    EXPECT_EQ(table.codeOf(5), "");
    EXPECT_EQ(table.codeOf(65535), "");
}

TEST(CodeTable, FixesApplyOnlyWhenActiveAndTheCorrectCodeIsInterned) {
    CodeTable table("model");
    table.intern("");
    const std::uint16_t b738 = table.intern("B738");
    table.setFixes({{"B38M", "B738"}, {"XXXX", "NOPE"}});

    // Not active yet: the wrong code is a code of its own.
    const std::uint16_t early = table.intern("B38M");
    EXPECT_NE(early, b738);

    CodeTable fresh("model");
    fresh.intern("");
    const std::uint16_t fixedTarget = fresh.intern("B738");
    fresh.setFixes({{"B38M", "B738"}, {"XXXX", "NOPE"}});
    fresh.setFixesActive(true);
    const std::size_t before = fresh.size();
    EXPECT_EQ(fresh.intern("B38M"), fixedTarget);
    EXPECT_EQ(fresh.intern("B38M"), fixedTarget); // the step repeats, the wrong code is never added
    EXPECT_EQ(fresh.size(), before);

    // A fix whose correct code is unknown, and a code without a fix, are appended.
    EXPECT_EQ(fresh.intern("XXXX"), before);
    EXPECT_EQ(fresh.intern("A320"), before + 1);
    EXPECT_EQ(fresh.codeOf(static_cast<std::uint16_t>(before)), "XXXX");
}

// Past 65,536 codes an id would wrap onto another code's id.
TEST(CodeTable, FullTableGivesIdZeroAndLogsOnce) {
    test_support::LogCapture log;
    CodeTable table("model");
    for (std::size_t i = 0; i < kMaxInternedCodes; ++i) {
        ASSERT_EQ(table.intern(fmt::format("C{}", i)), i);
    }
    EXPECT_EQ(table.intern("LATE1"), 0);
    EXPECT_EQ(table.intern("LATE2"), 0);
    EXPECT_EQ(table.size(), kMaxInternedCodes);
    EXPECT_EQ(table.codeOf(1), "C1");
    EXPECT_EQ(table.intern("C65535"), 65535);

    const std::vector<std::string> lines = log.lines();
    const auto full = std::count_if(lines.begin(), lines.end(),
                                    [](const std::string& line) { return line.find("table is full") != line.npos; });
    EXPECT_EQ(full, 1);
    EXPECT_NE(lines.front().find("'LATE1'"), std::string::npos);
}

// Feed threads, the simulator loop and the link thread intern and read at the same time: every
// code must get exactly one id and every id must read back its own code.
TEST(CodeTable, ConcurrentInterningGivesOneIdPerCode) {
    CodeTable table("airline");
    constexpr int kCodes = 3000;
    constexpr int kThreads = 6;
    std::vector<std::string> codes;
    for (int i = 0; i < kCodes; ++i) {
        codes.push_back(fmt::format("A{:04}", i));
    }
    std::vector<std::vector<std::uint16_t>> seen(kThreads, std::vector<std::uint16_t>(kCodes));
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<int> order(kCodes);
            for (int i = 0; i < kCodes; ++i) {
                order[i] = i;
            }
            std::shuffle(order.begin(), order.end(), std::mt19937(static_cast<unsigned>(t)));
            for (const int i : order) {
                const std::uint16_t id = table.intern(codes[i]);
                seen[t][i] = id;
                if (table.codeOf(id) != codes[i]) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(table.size(), static_cast<std::size_t>(kCodes));
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(mismatches[t], 0) << t;
        EXPECT_EQ(seen[t], seen[0]) << t;
    }
}

TEST(InternedCodes, GlobalTablesAreSeparateAndReadBack) {
    gf_resetInternedCodesForTesting();
    EXPECT_EQ(gf_airlineId(""), 0);
    EXPECT_EQ(gf_modelId(""), 0);
    EXPECT_EQ(gf_airlineId("DLH"), 1);
    EXPECT_EQ(gf_modelId("A320"), 1);
    EXPECT_EQ(gf_modelIdOf("B738"), 2);
    EXPECT_EQ(gf_airlineCode(1), "DLH");
    EXPECT_EQ(gf_modelCode(2), "B738");
    EXPECT_EQ(gf_modelCode(3), "");

    gf_setModelFixes({{"B38M", "B738"}});
    gf_setModelFixesActive(true);
    EXPECT_EQ(gf_modelId("B38M"), 2);
    gf_setModelFixesActive(false);
    EXPECT_EQ(gf_modelId("B38M"), 3);
    gf_resetInternedCodesForTesting();
}

} // namespace
} // namespace kiv
