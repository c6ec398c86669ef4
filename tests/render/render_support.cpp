#include "tests/render/render_support.h"

#include <cstdlib>
#include <filesystem>

#include "common/settings.h"
#include "glapi/frame_capture.h"
#include "platform/gl_system.h"

namespace ironwood::testing {

namespace {

namespace fs = std::filesystem;

// Writes the image (and the difference, when there is a golden) into a folder; the PNG's path.
std::string WriteActual(const fs::path& folder, const std::string& name, const Image& actual,
                        const Image* golden, int tolerance) {
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  const fs::path png = folder / (name + ".png");
  WritePng(actual, png.string());
  WritePpm(actual, (folder / (name + ".ppm")).string());
  if (golden != nullptr) {
    WritePng(DifferenceImage(actual, *golden, tolerance), (folder / (name + "-diff.png")).string());
  }
  return png.string();
}

}  // namespace

RenderScene::RenderScene(int width, int height) : width_(width), height_(height) {
  if (!platform::EglTarget::LibraryAvailable(&error_)) {
    libraryMissing_ = true;
    return;
  }
  log_.Create();
  target_ = platform::EglTarget::Offscreen(width, height);
  renderer_ = std::make_unique<Renderer>(platform::SystemGl(), log_);
  // The goldens were reviewed with plain edges; multisampling has its own test.
  ironwood::settings::WriteFlag(settings_, ironwood::settings::kMultisampling, false);
  started_ = renderer_->Start(target_.get(), width, height, settings_);
  if (!started_) {
    error_ = target_->LastError();
    return;
  }
  names_ = std::make_unique<TextureNamePool>(renderer_->MultitextureAvailable());
}

RenderScene::~RenderScene() {
  names_.reset();
  if (renderer_) renderer_->Shutdown();
}

Image RenderScene::Capture() {
  std::string error;
  Image image = CaptureFrame(width_, height_, &error);
  EXPECT_TRUE(IsWellFormed(image)) << error;
  return image;
}

::testing::AssertionResult MatchesGolden(const Image& actual, const std::string& name,
                                         int perChannelTolerance, double maxBadFraction) {
  if (!IsWellFormed(actual)) {
    return ::testing::AssertionFailure() << "the rendered image for " << name << " is empty";
  }
  Image golden;
  std::string error;
  const fs::path goldenPath = fs::path(IRONWOOD_GOLDEN_DIR) / (name + ".ppm");
  const bool haveGolden = ReadPpm(goldenPath.string(), golden, &error);

  if (const char* candidates = std::getenv("IRONWOOD_GOLDEN_CANDIDATES");
      candidates != nullptr && *candidates != '\0') {
    WriteActual(candidates, name, actual, haveGolden ? &golden : nullptr, perChannelTolerance);
  }

  if (!haveGolden) {
    const std::string written = WriteActual(IRONWOOD_RENDER_OUTPUT_DIR, name, actual, nullptr, 0);
    return ::testing::AssertionFailure()
           << "no golden image " << goldenPath.string() << " (" << error
           << "); this run's image is " << written
           << ": look at it, and if it is right, run tests/render/update_goldens.sh";
  }
  const ImageComparison comparison =
      CompareImages(actual, golden, perChannelTolerance, maxBadFraction);
  if (comparison.matches) return ::testing::AssertionSuccess();
  const std::string written =
      WriteActual(IRONWOOD_RENDER_OUTPUT_DIR, name, actual, &golden, perChannelTolerance);
  return ::testing::AssertionFailure()
         << name << " differs from its golden image: " << comparison.Summary() << " (tolerance "
         << perChannelTolerance << ", " << maxBadFraction * 100.0 << "% allowed); actual image "
         << written << ", differences in red beside it";
}

}  // namespace ironwood::testing
