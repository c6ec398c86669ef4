#include <windows.h>
// after windows.h, which it depends on
#include <mmsystem.h>

#include "platform/clock.h"

namespace ironwood::platform {

namespace {
class MultimediaClock : public Clock {
 public:
  std::uint32_t NowMilliseconds() override { return timeGetTime(); }
};
}  // namespace

Clock& SystemClock() {
  static MultimediaClock clock;
  return clock;
}

}  // namespace ironwood::platform
