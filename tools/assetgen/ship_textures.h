#pragma once

// The ship classes' textures. A hull texture is an atlas laid out by `HullAtlas`: the left half
// is the view from above (x across, z along), the right half's upper three quarters the view
// from the side (y across, z along), and its lower quarter the views from the front and from
// behind. Each face takes the view its normal points along most, so plating, windows and the
// fleet's emblem land on the hull at true proportions, and the engines' nozzles glow from
// behind. The damage texture of a pair uses the same layout; its opacity marks what is shot
// away (the hull pass draws a damaged section only where 1 - opacity reaches 0.15).

#include <array>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/hull_geometry.h"

namespace ironwood::assetgen {

constexpr int kHullTextureSize = 256;

struct HullAtlas {
  float halfWidth = 1;  // x runs over [-halfWidth, halfWidth]
  float yLow = -1, yHigh = 1;
  float zLow = -1, zHigh = 1;

  // Texture coordinates (v = 0 at the bottom row) for a point on a face with this normal.
  std::array<float, 2> Uv(Vec3 position, Vec3 faceNormal) const;
};

// A nozzle as seen from behind: centre (x, y) and radius, model units.
struct EngineGlow {
  float x = 0, y = 0, radius = 0.2f;
};

struct HullPaint {
  int fleet = 1;  // 1: pale plating, blue markings; 2: dark plating, amber and red markings
  std::uint32_t seed = 1;
  float emblemZ = 0;     // where the emblem sits on the dorsal centre line
  float emblemSize = 1;  // its diameter, model units
  float windowY = 0;     // height of the main row of windows
  std::vector<EngineGlow> engines;
};

Canvas HullTexture(const HullAtlas& atlas, const HullPaint& paint);
// Scorched plating with embers; opacity is 1 where the section is torn away.
Canvas DamageTexture(const HullAtlas& atlas, const HullPaint& paint);
// Soft energy cells that tile in both directions (the shield texture scrolls in v).
Canvas ShieldTexture(int fleet);
// A glowing beam: u across, v along the beam, periodic in v so the scroll runs seamlessly.
Canvas BeamTexture(int fleet);
// A glowing round star for the torpedo's crossed quads.
Canvas TorpedoTexture(int fleet);

// The canvas as an embedded texture record: bottom row first, with or without its opacity.
PluginTexture ToPluginTexture(const Canvas& canvas, bool withAlpha);

}  // namespace ironwood::assetgen
