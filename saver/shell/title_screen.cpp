#include "saver/shell/title_screen.h"

#include "platform/paths.h"
#include "glapi/gl_table.h"

namespace ironwood {

void DrawFullFramePicture(Texture& picture, TextureNamePool& names, int width, int height) {
  gl.glMatrixMode(GL_PROJECTION);
  gl.glPushMatrix();
  gl.glLoadIdentity();
  gl.glOrtho(0, width, 0, height, -1, 1);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPushMatrix();
  gl.glLoadIdentity();

  if (picture.width() > 0) {
    picture.Bind(names);
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_CULL_FACE);
    const auto w = static_cast<GLfloat>(width);
    const auto h = static_cast<GLfloat>(height);
    gl.glBegin(GL_TRIANGLES);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(0, h, 0);
    gl.glTexCoord2f(0, 0);
    gl.glVertex3f(0, 0, 0);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(w, 0, 0);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(0, h, 0);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(w, 0, 0);
    gl.glTexCoord2f(1, 1);
    gl.glVertex3f(w, h, 0);
    gl.glEnd();
    gl.glEnable(GL_CULL_FACE);
  }
  gl.glBindTexture(GL_TEXTURE_2D, 0);

  gl.glMatrixMode(GL_PROJECTION);
  gl.glPopMatrix();
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glPopMatrix();
}

void DrawTitleScreen(const std::string& workingDirectory, int width, int height,
                     TextureNamePool& names, platform::RenderTarget& target) {
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  {
    Texture title;
    title.LoadBmp(false, platform::InstallationFile(workingDirectory, "Gfx", "TitleTest2.bmp"), "");
    DrawFullFramePicture(title, names, width, height);
  }  // the picture is needed only once: its pixels and name go back now
  target.SwapBuffers();
}

}  // namespace ironwood
