#include "saver/effects/billboard.h"

#include <bit>
#include <cmath>

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

// The transform and the triangles; the arrays are already set. A billboard facing the eye is
// turned straight from its direction: the yaw's cosine and sine are z and x over the length in
// the horizontal plane, and the pitch's are that length and -y over the whole length, the
// angles DirectionToAngles works out the long way round. Straight up or down, where the yaw is
// whatever it last was, it takes the long way too.
void DrawTurned(const BillboardInstance& billboard) {
  const auto& p = billboard.placement;
  if (billboard.facing) {
    double x, y, z;
    billboard.direction.Get(x, y, z);
    const double flat = std::sqrt(x * x + z * z);
    const double length = std::sqrt(flat * flat + y * y);
    if (flat > 0 && std::isfinite(length)) {
      const std::uint32_t rollBits = std::bit_cast<std::uint32_t>(billboard.roll);
      if (!billboard.rollDrawn || rollBits != billboard.rollDrawnBits) {
        const double r = billboard.roll * kRadiansPerDegree;
        billboard.rollSine = std::sin(r);
        billboard.rollCosine = std::cos(r);
        billboard.rollDrawnBits = rollBits;
        billboard.rollDrawn = true;
      }
      const Turn turn{x / flat,      z / flat, -y / length, flat / length, billboard.rollSine,
                      billboard.rollCosine};
      DrawElementsAt(*billboard.mesh, TurnedMatrix(turn, p[0], p[1], p[2], billboard.scale));
      return;
    }
  }
  const auto [pitch, yaw] = BillboardAngles(billboard);
  const Placement turned{p[0], p[1], p[2], pitch, yaw, billboard.roll};
  DrawElementsAt(*billboard.mesh, PlacementMatrix(turned, billboard.scale));
}

}  // namespace

void SetBillboardDirection(BillboardInstance& billboard, const Vector3& direction) {
  billboard.direction = direction;
  billboard.facing = false;
  DirectionToAngles(direction, billboard.pitch, billboard.yaw);
}

void FaceEye(BillboardInstance& billboard, const std::array<float, 3>& eyeOffset) {
  const auto& p = billboard.placement;
  billboard.direction = Vector3(static_cast<double>(-eyeOffset[0] - p[0]),
                                static_cast<double>(-eyeOffset[1] - p[1]),
                                static_cast<double>(-eyeOffset[2] - p[2]));
  billboard.facing = true;
}

std::array<float, 2> BillboardAngles(const BillboardInstance& billboard) {
  float pitch = billboard.pitch, yaw = billboard.yaw;
  if (billboard.facing) DirectionToAngles(billboard.direction, pitch, yaw);
  return {pitch, yaw};
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
