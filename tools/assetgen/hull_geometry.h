#pragma once

// Procedural hull modelling: closed triangle shells built from lofted cross-sections, joined,
// moved and mirrored, then finished into drawable meshes with creased normals and projected
// texture coordinates. Every shell is closed and wound counter-clockwise seen from outside by
// construction, so the saver's back-face culling shows the outside and the hit tests that walk
// hull vertices see a surface without holes.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/assetgen/model.h"
#include "tools/assetgen/vec3.h"

namespace ironwood::assetgen {



// A shell before finishing: positions shared by the faces that meet there.
struct RawMesh {
  std::vector<Vec3> positions;
  std::vector<std::array<std::uint32_t, 3>> faces;
};

// A cross-section placed along the loft axis (model z): the profile scaled by (w, h) about
// (cx, cy).
struct Section {
  float z = 0;
  float cx = 0, cy = 0;
  float w = 1, h = 1;
};

// How a loft ends: flat (a fan about the end section's centre) or drawn out to a point at
// `tip` (absolute position).
struct LoftCap {
  bool pointed = false;
  Vec3 tip;
};

// Profile points counter-clockwise seen from +z (angle increasing from +x towards +y), in the
// unit square [-1, 1]^2 and star-shaped about the origin.
using Profile = std::vector<std::array<float, 2>>;

// |x|^p + |y|^p = 1 sampled at `points` angles, starting at +x. p = 2 is an ellipse, large p a
// rounded box, p = 1 a diamond.
Profile SuperEllipse(int points, float power);
// A convex polygon through the given corners, `perEdge` points on each edge (1 = corners only).
Profile Polygon(const Profile& corners, int perEdge);

// A shell through the sections (z strictly increasing, at least two), closed by the caps.
RawMesh Loft(const Profile& profile, const std::vector<Section>& sections, LoftCap rear = {},
             LoftCap front = {});
// A box with its edges bevelled by `bevel` (absolute; 0 gives a plain box).
RawMesh BevelBox(Vec3 centre, Vec3 half, float bevel);

// Row-major 3x3 matrix.
using Mat3 = std::array<float, 9>;
Mat3 RotationX(float degrees);
Mat3 RotationY(float degrees);
Mat3 RotationZ(float degrees);
Mat3 operator*(const Mat3& a, const Mat3& b);

// The shell moved by m then `offset`; a matrix that mirrors reverses the winding so the outside
// stays outside.
RawMesh Transformed(const RawMesh& mesh, const Mat3& m, Vec3 offset = {});
RawMesh Translated(const RawMesh& mesh, Vec3 offset);
// Mirrored in the plane x = 0.
RawMesh MirroredX(const RawMesh& mesh);
// The shell and its mirror image in one: a symmetric pair of parts.
RawMesh WithMirror(const RawMesh& mesh);
void Append(RawMesh& into, const RawMesh& part);

// Texture coordinates for a corner, from its position and the normal of its face.
using UvProjection = std::function<std::array<float, 2>(Vec3 position, Vec3 faceNormal)>;

// The drawable mesh: each face corner gets the area-weighted normal of the faces around its
// position that lie within `creaseDegrees` of its own face, and the projected texture
// coordinate; corners that agree on position, normal and coordinate share one vertex.
ModelMesh Finish(const RawMesh& mesh, const std::string& name, float creaseDegrees,
                 const UvProjection& project, int pairIndex);

// The first point where the ray origin + t * direction (t > 0) meets a face of the meshes, with
// that face's outward normal. False when it misses them all.
bool CastRay(const std::vector<ModelMesh>& meshes, Vec3 origin, Vec3 direction, Vec3* hit,
             Vec3* normal);

// Six times the enclosed volume: positive for a closed shell wound counter-clockwise seen
// from outside.
double SignedVolume6(const ModelMesh& mesh);

}  // namespace ironwood::assetgen
