#include <gtest/gtest.h>

#include <thread>

#include "Signals.h"

namespace lipsmith::tts {
namespace {

using namespace std::chrono_literals;

TEST(SignalSet, LowestSetIndexWinsAndEachSetIsConsumedOnce) {
    SignalSet s;
    s.Set(5);
    s.Set(2);
    s.Set(2);  // already set: collapses
    EXPECT_EQ(s.WaitAny(0, 8, 1ms), 2);
    EXPECT_EQ(s.WaitAny(0, 8, 1ms), 5);
    EXPECT_EQ(s.WaitAny(0, 8, 1ms), std::nullopt);
    s.Set(9);
    EXPECT_TRUE(s.TryTake(9));
    EXPECT_FALSE(s.TryTake(9));  // taken: gone until set again
}

TEST(SignalSet, WaitAnyIgnoresSignalsOutsideItsRange) {
    SignalSet s;
    s.Set(8);
    EXPECT_EQ(s.WaitAny(0, 8, 1ms), std::nullopt);
    EXPECT_TRUE(s.Wait(8));
}

TEST(SignalSet, WaitWakesOnSetFromAnotherThreadAndFailsOnceClosed) {
    SignalSet s;
    std::thread setter([&] {
        std::this_thread::sleep_for(5ms);
        s.Set(9);
    });
    EXPECT_TRUE(s.Wait(9));
    setter.join();

    std::thread closer([&] {
        std::this_thread::sleep_for(5ms);
        s.Close();
    });
    EXPECT_FALSE(s.Wait(9));
    closer.join();
    EXPECT_TRUE(s.IsClosed());
    EXPECT_EQ(s.WaitAny(0, 8, 100ms), std::nullopt);
}

}  // namespace
}  // namespace lipsmith::tts
