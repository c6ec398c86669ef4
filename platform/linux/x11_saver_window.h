#pragma once

#include <memory>

#include "platform/saver_window.h"

namespace ironwood::platform {

// The saver window on an X11 display: an override-redirect window with a blank cursor, X events
// mapped onto the saver's window messages, and the display mode switched through XRandR.
//
// Xlib and XRandR are opened at run time, so the saver starts without them. Nothing is opened
// until RegisterClass, which fails when there is no display to open.
//
// A changed mode comes back on every exit: RestoreDisplayMode and the destructor put it back, and
// a small watchdog process, started with the change, puts it back when the saver dies in any
// other way (a signal, a crash, an exit that skips the destructor).
class X11SaverWindow : public SaverWindow {
 public:
  struct Size {
    int width = 0;
    int height = 0;
  };

  // The window's actual size: the size Create was asked for when the display runs in that mode,
  // the primary monitor (the whole screen when there is only one) when it does not (the mode
  // change failed or was not asked for). 0 x 0 before Create succeeds. The renderer keeps the
  // picture's proportions from this. With several monitors (RandR 1.5), the others are covered
  // by black windows while the saver's window is there.
  virtual Size ClientSize() const = 0;
  bool DrawableSize(int& width, int& height) const override {
    const Size size = ClientSize();
    if (size.width <= 0 || size.height <= 0) return false;
    width = size.width;
    height = size.height;
    return true;
  }
  // The Xlib Display* (nullptr before RegisterClass) and the window (0 before Create).
  virtual void* XDisplay() const = 0;
  virtual unsigned long XWindow() const = 0;
};

// A window with nothing opened yet; never nullptr. Without a display its RegisterClass fails.
std::unique_ptr<X11SaverWindow> CreateX11SaverWindow();

// The plain window of the --window mode: a normal top-level window titled "Ironwood" that the
// window manager decorates and the user moves, resizes and closes. It never changes the display
// mode, covers no monitor, keeps the cursor and grabs nothing; ClientSize follows every resize.
std::unique_ptr<X11SaverWindow> CreateX11PlainWindow();

// The Windows virtual-key code of an X keysym: letters as 'A'..'Z' in either case, digits,
// F1..F24, and the common named keys; 0xFF for any other key.
long VirtualKeyFromKeysym(unsigned long keysym);

}  // namespace ironwood::platform
