#include "platform/headless/offscreen_window.h"
#include "platform/headless/headless_window.h"
#include "platform/linux/egl_target.h"

namespace ironwood::platform {

namespace {

// The headless window drawing into an EGL pbuffer of the window's size.
class OffscreenWindow : public HeadlessWindow {
 public:
  std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState&) override {
    return EglTarget::Offscreen(Width(), Height());
  }
};

}  // namespace

std::unique_ptr<SaverWindow> CreateOffscreenWindow() {
  return std::make_unique<OffscreenWindow>();
}

}  // namespace ironwood::platform
