#pragma once

#include <windows.h>

#include <vector>

namespace ironwood::platform {

// The parts of the virtual screen the saver window leaves showing: for each monitor, what of it
// lies outside `saver`, as up to four bands (above, below, left of and right of the saver
// window). Monitors that show the same area (mirrors) give their bands once; empty rectangles
// give none. The saver puts a black window over each band so no desktop shows beside it.
std::vector<RECT> CoverAreas(const RECT& saver, const std::vector<RECT>& monitors);

// The rectangles of every monitor attached to the desktop (EnumDisplayMonitors).
std::vector<RECT> DesktopMonitors();

}  // namespace ironwood::platform
