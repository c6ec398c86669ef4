#pragma once

#include <cstdint>

namespace ironwood {

// A millisecond stopwatch that starts on its first query. Differences are taken in unsigned
// 32-bit arithmetic, so a wrap of the millisecond clock between start and now is harmless.
class ElapsedTimer {
 public:
  // Makes the next Elapsed() start a new period.
  void Reset();
  // 0 on the first query after construction or Reset (which starts the stopwatch); afterwards
  // the milliseconds since that first query.
  std::uint32_t Elapsed();

  bool Started() const { return started_; }
  std::uint32_t Start() const { return start_; }
  std::uint32_t Last() const { return last_; }

 private:
  std::uint32_t start_ = 0;
  std::uint32_t last_ = 0;
  bool started_ = false;
};

}  // namespace ironwood
