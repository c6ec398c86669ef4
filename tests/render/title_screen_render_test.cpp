#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "glapi/frame_capture.h"
#include "tests/render/render_support.h"
#include "tests/render/title_picture.h"

namespace ironwood {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

// The saver's own start on an offscreen buffer: the driver bound by name, the OpenGL section in
// the log, the initial state, then the title picture over the whole frame.
TEST(TitleScreenRender, StartsTheRendererAndDrawsThePicture) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  testing::DrawTitlePicture(scene);

  std::ifstream file(scene.Log().Path());
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_NE(text.str().find("        OpenGL Driver:libOpenGL.so.0\n"), std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find("END LOADING OPENGL SUB SYSTEM\n\n"), std::string::npos);

  std::string error;
  const RgbImage image = CaptureFrame(kWidth, kHeight, &error);
  ASSERT_EQ(image.width, kWidth) << error;

  // The band (picture rows 12..15 of 30, from the bottom) crosses the middle of the frame.
  const auto pixel = [&](int x, int yFromTop) {
    const std::size_t at = (static_cast<std::size_t>(yFromTop) * kWidth + x) * 3;
    return std::array<int, 3>{image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
  };
  const auto band = pixel(80, kHeight - 1 - 55);
  EXPECT_GT(band[0], 230);  // red 250, green 220, blue 90
  EXPECT_LT(band[2], 110);
  EXPECT_TRUE(testing::MatchesGolden(image, "title_screen"));
}

}  // namespace
}  // namespace ironwood
