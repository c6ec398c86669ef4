#pragma once

// The reader of ASCII scene exports (".ase"): a token scanner, not a grammar. It reads
// whitespace-separated tokens, skips forward to the keywords it needs and ignores the rest, so
// any exporter's layout reads as long as the keywords come in the usual order.

#include <string>
#include <vector>

#include "saver/assets/mesh.h"
#include "saver/assets/texture.h"

namespace ironwood {

struct AseModel {
  static constexpr int kMaxMeshes = 30;
  static constexpr std::size_t kMaxTokenLength = 99;
  static constexpr std::size_t kMaxNameLength = 199;

  std::vector<Mesh> meshes;  // at most kMaxMeshes, in file order
  // Two textures per material: 2k from the diffuse map (with the self-illumination map as its
  // opacity), 2k + 1 from the specular map (with the opacity map). Meshes point into this
  // vector, so a model is moved, never copied.
  std::vector<Texture> materials;
  // Objects dropped and maps that did not load, one line each, for the caller's log.
  std::vector<std::string> problems;

  AseModel() = default;
  AseModel(AseModel&&) = default;
  AseModel& operator=(AseModel&&) = default;
  AseModel(const AseModel&) = delete;
  AseModel& operator=(const AseModel&) = delete;
};

// Reads `path`. False when the file cannot be opened. Coordinates are divided by 300; texture
// vertex i belongs to vertex i; normals are the face-weighted average of the faces using each
// vertex. Bitmaps named by materials are looked up in installation + "Gfx" + the name without
// its first and last character (the quotes). Objects that are cut short, name vertices beyond
// their count, or give counts the file cannot hold are dropped and listed in `problems`.
bool LoadAse(const std::string& path, const std::string& installation, bool withMaterials,
             bool withTexCoords, AseModel* model);

// The same from text already in memory (tests, tools).
void ParseAse(const std::string& text, const std::string& installation, bool withMaterials,
              bool withTexCoords, AseModel* model);

}  // namespace ironwood
