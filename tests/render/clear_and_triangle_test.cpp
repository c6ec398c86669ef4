#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "glapi/gl_table.h"
#include "tests/render/render_support.h"

namespace ironwood {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

struct Rgb {
  int r, g, b;
};

Rgb PixelAt(const testing::Image& image, int x, int yFromTop) {
  const std::size_t at = (static_cast<std::size_t>(yFromTop) * image.width + x) * 3;
  return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

void ExpectNear(Rgb actual, Rgb expected, const char* where) {
  EXPECT_LE(std::abs(actual.r - expected.r), 2) << where;
  EXPECT_LE(std::abs(actual.g - expected.g), 2) << where;
  EXPECT_LE(std::abs(actual.b - expected.b), 2) << where;
}

// The whole headless chain: EGL pbuffer, the table filled from the system library, fixed-function
// drawing with an orthographic projection, and the pixels read back top row first.
TEST(Render, ClearAndFlatTriangleMatchTheReviewedImage) {
  IRONWOOD_OPEN_OFFSCREEN(renderer, kWidth, kHeight);
  std::printf("renderer: %s\n", renderer->Description().c_str());

  gl.glViewport(0, 0, kWidth, kHeight);
  gl.glMatrixMode(GL_PROJECTION);
  gl.glLoadIdentity();
  gl.glOrtho(0.0, kWidth, 0.0, kHeight, -1.0, 1.0);
  gl.glMatrixMode(GL_MODELVIEW);
  gl.glLoadIdentity();
  gl.glDisable(GL_DEPTH_TEST);
  gl.glClearColor(0.1f, 0.2f, 0.4f, 1.0f);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glColor3f(1.0f, 0.8f, 0.2f);
  gl.glBegin(GL_TRIANGLES);
  gl.glVertex2f(20.0f, 15.0f);
  gl.glVertex2f(140.0f, 30.0f);
  gl.glVertex2f(70.0f, 105.0f);  // the apex, near the top of the image
  gl.glEnd();
  ASSERT_EQ(gl.glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  const testing::Image image = renderer->ReadPixels();
  ASSERT_TRUE(testing::IsWellFormed(image)) << renderer->Error();
  ASSERT_EQ(image.width, kWidth);
  ASSERT_EQ(image.height, kHeight);

  // Checks that hold whatever the golden says, so a wrong golden cannot hide a broken chain.
  const Rgb clear{26, 51, 102};
  const Rgb triangle{255, 204, 51};
  ExpectNear(PixelAt(image, 0, 0), clear, "top left corner");
  ExpectNear(PixelAt(image, kWidth - 1, kHeight - 1), clear, "bottom right corner");
  ExpectNear(PixelAt(image, 70, 55), triangle, "inside the triangle");
  // OpenGL row 100 lies inside near the apex, row 19 below the bottom edge: the image must show
  // them the other way up.
  ExpectNear(PixelAt(image, 70, kHeight - 1 - 100), triangle, "near the apex");
  ExpectNear(PixelAt(image, 70, kHeight - 1 - 19), clear, "below the bottom edge");

  EXPECT_TRUE(testing::MatchesGolden(image, "clear_and_triangle"));
}

// A slanted edge on a multisampled buffer gets pixels between the two colours all along it; on
// a plain buffer every pixel is one colour or the other, and the edge climbs in steps.
TEST(Render, MultisampledEdgesBlendWherePlainOnesStep) {
  auto blendedPixels = [](int samples, int* granted) {
    auto renderer = platform::OpenOffscreenRenderer(kWidth, kHeight, gl, {}, samples);
    if (!renderer->Available()) return -1;
    *granted = renderer->Samples();
    gl.glViewport(0, 0, kWidth, kHeight);
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadIdentity();
    gl.glOrtho(0.0, kWidth, 0.0, kHeight, -1.0, 1.0);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glDisable(GL_DEPTH_TEST);
    gl.glClearColor(0, 0, 0, 1);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    gl.glColor3f(1, 1, 1);
    gl.glBegin(GL_TRIANGLES);
    gl.glVertex2f(10.0f, 10.0f);
    gl.glVertex2f(150.0f, 37.0f);  // a shallow slope: a long run of partly covered pixels
    gl.glVertex2f(10.0f, 110.0f);
    gl.glEnd();
    const testing::Image image = renderer->ReadPixels();
    if (!testing::IsWellFormed(image)) return -1;
    int blended = 0;
    for (std::size_t at = 0; at < image.rgb.size(); at += 3) {
      blended += image.rgb[at] > 20 && image.rgb[at] < 235;
    }
    return blended;
  };
  int plainSamples = -1, multiSamples = -1;
  const int plain = blendedPixels(0, &plainSamples);
  if (plain < 0) GTEST_SKIP() << "no offscreen renderer";
  const int multisampled = blendedPixels(4, &multiSamples);
  ASSERT_GE(multisampled, 0);
  EXPECT_EQ(plainSamples, 0);
  if (multiSamples == 0) GTEST_SKIP() << "the driver offers no multisampled buffer";
  EXPECT_GE(multiSamples, 4);
  EXPECT_EQ(plain, 0);
  EXPECT_GT(multisampled, 150) << "the two slanted edges run about 240 pixels";
}

}  // namespace
}  // namespace ironwood
