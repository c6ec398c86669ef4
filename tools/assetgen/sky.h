#pragma once

// The sky box: a starry backdrop with faint nebulae and one sun, drawn as a function of the
// direction from the origin and cut into 6 faces of 2 x 2 tiles of 256 x 256 pixels, plus the
// cube of 24 quads ("Background.ase") the saver draws them on.
//
// Faces, named as the saver names them, with the world axis each one faces and the axes that
// point right and up in its pictures as seen from inside the cube (the origin):
//   Front  -z  right +x  up +y        Back   +z  right -x  up +y
//   Left   -x  right -z  up +y        Right  +x  right +z  up +y
//   Top    +y  right +x  up +z        Bottom -y  right +x  up -z
// So Left, Front, Right and Back run round the horizon left to right, Top's lower edge meets
// Front's upper edge, and Bottom's upper edge meets Front's lower one. Tiles within a face:
// 01 top left, 02 top right, 03 bottom left, 04 bottom right.
//
// Pixel i of a tile (counting from the left, or from the top) is the sky at i / 255 of the way
// across the tile, so the outermost pixels lie exactly on the tile's edges: neighbouring tiles
// repeat each other's edge pixels, and the quads' texture coordinates run from texel centre to
// texel centre (0.5 / 256 to 255.5 / 256), so linear filtering never reaches across an edge.

#include <array>
#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"
#include "tools/assetgen/model.h"

namespace ironwood::assetgen {

constexpr int kSkyTileCount = 24;
constexpr int kSkyTileSize = 256;
// Half the cube's side in saver units: well inside the far plane (5000), corners at 1732.
constexpr float kSkyBoxHalfSize = 1000.0f;

// "BackgroundTop01" ... "BackgroundRight04", in the order the saver pairs textures with meshes.
std::string SkyTileName(int index);

// The unit direction the sun is in. The lens flare projects its light point with the saved
// projection applied before the camera's rotation (and the light's z negated), which comes out
// as the direction opposite to the projected point: the flare then sits on the sun whenever the
// camera looks at it.
std::array<float, 3> SunDirection();

// The 24 tiles in name order, rows top-down (the BMP writer turns them round).
std::vector<Canvas> SkyTiles();

// One quad per tile, in name order, wound counter-clockwise as seen from the origin.
std::vector<ModelMesh> SkyBoxMeshes();

// Writes Gfx/Background*.bmp and .dds, Background.ase and Preview/sky.png into the folder.
bool WriteSky(const std::string& folder, std::string* error);

}  // namespace ironwood::assetgen
