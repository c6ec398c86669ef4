#include <gtest/gtest.h>

#include "platform/render_target.h"
#include "saver/shell/title_screen.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

class CountingTarget : public platform::RenderTarget {
 public:
  bool ChoosePixelFormat() override { return true; }
  bool SetPixelFormat() override { return true; }
  bool CreateContext() override { return true; }
  bool MakeCurrent() override { return true; }
  void ReleaseContext() override {}
  bool SwapBuffers() override {
    ++swaps;
    return true;
  }
  int swaps = 0;
};

TEST(TitleScreen, CoversTheWindowAndGivesItsTextureBack) {
  testing::TempFolder folder;
  folder.Write("Gfx/TitleTest2.bmp",
               testing::MakeBmp({8, 4, [](int x, int y) {
                                   return std::array<std::uint8_t, 3>{
                                       static_cast<std::uint8_t>(x * 30),
                                       static_cast<std::uint8_t>(y * 60), 200};
                                 }}));
  testing::RecordingGl recording;
  TextureNamePool names;
  CountingTarget target;
  DrawTitleScreen(folder.WithSeparator(), 640, 480, names, target);

  EXPECT_EQ(recording.Named("glOrtho").at(0).Text(), "glOrtho(0, 640, 0, 480, -1, 1)");
  EXPECT_EQ(recording.Count("glTexImage2D"), 1);
  std::vector<std::string> vertices;
  for (const auto& call : recording.Named("glVertex3f")) vertices.push_back(call.Text());
  EXPECT_EQ(vertices, (std::vector<std::string>{
                          "glVertex3f(0, 480, 0)", "glVertex3f(0, 0, 0)", "glVertex3f(640, 0, 0)",
                          "glVertex3f(0, 480, 0)", "glVertex3f(640, 0, 0)",
                          "glVertex3f(640, 480, 0)"}));
  std::vector<std::string> coordinates;
  for (const auto& call : recording.Named("glTexCoord2f")) coordinates.push_back(call.Text());
  EXPECT_EQ(coordinates.front(), "glTexCoord2f(0, 1)");
  EXPECT_EQ(coordinates.back(), "glTexCoord2f(1, 1)");
  // Both matrices come back, the model-view mode stays current, culling is on again.
  EXPECT_EQ(recording.Count("glPushMatrix"), 2);
  EXPECT_EQ(recording.Count("glPopMatrix"), 2);
  EXPECT_EQ(recording.Named("glMatrixMode").back().Text(),
            "glMatrixMode(" + std::to_string(GL_MODELVIEW) + ")");
  EXPECT_EQ(recording.Named("glEnable").back().Text(),
            "glEnable(" + std::to_string(GL_CULL_FACE) + ")");
  EXPECT_EQ(recording.Named("glBindTexture").back().Text(), "glBindTexture(3553, 0)");
  EXPECT_FALSE(names.InUse(0));  // the picture's name went back to the pool
  EXPECT_EQ(target.swaps, 1);
}

TEST(TitleScreen, MissingPictureLeavesABlackFrameAndStillPresents) {
  testing::TempFolder folder;
  testing::RecordingGl recording;
  TextureNamePool names;
  CountingTarget target;
  DrawTitleScreen(folder.WithSeparator(), 320, 240, names, target);
  EXPECT_EQ(recording.Count("glClear"), 1);
  EXPECT_EQ(recording.Count("glBegin"), 0);
  EXPECT_EQ(recording.Count("glTexImage2D"), 0);
  EXPECT_EQ(recording.Count("glPopMatrix"), 2);
  EXPECT_EQ(target.swaps, 1);
}

}  // namespace
}  // namespace ironwood
