#pragma once

// The sky box: 24 tiles, four to each face of a cube round the camera, drawn first in every
// frame with depth writes off so that everything else lands in front of it.

#include <array>
#include <string>

#include "saver/assets/ase_model.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/assets/texture.h"

namespace ironwood {

class SkyBox {
 public:
  static constexpr int kTileCount = 24;

  // "BackgroundTop01" ... "BackgroundRight04": face by face (Top, Front, Back, Bottom, Left,
  // Right), tiles 01 to 04; index = 4 * face + tile - 1. Mesh i of the model carries tile i.
  static std::string TileName(int index);

  // Loads the 24 tiles from installation + "Gfx" + name, ".dds" when `compressed` (the driver
  // takes S3TC) and ".bmp" otherwise. Any tile that does not load fails the whole step, with
  // the reason in `why`, and leaves the tiles loaded before untouched.
  bool LoadSky(const std::string& installation, bool compressed, std::string* why = nullptr);

  // The cube the tiles are drawn on ("Background.ase" read without materials, with texture
  // coordinates).
  void SetModel(AseModel model) { model_ = std::move(model); }

  // Draws mesh i with tile i, in white, texture unit 0, depth writes off while it draws and on
  // again afterwards. The caller has applied the camera's rotation (not its position). Draws
  // nothing before the tiles are loaded, and only the meshes the model has (at most 24).
  void Draw(const MeshDrawCaps& caps, TextureNamePool& pool);

  bool Loaded() const { return loaded_; }
  const AseModel& Model() const { return model_; }
  const Texture& Tile(int index) const { return tiles_.at(static_cast<std::size_t>(index)); }

 private:
  std::array<Texture, kTileCount> tiles_;
  AseModel model_;
  bool loaded_ = false;
};

}  // namespace ironwood
