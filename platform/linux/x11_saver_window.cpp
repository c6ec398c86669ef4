#include "platform/linux/x11_saver_window.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "platform/linux/egl_target.h"
#include "platform/linux/x11_error_trap.h"
#include "platform/linux/x11_mode_plan.h"
#include "platform/linux/x11_mode_watchdog.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/Xatom.h>

namespace ironwood::platform {

namespace {

using x11::Area;
using x11::CrtcShows;
using x11::PlanMode;
using x11::PrimaryMonitorArea;
using x11::PutBack;
using x11::Randr;
using x11::RandrCalls;
using x11::ResourcesPtr;
using x11::ScreenArea;
using x11::XlibCalls;
using x11::ErrorTrap;
using x11::ModePlan;
using x11::MonitorsPrimaryFirst;
using x11::ModeWatchdog;
using x11::SavedMode;
using x11::Xlib;

constexpr char kWindowTitle[] = "Ironwood";
// Show waits this long for the server to map the window.
constexpr int kMapWaitMilliseconds = 2000;

class X11Window final : public X11SaverWindow {
 public:
  explicit X11Window(bool plain = false) : plain_(plain) {}
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  ~X11Window() override {
    if (display_ == nullptr) return;
    DestroyWindow();
    RestoreDisplayMode();
    Xlib().CloseDisplay(display_);
  }

  bool RegisterClass() override { return OpenDisplay(); }

  bool ChangeDisplayMode(int width, int height, int /*bitsPerPixel*/) override;
  void RestoreDisplayMode() override;
  bool Create(int width, int height, WindowHandler& handler) override;

  std::unique_ptr<RenderTarget> CreateRenderTarget(GlLibraryState& /*libraries*/) override {
    if (window_ == 0 || windowGone_) return nullptr;
    return EglTarget::ForWindow(display_, window_);
  }

  void Show() override;
  Poll PollMessage(int& quitParameter) override;

  void PostQuit(int parameter) override {
    quitParameter_ = parameter;
    if (quitPosted_) return;
    quitPosted_ = true;
    // Everything the server has sent so far comes first, as on Windows; events that arrive later
    // cannot hold the quit back.
    eventsBeforeQuit_ = display_ != nullptr ? Xlib().EventsQueued(display_, QueuedAfterReading) : 0;
  }

  ScreenPoint CursorPosition() override {
    if (display_ == nullptr) return {};
    Window root = 0;
    Window child = 0;
    int root_x = 0;
    int root_y = 0;
    int window_x = 0;
    int window_y = 0;
    unsigned int mask = 0;
    Xlib().QueryPointer(display_, DefaultRootWindow(display_), &root, &child, &root_x, &root_y,
                        &window_x, &window_y, &mask);
    return ScreenPoint{root_x, root_y};
  }

  void HideCursor() override {
    if (plain_ || window_ == 0 || windowGone_ || blankCursor_ == 0) return;
    Xlib().DefineCursor(display_, window_, blankCursor_);
    Xlib().Flush(display_);
  }

  Size ClientSize() const override { return size_; }
  bool DesktopSize(int& width, int& height) const override {
    if (display_ == nullptr) return false;
    const Area area = PrimaryMonitorArea(display_);
    width = area.width;
    height = area.height;
    return width > 0 && height > 0;
  }
  bool SizedByOthers() const override { return plain_; }
  void* XDisplay() const override { return display_; }
  unsigned long XWindow() const override { return window_; }

 private:
  bool OpenDisplay() {
    if (display_ != nullptr) return true;
    if (!Xlib().loaded) return false;
    display_ = Xlib().OpenDisplay(nullptr);
    return display_ != nullptr;
  }

  void Dispatch(const XEvent& event);
  void Deliver(WindowMessageKind kind, long parameter) {
    if (handler_ != nullptr) handler_->OnMessage(WindowMessage{kind, parameter});
  }
  void DestroyWindow();
  bool CreatePlain(int width, int height, WindowHandler& handler);
  // The title, the class hint and the close protocol every window of ours carries.
  void NameWindow(const XlibCalls& x);

  const bool plain_;
  Display* display_ = nullptr;
  Window window_ = 0;
  // Black windows over the monitors the picture is not on, mapped and gone with the window.
  std::vector<Window> covers_;
  bool windowGone_ = false;  // someone else destroyed it
  bool mapped_ = false;
  bool destroySent_ = false;
  Cursor blankCursor_ = 0;
  Atom protocols_ = 0;
  Atom deleteWindow_ = 0;
  WindowHandler* handler_ = nullptr;
  Size size_;

  // Where the display runs in the size asked for: the changed (or already matching) CRTC.
  std::optional<Area> modeArea_;
  bool modeChanged_ = false;
  SavedMode saved_;
  ModeWatchdog watchdog_;

  bool quitPosted_ = false;
  int quitParameter_ = 0;
  int eventsBeforeQuit_ = 0;
};

// Colour depth cannot be switched on X: every depth asks for the desktop's, so only the size
// counts. The caller goes on in the desktop's mode when this fails.
bool X11Window::ChangeDisplayMode(int width, int height, int /*bitsPerPixel*/) {
  if (plain_) return false;  // a plain window leaves the display as it is
  if (modeChanged_) RestoreDisplayMode();
  modeArea_.reset();
  if (width <= 0 || height <= 0 || !OpenDisplay()) return false;
  const std::optional<ModePlan> plan = PlanMode(display_, width, height);
  if (!plan) return false;
  const Area area{plan->saved.x, plan->saved.y, width, height};
  if (plan->alreadyShown) {
    modeArea_ = area;
    return true;
  }
  // The watchdog holds the old mode before anything changes; without one, nothing changes.
  if (!watchdog_.Start(DisplayString(display_), plan->saved)) return false;

  const RandrCalls& randr = Randr();
  const Window root = DefaultRootWindow(display_);
  bool changed = false;
  {
    ErrorTrap trap(display_);
    if (plan->saved.screenResized) {
      randr.SetScreenSize(display_, root, plan->screenWidth, plan->screenHeight,
                          plan->screenMmWidth, plan->screenMmHeight);
    }
    if (!trap.Failed()) {
      const ResourcesPtr resources(randr.GetScreenResourcesCurrent(display_, root));
      const SavedMode& old = plan->saved;
      changed =
          resources != nullptr &&
          randr.SetCrtcConfig(display_, resources.get(), old.crtc, CurrentTime, old.x, old.y,
                              plan->mode, old.rotation, const_cast<RROutput*>(old.outputs.data()),
                              static_cast<int>(old.outputs.size())) == RRSetConfigSuccess;
      changed = !trap.Failed() && changed && CrtcShows(display_, old.crtc, plan->mode);
    }
    if (!changed) PutBack(display_, plan->saved);
  }
  if (!changed) {
    watchdog_.Disarm();
    return false;
  }
  modeChanged_ = true;
  saved_ = plan->saved;
  modeArea_ = area;
  return true;
}

void X11Window::RestoreDisplayMode() {
  modeArea_.reset();
  if (!modeChanged_) return;
  {
    ErrorTrap trap(display_);
    PutBack(display_, saved_);
  }
  watchdog_.Disarm();
  modeChanged_ = false;
}

void X11Window::NameWindow(const XlibCalls& x) {
  x.StoreName(display_, window_, kWindowTitle);
  static const char kClassHint[] = "ironwood\0StarfraySS";
  x.ChangeProperty(display_, window_, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                   reinterpret_cast<const unsigned char*>(kClassHint), sizeof kClassHint);
  protocols_ = x.InternAtom(display_, "WM_PROTOCOLS", False);
  deleteWindow_ = x.InternAtom(display_, "WM_DELETE_WINDOW", False);
  x.SetWMProtocols(display_, window_, &deleteWindow_, 1);
}

bool X11Window::CreatePlain(int width, int height, WindowHandler& handler) {
  const XlibCalls& x = Xlib();
  const int screen = DefaultScreen(display_);
  const Window root = RootWindow(display_, screen);
  bool failed = false;
  {
    ErrorTrap trap(display_);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.border_pixel = 0;
    attributes.event_mask =
        KeyPressMask | PointerMotionMask | FocusChangeMask | StructureNotifyMask;
    window_ = x.CreateWindow(display_, root, 0, 0, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                             nullptr, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    if (window_ != 0) {
      NameWindow(x);
    }
    failed = trap.Failed() || window_ == 0;
  }
  if (failed) {
    DestroyWindow();
    return false;
  }
  handler_ = &handler;
  size_ = Size{width, height};
  Deliver(WindowMessageKind::Create, 0);
  return true;
}

bool X11Window::Create(int width, int height, WindowHandler& handler) {
  if (window_ != 0 || width <= 0 || height <= 0 || !OpenDisplay()) return false;
  if (plain_) return CreatePlain(width, height, handler);
  const XlibCalls& x = Xlib();
  const int screen = DefaultScreen(display_);
  const Window root = RootWindow(display_, screen);
  // In the mode asked for, the window covers that mode's CRTC; in any other mode it covers the
  // primary monitor (the whole screen when there is only one), whatever size was asked for, and
  // ClientSize says so. Every other monitor gets a black window of its own.
  const bool in_mode = modeArea_ && modeArea_->width == width && modeArea_->height == height;
  const std::vector<Area> monitors = MonitorsPrimaryFirst(display_);
  const Area area = in_mode ? *modeArea_ : !monitors.empty() ? monitors.front() : ScreenArea(display_);

  bool failed = false;
  {
    ErrorTrap trap(display_);
    static const char kNoBits[1] = {0};
    const Pixmap blank = x.CreateBitmapFromData(display_, root, kNoBits, 1, 1);
    XColor black{};
    blankCursor_ = x.CreatePixmapCursor(display_, blank, blank, &black, &black, 0, 0);
    x.FreePixmap(display_, blank);

    XSetWindowAttributes attributes{};
    // No window manager moves, frames or stacks it: the window goes exactly where it is put.
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.border_pixel = 0;
    attributes.cursor = blankCursor_;
    attributes.event_mask =
        KeyPressMask | PointerMotionMask | FocusChangeMask | StructureNotifyMask;
    window_ = x.CreateWindow(
        display_, root, area.x, area.y, static_cast<unsigned>(area.width),
        static_cast<unsigned>(area.height), 0, CopyFromParent, InputOutput, nullptr,
        CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWCursor | CWEventMask, &attributes);
    if (window_ != 0) {
      NameWindow(x);
      // A compositor may hand the screen straight to the saver's frames.
      const long bypass = 1;
      x.ChangeProperty(display_, window_,
                       x.InternAtom(display_, "_NET_WM_BYPASS_COMPOSITOR", False), XA_CARDINAL, 32,
                       PropModeReplace, reinterpret_cast<const unsigned char*>(&bypass), 1);
    }
    // The covers only hear the pointer, which ends the saver there as over the picture.
    attributes.event_mask = PointerMotionMask;
    for (std::size_t i = 1; i < monitors.size() && window_ != 0; ++i) {
      const Area& monitor = monitors[i];
      const Window cover = x.CreateWindow(
          display_, root, monitor.x, monitor.y, static_cast<unsigned>(monitor.width),
          static_cast<unsigned>(monitor.height), 0, CopyFromParent, InputOutput, nullptr,
          CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWCursor | CWEventMask, &attributes);
      if (cover != 0) covers_.push_back(cover);
    }
    failed = trap.Failed() || window_ == 0;
  }
  if (failed) {
    DestroyWindow();
    return false;
  }
  handler_ = &handler;
  size_ = Size{area.width, area.height};
  Deliver(WindowMessageKind::Create, 0);
  return true;
}

void X11Window::Show() {
  if (window_ == 0 || windowGone_ || mapped_) return;
  const XlibCalls& x = Xlib();
  // The covers first, so the picture's window is on top wherever they meet.
  for (const Window cover : covers_) x.MapRaised(display_, cover);
  x.MapRaised(display_, window_);
  x.Flush(display_);
  // Focus can only go to a viewable window. Other events stay queued for PollMessage.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kMapWaitMilliseconds);
  XEvent event;
  while (!x.CheckTypedWindowEvent(display_, window_, MapNotify, &event)) {
    if (std::chrono::steady_clock::now() >= deadline) return;
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    poll(&connection, 1, 10);
  }
  mapped_ = true;
  // Key presses go to the focused window. No grab: a saver that hangs must not take the keyboard
  // with it.
  ErrorTrap trap(display_);
  x.SetInputFocus(display_, window_, RevertToParent, CurrentTime);
}

SaverWindow::Poll X11Window::PollMessage(int& quitParameter) {
  const auto take_quit = [&] {
    quitPosted_ = false;
    eventsBeforeQuit_ = 0;
    quitParameter = quitParameter_;
    return Poll::Quit;
  };
  if (quitPosted_ && eventsBeforeQuit_ <= 0) return take_quit();
  if (display_ == nullptr || Xlib().Pending(display_) == 0) {
    return quitPosted_ ? take_quit() : Poll::Idle;
  }
  XEvent event;
  Xlib().NextEvent(display_, &event);
  if (quitPosted_) --eventsBeforeQuit_;
  Dispatch(event);
  return Poll::Handled;
}

void X11Window::Dispatch(const XEvent& event) {
  if (window_ == 0) return;
  if (event.type == MotionNotify &&
      std::find(covers_.begin(), covers_.end(), event.xany.window) != covers_.end()) {
    Deliver(WindowMessageKind::MouseMove, 0);
    return;
  }
  if (event.xany.window != window_) return;
  switch (event.type) {
    case KeyPress: {
      XKeyEvent key = event.xkey;
      Deliver(WindowMessageKind::KeyDown, VirtualKeyFromKeysym(Xlib().LookupKeysym(&key, 0)));
      break;
    }
    case MotionNotify:
      Deliver(WindowMessageKind::MouseMove, 0);
      break;
    case ConfigureNotify:
      // The window manager or the user gave the window a new size; the picture follows it.
      if (event.xconfigure.width > 0 && event.xconfigure.height > 0) {
        size_ = Size{event.xconfigure.width, event.xconfigure.height};
      }
      break;
    case FocusOut: {
      // Focus that went to another window, not a grab that borrows the keyboard for a moment,
      // nor the pointer-root bookkeeping around the saver's own focus change.
      const XFocusChangeEvent& focus = event.xfocus;
      const bool real_mode = focus.mode == NotifyNormal || focus.mode == NotifyWhileGrabbed;
      const bool real_detail = focus.detail == NotifyAncestor || focus.detail == NotifyVirtual ||
                               focus.detail == NotifyNonlinear ||
                               focus.detail == NotifyNonlinearVirtual;
      if (real_mode && real_detail) Deliver(WindowMessageKind::ActivateApp, 0);
      break;
    }
    case ClientMessage:
      // The window manager's close is Windows' WM_CLOSE, whose default ends in the window's
      // destruction: the saver ends.
      if (event.xclient.message_type == protocols_ && event.xclient.format == 32 &&
          static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_ && !destroySent_) {
        destroySent_ = true;
        Deliver(WindowMessageKind::Destroy, 0);
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window != window_) break;
      windowGone_ = true;
      if (!destroySent_) {
        destroySent_ = true;
        Deliver(WindowMessageKind::Destroy, 0);
      }
      break;
    default:
      break;
  }
}

void X11Window::DestroyWindow() {
  if (display_ == nullptr) return;
  ErrorTrap trap(display_);
  if (window_ != 0 && !windowGone_) Xlib().DestroyWindow(display_, window_);
  for (const Window cover : covers_) Xlib().DestroyWindow(display_, cover);
  covers_.clear();
  if (blankCursor_ != 0) Xlib().FreeCursor(display_, blankCursor_);
  window_ = 0;
  blankCursor_ = 0;
  handler_ = nullptr;
  mapped_ = false;
}

}  // namespace

std::unique_ptr<X11SaverWindow> CreateX11SaverWindow() {
  return std::make_unique<X11Window>();
}

std::unique_ptr<X11SaverWindow> CreateX11PlainWindow() {
  return std::make_unique<X11Window>(true);
}

}  // namespace ironwood::platform
