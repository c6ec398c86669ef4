#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/headless/memory_settings_store.h"
#include "platform/headless/offscreen_renderer.h"
#include "platform/linux/egl_target.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"
#include "saver/gl/renderer.h"
#include "saver/shell/startup_log.h"
#include "tests/support/image.h"
#include "tests/support/test_files.h"

// Opens an offscreen renderer named `renderer` for the rest of the test. A machine without EGL
// or OpenGL installed skips the test; one that has them but cannot render fails it.
#define IRONWOOD_OPEN_OFFSCREEN(renderer, width, height)                          \
  auto renderer = ::ironwood::platform::OpenOffscreenRenderer((width), (height)); \
  if (!renderer->Available()) {                                                   \
    if (renderer->LibraryMissing()) GTEST_SKIP() << renderer->Error();            \
    FAIL() << renderer->Error();                                                  \
  }

// Opens a RenderScene named `scene` for the rest of the test, skipping where there is no driver.
#define IRONWOOD_RENDER_SCENE(scene, width, height)          \
  ::ironwood::testing::RenderScene scene((width), (height)); \
  if (scene.LibraryMissing()) GTEST_SKIP() << scene.Error(); \
  ASSERT_TRUE(scene.Started()) << scene.Error()

namespace ironwood::testing {

// The saver's own renderer started on an offscreen buffer of a real driver, with a fresh
// installation folder and start-up log. Check Started() (and skip the test when
// LibraryMissing()): IRONWOOD_RENDER_SCENE does both.
class RenderScene {
 public:
  RenderScene(int width, int height);
  ~RenderScene();
  RenderScene(const RenderScene&) = delete;
  RenderScene& operator=(const RenderScene&) = delete;

  bool LibraryMissing() const { return libraryMissing_; }
  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  const TempFolder& Folder() const { return folder_; }
  const StartupLog& Log() const { return log_; }
  Renderer& GetRenderer() { return *renderer_; }
  platform::EglTarget& Target() { return *target_; }
  TextureNamePool& Names() { return *names_; }
  MeshDrawCaps Caps() const {
    return {renderer_->MultitextureAvailable(), renderer_->CompiledVertexArraysAvailable()};
  }
  // The frame as it stands, checked to be well formed.
  Image Capture();

 private:
  int width_, height_;
  TempFolder folder_;
  StartupLog log_{folder_.WithSeparator()};
  platform::MemorySettingsStore settings_;
  std::unique_ptr<platform::EglTarget> target_;
  std::unique_ptr<Renderer> renderer_;
  std::unique_ptr<TextureNamePool> names_;
  bool libraryMissing_ = false;
  bool started_ = false;
  std::string error_;
};

// Compares a rendered image with the reviewed golden tests/render/golden/<name>.ppm. When it
// does not match, or there is no golden yet, the image is written as <name>.png and <name>.ppm
// (with <name>-diff.png) into the build's render output folder and the message names the files.
// With IRONWOOD_GOLDEN_CANDIDATES naming a folder, every image is written there as well, for
// tests/render/update_goldens.sh.
::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& name,
                                         int perChannelTolerance = 8,
                                         double maxBadFraction = 0.005);

}  // namespace ironwood::testing
