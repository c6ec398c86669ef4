#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gl_system.h"
#include "platform/headless/memory_settings_store.h"
#include "platform/linux/egl_target.h"
#include "saver/gl/renderer.h"
#include "saver/shell/startup_log.h"
#include "saver/shell/title_screen.h"
#include "tests/support/test_files.h"

namespace ironwood::testing {

// A title picture of our own: a dusk gradient with a bright band (picture rows 12..15 of 30,
// from the bottom), wide enough that the rows of the 24-bit file need padding (50 * 3 is not a
// multiple of 4).
inline Bytes TitlePicture() {
  return MakeBmp({50, 30, [](int x, int y) {
                    const bool band = y >= 12 && y < 16;
                    return std::array<std::uint8_t, 3>{
                        static_cast<std::uint8_t>(band ? 90 : 120 + 4 * y),
                        static_cast<std::uint8_t>(band ? 220 : 20 + 3 * y),
                        static_cast<std::uint8_t>(band ? 250 : 5 * x)};
                  }});
}

// The saver's own renderer started on an offscreen buffer of a real driver, in an installation
// folder holding the title picture, with the title screen drawn. Check Started() (and skip the
// test when LibraryMissing()).
class TitleScene {
 public:
  TitleScene(int width, int height) {
    if (!platform::EglTarget::LibraryAvailable(&error_)) {
      libraryMissing_ = true;
      return;
    }
    folder_.Write("Gfx/TitleTest2.bmp", TitlePicture());
    log_.Create();
    target_ = platform::EglTarget::Offscreen(width, height);
    renderer_ = std::make_unique<Renderer>(platform::SystemGl(), log_);
    started_ = renderer_->Start(target_.get(), width, height, settings_);
    if (!started_) {
      error_ = target_->LastError();
      return;
    }
    names_ = std::make_unique<TextureNamePool>(renderer_->MultitextureAvailable());
    DrawTitleScreen(folder_.WithSeparator(), width, height, *names_, *target_);
  }
  ~TitleScene() {
    if (renderer_) renderer_->Shutdown();
  }

  bool LibraryMissing() const { return libraryMissing_; }
  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }
  const TempFolder& Folder() const { return folder_; }
  const StartupLog& Log() const { return log_; }

 private:
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

// Opens a TitleScene named `scene` for the rest of the test, skipping where there is no driver.
#define IRONWOOD_TITLE_SCENE(scene, width, height)                \
  ::ironwood::testing::TitleScene scene((width), (height));      \
  if (scene.LibraryMissing()) GTEST_SKIP() << scene.Error();     \
  ASSERT_TRUE(scene.Started()) << scene.Error()

}  // namespace ironwood::testing
