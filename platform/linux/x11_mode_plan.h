#pragma once

// Choosing the XRandR mode change that shows a size: the output, its mode of that size, the
// screen size it needs, and what to put back.

#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/x11_mode_watchdog.h"

namespace ironwood::platform::x11 {

struct Area {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// What a mode change will do: the CRTC and mode to set, the screen size it needs, and what to put
// back afterwards.
struct ModePlan {
  SavedMode saved;
  RRMode mode = 0;
  bool alreadyShown = false;  // the CRTC shows that size now: nothing to change
  int screenWidth = 0;        // the screen size the mode needs (the present one when it fits)
  int screenHeight = 0;
  int screenMmWidth = 0;
  int screenMmHeight = 0;
};

// XRandR replies that free themselves.
template <typename Info, void (*Free)(Info*)>
struct FreeWith {
  void operator()(Info* info) const {
    if (info != nullptr) Free(info);
  }
};
inline void FreeResources(XRRScreenResources* r) {
  Randr().FreeScreenResources(r);
}
inline void FreeOutput(XRROutputInfo* o) {
  Randr().FreeOutputInfo(o);
}
inline void FreeCrtc(XRRCrtcInfo* c) {
  Randr().FreeCrtcInfo(c);
}
using ResourcesPtr =
    std::unique_ptr<XRRScreenResources, FreeWith<XRRScreenResources, &FreeResources>>;
using OutputPtr = std::unique_ptr<XRROutputInfo, FreeWith<XRROutputInfo, &FreeOutput>>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, FreeWith<XRRCrtcInfo, &FreeCrtc>>;

// The screen's size, asked afresh: the size the display was opened with is stale after a change.
Area ScreenArea(Display* display);

// The plan for showing width x height on the primary (or first lit) output; nothing when RandR
// 1.2 is missing or no mode of that size fits.
std::optional<ModePlan> PlanMode(Display* display, int width, int height);

// The monitors the desktop spreads over (RandR 1.5), the primary first; empty when the server
// or the library lacks monitors or reports fewer than two, so one screen stays one area.
std::vector<Area> MonitorsPrimaryFirst(Display* display);

// The primary monitor's area in its present mode: the first of the monitors, or the whole
// screen when there is one.
Area PrimaryMonitorArea(Display* display);

// Whether the CRTC now shows that mode.
bool CrtcShows(Display* display, RRCrtc crtc, RRMode mode);

}  // namespace ironwood::platform::x11
