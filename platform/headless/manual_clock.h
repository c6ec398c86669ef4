#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace ironwood::platform {

// A clock that only moves when told to: tests and offscreen runs advance it per frame so that
// a run replays identically.
class ManualClock : public Clock {
 public:
  explicit ManualClock(std::uint32_t start = 0) : now_(start) {}
  std::uint32_t NowMilliseconds() override { return now_; }
  void Set(std::uint32_t now) { now_ = now; }
  void Advance(std::uint32_t milliseconds) { now_ += milliseconds; }

 private:
  std::uint32_t now_;
};

}  // namespace ironwood::platform
