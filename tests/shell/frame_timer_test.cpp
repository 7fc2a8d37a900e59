#include "shell/frame_timer.h"

#include <gtest/gtest.h>

namespace {

// A clock that only moves when the test says so.
class ManualClock final : public TimerClock {
 public:
  explicit ManualClock(bool hasCounter) : hasCounter_(hasCounter) {}
  bool frequency(LONGLONG& ticksPerSecond) override {
    ++frequencyQueries;
    ticksPerSecond = kTicksPerSecond;
    return hasCounter_;
  }
  LONGLONG counter() override { return ticks; }
  DWORD milliseconds() override { return static_cast<DWORD>(ticks / (kTicksPerSecond / 1000)); }

  void advanceSeconds(double seconds) { ticks += static_cast<LONGLONG>(seconds * kTicksPerSecond); }

  static constexpr LONGLONG kTicksPerSecond = 1'000'000'000;
  LONGLONG ticks = 5 * kTicksPerSecond;  // the clock's epoch is not the timer's
  int frequencyQueries = 0;

 private:
  bool hasCounter_;
};

class FrameTimerTest : public testing::TestWithParam<bool> {
 protected:
  ManualClock clock{GetParam()};
  FrameTimerState timer{clock};
};

TEST_P(FrameTimerTest, AppTimeCountsFromTheFirstStart) {
  EXPECT_EQ(timer.run(timerStart), 0.0f);
  clock.advanceSeconds(2.5);
  EXPECT_FLOAT_EQ(timer.run(timerAppTime), 2.5f);
  EXPECT_FLOAT_EQ(timer.run(timerAbsoluteTime), 7.5f);
  EXPECT_EQ(clock.frequencyQueries, 1);  // the source is chosen once
}

TEST_P(FrameTimerTest, ElapsedTimeMeasuresBetweenCalls) {
  timer.run(timerStart);
  clock.advanceSeconds(0.25);
  EXPECT_FLOAT_EQ(timer.run(timerElapsedTime), 0.25f);
  clock.advanceSeconds(0.5);
  EXPECT_FLOAT_EQ(timer.run(timerElapsedTime), 0.5f);
  EXPECT_EQ(timer.run(timerElapsedTime), 0.0f);

  clock.advanceSeconds(1.0);
  timer.run(timerReset);  // measures from the reset
  clock.advanceSeconds(0.125);
  EXPECT_FLOAT_EQ(timer.run(timerElapsedTime), 0.125f);
  EXPECT_FLOAT_EQ(timer.run(timerAppTime), 0.125f);
}

TEST_P(FrameTimerTest, StopFreezesAdvanceStepsAndStartContinuesWithoutAJump) {
  timer.run(timerStart);
  clock.advanceSeconds(1.0);
  timer.run(timerStop);
  float frozen = timer.run(timerAppTime);
  EXPECT_FLOAT_EQ(frozen, 1.0f);
  clock.advanceSeconds(3.0);
  EXPECT_EQ(timer.run(timerAppTime), frozen);
  EXPECT_EQ(timer.run(timerElapsedTime), 0.0f);

  for (int press = 1; press <= 3; ++press) {
    timer.run(timerAdvance);
    EXPECT_FLOAT_EQ(timer.run(timerElapsedTime), 0.1f);  // the step after each advance
    EXPECT_EQ(timer.run(timerElapsedTime), 0.0f);        // and nothing after that
    EXPECT_FLOAT_EQ(timer.run(timerAppTime), 1.0f + 0.1f * static_cast<float>(press));
  }

  clock.advanceSeconds(2.0);
  timer.run(timerStart);
  EXPECT_FLOAT_EQ(timer.run(timerAppTime), 1.3f);  // the stopped interval is added to the base
  clock.advanceSeconds(0.5);
  EXPECT_FLOAT_EQ(timer.run(timerAppTime), 1.8f);
  EXPECT_FLOAT_EQ(timer.run(timerElapsedTime), 0.5f);
}

TEST_P(FrameTimerTest, SecondStopKeepsTheFirstStopTime) {
  timer.run(timerStart);
  clock.advanceSeconds(1.0);
  timer.run(timerStop);
  clock.advanceSeconds(1.0);
  timer.run(timerStop);
  EXPECT_FLOAT_EQ(timer.run(timerAppTime), 1.0f);
}

TEST_P(FrameTimerTest, UnknownCommandReturnsMinusOneAndChangesNothing) {
  timer.run(timerStart);
  clock.advanceSeconds(1.0);
  EXPECT_EQ(timer.run(static_cast<TimerCommand>(7)), -1.0f);
  EXPECT_EQ(timer.run(static_cast<TimerCommand>(0xFFFFFFFF)), -1.0f);
  EXPECT_FLOAT_EQ(timer.run(timerElapsedTime), 1.0f);
  EXPECT_FLOAT_EQ(timer.run(timerAppTime), 1.0f);
}

INSTANTIATE_TEST_SUITE_P(CounterAndMillisecondSources, FrameTimerTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Counter" : "Milliseconds";
                         });

TEST(FrameTimerCounterTest, EachAdvanceIsExactlyATenthOfASecond) {
  ManualClock clock(true);
  FrameTimerState timer(clock);
  timer.run(timerStart);
  timer.run(timerStop);
  for (int press = 0; press < 10; ++press) {
    timer.run(timerAdvance);
    EXPECT_EQ(timer.run(timerElapsedTime), 0.1f);
  }
  EXPECT_EQ(timer.run(timerAppTime), 1.0f);
}

TEST(FrameTimerProcessTest, ProcessWideTimerRunsOnThePlatformClock) {
  EXPECT_EQ(FrameTimer(timerReset), 0.0f);
  EXPECT_GE(FrameTimer(timerAppTime), 0.0f);
  EXPECT_GT(FrameTimer(timerAbsoluteTime), 0.0f);
  EXPECT_EQ(FrameTimer(static_cast<TimerCommand>(99)), -1.0f);
}

}  // namespace
