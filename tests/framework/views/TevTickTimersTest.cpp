#include "views/TevTickTimers.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(TevTickTimers, UnarmedTimerIsDueWithNoElapsedTime)
{
    CFakeSystem system;
    CTevTickTimers timers;
    EXPECT_TRUE(timers.IsDue(3));
    EXPECT_EQ(0, timers.GetElapsed(3));
}

TEST(TevTickTimers, DueWhenIntervalHasRunOut)
{
    CFakeSystem system;
    CTevTickTimers timers;
    timers.Start(1, 200);
    EXPECT_FALSE(timers.IsDue(1));
    system.Advance(199);
    EXPECT_FALSE(timers.IsDue(1));
    EXPECT_EQ(199, timers.GetElapsed(1));
    system.Advance(1);
    EXPECT_TRUE(timers.IsDue(1));

    timers.Start(2, 0);
    EXPECT_TRUE(timers.IsDue(2));
    timers.Start(3, -5); // a negative interval is due at once
    EXPECT_TRUE(timers.IsDue(3));
}

TEST(TevTickTimers, RestartReplacesStartAndInterval)
{
    CFakeSystem system;
    CTevTickTimers timers;
    timers.Start(1, 100);
    system.Advance(90);
    timers.Start(1, 50);
    EXPECT_EQ(0, timers.GetElapsed(1));
    system.Advance(49);
    EXPECT_FALSE(timers.IsDue(1));
    system.Advance(1);
    EXPECT_TRUE(timers.IsDue(1));
}

TEST(TevTickTimers, StopOneOrAll)
{
    CFakeSystem system;
    CTevTickTimers timers;
    timers.Start(1, 1000);
    timers.Start(2, 1000);
    timers.Start(3, 1000);
    timers.Stop(2);
    EXPECT_TRUE(timers.IsDue(2));
    EXPECT_FALSE(timers.IsDue(1));
    timers.Stop(-1);
    EXPECT_TRUE(timers.IsDue(1));
    EXPECT_TRUE(timers.IsDue(3));
    EXPECT_EQ(0, timers.GetElapsed(3));
}

TEST(TevTickTimers, SurvivesTheWrapOfTheTickCount)
{
    CFakeSystem system;
    system.now = 0xFFFFFF00u;
    CTevTickTimers timers;
    timers.Start(1, 0x200);
    system.Advance(0x100); // now 0
    EXPECT_FALSE(timers.IsDue(1));
    EXPECT_EQ(0x100, timers.GetElapsed(1));
    system.Advance(0xFF);
    EXPECT_FALSE(timers.IsDue(1));
    system.Advance(1);
    EXPECT_TRUE(timers.IsDue(1));
    EXPECT_EQ(0x200, timers.GetElapsed(1));

    // Across the signed boundary: start + interval would overflow a signed
    // comparison and make the timer due at once.
    system.now = 0x7FFFFFF0u;
    timers.Start(2, 100);
    EXPECT_FALSE(timers.IsDue(2));
    system.Advance(100);
    EXPECT_TRUE(timers.IsDue(2));
    EXPECT_EQ(100, timers.GetElapsed(2));
}

TEST(TevTickTimers, ElapsedSaturatesAtIntMax)
{
    CFakeSystem system;
    CTevTickTimers timers;
    timers.Start(1, 10);
    system.Advance(0x80000005u);
    EXPECT_EQ(INT32_MAX, timers.GetElapsed(1));
    EXPECT_TRUE(timers.IsDue(1));
}
