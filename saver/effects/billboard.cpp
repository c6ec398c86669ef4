#include "saver/effects/billboard.h"

#include "glapi/gl_table.h"

namespace ironwood {

EffectPlacement PlacementAt(const Vector3& p) {
  EffectPlacement placement{};
  placement[0] = static_cast<float>(p.x());
  placement[1] = static_cast<float>(p.y());
  placement[2] = static_cast<float>(p.z());
  return placement;
}
namespace {

// The transform and the triangles; the arrays are already set.
void DrawTurned(const BillboardInstance& billboard) {
  const auto& p = billboard.placement;
  const Placement turned{p[0], p[1], p[2], billboard.pitch, billboard.yaw, billboard.roll};
  DrawElementsAt(*billboard.mesh, PlacementMatrix(turned, billboard.scale));
}

}  // namespace

void SetBillboardDirection(BillboardInstance& billboard, const Vector3& direction) {
  billboard.direction = direction;
  DirectionToAngles(direction, billboard.pitch, billboard.yaw);
}

void FaceEye(BillboardInstance& billboard, const std::array<float, 3>& eyeOffset) {
  const auto& p = billboard.placement;
  SetBillboardDirection(billboard,
                        Vector3(static_cast<double>(-eyeOffset[0] - p[0]),
                                static_cast<double>(-eyeOffset[1] - p[1]),
                                static_cast<double>(-eyeOffset[2] - p[2])));
}

void DrawBillboard(const BillboardInstance& billboard, const MeshDrawCaps& caps) {
  BillboardRun(caps).Draw(billboard);
}

void DrawBillboardLocked(const BillboardInstance& billboard, const MeshDrawCaps& caps) {
  BillboardRun(caps).Draw(billboard, true);
}

void BillboardRun::Draw(const BillboardInstance& billboard, bool locked) {
  if (billboard.mesh == nullptr) return;
  if (billboard.mesh != arraysOf_) SetMeshArrays(*billboard.mesh, caps_);
  arraysOf_ = billboard.mesh;
  const bool lock = locked && caps_.compiledVertexArrays && gl.glLockArraysEXT != nullptr &&
                    gl.glUnlockArraysEXT != nullptr;
  if (lock) gl.glLockArraysEXT(0, static_cast<GLsizei>(billboard.mesh->vertexCount));
  DrawTurned(billboard);
  if (lock) gl.glUnlockArraysEXT();
}

}  // namespace ironwood
