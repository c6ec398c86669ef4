#include "platform/linux/x11_saver_window.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/keysym.h>

namespace ironwood::platform {
namespace {

constexpr long kOtherKey = 0xFF;

}  // namespace

long VirtualKeyFromKeysym(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<long>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<long>(keysym);
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<long>(keysym);
  if (keysym >= XK_F1 && keysym <= XK_F24) return static_cast<long>(0x70 + (keysym - XK_F1));
  switch (keysym) {
    case XK_BackSpace:
      return 0x08;
    case XK_Tab:
      return 0x09;
    case XK_Return:
    case XK_KP_Enter:
      return 0x0D;
    case XK_Shift_L:
    case XK_Shift_R:
      return 0x10;
    case XK_Control_L:
    case XK_Control_R:
      return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
      return 0x12;
    case XK_Escape:
      return 0x1B;
    case XK_space:
      return 0x20;
    case XK_Left:
      return 0x25;
    case XK_Up:
      return 0x26;
    case XK_Right:
      return 0x27;
    case XK_Down:
      return 0x28;
    default:
      return kOtherKey;
  }
}

}  // namespace ironwood::platform
