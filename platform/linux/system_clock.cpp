#include <time.h>

#include "platform/clock.h"

namespace ironwood::platform {

namespace {
class MonotonicClock : public Clock {
 public:
  std::uint32_t NowMilliseconds() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Kept to 32 bits on purpose: the saver's timing arithmetic expects the counter to wrap.
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
  }
};
}  // namespace

Clock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

}  // namespace ironwood::platform
