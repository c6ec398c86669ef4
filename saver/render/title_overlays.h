#pragma once

// The title overlays: five semi-transparent images shown once, when the saver starts, in two
// stages. Stage 1 (a banner of overlays 1 and 2 above the centre and a strip, overlay 3, at the
// bottom edge) is shown at full strength for 4 s and fades out over 1.5 s; stage 2 (two bands,
// overlays 4 and 5, above and below the centre) fades in over 1.5 s, holds 1.5 s and fades out
// over 4 s. After that nothing is drawn again.

#include <array>
#include <string>

#include "saver/core/elapsed_timer.h"
#include "saver/assets/texture.h"

namespace ironwood {

// A screen rectangle in pixels, y growing downwards.
struct OverlayRect {
  float left = 0, right = 0, top = 0, bottom = 0;
};

class TitleOverlays {
 public:
  static constexpr int kOverlayCount = 5;
  static constexpr std::uint32_t kStage1FullMs = 4000;
  static constexpr float kStage1FadeMs = 1500.0f;
  static constexpr float kFadeInMs = 1500.0f;
  static constexpr std::uint32_t kHoldMs = 1500;
  static constexpr float kFadeOutMs = 4000.0f;

  // Loads "TitleScreen01.bmp" ... "TitleScreen05.bmp", each with its "TitleScreenNNOpacity.bmp",
  // from installation + "Gfx", and places them on a width x height screen (laid out for 1280
  // pixels across and scaled by LayoutWidth / 1280). A missing or bad image fails the step with the
  // reason in `why` and leaves what was loaded before untouched.
  bool LoadTitles(const std::string& installation, int width, int height,
                  std::string* why = nullptr);

  // Lays the overlays out again for a screen of a new size (the window was resized); the
  // timeline goes on where it is.
  void Place(int width, int height);

  // Once a frame, after the scene: advances the timeline and draws the overlays of the current
  // stage, blended with the stage's opacity. The pool says whether texture unit 0 must be
  // selected. Does nothing before the images are loaded or once the timeline is over.
  void DrawTitles(TextureNamePool& pool);

  const OverlayRect& Rect(int overlay) const {
    return rects_.at(static_cast<std::size_t>(overlay));
  }
  int Stage() const { return stage_; }
  float Stage1Opacity() const { return stage1Opacity_; }
  float Stage2Opacity() const { return stage2Opacity_; }
  bool FadeInDone() const { return fadeInDone_; }
  bool HoldDone() const { return holdDone_; }
  bool Finished() const { return finished_; }

 private:
  void DrawOverlays(TextureNamePool& pool, int first, int last, float opacity);

  std::array<Texture, kOverlayCount> images_;
  std::array<OverlayRect, kOverlayCount> rects_{};
  int width_ = 0;
  int height_ = 0;
  bool loaded_ = false;

  int stage_ = 1;
  float stage1Opacity_ = 1.0f;
  float stage2Opacity_ = 0.0f;
  bool fadeInDone_ = false;
  bool holdDone_ = false;
  bool finished_ = false;
  ElapsedTimer stageTimer_;
  ElapsedTimer fadeTimer_;
};

}  // namespace ironwood
