#pragma once

#include <windows.h>

// winuser.h names RegisterClass as a macro; the saver window's own member of that name must
// keep it, in this file and in every file that includes it after <windows.h>.
#ifdef RegisterClass
#undef RegisterClass
#endif

#include <functional>
#include <memory>

#include "platform/saver_window.h"

namespace ironwood::platform {

// The full-screen saver window of class "StarfraySS": a borderless popup whose window procedure
// hands the saver's messages to the handler, driven by a PeekMessage loop.
std::unique_ptr<SaverWindow> CreateWin32SaverWindow(HINSTANCE instance, int showCommand);

// The plain window of the --window mode, of the same class: an overlapped window titled
// "Ironwood" with a frame, a caption and a close box, whose client area is the size asked for
// and follows every resize. It never changes the display mode, covers no monitor and keeps the
// arrow cursor.
std::unique_ptr<SaverWindow> CreateWin32PlainWindow(HINSTANCE instance, int showCommand);

// The preview's window: a child of `parent` (the little monitor of the display settings) at the
// size of its client area. It changes no display mode, leaves the cursor alone and hands the
// handler nothing but its Destroy, which also comes when the parent is found gone. Null when
// `parent` is no window.
std::unique_ptr<SaverWindow> CreateWin32PreviewWindow(HINSTANCE instance, HWND parent);

// The window's handle once it is created; null before, after it is gone, or for a window that
// CreateWin32SaverWindow did not make.
HWND SaverWindowHandle(const SaverWindow& window);

// The display-settings calls the mode change makes, replaceable so tests can play a display.
struct DisplaySettingsCalls {
  // EnumDisplaySettingsA for the primary display: mode `index`, or ENUM_CURRENT_SETTINGS.
  std::function<bool(DWORD index, DEVMODEA& mode)> enumerate;
  // ChangeDisplaySettingsA; `mode` nullptr puts the desktop's mode back.
  std::function<LONG(DEVMODEA* mode, DWORD flags)> change;
};

DisplaySettingsCalls SystemDisplaySettings();

// Switches to width x height x bitsPerPixel: an exactly listed mode first, then the listed mode
// with the wanted values written in, then depth and size one after the other. A change that
// the driver calls successful but that leaves the display at another size is undone and
// reported as a failure.
bool ChangeDisplayModeWith(const DisplaySettingsCalls& calls, int width, int height,
                           int bitsPerPixel);

}  // namespace ironwood::platform
