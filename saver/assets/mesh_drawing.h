#pragma once

// How every mesh is drawn: client-side arrays and one glDrawElements per mesh and placement.
// The vertex, normal and texture-coordinate client states are enabled by the renderer once and
// toggled only by the frame; nothing here touches them.

#include <array>
#include <functional>

#include "saver/assets/mesh.h"

namespace ironwood {

// What the context offers that changes how arrays are given: a second texture unit (both units
// then read the same coordinates) and compiled vertex arrays (locked around each draw).
struct MeshDrawCaps {
  bool multitexture = false;
  bool compiledVertexArrays = false;
};

// Points the vertex, normal and texture-coordinate arrays at the mesh. With multitexture the
// client-active unit is left at unit 1.
void SetMeshArrays(const Mesh& mesh, const MeshDrawCaps& caps);
// SetMeshArrays, then the triangles. The caller has bound the texture and set the transform.
void DrawMesh(const Mesh& mesh, const MeshDrawCaps& caps);
// The same with the arrays locked for the draw when compiled vertex arrays are in use.
void DrawMeshLocked(const Mesh& mesh, const MeshDrawCaps& caps);
// Only the triangles, for callers that set the arrays once and draw many placements.
void DrawMeshElements(const Mesh& mesh);

// Where a ship (or anything placed like one) is: position and angles in degrees.
struct Placement {
  float x = 0, y = 0, z = 0;
  float pitch = 0, heading = 0, roll = 0;
};

// Degrees to radians, as the placements turn them.
inline constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// A model transform in OpenGL's column order, as glMultMatrixf takes it.
using ModelMatrix = std::array<float, 16>;

// The placement's model transform composed on our side: translate, then heading about y, pitch
// about x, roll about z, then `scale`; the product the glTranslate, glRotate and glScale calls
// in that order make, for one glMultMatrixf in place of them.
ModelMatrix PlacementMatrix(const Placement& placement,
                            const std::array<float, 3>& scale = {1, 1, 1});

// A turn by heading about y, pitch about x and roll about z, given by the sines and cosines of
// its angles, and the model transform it makes at (x, y, z) with `scale`: PlacementMatrix for a
// caller that knows the sines and cosines without the angles.
struct Turn {
  double sinHeading, cosHeading, sinPitch, cosPitch, sinRoll, cosRoll;
};
ModelMatrix TurnedMatrix(const Turn& turn, float x, float y, float z,
                         const std::array<float, 3>& scale);

// The farthest any corner of the mesh lies from its origin.
double MeshReach(const Mesh& mesh);

// The mesh's triangles (its arrays already set) inside `model`, pushed and popped around them.
void DrawElementsAt(const Mesh& mesh, const ModelMatrix& model);

// Runs `draw` inside the placement's model transform, pushed and popped around it.
void DrawPlaced(const Placement& placement, const std::function<void()>& draw);

}  // namespace ironwood
