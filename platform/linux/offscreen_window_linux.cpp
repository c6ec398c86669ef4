#include "platform/headless/offscreen_window.h"
#include "platform/linux/egl_target.h"

namespace ironwood::platform {

namespace {

class OffscreenWindow : public SaverWindow {
 public:
  bool RegisterClass() override { return true; }
  // The buffer is made at whatever size the saver asks for.
  bool ChangeDisplayMode(int, int, int) override { return true; }
  void RestoreDisplayMode() override {}
  bool Create(int width, int height, WindowHandler& handler) override {
    width_ = width;
    height_ = height;
    handler.OnMessage({WindowMessageKind::Create, 0});
    return true;
  }
  std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState&) override {
    return EglTarget::Offscreen(width_, height_);
  }
  void Show() override {}
  Poll PollMessage(int& quitParameter) override {
    if (!quitPosted_) return Poll::Idle;
    quitParameter = quitParameter_;
    return Poll::Quit;
  }
  void PostQuit(int parameter) override {
    quitPosted_ = true;
    quitParameter_ = parameter;
  }
  ScreenPoint CursorPosition() override { return {}; }
  void HideCursor() override {}

 private:
  int width_ = 0;
  int height_ = 0;
  bool quitPosted_ = false;
  int quitParameter_ = 0;
};

}  // namespace

std::unique_ptr<SaverWindow> CreateOffscreenWindow() {
  return std::make_unique<OffscreenWindow>();
}

}  // namespace ironwood::platform
