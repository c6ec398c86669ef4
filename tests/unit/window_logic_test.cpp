#include <gtest/gtest.h>

#include <deque>

#include "saver/shell/offscreen_run.h"
#include "saver/shell/window_logic.h"

namespace ironwood {
namespace {

using platform::WindowMessage;
using platform::WindowMessageKind;

// A window that only records what the logic asks of it.
class PassiveWindow : public platform::SaverWindow {
 public:
  bool RegisterClass() override { return true; }
  bool ChangeDisplayMode(int, int, int) override { return true; }
  void RestoreDisplayMode() override {}
  bool Create(int, int, platform::WindowHandler&) override { return true; }
  std::unique_ptr<platform::RenderTarget> CreateRenderTarget(platform::GlLibraryState&) override {
    return nullptr;
  }
  void Show() override {}
  Poll PollMessage(int&) override { return Poll::Idle; }
  void PostQuit(int) override { ++quits; }
  void BringToFront() override { ++frontRequests; }
  platform::ScreenPoint CursorPosition() override { return cursor; }
  void HideCursor() override { ++cursorHides; }

  platform::ScreenPoint cursor;
  int quits = 0;
  int cursorHides = 0;
  int frontRequests = 0;
};

class WindowLogicTest : public ::testing::Test {
 protected:
  platform::WindowReaction Send(WindowMessageKind kind, long parameter = 0) {
    return logic_.OnMessage(WindowMessage{kind, parameter});
  }
  void MoveTo(int x, int y) {
    window_.cursor = {x, y};
    Send(WindowMessageKind::MouseMove);
  }

  PassiveWindow window_;
  bool mayEnd_ = true;
  bool passwordShowing_ = false;
  bool passwordRequired_ = false;
  int screenshots_ = 0;
  int focusCycles_ = 0;
  int endQuestions_ = 0;
  WindowLogic logic_{window_, WindowLogic::Hooks{
                                  [this] {
                                    ++endQuestions_;
                                    return mayEnd_;
                                  },
                                  [this] { return passwordShowing_; },
                                  [this] { ++screenshots_; },
                                  [this] { ++focusCycles_; },
                                  [this] { return passwordRequired_; },
                              }};
};

TEST_F(WindowLogicTest, SmallMovementsAddUpFromAFixedReference) {
  MoveTo(100, 100);  // the first movement only takes the reference
  EXPECT_TRUE(logic_.ReferenceTaken());
  MoveTo(101, 101);  // 2 pixels in all: stays
  MoveTo(100, 102);
  MoveTo(102, 100);
  EXPECT_EQ(window_.quits, 0);
  MoveTo(103, 100);  // 3 pixels from the reference, not from the last position
  EXPECT_EQ(window_.quits, 1);
}

TEST_F(WindowLogicTest, RefusedEndRequestTakesANewReference) {
  mayEnd_ = false;
  MoveTo(0, 0);
  MoveTo(5, 0);
  EXPECT_EQ(endQuestions_, 1);
  EXPECT_FALSE(logic_.ReferenceTaken());
  MoveTo(7, 0);  // the new reference
  MoveTo(9, 0);  // 2 from it
  EXPECT_EQ(endQuestions_, 1);
  mayEnd_ = true;
  MoveTo(10, 0);
  EXPECT_EQ(window_.quits, 1);
}

TEST_F(WindowLogicTest, KeysEndTheSaverExceptScreenshotAndFocus) {
  Send(WindowMessageKind::KeyDown, platform::kKeyF12);
  Send(WindowMessageKind::KeyDown, platform::kKeyC);
  EXPECT_EQ(screenshots_, 1);
  EXPECT_EQ(focusCycles_, 1);
  EXPECT_EQ(window_.quits, 0);
  mayEnd_ = false;
  Send(WindowMessageKind::KeyDown, 'A');
  EXPECT_EQ(window_.quits, 0);  // the password said no
  mayEnd_ = true;
  Send(WindowMessageKind::KeyDown, 0x1B);
  EXPECT_EQ(window_.quits, 1);
}

TEST_F(WindowLogicTest, SystemMessagesFollowTheTable) {
  EXPECT_FALSE(Send(WindowMessageKind::Create).defaultProcessing);
  EXPECT_FALSE(Send(WindowMessageKind::SetCursor).defaultProcessing);
  EXPECT_EQ(window_.cursorHides, 2);
  // The system's screen-save and close commands are swallowed; other commands pass.
  EXPECT_FALSE(Send(WindowMessageKind::SysCommand, platform::kScreenSave).defaultProcessing);
  EXPECT_FALSE(Send(WindowMessageKind::SysCommand, platform::kClose).defaultProcessing);
  EXPECT_TRUE(Send(WindowMessageKind::SysCommand, 0xF020).defaultProcessing);
  EXPECT_EQ(window_.quits, 0);
  // Clicks and other messages are not the logic's business.
  EXPECT_TRUE(Send(WindowMessageKind::Other).defaultProcessing);
  // Gaining activation keeps the saver; losing it ends it without asking for a password.
  Send(WindowMessageKind::Activate, 1);
  EXPECT_EQ(window_.quits, 0);
  Send(WindowMessageKind::ActivateApp, 0);
  EXPECT_EQ(window_.quits, 1);
  // A power change ends it too, answering TRUE; neither asks for a password.
  const auto power = Send(WindowMessageKind::PowerBroadcast);
  EXPECT_EQ(power.result, 1);
  EXPECT_EQ(window_.quits, 2);
  EXPECT_EQ(endQuestions_, 0);
  EXPECT_EQ(window_.frontRequests, 0);
  Send(WindowMessageKind::Destroy);
  EXPECT_EQ(window_.quits, 3);
}

TEST_F(WindowLogicTest, PasswordDialogKeepsActivationMessagesNormal) {
  passwordShowing_ = true;
  EXPECT_TRUE(Send(WindowMessageKind::Activate, 0).defaultProcessing);
  EXPECT_TRUE(Send(WindowMessageKind::NcActivate, 0).defaultProcessing);
  EXPECT_EQ(window_.quits, 0);
  passwordShowing_ = false;
  EXPECT_FALSE(Send(WindowMessageKind::NcActivate, 0).defaultProcessing);
}

TEST_F(WindowLogicTest, WithAPasswordLosingActivationTakesTheFrontBackAndAsks) {
  passwordRequired_ = true;
  mayEnd_ = false;
  Send(WindowMessageKind::ActivateApp, 0);
  Send(WindowMessageKind::Activate, 0);
  Send(WindowMessageKind::Activate, 1);
  EXPECT_EQ(window_.frontRequests, 2);
  EXPECT_EQ(endQuestions_, 0);  // asked only once the window is in front again
  Send(WindowMessageKind::BroughtToFront);
  EXPECT_EQ(endQuestions_, 1);
  EXPECT_EQ(window_.quits, 0);  // refused

  // The dialog taking the activation from the saver window is no loss; another program taking
  // it from the dialog is.
  passwordShowing_ = true;
  EXPECT_TRUE(Send(WindowMessageKind::Activate, 0).defaultProcessing);
  EXPECT_EQ(window_.frontRequests, 2);
  EXPECT_TRUE(Send(WindowMessageKind::ActivateApp, 0).defaultProcessing);
  EXPECT_EQ(window_.frontRequests, 3);
  EXPECT_EQ(window_.quits, 0);

  passwordShowing_ = false;
  mayEnd_ = true;
  Send(WindowMessageKind::BroughtToFront);
  EXPECT_EQ(window_.quits, 1);
  // Once the saver is ending, nothing more is asked or brought forward.
  Send(WindowMessageKind::Activate, 0);
  Send(WindowMessageKind::BroughtToFront);
  EXPECT_EQ(window_.frontRequests, 3);
  EXPECT_EQ(endQuestions_, 2);
}

// In a plain window of its own only Escape and closing end the saver, without a password.
TEST(WindowLogicWindowed, OnlyEscapeAndClosingEndIt) {
  PassiveWindow window;
  int screenshots = 0, focusCycles = 0, endQuestions = 0;
  WindowLogic logic{window,
                    WindowLogic::Hooks{[&] { return ++endQuestions, true; }, [] { return false; },
                                       [&] { ++screenshots; }, [&] { ++focusCycles; },
                                       [] { return true; }},
                    true};
  const auto send = [&](WindowMessageKind kind, long parameter = 0) {
    return logic.OnMessage(WindowMessage{kind, parameter});
  };
  EXPECT_TRUE(send(WindowMessageKind::Create).defaultProcessing);
  EXPECT_TRUE(send(WindowMessageKind::SetCursor).defaultProcessing);  // the arrow stays
  for (int x = 0; x < 500; x += 50) {
    window.cursor = {x, x};
    send(WindowMessageKind::MouseMove);
  }
  send(WindowMessageKind::KeyDown, 'A');
  send(WindowMessageKind::KeyDown, platform::kKeyF12);
  send(WindowMessageKind::KeyDown, platform::kKeyC);
  send(WindowMessageKind::Activate, 0);
  send(WindowMessageKind::ActivateApp, 0);
  EXPECT_EQ(send(WindowMessageKind::PowerBroadcast).result, 1);
  // The close box and the system menu take their usual course (which ends in Destroy).
  EXPECT_TRUE(send(WindowMessageKind::SysCommand, platform::kClose).defaultProcessing);
  EXPECT_EQ(window.quits, 0);
  EXPECT_EQ(window.cursorHides, 0);
  EXPECT_EQ(window.frontRequests, 0);
  EXPECT_EQ(screenshots, 1);
  EXPECT_EQ(focusCycles, 1);

  send(WindowMessageKind::KeyDown, platform::kKeyEscape);
  EXPECT_EQ(window.quits, 1);
  send(WindowMessageKind::Destroy);
  EXPECT_EQ(window.quits, 2);
  EXPECT_EQ(endQuestions, 0);
}

TEST(OffscreenOptions, TakenOutBeforeTheModeScan) {
  std::vector<std::string> arguments = {
      "--offscreen", "--frames=12",        "/s",           "--pictures-folder=/srv/shots",
      "--seed=4242", "--pictures-every=5", "--frame-ms=20",   "--memory-every=500"};
  OffscreenOptions options;
  std::string error;
  ASSERT_TRUE(ExtractOffscreenOptions(arguments, options, error)) << error;
  EXPECT_EQ(arguments, std::vector<std::string>{"/s"});
  EXPECT_TRUE(options.enabled);
  EXPECT_EQ(options.frames, 12);
  EXPECT_EQ(options.frameMilliseconds, 20);
  EXPECT_EQ(options.seed, 4242u);
  EXPECT_EQ(options.picturesEvery, 5);
  EXPECT_EQ(options.picturesFolder, "/srv/shots");
  EXPECT_EQ(options.memoryEvery, 500);

  for (const char* bad :
       {"--frames=", "--frames=12x", "--frames=-3", "--seed=99999999999", "--frame-ms=1e3",
        "--memory-every=0"}) {
    std::vector<std::string> args = {"--offscreen", bad, "/s"};
    OffscreenOptions o;
    EXPECT_FALSE(ExtractOffscreenOptions(args, o, error)) << bad;
  }
  std::vector<std::string> args = {"--offscreen", "--pictures-every=3", "/s"};
  OffscreenOptions o;
  EXPECT_FALSE(ExtractOffscreenOptions(args, o, error));  // pictures need a folder
  args = {"--memory-every=10", "/s"};
  OffscreenOptions memory;
  EXPECT_FALSE(ExtractOffscreenOptions(args, memory, error));
  EXPECT_EQ(error, "--memory-every needs --offscreen");
}

}  // namespace
}  // namespace ironwood
