#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "settings/gui_thread_changes.h"

namespace kiv {
namespace {

// The test's own thread plays the GUI thread; `post` runs on another thread.
class GuiThreadChanges : public ::testing::Test {
protected:
    void SetUp() override {
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
        gf_registerGuiThread();
        gf_setGuiChangeNotifier([this] { ++wakeUps_; });
    }
    void TearDown() override {
        gf_setGuiChangeNotifier(nullptr);
        gf_unregisterGuiThread();
        gf_completeGuiChanges();
    }

    void post(char name, bool throws = false) {
        std::thread([this, name, throws] {
            gf_runOnGuiThread([this, name, throws] {
                ran_ += name;
                if (throws) {
                    throw std::runtime_error("window gone");
                }
            });
        }).join();
    }

    std::string ran_;
    int wakeUps_ = 0;
};

// One failing change must not take the changes queued after it down with it.
TEST_F(GuiThreadChanges, AThrowingChangeKeepsTheLaterOnesInOrder) {
    post('a');
    post('b', true);
    post('c');
    EXPECT_EQ(ran_, "") << "nothing runs on the posting thread";
    EXPECT_EQ(wakeUps_, 3);

    EXPECT_THROW(gf_completeGuiChanges(), std::runtime_error);
    EXPECT_EQ(ran_, "ab");
    EXPECT_EQ(wakeUps_, 4) << "woken again for what is left";

    post('d');
    EXPECT_EQ(gf_completeGuiChanges(), 2U);
    EXPECT_EQ(ran_, "abcd");
    EXPECT_EQ(gf_completeGuiChanges(), 0U) << "the failed change is not retried";
}

TEST_F(GuiThreadChanges, OnTheGuiThreadAChangeRunsAtOnce) {
    gf_runOnGuiThread([this] { ran_ += 'x'; });
    EXPECT_EQ(ran_, "x");
    EXPECT_EQ(wakeUps_, 0);
    EXPECT_EQ(gf_completeGuiChanges(), 0U);
}

} // namespace
} // namespace kiv
