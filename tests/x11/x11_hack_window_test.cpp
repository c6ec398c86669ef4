// The saver drawing into a window another program owns (ctest runs it under Xvfb): the test's
// own connection plays the daemon that made the window, sends input to it, destroys it and
// signals the saver, and watches that the saver takes none of what is not its own.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "platform/linux/x11_hack_window.h"

// Last: Xlib defines short macro names (None, Bool, Status).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace ironwood {
namespace {

using platform::SaverWindow;
using platform::WindowMessage;
using platform::WindowMessageKind;
using Clock = std::chrono::steady_clock;

struct Recorder : platform::WindowHandler {
  std::vector<WindowMessage> messages;
  platform::WindowReaction OnMessage(const WindowMessage& message) override {
    messages.push_back(message);
    return {};
  }
  int Count(WindowMessageKind kind) const {
    int count = 0;
    for (const WindowMessage& m : messages) count += m.kind == kind ? 1 : 0;
    return count;
  }
};

class X11HackWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') GTEST_SKIP() << "no DISPLAY";
    static Display* const shared = XOpenDisplay(nullptr);
    display_ = shared;
    ASSERT_NE(display_, nullptr);
    root_ = DefaultRootWindow(display_);
  }

  void TearDown() override {
    hack_.reset();
    if (owned_ != 0) XDestroyWindow(display_, owned_);
    if (display_ != nullptr) XSync(display_, False);
  }

  // The daemon's window: mapped, with a size of its own.
  Window MakeOwnedWindow(int width, int height) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
    owned_ = XCreateWindow(display_, root_, 10, 20, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                           nullptr, CWBackPixel, &attributes);
    XMapRaised(display_, owned_);
    XSync(display_, False);
    return owned_;
  }

  // Polls until `done` holds or the time is up; the last poll's result stays in `last_`.
  bool Pump(const std::function<bool()>& done, int milliseconds = 1000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
      XFlush(display_);
      while ((last_ = hack_->PollMessage(quit_)) == SaverWindow::Poll::Handled) {
        if (done()) return true;
      }
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  Display* display_ = nullptr;
  Window root_ = 0;
  Window owned_ = 0;
  std::unique_ptr<platform::X11SaverWindow> hack_;
  Recorder recorder_;
  SaverWindow::Poll last_ = SaverWindow::Poll::Idle;
  int quit_ = -1;
};

TEST_F(X11HackWindow, TakesTheWindowsSizeAndNothingButItsStructure) {
  const Window owned = MakeOwnedWindow(333, 177);
  hack_ = platform::CreateX11HackWindow(owned);
  ASSERT_TRUE(hack_->RegisterClass());
  // No mode change is ever made, whatever is asked.
  EXPECT_FALSE(hack_->ChangeDisplayMode(DisplayWidth(display_, 0), DisplayHeight(display_, 0), 32));
  ASSERT_TRUE(hack_->Create(800, 600, recorder_));
  hack_->Show();
  EXPECT_EQ(hack_->XWindow(), owned);
  int width = 0;
  int height = 0;
  ASSERT_TRUE(hack_->DrawableSize(width, height));
  EXPECT_EQ(width, 333);
  EXPECT_EQ(height, 177);
  EXPECT_EQ(recorder_.Count(WindowMessageKind::Create), 1);

  // The saver listens for the window's structure only: the keys, the pointer and the focus stay
  // with the daemon (the test selects nothing itself, so every mask is the saver's).
  XWindowAttributes attributes{};
  ASSERT_NE(XGetWindowAttributes(display_, owned, &attributes), 0);
  EXPECT_EQ(attributes.all_event_masks, StructureNotifyMask);
  // No window of its own appeared, and nothing was grabbed.
  Window parent = 0;
  Window root = 0;
  Window* children = nullptr;
  unsigned count = 0;
  ASSERT_NE(XQueryTree(display_, root_, &root, &parent, &children, &count), 0);
  EXPECT_EQ(count, 1u);
  if (children != nullptr) XFree(children);
  EXPECT_EQ(XGrabKeyboard(display_, root_, False, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(display_, CurrentTime);

  // Keys and motion over the window end nothing: the poll stays idle and quits nothing.
  XWarpPointer(display_, None, owned, 0, 0, 0, 0, 50, 50);
  const KeyCode key = XKeysymToKeycode(display_, XK_a);
  XTestFakeKeyEvent(display_, key, True, CurrentTime);
  XTestFakeKeyEvent(display_, key, False, CurrentTime);
  XWarpPointer(display_, None, owned, 0, 0, 0, 0, 150, 90);
  XSync(display_, False);
  EXPECT_FALSE(Pump([&] { return last_ == SaverWindow::Poll::Quit; }, 300));
  EXPECT_EQ(recorder_.Count(WindowMessageKind::KeyDown), 0);
  EXPECT_EQ(recorder_.Count(WindowMessageKind::MouseMove), 0);

  // A new size is taken up.
  XResizeWindow(display_, owned, 400, 300);
  ASSERT_TRUE(Pump([&] { return hack_->DrawableSize(width, height) && width == 400; }));
  EXPECT_EQ(height, 300);

  // Ending leaves the window to its owner, listened to by nobody.
  hack_.reset();
  XSync(display_, False);
  ASSERT_NE(XGetWindowAttributes(display_, owned, &attributes), 0);
  EXPECT_EQ(attributes.all_event_masks, 0);
  EXPECT_EQ(attributes.map_state, IsViewable);
}

TEST_F(X11HackWindow, TheWindowGoingAwayEndsTheRunOnce) {
  const Window owned = MakeOwnedWindow(200, 100);
  hack_ = platform::CreateX11HackWindow(owned);
  ASSERT_TRUE(hack_->RegisterClass());
  ASSERT_TRUE(hack_->Create(800, 600, recorder_));
  XDestroyWindow(display_, owned);
  owned_ = 0;
  XSync(display_, False);
  ASSERT_TRUE(Pump([&] { return recorder_.Count(WindowMessageKind::Destroy) == 1; }));
  // The saver's handler answers Destroy with the quit message; here the test posts it.
  hack_->PostQuit(0);
  ASSERT_TRUE(Pump([&] { return last_ == SaverWindow::Poll::Quit; }));
  EXPECT_EQ(recorder_.Count(WindowMessageKind::Destroy), 1);
}

TEST_F(X11HackWindow, AWindowThatIsNotThereFailsTheStart) {
  const Window owned = MakeOwnedWindow(50, 50);
  XDestroyWindow(display_, owned);
  owned_ = 0;
  XSync(display_, False);
  hack_ = platform::CreateX11HackWindow(owned);
  ASSERT_TRUE(hack_->RegisterClass());
  EXPECT_FALSE(hack_->Create(800, 600, recorder_));
  EXPECT_EQ(recorder_.Count(WindowMessageKind::Create), 0);
  // Nothing of the failure ended the process (Xlib's own handler would have).
}

TEST_F(X11HackWindow, TheRootWindowAndTheEndingSignals) {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(number);
    struct sigaction before {};
    sigaction(number, nullptr, &before);
    recorder_ = Recorder{};
    hack_ = platform::CreateX11HackWindow(0);
    ASSERT_TRUE(hack_->RegisterClass());
    ASSERT_TRUE(hack_->Create(800, 600, recorder_));
    EXPECT_EQ(hack_->XWindow(), root_);
    int width = 0;
    int height = 0;
    ASSERT_TRUE(hack_->DrawableSize(width, height));
    EXPECT_EQ(width, DisplayWidth(display_, DefaultScreen(display_)));
    EXPECT_EQ(height, DisplayHeight(display_, DefaultScreen(display_)));
    EXPECT_FALSE(Pump([&] { return last_ == SaverWindow::Poll::Quit; }, 50));
    // The signal only sets a flag; the next poll turns it into the quit message.
    quit_ = -1;
    ASSERT_EQ(raise(number), 0);
    ASSERT_TRUE(Pump([&] { return last_ == SaverWindow::Poll::Quit; }, 200));
    EXPECT_EQ(quit_, 0);
    // The process's own handling comes back with the window's end.
    hack_.reset();
    struct sigaction after {};
    sigaction(number, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
  }
}

}  // namespace
}  // namespace ironwood
