#include "saver/render/sky_box.h"

#include <algorithm>
#include <cstdio>

#include "platform/paths.h"
#include "glapi/gl_table.h"

namespace ironwood {

std::string SkyBox::TileName(int index) {
  static constexpr const char* kFaces[] = {"Top", "Front", "Back", "Bottom", "Left", "Right"};
  if (index < 0 || index >= kTileCount) return {};
  char name[32];
  std::snprintf(name, sizeof name, "Background%s%02d", kFaces[index / 4], index % 4 + 1);
  return name;
}

bool SkyBox::LoadSky(const std::string& installation, bool compressed, std::string* why) {
  // Loaded aside and committed whole, so a failure never leaves half a sky behind.
  std::array<Texture, kTileCount> tiles;
  for (int i = 0; i < kTileCount; ++i) {
    const std::string path = platform::InstallationFile(
        installation, "Gfx", TileName(i) + (compressed ? ".dds" : ".bmp"));
    const bool ok = compressed ? tiles[static_cast<std::size_t>(i)].LoadDds(path, why)
                               : tiles[static_cast<std::size_t>(i)].LoadBmp(false, path, "", why);
    if (!ok) return false;
  }
  tiles_ = std::move(tiles);
  loaded_ = true;
  return true;
}

void SkyBox::Draw(const MeshDrawCaps& caps, TextureNamePool& pool) {
  if (!loaded_) return;
  gl.glColor3f(1.0f, 1.0f, 1.0f);
  gl.glDepthMask(GL_FALSE);
  if (caps.multitexture && gl.glActiveTextureARB != nullptr) {
    gl.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  const int count = std::min(kTileCount, static_cast<int>(model_.meshes.size()));
  for (int i = 0; i < count; ++i) {
    tiles_[static_cast<std::size_t>(i)].Bind(pool);
    DrawMeshLocked(model_.meshes[static_cast<std::size_t>(i)], caps);
  }
  gl.glDepthMask(GL_TRUE);
}

}  // namespace ironwood
