#include "platform/password_dialogs.h"

namespace ironwood::platform {

// The desktop's own screen locker guards the session here: it asks for the user's login
// password when the screen is locked, so the saver never asks for one of its own.
DesktopKind CurrentDesktopKind() {
  return DesktopKind::Other;
}

std::unique_ptr<PasswordDialogs> CreatePasswordDialogs() {
  return nullptr;
}

}  // namespace ironwood::platform
