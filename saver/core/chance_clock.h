#pragma once

// The battle's random chances (5 in 1000 that a ship breaks off, 4 in 10 that a fragment leaves
// a puff) were tuned as odds a frame of 16 ms. They are taken once for every 16 ms of time
// instead of once a frame, so that a 240 Hz display or a slow software renderer plays the
// battle a 60 Hz one does. At 16 ms frames that is one chance a frame: the same draws as ever.

#include <algorithm>
#include <cstdint>

namespace ironwood {

inline constexpr std::uint32_t kChanceMilliseconds = 16;
// A stall (the machine busy, a debugger, a clock that steps back) owes at most a second's worth.
inline constexpr std::uint32_t kMostChanceMilliseconds = 1000;

// Milliseconds not yet taken as chances, carried from one step to the next.
class ChanceTicks {
 public:
  // The chances that `elapsed` more milliseconds bring: none in a short frame until the time
  // adds up to 16 ms, several in a long one.
  int Take(std::uint32_t elapsed) {
    owed_ += std::min(elapsed, kMostChanceMilliseconds);
    const int due = static_cast<int>(owed_ / kChanceMilliseconds);
    owed_ %= kChanceMilliseconds;
    return due;
  }

 private:
  std::uint32_t owed_ = 0;
};

// The same for a step that has no frame length of its own: its first step takes one chance, as
// a frame does, and each later one the chances of the time since the step before.
class ChanceClock {
 public:
  int Due(std::uint32_t now) {
    if (!started_) {
      started_ = true;
      last_ = now;
      return 1;
    }
    const std::uint32_t elapsed = now - last_;
    last_ = now;
    return ticks_.Take(elapsed);
  }

 private:
  ChanceTicks ticks_;
  std::uint32_t last_ = 0;
  bool started_ = false;
};

}  // namespace ironwood
