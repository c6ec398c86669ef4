#pragma once

// The images the scenery models and the lens flare are drawn with: the star-tunnel layers, the
// debris plating and the lens-flare elements, and the lens-flare description that names them.

#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/images.h"

namespace ironwood::assetgen {

constexpr int kTunnelLayers = 3;

// Layer 1..kTunnelLayers of the star tunnel: streaks running along the image's height (the
// tube's length), tiling seamlessly both ways because the tube wraps round and scrolls.
Canvas StarTunnelLayer(int layer);
std::string StarTunnelColourFile(int layer);
std::string StarTunnelOpacityFile(int layer);

// Debris plating: 0 = torn hull plates, 1 = charred structure with glowing cracks. Opaque.
Canvas DebrisPlating(int which);
std::string DebrisPlatingFile(int which);

// The lens-flare element textures (glow, streak, rings, polygons).
struct FlareTexture {
  std::string name;  // as the description refers to it
  Canvas (*draw)();
};
const std::vector<FlareTexture>& FlareTextures();
std::string FlareColourFile(const std::string& name);
std::string FlareOpacityFile(const std::string& name);

// "LensFlare.lsf": the texture list and the chain of elements along the flare line.
std::string LensFlareDescription();

// Every image above, for the Gfx folder and the contact sheet.
std::vector<GeneratedImage> SceneryImages();

}  // namespace ironwood::assetgen
