#include "platform/linux/x11_saver_window.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/egl_target.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

namespace ironwood::platform {

namespace {

constexpr char kClassName[] = "StarfraySS";
constexpr char kWindowTitle[] = "Ironwood";
constexpr long kOtherKey = 0xFF;
// Show waits this long for the server to map the window.
constexpr int kMapWaitMilliseconds = 2000;

template <typename Function>
bool Resolve(void* library, const char* name, Function& slot) {
  slot = library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
  return slot != nullptr;
}

// The Xlib calls the window makes. Loaded once and never closed, like libEGL.
struct XlibCalls {
  bool loaded = false;
  decltype(&XOpenDisplay) OpenDisplay = nullptr;
  decltype(&XCloseDisplay) CloseDisplay = nullptr;
  decltype(&XCreateWindow) CreateWindow = nullptr;
  decltype(&XDestroyWindow) DestroyWindow = nullptr;
  decltype(&XMapRaised) MapRaised = nullptr;
  decltype(&XInternAtom) InternAtom = nullptr;
  decltype(&XSetWMProtocols) SetWMProtocols = nullptr;
  decltype(&XChangeProperty) ChangeProperty = nullptr;
  decltype(&XStoreName) StoreName = nullptr;
  decltype(&XCreateBitmapFromData) CreateBitmapFromData = nullptr;
  decltype(&XCreatePixmapCursor) CreatePixmapCursor = nullptr;
  decltype(&XFreePixmap) FreePixmap = nullptr;
  decltype(&XFreeCursor) FreeCursor = nullptr;
  decltype(&XDefineCursor) DefineCursor = nullptr;
  decltype(&XPending) Pending = nullptr;
  decltype(&XEventsQueued) EventsQueued = nullptr;
  decltype(&XNextEvent) NextEvent = nullptr;
  decltype(&XCheckTypedWindowEvent) CheckTypedWindowEvent = nullptr;
  decltype(&XSetInputFocus) SetInputFocus = nullptr;
  decltype(&XQueryPointer) QueryPointer = nullptr;
  decltype(&XLookupKeysym) LookupKeysym = nullptr;
  decltype(&XGetGeometry) GetGeometry = nullptr;
  decltype(&XSync) Sync = nullptr;
  decltype(&XFlush) Flush = nullptr;
  decltype(&XSetErrorHandler) SetErrorHandler = nullptr;
};

const XlibCalls& Xlib() {
  static const XlibCalls calls = [] {
    XlibCalls x;
    void* library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    x.loaded = Resolve(library, "XOpenDisplay", x.OpenDisplay) &&
               Resolve(library, "XCloseDisplay", x.CloseDisplay) &&
               Resolve(library, "XCreateWindow", x.CreateWindow) &&
               Resolve(library, "XDestroyWindow", x.DestroyWindow) &&
               Resolve(library, "XMapRaised", x.MapRaised) &&
               Resolve(library, "XInternAtom", x.InternAtom) &&
               Resolve(library, "XSetWMProtocols", x.SetWMProtocols) &&
               Resolve(library, "XChangeProperty", x.ChangeProperty) &&
               Resolve(library, "XStoreName", x.StoreName) &&
               Resolve(library, "XCreateBitmapFromData", x.CreateBitmapFromData) &&
               Resolve(library, "XCreatePixmapCursor", x.CreatePixmapCursor) &&
               Resolve(library, "XFreePixmap", x.FreePixmap) &&
               Resolve(library, "XFreeCursor", x.FreeCursor) &&
               Resolve(library, "XDefineCursor", x.DefineCursor) &&
               Resolve(library, "XPending", x.Pending) &&
               Resolve(library, "XEventsQueued", x.EventsQueued) &&
               Resolve(library, "XNextEvent", x.NextEvent) &&
               Resolve(library, "XCheckTypedWindowEvent", x.CheckTypedWindowEvent) &&
               Resolve(library, "XSetInputFocus", x.SetInputFocus) &&
               Resolve(library, "XQueryPointer", x.QueryPointer) &&
               Resolve(library, "XLookupKeysym", x.LookupKeysym) &&
               Resolve(library, "XGetGeometry", x.GetGeometry) &&
               Resolve(library, "XSync", x.Sync) && Resolve(library, "XFlush", x.Flush) &&
               Resolve(library, "XSetErrorHandler", x.SetErrorHandler);
    return x;
  }();
  return calls;
}

// The XRandR 1.2 calls a mode change makes; a missing library only costs the mode change.
struct RandrCalls {
  bool loaded = false;
  decltype(&XRRQueryExtension) QueryExtension = nullptr;
  decltype(&XRRQueryVersion) QueryVersion = nullptr;
  decltype(&XRRGetScreenResourcesCurrent) GetScreenResourcesCurrent = nullptr;
  decltype(&XRRFreeScreenResources) FreeScreenResources = nullptr;
  decltype(&XRRGetOutputInfo) GetOutputInfo = nullptr;
  decltype(&XRRFreeOutputInfo) FreeOutputInfo = nullptr;
  decltype(&XRRGetCrtcInfo) GetCrtcInfo = nullptr;
  decltype(&XRRFreeCrtcInfo) FreeCrtcInfo = nullptr;
  decltype(&XRRSetCrtcConfig) SetCrtcConfig = nullptr;
  decltype(&XRRGetScreenSizeRange) GetScreenSizeRange = nullptr;
  decltype(&XRRSetScreenSize) SetScreenSize = nullptr;
  decltype(&XRRGetOutputPrimary) GetOutputPrimary = nullptr;  // RandR 1.3; optional
};

const RandrCalls& Randr() {
  static const RandrCalls calls = [] {
    RandrCalls r;
    void* library = dlopen("libXrandr.so.2", RTLD_NOW | RTLD_LOCAL);
    r.loaded = Resolve(library, "XRRQueryExtension", r.QueryExtension) &&
               Resolve(library, "XRRQueryVersion", r.QueryVersion) &&
               Resolve(library, "XRRGetScreenResourcesCurrent", r.GetScreenResourcesCurrent) &&
               Resolve(library, "XRRFreeScreenResources", r.FreeScreenResources) &&
               Resolve(library, "XRRGetOutputInfo", r.GetOutputInfo) &&
               Resolve(library, "XRRFreeOutputInfo", r.FreeOutputInfo) &&
               Resolve(library, "XRRGetCrtcInfo", r.GetCrtcInfo) &&
               Resolve(library, "XRRFreeCrtcInfo", r.FreeCrtcInfo) &&
               Resolve(library, "XRRSetCrtcConfig", r.SetCrtcConfig) &&
               Resolve(library, "XRRGetScreenSizeRange", r.GetScreenSizeRange) &&
               Resolve(library, "XRRSetScreenSize", r.SetScreenSize);
    Resolve(library, "XRRGetOutputPrimary", r.GetOutputPrimary);
    return r;
  }();
  return calls;
}

// Xlib's default error handler ends the process; the window's own requests may fail (a mode the
// driver refuses, a window someone else destroyed) and must only report it. Errors of other
// connections go on to whatever handler was there. Traps are never nested.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    Xlib().Sync(display_, False);  // earlier requests' errors are not ours to catch
    trapped_ = display_;
    error_ = 0;
    previous_ = Xlib().SetErrorHandler(&ErrorTrap::Handler);
  }
  ~ErrorTrap() {
    Xlib().Sync(display_, False);
    Xlib().SetErrorHandler(previous_);
    trapped_ = nullptr;
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Waits for the server to answer everything sent so far; true when any of it failed.
  bool Failed() {
    Xlib().Sync(display_, False);
    return error_ != 0;
  }

 private:
  static int Handler(Display* display, XErrorEvent* event) {
    if (display == trapped_) {
      error_ = event->error_code;
      return 0;
    }
    return previous_ != nullptr ? previous_(display, event) : 0;
  }

  Display* display_;
  static inline Display* trapped_ = nullptr;
  static inline int error_ = 0;
  static inline XErrorHandler previous_ = nullptr;
};

int IgnoreErrors(Display*, XErrorEvent*) {
  return 0;
}

// The mode to put back: the changed CRTC as it was, and the screen size if it had to grow.
struct SavedMode {
  RRCrtc crtc = 0;
  RRMode mode = 0;
  int x = 0;
  int y = 0;
  Rotation rotation = RR_Rotate_0;
  std::vector<RROutput> outputs;
  bool screenResized = false;
  int screenWidth = 0;
  int screenHeight = 0;
  int screenMmWidth = 0;
  int screenMmHeight = 0;
};

// Puts the saved mode back through `display`. Used by the saver itself and by its watchdog, so
// it asks the server afresh for everything but the saved values.
bool PutBack(Display* display, const SavedMode& saved) {
  const RandrCalls& randr = Randr();
  const Window root = DefaultRootWindow(display);
  XRRScreenResources* resources = randr.GetScreenResourcesCurrent(display, root);
  if (resources == nullptr) return false;
  const Status status = randr.SetCrtcConfig(
      display, resources, saved.crtc, CurrentTime, saved.x, saved.y, saved.mode, saved.rotation,
      const_cast<RROutput*>(saved.outputs.data()), static_cast<int>(saved.outputs.size()));
  randr.FreeScreenResources(resources);
  // Shrink only after the CRTC is back inside the old size.
  if (saved.screenResized) {
    randr.SetScreenSize(display, root, saved.screenWidth, saved.screenHeight, saved.screenMmWidth,
                        saved.screenMmHeight);
  }
  Xlib().Sync(display, False);
  return status == RRSetConfigSuccess;
}

// Closes every descriptor but the standard ones and the two given.
void CloseOtherDescriptors(int keepA, int keepB) {
  const int low = keepA < keepB ? keepA : keepB;
  const int high = keepA < keepB ? keepB : keepA;
  const auto close_from_to = [](int first, int last) {
    if (first > last) return;
    if (close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) == 0) return;
    const long limit = sysconf(_SC_OPEN_MAX);
    const int end = last < limit ? last : static_cast<int>(limit > 65536 ? 65536 : limit);
    for (int fd = first; fd <= end; ++fd) close(fd);
  };
  close_from_to(3, low - 1);
  close_from_to(low + 1, high - 1);
  close_from_to(high + 1, INT_MAX);
}

// A child process that holds the desktop's mode and its own connection to the display. It waits
// on a socket: a byte from the saver means the mode is back and nothing is left to do; the end
// of the stream without one means the saver is gone (a signal, a crash, an exit that never
// reached RestoreDisplayMode), and it puts the mode back itself. This covers even SIGKILL, and
// the saver's signal handlers, if it has any, need not touch X at all.
class ModeWatchdog {
 public:
  ModeWatchdog() = default;
  ModeWatchdog(const ModeWatchdog&) = delete;
  ModeWatchdog& operator=(const ModeWatchdog&) = delete;
  ~ModeWatchdog() { Disarm(); }

  // Opens the watchdog's connection to `displayName` and starts it; false when either fails.
  bool Start(const char* displayName, const SavedMode& saved) {
    Disarm();
    // Opened here, before the fork: the child of a process that may have other threads should
    // do as little as it can, and a display that cannot be opened is known before any change.
    if (!Randr().loaded) return false;
    Display* own = Xlib().OpenDisplay(displayName);
    if (own == nullptr) return false;
    int query_event = 0;
    int query_error = 0;
    Randr().QueryExtension(own, &query_event, &query_error);
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
      Xlib().CloseDisplay(own);
      return false;
    }
    // The group's signals wait until the child ignores them: a Ctrl-C at the wrong moment must
    // not end the watchdog with the saver.
    sigset_t group_signals;
    sigset_t before;
    sigemptyset(&group_signals);
    for (const int number : kGroupSignals) sigaddset(&group_signals, number);
    pthread_sigmask(SIG_BLOCK, &group_signals, &before);
    const pid_t pid = fork();
    if (pid == 0) {
      close(ends[0]);
      Watch(own, ends[1], saved, before);  // never returns
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (pid < 0) {
      close(ends[0]);
      close(ends[1]);
      Xlib().CloseDisplay(own);
      return false;
    }
    close(ends[1]);
    // The connection now belongs to the child. Closing our copy of its socket is all this side
    // may do: any Xlib call would talk over the child's connection. The Display record (a few
    // kilobytes, once per mode change) is left as it is.
    close(ConnectionNumber(own));
    pid_ = pid;
    socket_ = ends[0];
    return true;
  }

  // Tells the watchdog the mode is back and waits for it to leave.
  void Disarm() {
    if (socket_ >= 0) {
      const char done = 'd';
      // A watchdog already gone must not raise SIGPIPE here.
      (void)send(socket_, &done, 1, MSG_NOSIGNAL);
      close(socket_);
      socket_ = -1;
    }
    if (pid_ > 0) {
      while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
      pid_ = -1;
    }
  }

 private:
  // The terminal's and the session's signals reach the whole process group; the watchdog must
  // outlive the saver they end.
  static constexpr int kGroupSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};

  [[noreturn]] static void Watch(Display* display, int socket, const SavedMode& saved,
                                 const sigset_t& mask) {
    for (const int number : kGroupSignals) signal(number, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    pthread_sigmask(SIG_SETMASK, &mask, nullptr);
    // Keep nothing of the saver's open (its display connection would keep its window on screen,
    // an output pipe would keep a reader waiting).
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDIN_FILENO);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      if (null > STDERR_FILENO) close(null);
    }
    CloseOtherDescriptors(socket, ConnectionNumber(display));
    Xlib().SetErrorHandler(&IgnoreErrors);

    char byte = 0;
    ssize_t got = 0;
    do {
      got = read(socket, &byte, 1);
    } while (got < 0 && errno == EINTR);
    if (got != 1) PutBack(display, saved);
    _exit(0);
  }

  pid_t pid_ = -1;
  int socket_ = -1;
};

struct Area {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The size a CRTC shows a mode at: turned a quarter, width and height swap.
bool Turned(Rotation rotation) {
  return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
}

double RefreshRate(const XRRModeInfo& mode) {
  const double dots = static_cast<double>(mode.hTotal) * mode.vTotal;
  return dots > 0 ? static_cast<double>(mode.dotClock) / dots : 0.0;
}

const XRRModeInfo* FindMode(const XRRScreenResources* resources, RRMode id) {
  for (int i = 0; i < resources->nmode; ++i) {
    if (resources->modes[i].id == id) return &resources->modes[i];
  }
  return nullptr;
}

// What a mode change will do: the CRTC and mode to set, the screen size it needs, and what to put
// back afterwards.
struct ModePlan {
  SavedMode saved;
  RRMode mode = 0;
  bool alreadyShown = false;  // the CRTC shows that size now: nothing to change
  int screenWidth = 0;        // the screen size the mode needs (the present one when it fits)
  int screenHeight = 0;
  int screenMmWidth = 0;
  int screenMmHeight = 0;
};

class X11Window final : public X11SaverWindow {
 public:
  X11Window() = default;
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
    if (window_ == 0 || windowGone_ || blankCursor_ == 0) return;
    Xlib().DefineCursor(display_, window_, blankCursor_);
    Xlib().Flush(display_);
  }

  Size ClientSize() const override { return size_; }
  void* XDisplay() const override { return display_; }
  unsigned long XWindow() const override { return window_; }

 private:
  bool OpenDisplay() {
    if (display_ != nullptr) return true;
    if (!Xlib().loaded) return false;
    display_ = Xlib().OpenDisplay(nullptr);
    return display_ != nullptr;
  }

  Area ScreenArea() const {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    // Asked afresh: the size the display was opened with is stale after a change.
    if (Xlib().GetGeometry(display_, DefaultRootWindow(display_), &root, &x, &y, &width, &height,
                           &border, &depth) == 0) {
      return Area{0, 0, DisplayWidth(display_, DefaultScreen(display_)),
                  DisplayHeight(display_, DefaultScreen(display_))};
    }
    return Area{0, 0, static_cast<int>(width), static_cast<int>(height)};
  }

  std::optional<ModePlan> PlanMode(int width, int height);
  bool CrtcShows(RRCrtc crtc, RRMode mode);
  void Dispatch(const XEvent& event);
  void Deliver(WindowMessageKind kind, long parameter) {
    if (handler_ != nullptr) handler_->OnMessage(WindowMessage{kind, parameter});
  }
  void DestroyWindow();

  Display* display_ = nullptr;
  Window window_ = 0;
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

template <typename Info, void (*Free)(Info*)>
struct FreeWith {
  void operator()(Info* info) const {
    if (info != nullptr) Free(info);
  }
};
void FreeResources(XRRScreenResources* r) {
  Randr().FreeScreenResources(r);
}
void FreeOutput(XRROutputInfo* o) {
  Randr().FreeOutputInfo(o);
}
void FreeCrtc(XRRCrtcInfo* c) {
  Randr().FreeCrtcInfo(c);
}
using ResourcesPtr =
    std::unique_ptr<XRRScreenResources, FreeWith<XRRScreenResources, &FreeResources>>;
using OutputPtr = std::unique_ptr<XRROutputInfo, FreeWith<XRROutputInfo, &FreeOutput>>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, FreeWith<XRRCrtcInfo, &FreeCrtc>>;

std::optional<ModePlan> X11Window::PlanMode(int width, int height) {
  const RandrCalls& randr = Randr();
  if (!randr.loaded) return std::nullopt;
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (!randr.QueryExtension(display_, &event_base, &error_base) ||
      !randr.QueryVersion(display_, &major, &minor) || major < 1 || (major == 1 && minor < 2)) {
    return std::nullopt;  // CRTCs came with RandR 1.2
  }
  const Window root = DefaultRootWindow(display_);
  const ResourcesPtr resources(randr.GetScreenResourcesCurrent(display_, root));
  if (resources == nullptr) return std::nullopt;

  // The primary output, or else the first connected one that shows a mode.
  OutputPtr output;
  CrtcPtr crtc;
  const auto take = [&](RROutput id) {
    OutputPtr info(randr.GetOutputInfo(display_, resources.get(), id));
    if (info == nullptr || info->connection != RR_Connected || info->crtc == 0) return false;
    CrtcPtr shown(randr.GetCrtcInfo(display_, resources.get(), info->crtc));
    if (shown == nullptr || shown->mode == 0) return false;
    output = std::move(info);
    crtc = std::move(shown);
    return true;
  };
  const bool has_primary = (major > 1 || minor >= 3) && randr.GetOutputPrimary != nullptr;
  const RROutput primary = has_primary ? randr.GetOutputPrimary(display_, root) : 0;
  if (primary == 0 || !take(primary)) {
    for (int i = 0; i < resources->noutput && output == nullptr; ++i) take(resources->outputs[i]);
  }
  if (output == nullptr) return std::nullopt;

  ModePlan plan;
  plan.saved.crtc = output->crtc;
  plan.saved.mode = crtc->mode;
  plan.saved.x = crtc->x;
  plan.saved.y = crtc->y;
  plan.saved.rotation = crtc->rotation;
  plan.saved.outputs.assign(crtc->outputs, crtc->outputs + crtc->noutput);
  if (static_cast<int>(crtc->width) == width && static_cast<int>(crtc->height) == height) {
    plan.alreadyShown = true;
    return plan;
  }

  // The output's mode of that size as shown (a CRTC turned a quarter swaps width and height):
  // progressive before interlaced, then the refresh rate nearest the present one.
  const bool turned = Turned(crtc->rotation);
  const XRRModeInfo* current = FindMode(resources.get(), crtc->mode);
  const double current_rate = current != nullptr ? RefreshRate(*current) : 60.0;
  const auto rank = [&](const XRRModeInfo& mode) {
    const int interlaced = (mode.modeFlags & (RR_Interlace | RR_DoubleScan)) != 0 ? 1 : 0;
    return std::make_pair(interlaced, std::fabs(RefreshRate(mode) - current_rate));
  };
  const XRRModeInfo* chosen = nullptr;
  for (int i = 0; i < output->nmode; ++i) {
    const XRRModeInfo* mode = FindMode(resources.get(), output->modes[i]);
    if (mode == nullptr) continue;
    const int shown_width = static_cast<int>(turned ? mode->height : mode->width);
    const int shown_height = static_cast<int>(turned ? mode->width : mode->height);
    if (shown_width != width || shown_height != height) continue;
    if (chosen == nullptr || rank(*mode) < rank(*chosen)) chosen = mode;
  }
  if (chosen == nullptr) return std::nullopt;
  plan.mode = chosen->id;

  // A mode reaching past the screen needs a larger screen first, within what the server allows;
  // the screen keeps its dots per millimetre.
  const Area screen = ScreenArea();
  plan.screenWidth = std::max(screen.width, crtc->x + width);
  plan.screenHeight = std::max(screen.height, crtc->y + height);
  if (plan.screenWidth != screen.width || plan.screenHeight != screen.height) {
    int min_width = 0;
    int min_height = 0;
    int max_width = 0;
    int max_height = 0;
    if (!randr.GetScreenSizeRange(display_, root, &min_width, &min_height, &max_width,
                                  &max_height) ||
        plan.screenWidth > max_width || plan.screenHeight > max_height) {
      return std::nullopt;
    }
    const int screen_number = DefaultScreen(display_);
    plan.saved.screenResized = true;
    plan.saved.screenWidth = screen.width;
    plan.saved.screenHeight = screen.height;
    plan.saved.screenMmWidth = DisplayWidthMM(display_, screen_number);
    plan.saved.screenMmHeight = DisplayHeightMM(display_, screen_number);
    const auto millimetres = [](int old_mm, int old_pixels, int new_pixels) {
      if (old_pixels <= 0) return old_mm;
      return static_cast<int>(std::lround(static_cast<double>(old_mm) * new_pixels / old_pixels));
    };
    plan.screenMmWidth = millimetres(plan.saved.screenMmWidth, screen.width, plan.screenWidth);
    plan.screenMmHeight = millimetres(plan.saved.screenMmHeight, screen.height, plan.screenHeight);
  }
  return plan;
}

bool X11Window::CrtcShows(RRCrtc crtc, RRMode mode) {
  const RandrCalls& randr = Randr();
  const ResourcesPtr resources(
      randr.GetScreenResourcesCurrent(display_, DefaultRootWindow(display_)));
  if (resources == nullptr) return false;
  const CrtcPtr info(randr.GetCrtcInfo(display_, resources.get(), crtc));
  return info != nullptr && info->mode == mode;
}

// Colour depth cannot be switched on X: every depth asks for the desktop's, so only the size
// counts. The caller goes on in the desktop's mode when this fails.
bool X11Window::ChangeDisplayMode(int width, int height, int /*bitsPerPixel*/) {
  if (modeChanged_) RestoreDisplayMode();
  modeArea_.reset();
  if (width <= 0 || height <= 0 || !OpenDisplay()) return false;
  const std::optional<ModePlan> plan = PlanMode(width, height);
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
      changed = !trap.Failed() && changed && CrtcShows(old.crtc, plan->mode);
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

bool X11Window::Create(int width, int height, WindowHandler& handler) {
  if (window_ != 0 || width <= 0 || height <= 0 || !OpenDisplay()) return false;
  const XlibCalls& x = Xlib();
  const int screen = DefaultScreen(display_);
  const Window root = RootWindow(display_, screen);
  // In the mode asked for, the window covers that mode's CRTC; in any other mode it covers the
  // whole screen, whatever size was asked for, and ClientSize says so.
  const bool in_mode = modeArea_ && modeArea_->width == width && modeArea_->height == height;
  const Area area = in_mode ? *modeArea_ : ScreenArea();

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
      x.StoreName(display_, window_, kWindowTitle);
      static const char kClassHint[] = "ironwood\0StarfraySS";
      x.ChangeProperty(display_, window_, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                       reinterpret_cast<const unsigned char*>(kClassHint), sizeof kClassHint);
      protocols_ = x.InternAtom(display_, "WM_PROTOCOLS", False);
      deleteWindow_ = x.InternAtom(display_, "WM_DELETE_WINDOW", False);
      x.SetWMProtocols(display_, window_, &deleteWindow_, 1);
      // A compositor may hand the screen straight to the saver's frames.
      const long bypass = 1;
      x.ChangeProperty(display_, window_,
                       x.InternAtom(display_, "_NET_WM_BYPASS_COMPOSITOR", False), XA_CARDINAL, 32,
                       PropModeReplace, reinterpret_cast<const unsigned char*>(&bypass), 1);
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
  if (window_ == 0 || event.xany.window != window_) return;
  switch (event.type) {
    case KeyPress: {
      XKeyEvent key = event.xkey;
      Deliver(WindowMessageKind::KeyDown, VirtualKeyFromKeysym(Xlib().LookupKeysym(&key, 0)));
      break;
    }
    case MotionNotify:
      Deliver(WindowMessageKind::MouseMove, 0);
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

long VirtualKeyFromKeysym(unsigned long keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return static_cast<long>('A' + (keysym - XK_a));
  if (keysym >= XK_A && keysym <= XK_Z) return static_cast<long>(keysym);
  if (keysym >= XK_0 && keysym <= XK_9) return static_cast<long>(keysym);
  if (keysym >= XK_F1 && keysym <= XK_F24) return static_cast<long>(0x70 + (keysym - XK_F1));
  switch (keysym) {
    case XK_BackSpace:
      return 0x08;
    case XK_Tab:
      return 0x09;
    case XK_Return:
    case XK_KP_Enter:
      return 0x0D;
    case XK_Shift_L:
    case XK_Shift_R:
      return 0x10;
    case XK_Control_L:
    case XK_Control_R:
      return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
      return 0x12;
    case XK_Escape:
      return 0x1B;
    case XK_space:
      return 0x20;
    case XK_Left:
      return 0x25;
    case XK_Up:
      return 0x26;
    case XK_Right:
      return 0x27;
    case XK_Down:
      return 0x28;
    default:
      return kOtherKey;
  }
}

}  // namespace ironwood::platform
