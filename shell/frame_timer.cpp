#include "shell/frame_timer.h"

#include "platform/win/time.h"

namespace {

class PlatformTimerClock final : public TimerClock {
 public:
  bool frequency(LONGLONG& ticksPerSecond) override {
    LARGE_INTEGER value{};
    if (!QueryPerformanceFrequency(&value) || value.QuadPart <= 0) return false;
    ticksPerSecond = value.QuadPart;
    return true;
  }
  LONGLONG counter() override {
    LARGE_INTEGER value{};
    QueryPerformanceCounter(&value);
    return value.QuadPart;
  }
  DWORD milliseconds() override { return timeGetTime(); }
};

bool isKnownCommand(TimerCommand command) { return command <= timerElapsedTime; }

}  // namespace

TimerClock& platformTimerClock() {
  static PlatformTimerClock clock;
  return clock;
}

float FrameTimerState::run(TimerCommand command) {
  if (!sourceChosen_) {
    sourceChosen_ = true;
    usesCounter_ = clock_.frequency(ticksPerSecond_);
  }
  if (!isKnownCommand(command)) return -1.0f;

  bool readsFresh = command == timerStart || command == timerAbsoluteTime;
  if (usesCounter_) {
    LONGLONG now = counterPoints_.stop != 0 && !readsFresh ? counterPoints_.stop : clock_.counter();
    return runOn(counterPoints_, now, ticksPerSecond_ / 10, static_cast<double>(ticksPerSecond_), command);
  }
  double now = millisecondPoints_.stop != 0 && !readsFresh ? millisecondPoints_.stop : clock_.milliseconds() * 0.001;
  return runOn(millisecondPoints_, now, 0.1, 1.0, command);
}

template <typename TimePoint>
float FrameTimerState::runOn(Points<TimePoint>& points, TimePoint now, TimePoint tenthOfASecond, double unitsPerSecond,
                             TimerCommand command) {
  // Dividing (rather than multiplying by the reciprocal) keeps a tenth of a second of ticks
  // exactly 0.1 seconds.
  auto seconds = [&](TimePoint span) { return static_cast<double>(span) / unitsPerSecond; };
  switch (command) {
    case timerElapsedTime: {
      double elapsed = seconds(now - points.lastElapsed);
      points.lastElapsed = now;
      return static_cast<float>(elapsed);
    }
    case timerAppTime: return static_cast<float>(seconds(now - points.base));
    case timerAbsoluteTime: return static_cast<float>(seconds(now));
    case timerReset:
      points.base = now;
      points.lastElapsed = now;
      points.stop = 0;
      stopped_ = false;
      return 0.0f;
    case timerStart:
      if (stopped_) points.base += now - points.stop;
      points.stop = 0;
      points.lastElapsed = now;
      stopped_ = false;
      return 0.0f;
    case timerStop:
      if (!stopped_) {
        points.stop = now;
        points.lastElapsed = now;
        stopped_ = true;
      }
      return 0.0f;
    case timerAdvance: points.stop += tenthOfASecond; return 0.0f;
  }
  return -1.0f;
}

float FrameTimer(TimerCommand command) {
  static FrameTimerState timer(platformTimerClock());
  return timer.run(command);
}
