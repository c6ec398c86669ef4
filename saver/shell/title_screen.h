#pragma once

#include <string>

#include "platform/render_target.h"
#include "saver/assets/texture.h"

namespace ironwood {

struct PictureArea {
  int x = 0, y = 0, width = 0, height = 0;
};

// The largest area of a pictureWidth x pictureHeight picture's shape that fits a width x height
// frame, centred (all of the frame when either size is empty).
PictureArea FitPicture(int pictureWidth, int pictureHeight, int width, int height);

// Draws the picture over the whole width x height frame with an orthographic projection,
// unlit and without face culling; both matrices are restored afterwards (model-view current).
// With keepShape the picture keeps its proportions, centred, and the rest stays as cleared.
void DrawFullFramePicture(Texture& picture, TextureNamePool& names, int width, int height,
                          bool keepShape = false);

// The title picture "Gfx/TitleTest2.bmp", drawn over the whole window while loading runs, and
// presented at once. A missing or unreadable picture leaves the cleared (black) frame.
void DrawTitleScreen(const std::string& workingDirectory, int width, int height,
                     TextureNamePool& names, platform::RenderTarget& target,
                     bool keepShape = false);

}  // namespace ironwood
