// The saver window on a desktop of two monitors (ctest runs it under a 2048x768 Xvfb whose one
// output the test splits into two RandR monitors, the left one primary): the picture on the
// primary, the other covered black, only the primary's CRTC changed, and everything back after
// the saver ends, also when it is killed.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/linux/egl_target.h"
#include "platform/linux/x11_saver_window.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace ironwood {
namespace {

using Clock = std::chrono::steady_clock;

struct Recorder : platform::WindowHandler {
  int moves = 0;
  platform::WindowReaction OnMessage(const platform::WindowMessage& message) override {
    if (message.kind == platform::WindowMessageKind::MouseMove) ++moves;
    return {};
  }
};

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Geometry&) const = default;
};

class X11Monitors : public ::testing::Test {
 protected:
  static constexpr int kScreenWidth = 2048;
  static constexpr int kScreenHeight = 768;

  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') GTEST_SKIP() << "no DISPLAY";
    static Display* const shared = XOpenDisplay(nullptr);
    display_ = shared;
    ASSERT_NE(display_, nullptr);
    root_ = DefaultRootWindow(display_);
    if (DisplayWidth(display_, 0) != kScreenWidth || DisplayHeight(display_, 0) != kScreenHeight) {
      GTEST_SKIP() << "needs a 2048x768 screen";
    }
    int major = 0;
    int minor = 0;
    if (!XRRQueryVersion(display_, &major, &minor) || (major == 1 && minor < 5)) {
      GTEST_SKIP() << "no RandR 1.5 monitors";
    }
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    ASSERT_NE(resources, nullptr);
    output_ = resources->outputs[0];
    XRROutputInfo* output = XRRGetOutputInfo(display_, resources, output_);
    crtc_ = output->crtc;
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, crtc_);
    originalMode_ = crtc->mode;
    XRRFreeCrtcInfo(crtc);
    XRRFreeOutputInfo(output);
    XRRFreeScreenResources(resources);
    // The left half is the output's monitor and the primary; the right half a second monitor.
    AddMonitor("IRONWOOD-LEFT", 0, &output_, 1);
    AddMonitor("IRONWOOD-RIGHT", 1024, nullptr, 0);
    XRRSetOutputPrimary(display_, root_, output_);
    XSync(display_, False);
  }

  void TearDown() override {
    if (display_ == nullptr || crtc_ == 0) return;
    window_.reset();
    XRRDeleteMonitor(display_, root_, XInternAtom(display_, "IRONWOOD-LEFT", False));
    XRRDeleteMonitor(display_, root_, XInternAtom(display_, "IRONWOOD-RIGHT", False));
    XRRSetOutputPrimary(display_, root_, 0);
    if (CrtcMode() != originalMode_) {
      XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
      XRRSetCrtcConfig(display_, resources, crtc_, CurrentTime, 0, 0, originalMode_, RR_Rotate_0,
                       &output_, 1);
      XRRFreeScreenResources(resources);
    }
    XSync(display_, False);
  }

  void AddMonitor(const char* name, int x, RROutput* outputs, int count) {
    XRRMonitorInfo info{};
    info.name = XInternAtom(display_, name, False);
    info.x = x;
    info.width = 1024;
    info.height = kScreenHeight;
    info.mwidth = 270;
    info.mheight = 200;
    info.noutput = count;
    info.outputs = outputs;
    XRRSetMonitor(display_, root_, &info);
  }

  RRMode OfferMode800() {
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    RRMode mode = 0;
    for (int i = 0; i < resources->nmode; ++i) {
      if (std::string("800x600") == resources->modes[i].name) mode = resources->modes[i].id;
    }
    XRRFreeScreenResources(resources);
    if (mode != 0) return mode;
    XRRModeInfo info{};
    info.width = 800;
    info.height = 600;
    info.hTotal = 960;
    info.vTotal = 630;
    info.dotClock = 960UL * 630 * 60;
    char name[] = "800x600";
    info.name = name;
    info.nameLength = 7;
    mode = XRRCreateMode(display_, root_, &info);
    XRRAddOutputMode(display_, output_, mode);
    XSync(display_, False);
    return mode;
  }

  RRMode CrtcMode() {
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, crtc_);
    const RRMode mode = crtc->mode;
    XRRFreeCrtcInfo(crtc);
    XRRFreeScreenResources(resources);
    return mode;
  }

  // The mapped top-level windows, by geometry.
  std::vector<Geometry> Shown() {
    std::vector<Geometry> shown;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(display_, root_, &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(display_, children[i], &attributes) != 0 &&
          attributes.map_state == IsViewable) {
        shown.push_back({attributes.x, attributes.y, attributes.width, attributes.height});
      }
    }
    if (children != nullptr) XFree(children);
    return shown;
  }

  // The largest colour channel of the screen's pixels in an area.
  unsigned long Brightest(int x, int y, int width, int height) {
    XImage* image = XGetImage(display_, root_, x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    unsigned long brightest = 0;
    for (int row = 0; row < height; row += 7) {
      for (int column = 0; column < width; column += 7) {
        const unsigned long pixel = XGetPixel(image, column, row);
        brightest = std::max({brightest, pixel & 0xFF, (pixel >> 8) & 0xFF, (pixel >> 16) & 0xFF});
      }
    }
    XDestroyImage(image);
    return brightest;
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  RROutput output_ = 0;
  RRCrtc crtc_ = 0;
  RRMode originalMode_ = 0;
  std::unique_ptr<platform::X11SaverWindow> window_;
  Recorder recorder_;
};

TEST_F(X11Monitors, ThePictureOnThePrimaryAndBlackOverTheOther) {
  std::string why;
  if (!platform::EglTarget::LibraryAvailable(&why)) GTEST_SKIP() << why;
  window_ = platform::CreateX11SaverWindow();
  ASSERT_TRUE(window_->RegisterClass());
  // Without a mode change the window covers the primary monitor, not the whole screen.
  ASSERT_TRUE(window_->Create(800, 600, recorder_));
  window_->Show();
  const auto size = window_->ClientSize();
  EXPECT_EQ(size.width, 1024);
  EXPECT_EQ(size.height, kScreenHeight);
  const std::vector<Geometry> shown = Shown();
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_NE(std::find(shown.begin(), shown.end(), Geometry{0, 0, 1024, 768}), shown.end());
  EXPECT_NE(std::find(shown.begin(), shown.end(), Geometry{1024, 0, 1024, 768}), shown.end());

  // Something drawn shows on the left only.
  platform::GlLibraryState libraries;
  auto target = window_->CreateRenderTarget(libraries);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(target->ChoosePixelFormat() && target->SetPixelFormat() && target->CreateContext() &&
              target->MakeCurrent());
  using ClearColor = void (*)(float, float, float, float);
  using Clear = void (*)(unsigned);
  const auto clear_color =
      reinterpret_cast<ClearColor>(platform::EglTarget::GetProcAddress("glClearColor"));
  const auto clear = reinterpret_cast<Clear>(platform::EglTarget::GetProcAddress("glClear"));
  ASSERT_TRUE(clear_color != nullptr && clear != nullptr);
  clear_color(0.2f, 0.9f, 0.4f, 1.0f);
  clear(0x4000);  // GL_COLOR_BUFFER_BIT
  ASSERT_TRUE(target->SwapBuffers());
  XSync(display_, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GT(Brightest(0, 0, 1024, 768), 200u);
  EXPECT_EQ(Brightest(1024, 0, 1024, 768), 0u);

  // The pointer over the black monitor counts as over the picture.
  XWarpPointer(display_, None, root_, 0, 0, 0, 0, 1500, 300);
  XWarpPointer(display_, None, root_, 0, 0, 0, 0, 1600, 400);
  XSync(display_, False);
  const auto deadline = Clock::now() + std::chrono::seconds(1);
  while (recorder_.moves < 2 && Clock::now() < deadline) {
    int quit = 0;
    while (window_->PollMessage(quit) == platform::SaverWindow::Poll::Handled) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_GE(recorder_.moves, 2);

  target.reset();
  window_.reset();
  XSync(display_, False);
  EXPECT_TRUE(Shown().empty()) << "the covers go with the window";
}

TEST_F(X11Monitors, OnlyThePrimaryChangesAndAllComesBackHoweverTheSaverEnds) {
  const RRMode mode800 = OfferMode800();
  for (const int ending : {0, SIGTERM, SIGKILL, SIGSEGV}) {
    SCOPED_TRACE(ending);
    int ready[2];
    int go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(ready[0]);
      close(go[1]);
      signal(SIGSEGV, SIG_DFL);
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
      window.reset();  // the orderly end: the window and the mode go back
      _exit(0);
    }
    close(ready[1]);
    close(go[0]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    close(ready[0]);
    ASSERT_EQ(state, 'r');
    EXPECT_EQ(CrtcMode(), mode800);
    // The picture on the changed CRTC, the other monitor still black; the screen kept its size.
    const std::vector<Geometry> shown = Shown();
    EXPECT_NE(std::find(shown.begin(), shown.end(), Geometry{0, 0, 800, 600}), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), Geometry{1024, 0, 1024, 768}), shown.end());
    EXPECT_EQ(DisplayWidth(display_, 0), kScreenWidth);

    if (ending == 0) {
      ASSERT_EQ(write(go[1], "x", 1), 1);
    } else {
      kill(child, ending);
    }
    close(go[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // The watchdog puts the mode back after a kill; it has left by the time it has.
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (CrtcMode() != originalMode_ && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(CrtcMode(), originalMode_);
    XSync(display_, False);
    EXPECT_TRUE(Shown().empty());
  }
}

}  // namespace
}  // namespace ironwood
