#include "platform/win/time.h"

#include <gtest/gtest.h>

TEST(TimeTest, CounterIsMonotonicNanosecondTicks) {
  LARGE_INTEGER frequency{};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 1'000'000'000);

  LARGE_INTEGER before{}, after{};
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  DWORD millisecondsBefore = timeGetTime();
  Sleep(20);
  ASSERT_TRUE(QueryPerformanceCounter(&after));
  DWORD millisecondsAfter = timeGetTime();
  EXPECT_GE(after.QuadPart - before.QuadPart, 20'000'000);
  EXPECT_GE(static_cast<DWORD>(millisecondsAfter - millisecondsBefore), 19u);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}
