#pragma once

#include <memory>

#include "platform/linux/x11_saver_window.h"

namespace ironwood::platform {

// The saver drawing into a window another program owns: the window a screen-saver daemon made for
// it, or the root window. The daemon owns the screen, the input and the locking, so this window
// changes no display mode, creates no window, grabs nothing, leaves the cursor alone and never
// hears a key or the pointer. The run ends when
//   - SIGTERM, SIGINT or SIGHUP arrives (the daemon's way to stop it): the handler only sets a
//     flag, which the next PollMessage turns into the quit message;
//   - the window goes away (its DestroyNotify, or a BadWindow/BadDrawable about it): the saver
//     hears Destroy, as it would for its own window.
// X errors that are not about the window are reported on standard error and do not end the run.
//
// `window` 0 draws into the root window of the default screen.
std::unique_ptr<X11SaverWindow> CreateX11HackWindow(unsigned long window);

}  // namespace ironwood::platform
