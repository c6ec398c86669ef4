#pragma once

#include <memory>

#include "platform/gl_system.h"
#include "platform/render_target.h"

namespace ironwood::platform {

// Window messages the saver reacts to, in a platform-neutral form. On Windows they are the
// window procedure's messages; on Linux the X events mapped onto the same meanings.
enum class WindowMessageKind {
  Create,          // the window was created
  SetCursor,       // the system asks which cursor to show
  Destroy,         // the window is being destroyed
  Activate,        // parameter 0: the window lost activation
  ActivateApp,     // parameter 0: the application lost activation
  NcActivate,      // the frame's activation changes
  SysCommand,      // parameter: kScreenSave, kClose or another system command
  KeyDown,         // parameter: the virtual key (kKeyF12, kKeyC, ...)
  MouseMove,       // the pointer moved; the logic reads the position itself
  PowerBroadcast,  // the power state is about to change
  BroughtToFront,  // the window took the front back, as BringToFront asked
  Other,           // anything else: mouse buttons, system keys, ...
};

struct WindowMessage {
  WindowMessageKind kind = WindowMessageKind::Other;
  long parameter = 0;
};

// Windows' own codes, used on every platform so the logic reads the same.
inline constexpr long kScreenSave = 0xF140;  // SC_SCREENSAVE
inline constexpr long kClose = 0xF060;       // SC_CLOSE
inline constexpr long kKeyF12 = 0x7B;        // VK_F12
inline constexpr long kKeyC = 0x43;
inline constexpr long kKeyEscape = 0x1B;     // VK_ESCAPE

// What the logic decided: hand the message to the platform's default processing, or answer
// it with `result`.
struct WindowReaction {
  bool defaultProcessing = false;
  long result = 0;
};

// The saver's side of its window; the platform window calls it for every message.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  virtual WindowReaction OnMessage(const WindowMessage& message) = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

// The full-screen window the saver draws into (see the platform folders for the factories), with
// the display mode it runs in and the queue of messages that drives the main loop.
class SaverWindow {
 public:
  enum class Poll { Idle, Handled, Quit };

  virtual ~SaverWindow() = default;

  // Registers the window class "StarfraySS" (a no-op where there are no classes).
  virtual bool RegisterClass() = 0;
  // Switches the display to width x height at the given colour depth; false when no such mode
  // can be set. RestoreDisplayMode puts the desktop's mode back (harmless when unchanged).
  virtual bool ChangeDisplayMode(int width, int height, int bitsPerPixel) = 0;
  virtual void RestoreDisplayMode() = 0;
  // Creates the borderless window at (0, 0) of the given size; messages go to the handler,
  // which must outlive the window.
  virtual bool Create(int width, int height, WindowHandler& handler) = 0;
  // Where OpenGL draws in this window (the window's device context, an EGL surface, or an
  // offscreen buffer). Valid until the window is destroyed.
  virtual std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState& libraries) = 0;
  // Shows the window with the show command the program was started with.
  virtual void Show() = 0;

  // Takes one waiting message and hands it to the handler. Idle when none was waiting, Quit
  // (with the parameter) when the quit message was taken.
  virtual Poll PollMessage(int& quitParameter) = 0;
  // Posts the quit message; the loop sees it once the messages before it are handled.
  virtual void PostQuit(int parameter) = 0;

  // Takes the front back from whatever window took it (the window, or the dialog it owns while
  // one is open), once the activation change under way has settled, and then hands the handler
  // BroughtToFront. Windows whose saver never asks for a password (no such desktop flag on the
  // platform) need not do anything.
  virtual void BringToFront() {}

  virtual ScreenPoint CursorPosition() = 0;
  virtual void HideCursor() = 0;

  // The size the created window really has when it differs from the one asked for (it covers
  // the whole screen when the display kept the desktop's mode). False: as asked.
  virtual bool DrawableSize(int& /*width*/, int& /*height*/) const { return false; }

  // The size of the primary monitor's present mode (the whole screen when there is only one);
  // false where it cannot be told.
  virtual bool DesktopSize(int& /*width*/, int& /*height*/) const { return false; }

  // Whether someone other than the saver decides the window's size, now and while it runs (a
  // screen-saver daemon's window, a window the user resizes): the picture then fills the
  // window at the window's own shape and follows DrawableSize.
  virtual bool SizedByOthers() const { return false; }
};

}  // namespace ironwood::platform
