#pragma once

// A mesh placed with its own orientation and scale: the explosion sprites, phaser flares, shock
// waves and death flares are all billboards, most of them turned to face the camera's eye.

#include <array>
#include <cstdint>

#include "saver/assets/mesh.h"
#include "saver/assets/mesh_drawing.h"
#include "saver/core/vector3.h"

namespace ironwood {

// Nine floats: position x, y, z first; the rest is carried along from the source object.
using EffectPlacement = std::array<float, 9>;

// A placement at `p`, the six carried values 0.
EffectPlacement PlacementAt(const Vector3& p);

struct BillboardInstance {
  const Mesh* mesh = nullptr;
  Vector3 direction;                   // where the mesh's +z axis is turned
  EffectPlacement placement{};         // only the position is used for drawing
  float pitch = 0, yaw = 0, roll = 0;  // degrees; pitch and yaw follow the direction
  // Turned to face the eye by FaceEye: drawn turned onto `direction` itself, and pitch and yaw
  // are not kept (BillboardAngles gives them).
  bool facing = false;
  std::array<float, 3> scale{};
  std::array<float, 6> extra{};
  // The sine and cosine of the roll a facing billboard was last drawn with: most keep their
  // roll for life, and are drawn every frame.
  mutable bool rollDrawn = false;
  mutable std::uint32_t rollDrawnBits = 0;
  mutable double rollSine = 0, rollCosine = 1;
};

// Turns the billboard's +z axis onto `direction`: stores it and its angles.
void SetBillboardDirection(BillboardInstance& billboard, const Vector3& direction);

// Turns the billboard to face the eye, which sits at -eyeOffset in the world (the camera's eye
// offset): direction = -eyeOffset - position. Every frame for every fireball, so the angles are
// not worked out: the turn is made from the direction when the billboard is drawn.
void FaceEye(BillboardInstance& billboard, const std::array<float, 3>& eyeOffset);

// The pitch and yaw the billboard is drawn with, {pitch, yaw}, in degrees.
std::array<float, 2> BillboardAngles(const BillboardInstance& billboard);

// Sets the mesh's arrays and draws it at its position, turned by yaw about y, pitch about x and
// roll about z, scaled. The caller has bound the texture and set the colour. Nothing for a
// billboard without a mesh.
void DrawBillboard(const BillboardInstance& billboard, const MeshDrawCaps& caps);

// The same with the arrays locked around the draw when compiled vertex arrays are in use.
void DrawBillboardLocked(const BillboardInstance& billboard, const MeshDrawCaps& caps);

// Billboards drawn one after another as DrawBillboard and DrawBillboardLocked draw them, the
// arrays set only when a billboard's mesh is not the one drawn last. Nothing between the draws
// may point the arrays elsewhere.
class BillboardRun {
 public:
  explicit BillboardRun(const MeshDrawCaps& caps) : caps_(caps) {}
  void Draw(const BillboardInstance& billboard, bool locked = false);

 private:
  const MeshDrawCaps& caps_;
  const Mesh* arraysOf_ = nullptr;
};

}  // namespace ironwood
