#include "platform/win32/monitor_covers.h"

#include <algorithm>

namespace ironwood::platform {

namespace {

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void Add(std::vector<RECT>& areas, const RECT& area) {
  if (IsEmpty(area)) return;
  const auto same = [&area](const RECT& other) { return Same(other, area); };
  if (std::none_of(areas.begin(), areas.end(), same)) areas.push_back(area);
}

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
  reinterpret_cast<std::vector<RECT>*>(list)->push_back(*area);
  return TRUE;
}

}  // namespace

std::vector<RECT> CoverAreas(const RECT& saver, const std::vector<RECT>& monitors) {
  std::vector<RECT> areas;
  for (const RECT& monitor : monitors) {
    if (IsEmpty(monitor)) continue;
    const RECT overlap{std::max(monitor.left, saver.left), std::max(monitor.top, saver.top),
                       std::min(monitor.right, saver.right),
                       std::min(monitor.bottom, saver.bottom)};
    if (IsEmpty(overlap) || IsEmpty(saver)) {
      Add(areas, monitor);
      continue;
    }
    // Full-width bands above and below the saver window, then the parts beside it.
    Add(areas, RECT{monitor.left, monitor.top, monitor.right, overlap.top});
    Add(areas, RECT{monitor.left, overlap.bottom, monitor.right, monitor.bottom});
    Add(areas, RECT{monitor.left, overlap.top, overlap.left, overlap.bottom});
    Add(areas, RECT{overlap.right, overlap.top, monitor.right, overlap.bottom});
  }
  return areas;
}

std::vector<RECT> DesktopMonitors() {
  std::vector<RECT> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

}  // namespace ironwood::platform
