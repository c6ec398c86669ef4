#include "saver/assets/mesh_drawing.h"

#include <algorithm>
#include <cmath>

#include "glapi/gl_table.h"

namespace ironwood {

void SetMeshArrays(const Mesh& mesh, const MeshDrawCaps& caps) {
  gl.glVertexPointer(3, GL_FLOAT, 12, mesh.positions.data());
  gl.glNormalPointer(GL_FLOAT, 12, mesh.normals.data());
  if (caps.multitexture) {
    gl.glClientActiveTextureARB(GL_TEXTURE0_ARB);
    gl.glTexCoordPointer(2, GL_FLOAT, 8, mesh.texCoords.data());
    gl.glClientActiveTextureARB(GL_TEXTURE1_ARB);
    gl.glTexCoordPointer(2, GL_FLOAT, 8, mesh.texCoords.data());
  } else {
    gl.glTexCoordPointer(2, GL_FLOAT, 8, mesh.texCoords.data());
  }
}

void DrawMeshElements(const Mesh& mesh) {
  gl.glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.faceCount * 3), GL_UNSIGNED_INT,
                    mesh.indices.data());
}

void DrawMesh(const Mesh& mesh, const MeshDrawCaps& caps) {
  SetMeshArrays(mesh, caps);
  DrawMeshElements(mesh);
}

void DrawMeshLocked(const Mesh& mesh, const MeshDrawCaps& caps) {
  SetMeshArrays(mesh, caps);
  const bool lock = caps.compiledVertexArrays && gl.glLockArraysEXT != nullptr &&
                    gl.glUnlockArraysEXT != nullptr;
  if (lock) gl.glLockArraysEXT(0, static_cast<GLsizei>(mesh.vertexCount));
  DrawMeshElements(mesh);
  if (lock) gl.glUnlockArraysEXT();
}

ModelMatrix TurnedMatrix(const Turn& turn, float x, float y, float z,
                         const std::array<float, 3>& scale) {
  const double ch = turn.cosHeading, sh = turn.sinHeading, cp = turn.cosPitch,
               sp = turn.sinPitch, cr = turn.cosRoll, sr = turn.sinRoll;
  // Ry(heading) Rx(pitch) Rz(roll), column by column, each column then scaled.
  const double columns[3][3] = {{ch * cr + sh * sp * sr, cp * sr, ch * sp * sr - sh * cr},
                                {sh * sp * cr - ch * sr, cp * cr, sh * sr + ch * sp * cr},
                                {sh * cp, -sp, ch * cp}};
  ModelMatrix m{};
  for (int c = 0; c < 3; ++c) {
    for (int row = 0; row < 3; ++row) {
      m[4 * c + row] = static_cast<float>(columns[c][row] * scale[c]);
    }
  }
  m[12] = x;
  m[13] = y;
  m[14] = z;
  m[15] = 1;
  return m;
}

ModelMatrix PlacementMatrix(const Placement& placement, const std::array<float, 3>& scale) {
  const double h = placement.heading * kRadiansPerDegree, p = placement.pitch * kRadiansPerDegree,
               r = placement.roll * kRadiansPerDegree;
  const Turn turn{std::sin(h), std::cos(h), std::sin(p), std::cos(p), std::sin(r), std::cos(r)};
  return TurnedMatrix(turn, placement.x, placement.y, placement.z, scale);
}

double MeshReach(const Mesh& mesh) {
  double farthest = 0;
  for (std::size_t i = 0; i + 2 < mesh.positions.size(); i += 3) {
    const double x = mesh.positions[i], y = mesh.positions[i + 1], z = mesh.positions[i + 2];
    farthest = std::max(farthest, x * x + y * y + z * z);
  }
  return std::sqrt(farthest);
}

void DrawElementsAt(const Mesh& mesh, const ModelMatrix& model) {
  gl.glPushMatrix();
  gl.glMultMatrixf(model.data());
  DrawMeshElements(mesh);
  gl.glPopMatrix();
}

void DrawPlaced(const Placement& placement, const std::function<void()>& draw) {
  gl.glPushMatrix();
  gl.glMultMatrixf(PlacementMatrix(placement).data());
  draw();
  gl.glPopMatrix();
}

}  // namespace ironwood
