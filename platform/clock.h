#pragma once

#include <cstdint>

namespace ironwood::platform {

// A millisecond counter that wraps at 2^32, like the multimedia timer.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t NowMilliseconds() = 0;
};

// The operating system's monotonic millisecond clock.
Clock& SystemClock();

// Every millisecond read of the saver goes through the installed clock, so tests and offscreen
// runs can drive time by hand. The system clock is installed until something else is.
Clock& CurrentClock();
void InstallClock(Clock& clock);
inline std::uint32_t TimeMilliseconds() {
  return CurrentClock().NowMilliseconds();
}

// Installs a clock for the life of a scope and puts the previous one back afterwards.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(CurrentClock()) { InstallClock(clock); }
  ~ScopedClock() { InstallClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock& previous_;
};

}  // namespace ironwood::platform
