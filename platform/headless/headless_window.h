#pragma once

#include <memory>

#include "platform/saver_window.h"

namespace ironwood::platform {

// A saver window with no screen: the display mode never changes and no message ever arrives but
// the quit the saver posts itself. What it draws into is the subclass's render target.
class HeadlessWindow : public SaverWindow {
 public:
  bool RegisterClass() override { return true; }
  // The picture is made at whatever size the saver asks for.
  bool ChangeDisplayMode(int, int, int) override { return true; }
  void RestoreDisplayMode() override {}
  bool Create(int width, int height, WindowHandler& handler) override {
    width_ = width;
    height_ = height;
    handler.OnMessage({WindowMessageKind::Create, 0});
    return true;
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

 protected:
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_ = 0;
  int height_ = 0;
  bool quitPosted_ = false;
  int quitParameter_ = 0;
};

}  // namespace ironwood::platform
