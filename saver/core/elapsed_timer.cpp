#include "saver/core/elapsed_timer.h"

#include "platform/clock.h"

namespace ironwood {

void ElapsedTimer::Reset() {
  start_ = 0;
  last_ = 0;
  started_ = false;
}

std::uint32_t ElapsedTimer::Elapsed() {
  if (started_) {
    last_ = platform::TimeMilliseconds();
    return last_ - start_;
  }
  start_ = platform::TimeMilliseconds();
  last_ = platform::TimeMilliseconds();
  started_ = true;
  return 0;
}

}  // namespace ironwood
