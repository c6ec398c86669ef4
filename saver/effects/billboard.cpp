#include "saver/effects/billboard.h"

#include "glapi/gl_table.h"

namespace ironwood {

void SetBillboardDirection(BillboardInstance& billboard, const Vector3& direction) {
  billboard.direction = direction;
  // A vertical direction keeps the yaw it had, so the angles are written in place.
  DirectionToAngles(direction, billboard.pitch, billboard.yaw);
}

void FaceEye(BillboardInstance& billboard, const std::array<float, 3>& eyeOffset) {
  const EffectPlacement& p = billboard.placement;
  SetBillboardDirection(billboard, Vector3(-eyeOffset[0] - p[0], -eyeOffset[1] - p[1],
                                           -eyeOffset[2] - p[2]));
}

namespace {

void DrawPlacedBillboard(const BillboardInstance& billboard, bool lock) {
  const Mesh& mesh = *billboard.mesh;
  if (lock) gl.glLockArraysEXT(0, static_cast<GLsizei>(mesh.vertexCount));
  gl.glPushMatrix();
  gl.glTranslatef(billboard.placement[0], billboard.placement[1], billboard.placement[2]);
  gl.glRotatef(billboard.yaw, 0, 1, 0);
  gl.glRotatef(billboard.pitch, 1, 0, 0);
  gl.glRotatef(billboard.roll, 0, 0, 1);
  gl.glScalef(billboard.scale[0], billboard.scale[1], billboard.scale[2]);
  DrawMeshElements(mesh);
  gl.glPopMatrix();
  if (lock) gl.glUnlockArraysEXT();
}

}  // namespace

void DrawBillboard(const BillboardInstance& billboard, const MeshDrawCaps& caps) {
  if (billboard.mesh == nullptr) return;
  SetMeshArrays(*billboard.mesh, caps);
  DrawPlacedBillboard(billboard, false);
}

void DrawBillboardLocked(const BillboardInstance& billboard, const MeshDrawCaps& caps) {
  if (billboard.mesh == nullptr) return;
  SetMeshArrays(*billboard.mesh, caps);
  const bool lock = caps.compiledVertexArrays && gl.glLockArraysEXT != nullptr &&
                    gl.glUnlockArraysEXT != nullptr;
  DrawPlacedBillboard(billboard, lock);
}

}  // namespace ironwood
