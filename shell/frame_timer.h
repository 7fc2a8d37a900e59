// The frame timer: application time that can be stopped, single-stepped and restarted, and
// the time between frames. One process-wide timer serves the whole program.
#pragma once

#include <cstdint>

#include "platform/win/types.h"

enum TimerCommand : std::uint32_t {
  timerReset = 0,
  timerStart = 1,
  timerStop = 2,
  timerAdvance = 3,
  timerAbsoluteTime = 4,
  timerAppTime = 5,
  timerElapsedTime = 6,
};

// Runs one command on the process-wide timer. Reset, start, stop and advance return 0; the
// three time queries return seconds; an unknown command returns -1 and changes nothing.
float FrameTimer(TimerCommand command);

// Where the timer reads the time: the platform's high-resolution counter when it has one,
// else its millisecond clock. Tests give the timer a clock of their own.
class TimerClock {
 public:
  virtual ~TimerClock() = default;
  virtual bool frequency(LONGLONG& ticksPerSecond) = 0;
  virtual LONGLONG counter() = 0;
  virtual DWORD milliseconds() = 0;
};

// The platform's clocks (QueryPerformanceFrequency/Counter and timeGetTime).
TimerClock& platformTimerClock();

// The timer's state and rules. The source (counter or milliseconds) is chosen on the first
// command and kept. The timer starts stopped, with no stop time, so the first start makes
// application time count from that moment.
class FrameTimerState {
 public:
  explicit FrameTimerState(TimerClock& clock) : clock_(clock) {}
  float run(TimerCommand command);

 private:
  // Time points in the chosen source's unit: counter ticks, or seconds for the millisecond clock.
  template <typename TimePoint>
  struct Points {
    TimePoint base{};
    TimePoint stop{};  // 0 means not stopped
    TimePoint lastElapsed{};
  };

  template <typename TimePoint>
  float runOn(Points<TimePoint>& points, TimePoint now, TimePoint tenthOfASecond, double unitsPerSecond,
              TimerCommand command);

  TimerClock& clock_;
  bool sourceChosen_ = false;
  bool usesCounter_ = false;
  LONGLONG ticksPerSecond_ = 0;
  Points<LONGLONG> counterPoints_;
  Points<double> millisecondPoints_;
  bool stopped_ = true;
};
