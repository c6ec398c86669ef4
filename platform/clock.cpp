#include "platform/clock.h"

namespace ironwood::platform {

namespace {
Clock* installedClock = nullptr;
}

Clock& CurrentClock() {
  return installedClock != nullptr ? *installedClock : SystemClock();
}

void InstallClock(Clock& clock) {
  installedClock = &clock;
}

}  // namespace ironwood::platform
