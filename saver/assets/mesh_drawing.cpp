#include "saver/assets/mesh_drawing.h"

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

void DrawPlaced(const Placement& placement, const std::function<void()>& draw) {
  gl.glPushMatrix();
  gl.glTranslatef(placement.x, placement.y, placement.z);
  gl.glRotated(placement.heading, 0, 1, 0);
  gl.glRotated(placement.pitch, 1, 0, 0);
  gl.glRotated(placement.roll, 0, 0, 1);
  draw();
  gl.glPopMatrix();
}

}  // namespace ironwood
