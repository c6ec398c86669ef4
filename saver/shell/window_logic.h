#pragma once

#include <functional>

#include "platform/saver_window.h"

namespace ironwood {

// Decides what the saver window does with each message: when the saver ends (a key, a mouse
// movement of more than 2 pixels, losing activation unless a password is required, a power
// change), what it swallows (the
// system's screen-save and close commands) and what it hands on (F12 screenshots, C focus
// cycling). The same logic serves every platform's window.
class WindowLogic : public platform::WindowHandler {
 public:
  struct Hooks {
    // Whether the saver may end now; shows the password dialog where one is required.
    std::function<bool()> mayEnd = [] { return true; };
    // Whether the password dialog is on screen (activation messages then go their normal way).
    std::function<bool()> passwordDialogShowing = [] { return false; };
    std::function<void()> screenshot = [] {};
    std::function<void()> cycleFocus = [] {};
    // Whether the desktop asks for a password before the saver ends: losing activation then
    // takes the front back and asks, rather than ending the saver behind the password's back.
    std::function<bool()> passwordRequired = [] { return false; };
  };

  // Movements up to this many pixels (|dx| + |dy|) from the reference do not end the saver.
  static constexpr int kMouseThreshold = 2;

  // `windowed`: the saver runs in a plain window of the user's (the --window mode), which only
  // Escape and closing end. The pointer, other keys, activation and power changes leave it
  // running, the cursor stays, the system's commands take their usual course, and no password
  // is ever asked.
  WindowLogic(platform::SaverWindow& window, Hooks hooks, bool windowed = false)
      : window_(window), hooks_(std::move(hooks)), windowed_(windowed) {}

  platform::WindowReaction OnMessage(const platform::WindowMessage& message) override;

  bool ReferenceTaken() const { return referenceTaken_; }

 private:
  platform::WindowReaction OnWindowedMessage(const platform::WindowMessage& message);
  void MouseTest();
  void EndRequest();
  void Quit();

  platform::SaverWindow& window_;
  Hooks hooks_;
  bool windowed_ = false;
  bool referenceTaken_ = false;
  bool ending_ = false;  // the quit is posted; messages still queued before it change nothing
  platform::ScreenPoint reference_;
};

}  // namespace ironwood
