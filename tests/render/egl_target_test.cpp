#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gl_system.h"
#include "platform/linux/egl_target.h"
#include "glapi/gl_table.h"
#include "tests/render/render_support.h"

#ifdef IRONWOOD_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

namespace ironwood {
namespace {

using platform::EglTarget;

#define IRONWOOD_REQUIRE_EGL()                                   \
  do {                                                           \
    std::string why;                                             \
    if (!EglTarget::LibraryAvailable(&why)) GTEST_SKIP() << why; \
  } while (false)

TEST(EglTarget, StepsOutOfOrderFailCleanlyAndReleaseCanRepeat) {
  IRONWOOD_REQUIRE_EGL();
  auto target = EglTarget::Offscreen(32, 32);
  EXPECT_FALSE(target->SetPixelFormat());
  EXPECT_FALSE(target->LastError().empty());
  EXPECT_FALSE(target->CreateContext());
  EXPECT_FALSE(target->MakeCurrent());
  EXPECT_FALSE(target->SwapBuffers());
  target->ReleaseContext();

  ASSERT_TRUE(target->ChoosePixelFormat()) << target->LastError();
  EXPECT_TRUE(target->LastError().empty());
  EXPECT_FALSE(target->MakeCurrent());  // no surface or context yet
  ASSERT_TRUE(target->SetPixelFormat()) << target->LastError();
  ASSERT_TRUE(target->CreateContext()) << target->LastError();
  ASSERT_TRUE(target->MakeCurrent()) << target->LastError();
  EXPECT_TRUE(target->SwapBuffers()) << target->LastError();

  target->ReleaseContext();
  target->ReleaseContext();
  EXPECT_FALSE(target->MakeCurrent());
  // A released target starts again from the beginning.
  ASSERT_TRUE(target->ChoosePixelFormat()) << target->LastError();
  ASSERT_TRUE(target->SetPixelFormat()) << target->LastError();
  ASSERT_TRUE(target->CreateContext()) << target->LastError();
  EXPECT_TRUE(target->MakeCurrent()) << target->LastError();
}

// EGL lists deeper colour (10 bits a channel) before 8-bit configurations; taking its first
// answer would give the saver a format it did not ask for.
TEST(EglTarget, ChoosesEightBitsAChannelWithAlphaAndTheDeepestDepthBuffer) {
  IRONWOOD_REQUIRE_EGL();
  auto target = EglTarget::Offscreen(32, 32);
  ASSERT_TRUE(target->ChoosePixelFormat()) << target->LastError();
  const platform::EglConfigInfo& config = target->Config();
  EXPECT_EQ(config.red, 8);
  EXPECT_EQ(config.green, 8);
  EXPECT_EQ(config.blue, 8);
  EXPECT_EQ(config.alpha, 8);
  EXPECT_GE(config.depth, 24);
  EXPECT_NE(target->Describe().find("RGBA 8/8/8/8"), std::string::npos) << target->Describe();
}

TEST(EglTarget, SizesWithoutPixelsAreRefused) {
  IRONWOOD_REQUIRE_EGL();
  auto target = EglTarget::Offscreen(0, 10);
  ASSERT_TRUE(target->ChoosePixelFormat()) << target->LastError();
  EXPECT_FALSE(target->SetPixelFormat());
  EXPECT_NE(target->LastError().find("0x10"), std::string::npos) << target->LastError();

  opengl::EntryPoints table;
  for (const auto& [width, height] : {std::pair{0, 10}, {10, -1}, {100000, 100000}}) {
    auto renderer = platform::OpenOffscreenRenderer(width, height, table);
    EXPECT_FALSE(renderer->Available()) << width << "x" << height;
    EXPECT_FALSE(renderer->LibraryMissing());
    EXPECT_TRUE(renderer->ReadPixels().rgb.empty());
  }
  EXPECT_EQ(table.glClear, nullptr);
}

TEST(OffscreenRenderer, AMissingOpenGlLibraryIsReportedAndLeavesTheTableAlone) {
  opengl::EntryPoints table;
  auto renderer = platform::OpenOffscreenRenderer(16, 16, table, "libIronwoodNoSuchGL.so.9");
  EXPECT_FALSE(renderer->Available());
  EXPECT_TRUE(renderer->LibraryMissing());
  // Where EGL itself is missing, that is what the error names.
  const std::string expected =
      EglTarget::LibraryAvailable() ? "libIronwoodNoSuchGL.so.9" : "libEGL.so.1";
  EXPECT_NE(renderer->Error().find(expected), std::string::npos) << renderer->Error();
  EXPECT_FALSE(renderer->MakeCurrent());
  EXPECT_TRUE(renderer->ReadPixels().rgb.empty());
  EXPECT_EQ(table.glClear, nullptr);
}

int ClearAndReadRed(platform::OffscreenRenderer& renderer, opengl::EntryPoints& table, float red) {
  if (!renderer.MakeCurrent() || table.glClear == nullptr) return -1;
  table.glClearColor(red, 0.0f, 0.0f, 1.0f);
  table.glClear(GL_COLOR_BUFFER_BIT);
  const platform::RgbImage image = renderer.ReadPixels();
  return image.rgb.empty() ? -1 : image.rgb[0];
}

// Renderers share the process's EGL display and the entry-point table. Closing one must neither
// end the display or unbind the context another still uses, nor empty the table under it.
TEST(OffscreenRenderer, ClosingOneRendererLeavesTheOthersDrawing) {
  opengl::EntryPoints table;
  auto first = platform::OpenOffscreenRenderer(8, 8, table);
  if (!first->Available()) {
    if (first->LibraryMissing()) GTEST_SKIP() << first->Error();
    FAIL() << first->Error();
  }
  auto second = platform::OpenOffscreenRenderer(8, 8, table);
  auto third = platform::OpenOffscreenRenderer(8, 8, table);
  ASSERT_TRUE(second->Available()) << second->Error();
  ASSERT_TRUE(third->Available()) << third->Error();

  second.reset();  // neither it nor the first is current
  EXPECT_EQ(ClearAndReadRed(*first, table, 1.0f), 255) << first->Error();

  third.reset();  // the first one is current and must stay so
  ASSERT_NE(table.glClear, nullptr);
  table.glClearColor(0.5f, 0.0f, 0.0f, 1.0f);
  table.glClear(GL_COLOR_BUFFER_BIT);
  const platform::RgbImage image = first->ReadPixels();
  ASSERT_FALSE(image.rgb.empty()) << first->Error();
  EXPECT_NEAR(image.rgb[0], 128, 1);

  // Closed in the order they were opened: the table stays filled until the last one goes.
  second = platform::OpenOffscreenRenderer(8, 8, table);
  ASSERT_TRUE(second->Available()) << second->Error();
  first.reset();
  EXPECT_NEAR(ClearAndReadRed(*second, table, 0.25f), 64, 1);
  second.reset();
  EXPECT_EQ(table.glClear, nullptr);
}

#ifdef IRONWOOD_HAVE_X11
// A real window under a display server (the x11 run starts its own Xvfb): the frame drawn with
// EGL reaches the window after the swap.
TEST(EglWindow, ClearsAnX11WindowAndSwapsItOnScreen) {
  IRONWOOD_REQUIRE_EGL();
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') GTEST_SKIP() << "no DISPLAY";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "cannot open display " << name;
  constexpr int kWidth = 64;
  constexpr int kHeight = 48;
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XEvent event;
  do {
    XWindowEvent(display, window, StructureNotifyMask, &event);
  } while (event.type != MapNotify);

  platform::GlSystem& system = platform::SystemGl();
  void* library = system.OpenLibrary("libOpenGL.so.0");
  ASSERT_NE(library, nullptr);
  using ClearColor = void (*)(GLclampf, GLclampf, GLclampf, GLclampf);
  using Clear = void (*)(GLbitfield);
  using Finish = void (*)();
  const auto clearColor = reinterpret_cast<ClearColor>(system.Symbol(library, "glClearColor"));
  const auto clear = reinterpret_cast<Clear>(system.Symbol(library, "glClear"));
  const auto finish = reinterpret_cast<Finish>(system.Symbol(library, "glFinish"));
  ASSERT_TRUE(clearColor && clear && finish);

  {
    auto target = EglTarget::ForWindow(display, window);
    ASSERT_TRUE(target->ChoosePixelFormat()) << target->LastError();
    ASSERT_TRUE(target->SetPixelFormat()) << target->LastError();
    ASSERT_TRUE(target->CreateContext()) << target->LastError();
    ASSERT_TRUE(target->MakeCurrent()) << target->LastError();
    clearColor(0.0f, 1.0f, 0.0f, 1.0f);
    clear(GL_COLOR_BUFFER_BIT);
    finish();
    ASSERT_TRUE(target->SwapBuffers()) << target->LastError();
    XSync(display, False);

    XImage* shot = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    const unsigned long pixel = XGetPixel(shot, kWidth / 2, kHeight / 2);
    EXPECT_EQ(pixel & shot->green_mask, shot->green_mask) << std::hex << pixel;
    EXPECT_EQ(pixel & (shot->red_mask | shot->blue_mask), 0u) << std::hex << pixel;
    XDestroyImage(shot);
    target->ReleaseContext();
  }
  system.CloseLibrary(library);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
}
#endif

}  // namespace
}  // namespace ironwood
