#include "platform/linux/x11_hack_window.h"

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <vector>

#include "platform/linux/egl_target.h"
#include "platform/linux/x11_error_trap.h"
#include "platform/linux/x11_mode_plan.h"

namespace ironwood::platform {

namespace {

using x11::ErrorTrap;
using x11::Xlib;

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Set by the signal handler, read by the message poll.
volatile std::sig_atomic_t endingSignal = 0;

void OnEndingSignal(int number) {
  endingSignal = number;
}

// The window being drawn in, for the error handler; one hack window draws at a time.
Display* watchedDisplay = nullptr;
Window watchedWindow = 0;
volatile bool watchedWindowGone = false;

int OnXError(Display* display, XErrorEvent* event) {
  if (display == watchedDisplay && event->resourceid == watchedWindow &&
      (event->error_code == BadWindow || event->error_code == BadDrawable)) {
    watchedWindowGone = true;
    return 0;
  }
  std::fprintf(stderr, "Ironwood: X error %d (request %d.%d) on resource 0x%lx; going on\n",
               event->error_code, event->request_code, event->minor_code, event->resourceid);
  return 0;
}

class X11HackWindow final : public X11SaverWindow {
 public:
  explicit X11HackWindow(unsigned long window) : requested_(window) {}
  X11HackWindow(const X11HackWindow&) = delete;
  X11HackWindow& operator=(const X11HackWindow&) = delete;

  ~X11HackWindow() override {
    if (signalsInstalled_) {
      for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        sigaction(kEndingSignals[i], &previousActions_[i], nullptr);
      }
    }
    if (display_ == nullptr) return;
    if (window_ != 0 && !gone()) {
      // Stop listening; the window itself belongs to its owner and stays.
      ErrorTrap trap(display_);
      Xlib().SelectInput(display_, window_, NoEventMask);
    }
    watchedDisplay = nullptr;
    watchedWindow = 0;
    Xlib().SetErrorHandler(previousHandler_);
    Xlib().CloseDisplay(display_);
  }

  bool RegisterClass() override {
    if (display_ != nullptr) return true;
    if (!Xlib().loaded) return false;
    display_ = Xlib().OpenDisplay(nullptr);
    if (display_ == nullptr) return false;
    previousHandler_ = Xlib().SetErrorHandler(&OnXError);
    endingSignal = 0;
    struct sigaction action {};
    action.sa_handler = &OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a wait the signal breaks returns to the loop
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
      sigaction(kEndingSignals[i], &action, &previousActions_[i]);
    }
    signalsInstalled_ = true;
    return true;
  }

  // The daemon decides what the screen shows; nothing to change and nothing to put back.
  bool ChangeDisplayMode(int, int, int) override { return false; }
  void RestoreDisplayMode() override {}

  bool Create(int /*width*/, int /*height*/, WindowHandler& handler) override {
    if (window_ != 0 || display_ == nullptr) return false;
    const Window target = requested_ != 0 ? requested_ : DefaultRootWindow(display_);
    XWindowAttributes attributes{};
    bool failed = false;
    {
      ErrorTrap trap(display_);
      failed = Xlib().GetWindowAttributes(display_, target, &attributes) == 0 || trap.Failed();
      // Only the structure: the keys and the pointer are the daemon's.
      if (!failed) Xlib().SelectInput(display_, target, StructureNotifyMask);
      failed = failed || trap.Failed();
    }
    if (failed || attributes.width <= 0 || attributes.height <= 0) return false;
    window_ = target;
    size_ = Size{attributes.width, attributes.height};
    watchedDisplay = display_;
    watchedWindow = window_;
    watchedWindowGone = false;
    handler_ = &handler;
    Deliver(WindowMessageKind::Create, 0);
    return true;
  }

  std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState& /*libraries*/) override {
    if (window_ == 0 || gone()) return nullptr;
    return EglTarget::ForWindow(display_, window_);
  }

  // The owner maps its window when it wants it seen.
  void Show() override {}

  Poll PollMessage(int& quitParameter) override {
    if (endingSignal != 0) {
      quitParameter = 0;
      return Poll::Quit;
    }
    if (gone() && !destroySent_) {
      destroySent_ = true;
      Deliver(WindowMessageKind::Destroy, 0);
      return Poll::Handled;
    }
    if (quitPosted_) {
      quitPosted_ = false;
      quitParameter = quitParameter_;
      return Poll::Quit;
    }
    if (display_ == nullptr || Xlib().Pending(display_) == 0) return Poll::Idle;
    XEvent event;
    Xlib().NextEvent(display_, &event);
    Dispatch(event);
    return Poll::Handled;
  }

  void PostQuit(int parameter) override {
    quitPosted_ = true;
    quitParameter_ = parameter;
  }

  ScreenPoint CursorPosition() override { return {}; }
  // The cursor over the daemon's window is the daemon's.
  void HideCursor() override {}

  Size ClientSize() const override { return size_; }
  // The daemon sizes its window (the full screen, or the small preview of its settings) and may
  // size it again: the picture fills it at its shape.
  bool SizedByOthers() const override { return true; }
  bool DesktopSize(int& width, int& height) const override {
    if (display_ == nullptr) return false;
    const x11::Area area = x11::PrimaryMonitorArea(display_);
    width = area.width;
    height = area.height;
    return width > 0 && height > 0;
  }
  void* XDisplay() const override { return display_; }
  unsigned long XWindow() const override { return window_; }

 private:
  bool gone() const { return windowGone_ || watchedWindowGone; }

  void Deliver(WindowMessageKind kind, long parameter) {
    if (handler_ != nullptr) handler_->OnMessage(WindowMessage{kind, parameter});
  }

  void Dispatch(const XEvent& event) {
    if (window_ == 0) return;
    if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
      windowGone_ = true;
      if (!destroySent_) {
        destroySent_ = true;
        Deliver(WindowMessageKind::Destroy, 0);
      }
    } else if (event.type == ConfigureNotify && event.xconfigure.window == window_) {
      size_ = Size{event.xconfigure.width, event.xconfigure.height};
    }
  }

  unsigned long requested_;
  Display* display_ = nullptr;
  Window window_ = 0;
  Size size_;
  WindowHandler* handler_ = nullptr;
  bool windowGone_ = false;
  bool destroySent_ = false;
  bool quitPosted_ = false;
  int quitParameter_ = 0;
  XErrorHandler previousHandler_ = nullptr;
  bool signalsInstalled_ = false;
  struct sigaction previousActions_[std::size(kEndingSignals)] = {};
};

}  // namespace

std::unique_ptr<X11SaverWindow> CreateX11HackWindow(unsigned long window) {
  return std::make_unique<X11HackWindow>(window);
}

}  // namespace ironwood::platform
