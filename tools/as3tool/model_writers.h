#pragma once

// Small writers of the model formats `import` takes, for the tests: a generated class's hull
// with its painted texture as OBJ (with .mtl and a PNG), glTF (with its .bin and PNG), .glb
// (everything embedded), COLLADA and 3DS (geometry only), in a file's own units (ten times the saver's, shifted off
// the origin, so import has to centre and scale it). Also the broken files import must refuse.

#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "tools/as3tool/model_import.h"

namespace ironwood::as3tool::models {

struct SourceModel {
  std::vector<PluginMesh> meshes;  // one material for all
  RgbaImage texture;               // bottom row first
};

// The hull of the generated escort of the first fleet (about 3.7 units long), in file units.
SourceModel EscortHull();
// One flat grid of `columns` x `rows` quads: above a plug-in mesh's 1023 vertices when large.
SourceModel Grid(int columns, int rows);

// Each writes `folder/stem.<ext>` (and the files it refers to) and returns the model's path.
std::string WriteObj(const std::string& folder, const std::string& stem, const SourceModel& model,
                     bool withImage = true);
std::string WriteGltf(const std::string& folder, const std::string& stem, const SourceModel& model);
std::string WriteGlb(const std::string& folder, const std::string& stem, const SourceModel& model);
std::string WriteCollada(const std::string& folder, const std::string& stem,
                         const SourceModel& model);
std::string Write3ds(const std::string& folder, const std::string& stem, const SourceModel& model);

// The glTF JSON and binary buffer, for the writers of broken files.
struct GltfParts {
  std::string json;
  std::string bin;
};
GltfParts EncodeGltf(const SourceModel& model, bool glb, const std::string& binName);
std::string EncodeGlb(const GltfParts& parts);

}  // namespace ironwood::as3tool::models
