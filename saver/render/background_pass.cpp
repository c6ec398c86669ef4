#include "saver/render/background_pass.h"

#include "glapi/gl_table.h"

namespace ironwood {

void BackgroundPass::Draw(SkyBox& sky, AseModel& tunnel, float tunnelFade, bool use3DCameraView,
                          const std::function<void()>& applyRotation, const MeshDrawCaps& caps,
                          TextureNamePool& pool, float frameStep) {
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glColor3f(1, 1, 1);
  applyRotation();
  sky.Draw(caps, pool);  // with depth writes off while it draws
  gl.glDepthMask(GL_FALSE);
  if (use3DCameraView && tunnelFade > 0) {
    gl.glPushMatrix();
    gl.glColor4f(1, 1, 1, tunnelFade);
    gl.glScalef(1, 1, tunnelFade);
    tunnelScroll_ += tunnelFade * 0.0075f * frameStep;
    // A long frame may carry the scroll past 2; it is a texture offset, so only its fraction
    // matters.
    while (tunnelScroll_ > 1) tunnelScroll_ -= 1;
    gl.glEnable(GL_BLEND);
    for (Mesh& mesh : tunnel.meshes) {
      if (mesh.texture != nullptr) mesh.texture->Bind(pool);
      SetMeshArrays(mesh, caps);
      const bool lock = caps.compiledVertexArrays && gl.glLockArraysEXT != nullptr &&
                        gl.glUnlockArraysEXT != nullptr;
      if (lock) gl.glLockArraysEXT(0, static_cast<GLsizei>(mesh.vertexCount));
      gl.glMatrixMode(GL_TEXTURE);
      gl.glPushMatrix();
      gl.glTranslatef(0, tunnelScroll_, 0);
      DrawMeshElements(mesh);
      gl.glPopMatrix();
      gl.glMatrixMode(GL_MODELVIEW);
      if (lock) gl.glUnlockArraysEXT();
    }
    gl.glDisable(GL_BLEND);
    gl.glColor4f(1, 1, 1, 1);
    gl.glPopMatrix();
  }
  gl.glDepthMask(GL_TRUE);
  gl.glPopMatrix();
}

}  // namespace ironwood
