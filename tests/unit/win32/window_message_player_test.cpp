#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/win32/window_message_player.h"

namespace ironwood::platform {
namespace {

// A player window in this process: SendMessageA to a window of the calling thread runs its
// procedure at once, so the received commands are known when the call returns.
std::vector<std::pair<WPARAM, LPARAM>> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    received.emplace_back(wParam, lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

constexpr const char* kTestClass = "Ironwood test music player";

HWND OpenPlayerWindow() {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kTestClass;
    return RegisterClassA(&windowClass);
  }();
  EXPECT_NE(registered, 0);
  return CreateWindowExA(0, kTestClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

WindowMessagePlayerOptions TestOptions() {
  WindowMessagePlayerOptions options;
  options.windowClass = kTestClass;
  options.programPath = "C:\\no such folder\\no such player.exe";
  options.startWaitMs = 0;
  return options;
}

TEST(WindowMessagePlayer, DrivesARunningPlayerUntilItsWindowCloses) {
  received.clear();
  HWND window = OpenPlayerWindow();
  ASSERT_NE(window, nullptr);
  auto player = OpenWindowMessagePlayer(TestOptions());
  ASSERT_TRUE(player->HookUp());
  EXPECT_FALSE(player->Launched());
  EXPECT_TRUE(player->SendCommand(40022));
  EXPECT_TRUE(player->SendCommand(40045));
  // A second hook-up finds the same window and changes nothing else.
  ASSERT_TRUE(player->HookUp());
  EXPECT_FALSE(player->Launched());
  EXPECT_TRUE(player->SendCommand(40047));
  EXPECT_EQ(received, (std::vector<std::pair<WPARAM, LPARAM>>{{40022, 0}, {40045, 0}, {40047, 0}}));

  DestroyWindow(window);
  EXPECT_FALSE(player->SendCommand(40001));
  EXPECT_EQ(received.size(), 3u);
}

TEST(WindowMessagePlayer, WithoutAWindowOrAProgramTheHookUpFailsAndCommandsGoNowhere) {
  received.clear();
  auto player = OpenWindowMessagePlayer(TestOptions());
  EXPECT_FALSE(player->SendCommand(40045));  // before any hook-up
  EXPECT_FALSE(player->HookUp());
  EXPECT_FALSE(player->Launched());
  EXPECT_FALSE(player->SendCommand(40022));
  EXPECT_FALSE(player->SendCommand(40047));
  EXPECT_TRUE(received.empty());
}

TEST(WindowMessagePlayer, OnlyTheNamedClassCounts) {
  received.clear();
  HWND window = OpenPlayerWindow();
  ASSERT_NE(window, nullptr);
  WindowMessagePlayerOptions options = TestOptions();
  options.windowClass = "Ironwood test music player, another class";
  auto player = OpenWindowMessagePlayer(options);
  EXPECT_FALSE(player->HookUp());
  EXPECT_FALSE(player->SendCommand(40022));
  EXPECT_TRUE(received.empty());
  DestroyWindow(window);
}

}  // namespace
}  // namespace ironwood::platform
