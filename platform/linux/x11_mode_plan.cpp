#include "platform/linux/x11_mode_plan.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace ironwood::platform::x11 {
namespace {

// The size a CRTC shows a mode at: turned a quarter, width and height swap.
bool Turned(Rotation rotation) {
  return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
}

double RefreshRate(const XRRModeInfo& mode) {
  const double dots = static_cast<double>(mode.hTotal) * mode.vTotal;
  return dots > 0 ? static_cast<double>(mode.dotClock) / dots : 0.0;
}

const XRRModeInfo* FindMode(const XRRScreenResources* resources, RRMode id) {
  for (int i = 0; i < resources->nmode; ++i) {
    if (resources->modes[i].id == id) return &resources->modes[i];
  }
  return nullptr;
}


}  // namespace

Area ScreenArea(Display* display_) {
  Window root = 0;
  int x = 0;
  int y = 0;
  unsigned int width = 0;
  unsigned int height = 0;
  unsigned int border = 0;
  unsigned int depth = 0;
  // Asked afresh: the size the display was opened with is stale after a change.
  if (Xlib().GetGeometry(display_, DefaultRootWindow(display_), &root, &x, &y, &width, &height,
                         &border, &depth) == 0) {
    return Area{0, 0, DisplayWidth(display_, DefaultScreen(display_)),
                DisplayHeight(display_, DefaultScreen(display_))};
  }
  return Area{0, 0, static_cast<int>(width), static_cast<int>(height)};
}

std::optional<ModePlan> PlanMode(Display* display_, int width, int height) {
  const RandrCalls& randr = Randr();
  if (!randr.loaded) return std::nullopt;
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (!randr.QueryExtension(display_, &event_base, &error_base) ||
      !randr.QueryVersion(display_, &major, &minor) || major < 1 || (major == 1 && minor < 2)) {
    return std::nullopt;  // CRTCs came with RandR 1.2
  }
  const Window root = DefaultRootWindow(display_);
  const ResourcesPtr resources(randr.GetScreenResourcesCurrent(display_, root));
  if (resources == nullptr) return std::nullopt;

  // The primary output, or else the first connected one that shows a mode.
  OutputPtr output;
  CrtcPtr crtc;
  const auto take = [&](RROutput id) {
    OutputPtr info(randr.GetOutputInfo(display_, resources.get(), id));
    if (info == nullptr || info->connection != RR_Connected || info->crtc == 0) return false;
    CrtcPtr shown(randr.GetCrtcInfo(display_, resources.get(), info->crtc));
    if (shown == nullptr || shown->mode == 0) return false;
    output = std::move(info);
    crtc = std::move(shown);
    return true;
  };
  const bool has_primary = (major > 1 || minor >= 3) && randr.GetOutputPrimary != nullptr;
  const RROutput primary = has_primary ? randr.GetOutputPrimary(display_, root) : 0;
  if (primary == 0 || !take(primary)) {
    for (int i = 0; i < resources->noutput && output == nullptr; ++i) take(resources->outputs[i]);
  }
  if (output == nullptr) return std::nullopt;

  ModePlan plan;
  plan.saved.crtc = output->crtc;
  plan.saved.mode = crtc->mode;
  plan.saved.x = crtc->x;
  plan.saved.y = crtc->y;
  plan.saved.rotation = crtc->rotation;
  plan.saved.outputs.assign(crtc->outputs, crtc->outputs + crtc->noutput);
  if (static_cast<int>(crtc->width) == width && static_cast<int>(crtc->height) == height) {
    plan.alreadyShown = true;
    return plan;
  }

  // The output's mode of that size as shown (a CRTC turned a quarter swaps width and height):
  // progressive before interlaced, then the refresh rate nearest the present one.
  const bool turned = Turned(crtc->rotation);
  const XRRModeInfo* current = FindMode(resources.get(), crtc->mode);
  const double current_rate = current != nullptr ? RefreshRate(*current) : 60.0;
  const auto rank = [&](const XRRModeInfo& mode) {
    const int interlaced = (mode.modeFlags & (RR_Interlace | RR_DoubleScan)) != 0 ? 1 : 0;
    return std::make_pair(interlaced, std::fabs(RefreshRate(mode) - current_rate));
  };
  const XRRModeInfo* chosen = nullptr;
  for (int i = 0; i < output->nmode; ++i) {
    const XRRModeInfo* mode = FindMode(resources.get(), output->modes[i]);
    if (mode == nullptr) continue;
    const int shown_width = static_cast<int>(turned ? mode->height : mode->width);
    const int shown_height = static_cast<int>(turned ? mode->width : mode->height);
    if (shown_width != width || shown_height != height) continue;
    if (chosen == nullptr || rank(*mode) < rank(*chosen)) chosen = mode;
  }
  if (chosen == nullptr) return std::nullopt;
  plan.mode = chosen->id;

  // A mode reaching past the screen needs a larger screen first, within what the server allows;
  // the screen keeps its dots per millimetre.
  const Area screen = ScreenArea(display_);
  plan.screenWidth = std::max(screen.width, crtc->x + width);
  plan.screenHeight = std::max(screen.height, crtc->y + height);
  if (plan.screenWidth != screen.width || plan.screenHeight != screen.height) {
    int min_width = 0;
    int min_height = 0;
    int max_width = 0;
    int max_height = 0;
    if (!randr.GetScreenSizeRange(display_, root, &min_width, &min_height, &max_width,
                                  &max_height) ||
        plan.screenWidth > max_width || plan.screenHeight > max_height) {
      return std::nullopt;
    }
    const int screen_number = DefaultScreen(display_);
    plan.saved.screenResized = true;
    plan.saved.screenWidth = screen.width;
    plan.saved.screenHeight = screen.height;
    plan.saved.screenMmWidth = DisplayWidthMM(display_, screen_number);
    plan.saved.screenMmHeight = DisplayHeightMM(display_, screen_number);
    const auto millimetres = [](int old_mm, int old_pixels, int new_pixels) {
      if (old_pixels <= 0) return old_mm;
      return static_cast<int>(std::lround(static_cast<double>(old_mm) * new_pixels / old_pixels));
    };
    plan.screenMmWidth = millimetres(plan.saved.screenMmWidth, screen.width, plan.screenWidth);
    plan.screenMmHeight = millimetres(plan.saved.screenMmHeight, screen.height, plan.screenHeight);
  }
  return plan;
}

Area PrimaryMonitorArea(Display* display) {
  const std::vector<Area> monitors = MonitorsPrimaryFirst(display);
  return !monitors.empty() ? monitors.front() : ScreenArea(display);
}

std::vector<Area> MonitorsPrimaryFirst(Display* display_) {
  const RandrCalls& randr = Randr();
  std::vector<Area> areas;
  if (!randr.loaded || randr.GetMonitors == nullptr) return areas;
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (!randr.QueryExtension(display_, &event_base, &error_base) ||
      !randr.QueryVersion(display_, &major, &minor) || (major == 1 && minor < 5)) {
    return areas;
  }
  int count = 0;
  XRRMonitorInfo* monitors = randr.GetMonitors(display_, DefaultRootWindow(display_), True, &count);
  if (monitors == nullptr) return areas;
  int primary = 0;
  for (int i = 0; i < count; ++i) {
    if (monitors[i].primary) primary = i;
  }
  if (count >= 2) {
    const auto area = [&](int i) {
      return Area{monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height};
    };
    areas.push_back(area(primary));
    for (int i = 0; i < count; ++i) {
      if (i != primary && monitors[i].width > 0 && monitors[i].height > 0) areas.push_back(area(i));
    }
  }
  randr.FreeMonitors(monitors);
  return areas;
}

bool CrtcShows(Display* display_, RRCrtc crtc, RRMode mode) {
  const RandrCalls& randr = Randr();
  const ResourcesPtr resources(
      randr.GetScreenResourcesCurrent(display_, DefaultRootWindow(display_)));
  if (resources == nullptr) return false;
  const CrtcPtr info(randr.GetCrtcInfo(display_, resources.get(), crtc));
  return info != nullptr && info->mode == mode;
}

}  // namespace ironwood::platform::x11
