#include <algorithm>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/thread_name.h"

namespace kiv::platform {
namespace {

TEST(ThreadName, NamesTheCallingThreadAndCutsLongNames) {
    struct Case {
        std::string name;
        std::string kept;
    };
    const Case cases[] = {
        {"simconnect-io", "simconnect-io"},
        {"exactly-15-long", "exactly-15-long"},
        {"a-name-past-the-limit", "a-name-past-the"},
    };
    for (const auto& c : cases) {
        std::string seen;
        std::vector<std::string> all;
        bool accepted = false;
        std::thread([&] {
            accepted = setCurrentThreadName(c.name);
            seen = currentThreadName();
            all = threadNamesOfProcess();
        }).join();
        EXPECT_TRUE(accepted) << c.name;
        EXPECT_EQ(seen, c.kept);
        EXPECT_NE(std::find(all.begin(), all.end(), c.kept), all.end())
            << c.name << ": not among the process's threads";
    }
}

TEST(ThreadName, NamingAThreadLeavesTheOthersAlone) {
    const std::string before = currentThreadName();
    std::thread([] { setCurrentThreadName("worker"); }).join();
    EXPECT_EQ(currentThreadName(), before);
    EXPECT_FALSE(before.empty());
}

} // namespace
} // namespace kiv::platform
