#include "saver/shell/title_screen.h"

#include <algorithm>

#include "platform/paths.h"
#include "glapi/gl_table.h"

namespace ironwood {

PictureArea FitPicture(int pictureWidth, int pictureHeight, int width, int height) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || width <= 0 || height <= 0) {
    return PictureArea{0, 0, width, height};
  }
  const double scale = std::min(static_cast<double>(width) / pictureWidth,
                                static_cast<double>(height) / pictureHeight);
  const int w = std::max(1, static_cast<int>(pictureWidth * scale));
  const int h = std::max(1, static_cast<int>(pictureHeight * scale));
  return PictureArea{(width - w) / 2, (height - h) / 2, w, h};
}

void DrawFullFramePicture(Texture& picture, TextureNamePool& names, int width, int height,
                          bool keepShape) {
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
    const PictureArea area = keepShape
                                 ? FitPicture(picture.width(), picture.height(), width, height)
                                 : PictureArea{0, 0, width, height};
    const auto x0 = static_cast<GLfloat>(area.x);
    const auto y0 = static_cast<GLfloat>(area.y);
    const auto x1 = static_cast<GLfloat>(area.x + area.width);
    const auto y1 = static_cast<GLfloat>(area.y + area.height);
    gl.glBegin(GL_TRIANGLES);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(x0, y1, 0);
    gl.glTexCoord2f(0, 0);
    gl.glVertex3f(x0, y0, 0);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(x1, y0, 0);
    gl.glTexCoord2f(0, 1);
    gl.glVertex3f(x0, y1, 0);
    gl.glTexCoord2f(1, 0);
    gl.glVertex3f(x1, y0, 0);
    gl.glTexCoord2f(1, 1);
    gl.glVertex3f(x1, y1, 0);
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
                     TextureNamePool& names, platform::RenderTarget& target, bool keepShape) {
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  {
    Texture title;
    title.LoadBmp(false, platform::InstallationFile(workingDirectory, "Gfx", "TitleTest2.bmp"), "");
    DrawFullFramePicture(title, names, width, height, keepShape);
  }  // the picture is needed only once: its pixels and name go back now
  target.SwapBuffers();
}

}  // namespace ironwood
