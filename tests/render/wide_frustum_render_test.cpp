#include <gtest/gtest.h>

#include <algorithm>

#include "glapi/gl_table.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

struct LitArea {
  int pixels = 0, left = 1 << 20, right = -1, bottom = 1 << 20, top = -1;
};

// A square stand-in for a ship, 0.6 across, centred 5.2 to the right of the view axis and 10
// ahead: beyond the 4:3 frustum's side (4.444 there), inside a 16:9 one's (5.925).
LitArea DrawShipNearTheRightEdge(testing::RenderScene& scene) {
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();
  gl.glDisable(GL_TEXTURE_2D);
  gl.glColor4f(1, 1, 1, 1);
  gl.glBegin(GL_TRIANGLE_STRIP);
  gl.glVertex3f(4.9f, -0.3f, -10);
  gl.glVertex3f(5.5f, -0.3f, -10);
  gl.glVertex3f(4.9f, 0.3f, -10);
  gl.glVertex3f(5.5f, 0.3f, -10);
  gl.glEnd();
  gl.glEnable(GL_TEXTURE_2D);
  const testing::Image image = scene.Capture();
  LitArea area;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3] < 128) continue;
      ++area.pixels;
      area.left = std::min(area.left, x);
      area.right = std::max(area.right, x);
      area.bottom = std::min(area.bottom, y);
      area.top = std::max(area.top, y);
    }
  }
  return area;
}

// At 16:9 the frustum keeps its height and widens: a ship the 4:3 frustum cuts away at the side
// is drawn whole, near the edge, and square (nothing is stretched).
TEST(Render, WideFrustumShowsAShipNearTheSideEdgeWhole) {
  IRONWOOD_RENDER_SCENE(scene, 640, 360);
  EXPECT_EQ(DrawShipNearTheRightEdge(scene).pixels, 0) << "the 4:3 frustum shows it";

  scene.GetRenderer().SetFrustumFollowsShape(true);
  scene.GetRenderer().Resize(640, 360);
  const LitArea area = DrawShipNearTheRightEdge(scene);
  // 0.6 of the 6.666 the height spans at that distance: 32.4 pixels each way, from x = 584.7.
  EXPECT_NEAR(area.left, 585, 2);
  EXPECT_NEAR(area.right, 617, 2);
  EXPECT_LT(area.right, 639) << "cut off at the edge";
  EXPECT_NEAR(area.right - area.left, area.top - area.bottom, 2) << "stretched";
  EXPECT_NEAR(area.pixels, 32 * 32, 100);
  EXPECT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace ironwood
