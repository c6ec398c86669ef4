#pragma once

// The scenery and effect models of the installation folder: the two billboards, the star
// tunnel and the debris fragments, written as ASCII scene files, and the lens-flare
// description beside them. Their textures come from flare_images.h.

#include <string>
#include <vector>

#include "tools/assetgen/model.h"

namespace ironwood::assetgen {

// A unit quad in the xy plane facing +z, v = 0 along its bottom edge.
ModelMesh UniBillboard();
// Three crossed unit quads (xy, yz and xz planes), one mesh, solid-looking from any side.
ModelMesh TriBillboard();
// The tube layers, outermost first so that blending them in file order goes back to front.
std::vector<ModelMesh> StarTunnel();
// Jagged hull fragments, each a closed polyhedron centred on its own origin.
std::vector<ModelMesh> DebrisFragments();

// Vertex normals as the area-weighted mean of the normals of the faces that use each vertex.
void ComputeNormals(ModelMesh& mesh);

struct SceneryFile {
  std::string name;  // in the installation folder's root
  std::string contents;
};
// "UniBillboard.ase", "TriBillboard.ase", "StarTunnel.ase", "Debris.ase" and "LensFlare.lsf".
std::vector<SceneryFile> SceneryFiles();

// Writes SceneryFiles() into `folder` (their images are written with the others by
// WriteImages). On failure says why in `error`.
bool WriteScenery(const std::string& folder, std::string* error);

}  // namespace ironwood::assetgen
