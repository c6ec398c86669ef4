#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/win32/win32_saver_window.h"

namespace ironwood::platform {
namespace {

struct RecordingHandler : WindowHandler {
  std::vector<WindowMessageKind> kinds;
  WindowReaction OnMessage(const WindowMessage& message) override {
    kinds.push_back(message.kind);
    return WindowReaction{.defaultProcessing = true};
  }
};

// Each factory makes its own kind of window: the preview a child of the window it is given, at
// that window's size, which ends with it; the plain window a framed top-level one.
TEST(Win32SaverWindowKinds, ThePreviewIsAChildOfItsHostAndThePlainWindowIsItsOwn) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 152, 112, nullptr, nullptr,
                              instance, nullptr);
  ASSERT_NE(host, nullptr);
  RecordingHandler previewHandler;
  auto preview = CreateWin32PreviewWindow(instance, host);
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(preview->RegisterClass());
  ASSERT_TRUE(preview->Create(800, 600, previewHandler));
  HWND child = SaverWindowHandle(*preview);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetAncestor(child, GA_PARENT), host);
  EXPECT_NE(GetWindowLongPtrA(child, GWL_STYLE) & WS_CHILD, 0);
  RECT area{};
  GetClientRect(child, &area);
  EXPECT_EQ(area.right - area.left, 152);
  EXPECT_EQ(area.bottom - area.top, 112);
  int width = 0, height = 0;
  ASSERT_TRUE(preview->DrawableSize(width, height));
  EXPECT_EQ(width, 152);
  EXPECT_EQ(height, 112);
  EXPECT_FALSE(preview->ChangeDisplayMode(800, 600, 32));
  DestroyWindow(host);
  EXPECT_EQ(previewHandler.kinds, std::vector<WindowMessageKind>{WindowMessageKind::Destroy});
  EXPECT_EQ(SaverWindowHandle(*preview), nullptr);

  RecordingHandler plainHandler;
  auto plain = CreateWin32PlainWindow(instance, SW_HIDE);
  ASSERT_TRUE(plain->RegisterClass() || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
  ASSERT_TRUE(plain->Create(320, 240, plainHandler));
  HWND own = SaverWindowHandle(*plain);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(GetAncestor(own, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetWindowLongPtrA(own, GWL_STYLE) & (WS_CHILD | WS_CAPTION), WS_CAPTION);
  GetClientRect(own, &area);
  EXPECT_EQ(area.right - area.left, 320);
  EXPECT_EQ(area.bottom - area.top, 240);
}

}  // namespace
}  // namespace ironwood::platform
