#pragma once

// The saver's images: the title picture, explosion frames, shock wave, flares and the title
// overlays, all drawn here from noise, glows and our own lettering, plus a contact sheet of
// them for people to look at.

#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"

namespace ironwood::assetgen {

struct GeneratedImage {
  std::string label;        // under its picture on the contact sheet
  std::string colourFile;   // in Gfx/
  std::string opacityFile;  // in Gfx/; empty for an image without opacity
  Canvas canvas;
  float displayAspect = 0;  // width / height as shown, where it is not the pixels' own
};

Canvas TitlePicture();
// Frame 1..32 of the explosion.
Canvas ExplosionFrame(int frame);
Canvas ShockWave();
Canvas ExplosionFlare();
Canvas PhaserFlare();
// Overlay 1..5.
Canvas TitleOverlay(int overlay);

std::vector<GeneratedImage> AllImages();
Canvas ContactSheet(const std::vector<GeneratedImage>& images);

// Writes every image into folder/Gfx and the contact sheet to folder/Preview/images.png.
// On failure says why in `error`.
bool WriteImages(const std::string& folder, std::string* error);

}  // namespace ironwood::assetgen
