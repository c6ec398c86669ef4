#include "saver/render/title_overlays.h"

#include <algorithm>
#include <cstdio>

#include "platform/paths.h"
#include "glapi/gl_table.h"
#include "saver/core/screen_layout.h"

namespace ironwood {

bool TitleOverlays::LoadTitles(const std::string& installation, int width, int height,
                               std::string* why) {
  std::array<Texture, kOverlayCount> images;
  for (int k = 0; k < kOverlayCount; ++k) {
    char colour[32], opacity[40];
    std::snprintf(colour, sizeof colour, "TitleScreen%02d.bmp", k + 1);
    std::snprintf(opacity, sizeof opacity, "TitleScreen%02dOpacity.bmp", k + 1);
    if (!images[static_cast<std::size_t>(k)].LoadBmp(
            true, platform::InstallationFile(installation, "Gfx", colour),
            platform::InstallationFile(installation, "Gfx", opacity), why)) {
      return false;
    }
  }
  images_ = std::move(images);
  Place(width, height);
  loaded_ = true;
  return true;
}

void TitleOverlays::Place(int width, int height) {
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const float s = LayoutWidth(width, height) / 1280.0f, cx = w / 2.0f, cy = h / 2.0f;
  rects_[0] = {cx - 256 * s, cx, cy - 328 * s, cy - 72 * s};
  rects_[1] = {cx, cx + 256 * s, cy - 328 * s, cy - 72 * s};
  rects_[2] = {cx - 128 * s, cx + 128 * s, h - 32 * s, h};
  rects_[3] = {cx - 128 * s, cx + 128 * s, cy - 157 * s, cy - 93 * s};
  rects_[4] = {cx - 128 * s, cx + 128 * s, cy + 43 * s, cy + 107 * s};
  width_ = width;
  height_ = height;
}

void TitleOverlays::DrawTitles(TextureNamePool& pool) {
  if (!loaded_ || finished_) return;
  if (stage_ == 1) {
    if (stage1Opacity_ <= 0.0f) {
      stage_ = 2;
      stageTimer_.Reset();
      return;
    }
    // The fade timer starts on its first query, the first frame past the full-strength time.
    if (stageTimer_.Elapsed() > kStage1FullMs) {
      stage1Opacity_ = 1.0f - static_cast<float>(fadeTimer_.Elapsed()) / kStage1FadeMs;
    }
    DrawOverlays(pool, 0, 2, stage1Opacity_);
    return;
  }

  if (!fadeInDone_) {
    stage2Opacity_ = static_cast<float>(stageTimer_.Elapsed()) / kFadeInMs;
    if (stage2Opacity_ >= 1.0f) {
      stage2Opacity_ = 1.0f;
      fadeInDone_ = true;
      stageTimer_.Reset();
    }
  } else if (!holdDone_) {
    if (stageTimer_.Elapsed() > kHoldMs) {
      holdDone_ = true;
      stageTimer_.Reset();
    }
  } else {
    stage2Opacity_ = 1.0f - static_cast<float>(stageTimer_.Elapsed()) / kFadeOutMs;
    if (stage2Opacity_ <= 0.0f) {
      finished_ = true;
      return;
    }
  }
  DrawOverlays(pool, 3, 4, stage2Opacity_);
}

void TitleOverlays::DrawOverlays(TextureNamePool& pool, int first, int last, float opacity) {
  gl.glDisable(GL_LIGHTING);
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glOrtho(0, width_, height_, 0, 1, -1);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glDisable(GL_CULL_FACE);
  gl.glDisable(GL_DEPTH_TEST);
  gl.glEnable(GL_BLEND);
  // The last frame of the stage-1 fade can land past its end; GL would clamp the same way.
  gl.glColor4f(1.0f, 1.0f, 1.0f, std::clamp(opacity, 0.0f, 1.0f));
  if (pool.multitexture() && gl.glActiveTextureARB != nullptr) {
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  for (int k = first; k <= last; ++k) {
    const OverlayRect& r = rects_[static_cast<std::size_t>(k)];
    images_[static_cast<std::size_t>(k)].Bind(pool);
    gl.glBegin(GL_TRIANGLE_STRIP);
    gl.glTexCoord2f(0, 1);
    gl.glVertex2f(r.left, r.top);
    gl.glTexCoord2f(1, 1);
    gl.glVertex2f(r.right, r.top);
    gl.glTexCoord2f(0, 0);
    gl.glVertex2f(r.left, r.bottom);
    gl.glTexCoord2f(1, 0);
    gl.glVertex2f(r.right, r.bottom);
    gl.glEnd();
  }
  gl.glDisable(GL_BLEND);
  gl.glEnable(GL_DEPTH_TEST);
  gl.glEnable(GL_CULL_FACE);
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPopMatrix();
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPopMatrix();
}

}  // namespace ironwood
