#include "saver/shell/window_logic.h"

#include <cstdlib>

namespace ironwood {

using platform::WindowMessageKind;
using platform::WindowReaction;

WindowReaction WindowLogic::OnMessage(const platform::WindowMessage& message) {
  constexpr WindowReaction kHandled{false, 0};
  constexpr WindowReaction kDefault{true, 0};
  if (windowed_) return OnWindowedMessage(message);
  switch (message.kind) {
    case WindowMessageKind::Create:
    case WindowMessageKind::SetCursor:
      window_.HideCursor();
      return kHandled;
    case WindowMessageKind::Destroy:
      Quit();
      return kHandled;
    case WindowMessageKind::Activate:
    case WindowMessageKind::ActivateApp: {
      const bool lost = message.parameter == 0;
      const bool dialog = hooks_.passwordDialogShowing();
      if (lost && hooks_.passwordRequired()) {
        // The open dialog taking the activation from the saver window is no loss; another
        // program taking it from the dialog (the application's activation) is. A saver already
        // on its way out has nothing left to guard.
        if (!ending_ && (!dialog || message.kind == WindowMessageKind::ActivateApp)) {
          window_.BringToFront();
        }
        return dialog ? kDefault : kHandled;
      }
      if (dialog) return kDefault;
      // Another window came to the front: nobody is watching the saver any more.
      if (lost) Quit();
      return kHandled;
    }
    case WindowMessageKind::BroughtToFront:
      EndRequest();  // the password, asked with the saver in front again
      return kHandled;
    case WindowMessageKind::NcActivate:
      return hooks_.passwordDialogShowing() ? kDefault : kHandled;
    case WindowMessageKind::SysCommand:
      // The system must not start another saver over this one, nor close it behind the
      // password's back.
      if (message.parameter == platform::kScreenSave || message.parameter == platform::kClose) {
        return kHandled;
      }
      return kDefault;
    case WindowMessageKind::KeyDown:
      if (message.parameter == platform::kKeyF12) {
        hooks_.screenshot();
      } else if (message.parameter == platform::kKeyC) {
        hooks_.cycleFocus();
      } else {
        EndRequest();
      }
      return kHandled;
    case WindowMessageKind::MouseMove:
      MouseTest();
      return kHandled;
    case WindowMessageKind::PowerBroadcast:
      Quit();
      return WindowReaction{false, 1};
    case WindowMessageKind::Other:
      break;
  }
  return kDefault;
}

WindowReaction WindowLogic::OnWindowedMessage(const platform::WindowMessage& message) {
  constexpr WindowReaction kHandled{false, 0};
  constexpr WindowReaction kDefault{true, 0};
  switch (message.kind) {
    case WindowMessageKind::Destroy:
      Quit();
      return kHandled;
    case WindowMessageKind::KeyDown:
      if (message.parameter == platform::kKeyF12) {
        hooks_.screenshot();
      } else if (message.parameter == platform::kKeyC) {
        hooks_.cycleFocus();
      } else if (message.parameter == platform::kKeyEscape) {
        Quit();
      }
      return kHandled;
    case WindowMessageKind::MouseMove:
    case WindowMessageKind::BroughtToFront:
      return kHandled;
    case WindowMessageKind::PowerBroadcast:
      return WindowReaction{false, 1};
    default:
      // The arrow cursor, activation, the close box and the system menu as any window has them.
      return kDefault;
  }
}

void WindowLogic::MouseTest() {
  const platform::ScreenPoint now = window_.CursorPosition();
  if (!referenceTaken_) {
    reference_ = now;
    referenceTaken_ = true;
    return;
  }
  // The reference stays put, so a slow drift adds up until it passes the threshold.
  if (std::abs(now.x - reference_.x) + std::abs(now.y - reference_.y) > kMouseThreshold) {
    EndRequest();
  }
}

void WindowLogic::Quit() {
  ending_ = true;
  window_.PostQuit(0);
}

void WindowLogic::EndRequest() {
  if (ending_) return;  // no password dialog after the saver has decided to go
  if (hooks_.mayEnd()) {
    Quit();
  } else {
    referenceTaken_ = false;  // the next movement measures from where the pointer is then
  }
}

}  // namespace ironwood
