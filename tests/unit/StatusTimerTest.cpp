// The status timer's rule, its ticks driven by hand: the status line is computed once the
// arrow keys are released, and not at all while the status bar is hidden.
#include "app/StatusTimer.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusTimerRule, ComputesOnceAfterTheArrowKeyIsReleased)
{
    int starts = 0;
    int computed = 0;
    bool running = false;
    StatusTimer timer({[&](int interval) {
                           EXPECT_EQ(interval, 300);
                           ++starts;
                           running = true;
                       },
                       [&] { running = false; }},
                      [&] { ++computed; });
    timer.request(false);
    timer.arrowPressed();          // held down: repeats arrive and the key stays down
    timer.request(false);
    timer.tick();
    timer.tick();
    EXPECT_EQ(computed, 0);
    timer.arrowPressed();          // a last press just before the release
    timer.arrowReleased();
    timer.tick();                  // pressed since the last tick: still waits
    EXPECT_EQ(computed, 0);
    timer.tick();
    EXPECT_EQ(computed, 1);
    timer.tick();                  // stopped: no more ticks count
    EXPECT_EQ(computed, 1);
    EXPECT_FALSE(running);
    EXPECT_FALSE(timer.isRunning());

    // With the status bar hidden, a request starts nothing.
    const int before = starts;
    timer.request(true);
    EXPECT_EQ(starts, before);
    EXPECT_FALSE(timer.isRunning());
}

}  // namespace
