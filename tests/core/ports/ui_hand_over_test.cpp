#include "core/ports/ui_hand_over.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kv {
namespace {

using namespace std::chrono_literals;

TEST(UiHandOver, RunsWorkOnTheUiThreadAndWaitsForIt) {
    UiHandOver handOver;
    const auto ui = std::this_thread::get_id();
    std::thread::id ranOn;
    bool returned = false;
    std::thread worker(
        [&] { returned = handOver.runAndWait([&] { ranOn = std::this_thread::get_id(); }); });
    while (handOver.drain() == 0)
        handOver.waitForWork(10ms);
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(ranOn, ui);
}

TEST(UiHandOver, RunsAtOnceOnTheUiThread) {
    UiHandOver handOver;
    int runs = 0;
    EXPECT_TRUE(handOver.runAndWait([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

TEST(UiHandOver, ShutdownReleasesWaitersWithoutRunningTheirWork) {
    UiHandOver handOver;
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    std::thread worker([&] { result = handOver.runAndWait([&] { ran = true; }) ? 1 : 0; });
    ASSERT_TRUE(handOver.waitForWork(5s));
    handOver.shutdown();
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran);
    // Later work is refused at once, from any thread.
    EXPECT_FALSE(handOver.runAndWait([&] { ran = true; }));
    std::thread late([&] { result = handOver.runAndWait([&] { ran = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran);
}

TEST(UiHandOver, WorkThatShutsTheHandOverDownStillCompletes) {
    UiHandOver handOver;
    std::atomic<int> result{-1};
    std::thread worker([&] { result = handOver.runAndWait([&] { handOver.shutdown(); }) ? 1 : 0; });
    while (handOver.drain() == 0)
        handOver.waitForWork(10ms);
    worker.join();
    EXPECT_EQ(result, 1);  // it ran: the waiter learns so even though the hand-over closed
}

}  // namespace
}  // namespace kv
