#pragma once

#include <string>

#include "platform/render_target.h"
#include "saver/assets/texture.h"

namespace ironwood {

// Draws the picture over the whole width x height frame with an orthographic projection,
// unlit and without face culling; both matrices are restored afterwards (model-view current).
void DrawFullFramePicture(Texture& picture, TextureNamePool& names, int width, int height);

// The title picture "Gfx/TitleTest2.bmp", drawn over the whole window while loading runs, and
// presented at once. A missing or unreadable picture leaves the cleared (black) frame.
void DrawTitleScreen(const std::string& workingDirectory, int width, int height,
                     TextureNamePool& names, platform::RenderTarget& target);

}  // namespace ironwood
