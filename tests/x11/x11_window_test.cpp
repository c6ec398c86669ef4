// The X11 saver window against a real X server (ctest runs it under Xvfb): its geometry and
// cursor, real input through XTest, the quit order, and the display mode, which must come back
// however the saver ends. The test's own connection watches from outside.

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/egl_target.h"
#include "platform/linux/x11_saver_window.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

namespace ironwood {
namespace {

using platform::SaverWindow;
using platform::WindowMessage;
using platform::WindowMessageKind;
using platform::X11SaverWindow;

using Clock = std::chrono::steady_clock;

struct Recorder : platform::WindowHandler {
  std::vector<WindowMessage> messages;
  std::function<void(const WindowMessage&)> also = [](const WindowMessage&) {};
  platform::WindowReaction OnMessage(const WindowMessage& message) override {
    messages.push_back(message);
    also(message);
    return {};
  }
  int Count(WindowMessageKind kind, long parameter = -1) const {
    int count = 0;
    for (const WindowMessage& m : messages) {
      if (m.kind == kind && (parameter < 0 || m.parameter == parameter)) ++count;
    }
    return count;
  }
  std::vector<long> Keys() const {
    std::vector<long> keys;
    for (const WindowMessage& m : messages) {
      if (m.kind == WindowMessageKind::KeyDown) keys.push_back(m.parameter);
    }
    return keys;
  }
};

int lastXError = 0;
int RecordXError(Display*, XErrorEvent* event) {
  lastXError = event->error_code;
  return 0;
}

struct ModeState {
  RRMode mode = 0;
  int crtcWidth = 0;
  int crtcHeight = 0;
  int screenWidth = 0;
  int screenHeight = 0;
};

class X11Window : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') GTEST_SKIP() << "no DISPLAY";
    // One connection for the whole program: the server resets (and refuses connections for a
    // moment) whenever its last client leaves.
    static Display* const shared = XOpenDisplay(nullptr);
    display_ = shared;
    ASSERT_NE(display_, nullptr);
    XSetErrorHandler(&RecordXError);
    lastXError = 0;
    root_ = DefaultRootWindow(display_);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    ASSERT_NE(resources, nullptr);
    ASSERT_GE(resources->noutput, 1);
    output_ = resources->outputs[0];
    XRROutputInfo* output = XRRGetOutputInfo(display_, resources, output_);
    ASSERT_NE(output->crtc, 0u);
    crtc_ = output->crtc;
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, crtc_);
    original_ = State();
    originalMmWidth_ = DisplayWidthMM(display_, DefaultScreen(display_));
    originalMmHeight_ = DisplayHeightMM(display_, DefaultScreen(display_));
    rotation_ = crtc->rotation;
    XRRFreeCrtcInfo(crtc);
    XRRFreeOutputInfo(output);
    XRRFreeScreenResources(resources);
    // Xvfb offers only its own size; give its output two more, as a real monitor would.
    mode800_ = OfferMode(800, 600);
    mode640_ = OfferMode(640, 480);
  }

  void TearDown() override {
    if (display_ == nullptr) return;
    window_.reset();
    // The next test starts from the server's first state: a screen large enough for both modes
    // while the CRTC changes, then the original size.
    const auto [width, height] = Screen();
    if (width != original_.screenWidth || height != original_.screenHeight) {
      XRRSetScreenSize(display_, root_, std::max(width, original_.screenWidth),
                       std::max(height, original_.screenHeight), originalMmWidth_,
                       originalMmHeight_);
    }
    SetCrtc(original_.mode);
    XRRSetScreenSize(display_, root_, original_.screenWidth, original_.screenHeight,
                     originalMmWidth_, originalMmHeight_);
    XSync(display_, False);
    EXPECT_EQ(lastXError, 0);
  }

  RRMode OfferMode(int width, int height) {
    const std::string name = std::to_string(width) + "x" + std::to_string(height);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    RRMode mode = 0;
    for (int i = 0; i < resources->nmode; ++i) {
      if (name == resources->modes[i].name) mode = resources->modes[i].id;
    }
    XRRFreeScreenResources(resources);
    if (mode == 0) {
      XRRModeInfo info{};
      info.width = static_cast<unsigned>(width);
      info.height = static_cast<unsigned>(height);
      info.dotClock = static_cast<unsigned long>(width + 160) * (height + 30) * 60;
      info.hTotal = static_cast<unsigned>(width + 160);
      info.vTotal = static_cast<unsigned>(height + 30);
      info.name = const_cast<char*>(name.c_str());
      info.nameLength = static_cast<unsigned>(name.size());
      mode = XRRCreateMode(display_, root_, &info);
      XRRAddOutputMode(display_, output_, mode);
      XSync(display_, False);
    }
    return mode;
  }

  std::pair<int, int> Screen() {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    XGetGeometry(display_, root_, &root, &x, &y, &width, &height, &border, &depth);
    return {static_cast<int>(width), static_cast<int>(height)};
  }

  ModeState State() {
    ModeState state;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, crtc_);
    state.mode = crtc->mode;
    state.crtcWidth = static_cast<int>(crtc->width);
    state.crtcHeight = static_cast<int>(crtc->height);
    XRRFreeCrtcInfo(crtc);
    XRRFreeScreenResources(resources);
    std::tie(state.screenWidth, state.screenHeight) = Screen();
    return state;
  }

  void SetCrtc(RRMode mode) {
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    XRRSetCrtcConfig(display_, resources, crtc_, CurrentTime, 0, 0, mode, rotation_, &output_, 1);
    XRRFreeScreenResources(resources);
    XSync(display_, False);
  }

  X11SaverWindow& NewWindow() {
    window_ = platform::CreateX11SaverWindow();
    EXPECT_TRUE(window_->RegisterClass());
    return *window_;
  }

  // Opens the window as the saver does, in whatever mode the display is in.
  X11SaverWindow& ShownWindow(int width, int height) {
    X11SaverWindow& window = NewWindow();
    EXPECT_TRUE(window.Create(width, height, recorder_));
    window.Show();
    return window;
  }

  // Hands the window's messages to the recorder until `done` holds or a second has passed.
  bool Pump(const std::function<bool()>& done, int milliseconds = 1000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
      XFlush(display_);
      int quit = 0;
      while (window_->PollMessage(quit) == SaverWindow::Poll::Handled) {
      }
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  void PressKey(KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    ASSERT_NE(code, 0) << keysym;
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XFlush(display_);
  }

  void SendKey(Window window, KeySym keysym) {
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.display = display_;
    event.xkey.window = window;
    event.xkey.root = root_;
    event.xkey.keycode = XKeysymToKeycode(display_, keysym);
    event.xkey.same_screen = True;
    XSendEvent(display_, window, False, KeyPressMask, &event);
    XSync(display_, False);
  }

  // Whether the cursor shown now has no visible pixel.
  bool CursorBlank() {
    XFixesCursorImage* image = XFixesGetCursorImage(display_);
    if (image == nullptr) return false;
    bool blank = true;
    for (int i = 0; i < image->width * image->height; ++i) {
      if ((image->pixels[i] >> 24) != 0) blank = false;
    }
    XFree(image);
    return blank;
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  RROutput output_ = 0;
  RRCrtc crtc_ = 0;
  Rotation rotation_ = RR_Rotate_0;
  ModeState original_;
  int originalMmWidth_ = 0;
  int originalMmHeight_ = 0;
  RRMode mode800_ = 0;
  RRMode mode640_ = 0;
  std::unique_ptr<X11SaverWindow> window_;
  Recorder recorder_;
};

TEST(X11WindowWithoutDisplay, OpensNothingAndStillQuits) {
  const char* saved = std::getenv("DISPLAY");
  const std::string name = saved != nullptr ? saved : "";
  unsetenv("DISPLAY");
  {
    auto window = platform::CreateX11SaverWindow();
    Recorder recorder;
    platform::GlLibraryState libraries;
    EXPECT_FALSE(window->RegisterClass());
    EXPECT_FALSE(window->ChangeDisplayMode(640, 480, 32));
    EXPECT_FALSE(window->Create(640, 480, recorder));
    EXPECT_EQ(window->CreateRenderTarget(libraries), nullptr);
    window->Show();
    window->HideCursor();
    window->RestoreDisplayMode();
    EXPECT_EQ(window->CursorPosition().x, 0);
    int quit = 0;
    EXPECT_EQ(window->PollMessage(quit), SaverWindow::Poll::Idle);
    window->PostQuit(3);
    EXPECT_EQ(window->PollMessage(quit), SaverWindow::Poll::Quit);
    EXPECT_EQ(quit, 3);
    EXPECT_EQ(window->PollMessage(quit), SaverWindow::Poll::Idle);
    EXPECT_TRUE(recorder.messages.empty());
  }
  if (saved != nullptr) setenv("DISPLAY", name.c_str(), 1);
}

// What real key presses below do not reach: the shifted letter, the other end of each range,
// and keys without a code of their own, which must still end the saver, never read as F12 or C.
TEST(X11VirtualKeys, RangesAndKeysWithoutACode) {
  using platform::VirtualKeyFromKeysym;
  EXPECT_EQ(VirtualKeyFromKeysym(XK_A), 0x41);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_z), 0x5A);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_F1), 0x70);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Enter), 0x0D);
  for (const KeySym other : std::initializer_list<KeySym>{XK_Menu, XK_ccedilla, NoSymbol}) {
    EXPECT_EQ(VirtualKeyFromKeysym(other), 0xFF) << other;
  }
}

TEST_F(X11Window, CoversTheScreenHidesTheCursorAndTakesTheFocus) {
  X11SaverWindow& window = ShownWindow(original_.screenWidth, original_.screenHeight);
  EXPECT_EQ(recorder_.Count(WindowMessageKind::Create), 1);
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display_, window.XWindow(), &attributes));
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  EXPECT_EQ(attributes.width, original_.screenWidth);
  EXPECT_EQ(attributes.height, original_.screenHeight);
  EXPECT_TRUE(attributes.override_redirect);
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_EQ(window.ClientSize().width, original_.screenWidth);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  EXPECT_EQ(focus, window.XWindow());

  XTestFakeMotionEvent(display_, -1, 10, 10, CurrentTime);
  XSync(display_, False);
  EXPECT_TRUE(CursorBlank());
  window.HideCursor();
  EXPECT_TRUE(CursorBlank());
  window_.reset();
  XSync(display_, False);
  EXPECT_FALSE(CursorBlank()) << "the check cannot tell the root's cursor from a blank one";
}

TEST_F(X11Window, RealKeysArriveAsVirtualKeys) {
  ShownWindow(original_.screenWidth, original_.screenHeight);
  for (const KeySym key : {XK_F12, XK_c, XK_a, XK_Escape, XK_space, XK_Return, XK_7}) {
    PressKey(key);
  }
  const std::vector<long> expected = {0x7B, 0x43, 0x41, 0x1B, 0x20, 0x0D, 0x37};
  EXPECT_TRUE(Pump([&] { return recorder_.Keys().size() >= expected.size(); }));
  EXPECT_EQ(recorder_.Keys(), expected);
}

TEST_F(X11Window, PointerMotionArrivesAndCursorPositionFollows) {
  X11SaverWindow& window = ShownWindow(original_.screenWidth, original_.screenHeight);
  for (const auto& [x, y] : {std::pair{100, 200}, std::pair{301, 57}}) {
    const int before = recorder_.Count(WindowMessageKind::MouseMove);
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    EXPECT_TRUE(Pump([&] { return recorder_.Count(WindowMessageKind::MouseMove) > before; }));
    EXPECT_EQ(window.CursorPosition().x, x);
    EXPECT_EQ(window.CursorPosition().y, y);
  }
}

TEST_F(X11Window, LosingTheFocusEndsButABorrowedKeyboardDoesNot) {
  ShownWindow(original_.screenWidth, original_.screenHeight);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window other = XCreateWindow(display_, root_, 0, 0, 50, 50, 0, CopyFromParent, InputOutput,
                                     nullptr, CWOverrideRedirect, &attributes);
  XMapRaised(display_, other);
  XSync(display_, False);

  // Another client grabbing the keyboard for a moment (a shortcut, a menu) is no loss of focus.
  ASSERT_EQ(XGrabKeyboard(display_, other, False, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(display_, CurrentTime);
  XSync(display_, False);
  Pump([] { return false; }, 150);
  EXPECT_EQ(recorder_.Count(WindowMessageKind::ActivateApp), 0);

  XSetInputFocus(display_, other, RevertToParent, CurrentTime);
  EXPECT_TRUE(Pump([&] { return recorder_.Count(WindowMessageKind::ActivateApp, 0) == 1; }));
  XDestroyWindow(display_, other);
}

TEST_F(X11Window, QuitComesAfterTheEventsAlreadyThere) {
  X11SaverWindow& window = ShownWindow(original_.screenWidth, original_.screenHeight);
  Pump([] { return false; }, 50);  // the mapping's own events
  recorder_.messages.clear();
  SendKey(window.XWindow(), XK_a);
  SendKey(window.XWindow(), XK_b);
  window.PostQuit(7);
  window.PostQuit(8);  // one quit, with the last parameter
  SendKey(window.XWindow(), XK_d);

  int quit = 0;
  std::vector<std::string> order;
  for (int i = 0; i < 6; ++i) {
    switch (window.PollMessage(quit)) {
      case SaverWindow::Poll::Handled:
        order.push_back("event");
        break;
      case SaverWindow::Poll::Quit:
        order.push_back("quit " + std::to_string(quit));
        break;
      case SaverWindow::Poll::Idle:
        order.push_back("idle");
        break;
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"event", "event", "quit 8", "event", "idle", "idle"}));
  EXPECT_EQ(recorder_.Keys(), (std::vector<long>{0x41, 0x42, 0x44}));
}

TEST_F(X11Window, CloseAndDestructionEndTheSaverOnce) {
  X11SaverWindow& window = ShownWindow(original_.screenWidth, original_.screenHeight);
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window.XWindow();
  close.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  XSendEvent(display_, window.XWindow(), False, NoEventMask, &close);
  EXPECT_TRUE(Pump([&] { return recorder_.Count(WindowMessageKind::Destroy) == 1; }));

  // Destroyed behind the saver's back: no second Destroy, and nothing breaks afterwards.
  XDestroyWindow(display_, window.XWindow());
  XSync(display_, False);
  Pump([] { return false; }, 100);
  EXPECT_EQ(recorder_.Count(WindowMessageKind::Destroy), 1);
  platform::GlLibraryState libraries;
  EXPECT_EQ(window.CreateRenderTarget(libraries), nullptr);
  window.HideCursor();
  window_.reset();
  EXPECT_EQ(State().mode, original_.mode);
}

TEST_F(X11Window, OfferedSizesSwitchTheModeAndComeBack) {
  X11SaverWindow& window = NewWindow();
  // Both colour depths ask for the desktop's.
  ASSERT_TRUE(window.ChangeDisplayMode(640, 480, 16));
  EXPECT_EQ(State().mode, mode640_);
  ASSERT_TRUE(window.ChangeDisplayMode(800, 600, 32));
  EXPECT_EQ(State().mode, mode800_);
  EXPECT_EQ(State().screenWidth, original_.screenWidth);  // only the monitor's mode changes

  ASSERT_TRUE(window.Create(800, 600, recorder_));
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display_, window.XWindow(), &attributes));
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  EXPECT_EQ(attributes.width, 800);
  EXPECT_EQ(attributes.height, 600);
  EXPECT_EQ(window.ClientSize().width, 800);
  EXPECT_EQ(window.ClientSize().height, 600);

  window.RestoreDisplayMode();
  EXPECT_EQ(State().mode, original_.mode);
  window.RestoreDisplayMode();  // harmless when nothing is changed
  EXPECT_EQ(State().mode, original_.mode);

  // The destructor puts back what the caller left changed.
  ASSERT_TRUE(window.ChangeDisplayMode(640, 480, 32));
  window_.reset();
  EXPECT_EQ(State().mode, original_.mode);
}

TEST_F(X11Window, SizesNotOfferedFailAndTheWindowStillCoversTheScreen) {
  X11SaverWindow& window = NewWindow();
  const int too_wide = original_.screenWidth + 16;
  const int too_high = original_.screenHeight + 16;
  EXPECT_FALSE(window.ChangeDisplayMode(too_wide, too_high, 32));
  EXPECT_FALSE(window.ChangeDisplayMode(too_wide, too_high, 16));
  EXPECT_FALSE(window.ChangeDisplayMode(700, 500, 32));
  EXPECT_FALSE(window.ChangeDisplayMode(0, 0, 32));
  EXPECT_EQ(State().mode, original_.mode);

  // The desktop's resolution, not the size asked for: no strip of desktop shows beside it.
  ASSERT_TRUE(window.Create(700, 500, recorder_));
  XWindowAttributes attributes{};
  ASSERT_TRUE(XGetWindowAttributes(display_, window.XWindow(), &attributes));
  EXPECT_EQ(attributes.width, original_.screenWidth);
  EXPECT_EQ(attributes.height, original_.screenHeight);
  EXPECT_EQ(window.ClientSize().width, original_.screenWidth);
  EXPECT_EQ(window.ClientSize().height, original_.screenHeight);
}

TEST_F(X11Window, AModeLargerThanTheScreenGrowsItAndShrinksItBack) {
  // A desktop smaller than the mode wanted: the screen itself must grow for it.
  SetCrtc(mode640_);
  XRRSetScreenSize(display_, root_, 640, 480, 170, 127);
  XSync(display_, False);
  ASSERT_EQ(Screen(), std::make_pair(640, 480));

  X11SaverWindow& window = NewWindow();
  ASSERT_TRUE(window.ChangeDisplayMode(original_.screenWidth, original_.screenHeight, 32));
  EXPECT_EQ(State().mode, original_.mode);
  EXPECT_EQ(Screen(), std::make_pair(original_.screenWidth, original_.screenHeight));
  window.RestoreDisplayMode();
  EXPECT_EQ(State().mode, mode640_);
  EXPECT_EQ(Screen(), std::make_pair(640, 480));
}

// A child owns the window and changes the mode; it dies in each way the saver can, and the mode
// must be back once it has, with no process left behind.
TEST_F(X11Window, TheModeComesBackHoweverTheSaverEnds) {
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);  // the orphaned watchdog comes back to us
  // A negative signal goes to the child's whole process group, as a terminal's Ctrl-C or
  // hang-up does; the watchdog is in that group too.
  constexpr int kExitWithoutRestore = 0;
  for (const int ending : {SIGTERM, SIGINT, SIGHUP, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGKILL,
                           -SIGINT, -SIGHUP, kExitWithoutRestore}) {
    const int signal_number = std::abs(ending);
    SCOPED_TRACE(ending == 0 ? std::string("exit")
                             : std::string(ending < 0 ? "group " : "") + strsignal(signal_number));
    int ready[2];
    int go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      close(go[1]);
      setpgid(0, 0);
      const rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);
      auto window = platform::CreateX11SaverWindow();
      Recorder recorder;
      char state = 'x';
      if (window->RegisterClass() && window->ChangeDisplayMode(800, 600, 32) &&
          window->Create(800, 600, recorder)) {
        window->Show();
        state = 'r';
      }
      if (write(ready[1], &state, 1) != 1 || state != 'r') _exit(1);
      char any = 0;
      while (read(go[0], &any, 1) < 0) {
      }
      _exit(0);  // as if returning without reaching the destructor
    }
    close(ready[1]);
    close(go[0]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    close(ready[0]);
    ASSERT_EQ(state, 'r');
    EXPECT_EQ(State().mode, mode800_);

    if (ending == kExitWithoutRestore) {
      ASSERT_EQ(write(go[1], "x", 1), 1);
    } else {
      kill(ending < 0 ? -child : child, signal_number);
    }
    close(go[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (ending == kExitWithoutRestore) {
      EXPECT_TRUE(WIFEXITED(status));
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
    }
    // Every process of ours gone, the watchdog included.
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    bool all_gone = false;
    while (!all_gone && Clock::now() < deadline) {
      all_gone = waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
      if (!all_gone) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(all_gone) << "a process was left behind";
    EXPECT_EQ(State().mode, original_.mode);
  }
}

TEST_F(X11Window, RenderTargetDrawsInTheWindowAtOneSwapPerRefresh) {
  std::string why;
  if (!platform::EglTarget::LibraryAvailable(&why)) GTEST_SKIP() << why;
  X11SaverWindow& window = ShownWindow(original_.screenWidth, original_.screenHeight);
  platform::GlLibraryState libraries;
  std::unique_ptr<platform::RenderTarget> target = window.CreateRenderTarget(libraries);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(target->ChoosePixelFormat());
  ASSERT_TRUE(target->SetPixelFormat());
  ASSERT_TRUE(target->CreateContext());
  EXPECT_FALSE(target->SetSwapInterval(1)) << "not current yet";
  ASSERT_TRUE(target->MakeCurrent());
  EXPECT_TRUE(target->SetSwapInterval(1)) << static_cast<platform::EglTarget&>(*target).LastError();
  EXPECT_TRUE(target->SwapBuffers());
  target.reset();
}

}  // namespace
}  // namespace ironwood
