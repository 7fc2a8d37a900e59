// Clocks: a monotonic high-resolution counter in nanosecond ticks, a millisecond clock, sleep.
#pragma once

#include "platform/win/types.h"

// Always succeeds here: the counter ticks 1,000,000,000 times a second.
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
// Milliseconds of the monotonic clock; wraps around every 49.7 days as on the platform.
DWORD timeGetTime();
void Sleep(DWORD milliseconds);
