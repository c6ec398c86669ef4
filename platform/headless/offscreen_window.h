#pragma once

#include <memory>

#include "platform/saver_window.h"

namespace ironwood::platform {

// A saver window with no screen: OpenGL draws into an offscreen buffer of the window's size, the
// display mode never changes, and no message ever arrives but the quit the saver posts itself.
// For offscreen runs on machines without a display, tests and benchmarks.
std::unique_ptr<SaverWindow> CreateOffscreenWindow();

}  // namespace ironwood::platform
