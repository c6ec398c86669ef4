#include "saver/render/title_overlays.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless/manual_clock.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::MakeBmp;
using testing::TempFolder;

void WriteOverlays(const TempFolder& folder) {
  for (int k = 1; k <= TitleOverlays::kOverlayCount; ++k) {
    const std::string name = "Gfx/TitleScreen0" + std::to_string(k);
    folder.Write(name + ".bmp", MakeBmp({8, 4, [k](int x, int) {
                                           return std::array<std::uint8_t, 3>{
                                               static_cast<std::uint8_t>(k), 0,
                                               static_cast<std::uint8_t>(x)};
                                         }}));
    folder.Write(name + "Opacity.bmp", MakeBmp({8, 4, [](int x, int) {
                                                  const auto a = static_cast<std::uint8_t>(x * 30);
                                                  return std::array<std::uint8_t, 3>{a, a, a};
                                                }}));
  }
}

struct Frame {
  int quads = 0;          // triangle strips drawn
  float opacity = -1.0f;  // alpha of the colour set; -1 when none was set
  std::vector<std::string> boundNames;
};

// One DrawTitles at the given clock time, as the calls it made.
Frame DrawAt(TitleOverlays& titles, platform::ManualClock& clock, std::uint32_t ms,
             TextureNamePool& pool) {
  testing::RecordingGl recording;
  clock.Set(ms);
  titles.DrawTitles(pool);
  Frame frame;
  frame.quads = recording.Count("glBegin");
  for (const auto& call : recording.Named("glColor4f")) frame.opacity = std::stof(call.args[3]);
  for (const auto& call : recording.Named("glBindTexture"))
    frame.boundNames.push_back(call.args[1]);
  return frame;
}

TEST(TitleOverlays, RectanglesScaleWithTheScreenWidth) {
  TempFolder folder;
  WriteOverlays(folder);
  TitleOverlays titles;
  std::string why;
  ASSERT_TRUE(titles.LoadTitles(folder.WithSeparator(), 640, 480, &why)) << why;
  auto expect = [&](int k, float left, float right, float top, float bottom) {
    EXPECT_FLOAT_EQ(titles.Rect(k).left, left) << k;
    EXPECT_FLOAT_EQ(titles.Rect(k).right, right) << k;
    EXPECT_FLOAT_EQ(titles.Rect(k).top, top) << k;
    EXPECT_FLOAT_EQ(titles.Rect(k).bottom, bottom) << k;
  };
  // s = 0.5 on a 640-pixel screen: the banner halves meet at the centre, the strip sits on the
  // bottom edge, 128 wide.
  expect(0, 192, 320, 76, 204);
  expect(1, 320, 448, 76, 204);
  expect(2, 256, 384, 464, 480);
  expect(3, 256, 384, 161.5f, 193.5f);
  expect(4, 256, 384, 261.5f, 293.5f);

  // A screen wider than 4:3 scales by the 4:3 width of its height (1440 / 1280), centred on the
  // real width, the strip still on the bottom edge.
  ASSERT_TRUE(titles.LoadTitles(folder.WithSeparator(), 1920, 1080, &why)) << why;
  expect(1, 960, 1248, 171, 459);
  expect(2, 816, 1104, 1044, 1080);
  // Placed again for a resized window: a 900 x 400 one scales by 533.33 / 1280.
  titles.Place(900, 400);
  expect(0, 450 - 320.0f / 3, 450, 200 - 410.0f / 3, 200 - 30);
  expect(2, 450 - 160.0f / 3, 450 + 160.0f / 3, 400 - 40.0f / 3, 400);
}

TEST(TitleOverlays, AMissingImageFailsTheStepAndNothingIsDrawn) {
  TempFolder folder;
  WriteOverlays(folder);
  std::filesystem::remove(folder.Path() / "Gfx" / "TitleScreen04Opacity.bmp");
  TitleOverlays titles;
  std::string why;
  EXPECT_FALSE(titles.LoadTitles(folder.WithSeparator(), 640, 480, &why));
  EXPECT_NE(why.find("TitleScreen04Opacity.bmp"), std::string::npos) << why;

  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  TextureNamePool pool;
  testing::RecordingGl recording;
  titles.DrawTitles(pool);
  EXPECT_TRUE(recording.calls.empty());
}

TEST(TitleOverlays, TimelineRunsBothStagesAndEnds) {
  TempFolder folder;
  WriteOverlays(folder);
  TitleOverlays titles;
  ASSERT_TRUE(titles.LoadTitles(folder.WithSeparator(), 640, 480));
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  TextureNamePool pool;

  // Stage 1: overlays 1 to 3 (the first three names) at full strength up to 4000 ms.
  Frame f = DrawAt(titles, clock, 0, pool);
  EXPECT_EQ(f.quads, 3);
  EXPECT_EQ(f.opacity, 1.0f);
  EXPECT_EQ(f.boundNames, (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(DrawAt(titles, clock, 1000, pool).opacity, 1.0f);
  EXPECT_EQ(DrawAt(titles, clock, 4000, pool).opacity, 1.0f);
  // The fade timer starts on the first frame past 4000 ms.
  EXPECT_EQ(DrawAt(titles, clock, 4001, pool).opacity, 1.0f);
  f = DrawAt(titles, clock, 4750, pool);
  EXPECT_EQ(f.quads, 3);
  EXPECT_NEAR(f.opacity, 1.0f - 749.0f / 1500.0f, 1e-5f);
  // A late frame leaves the fade below 0: drawn invisible, and stage 2 starts on the next one.
  f = DrawAt(titles, clock, 5700, pool);
  EXPECT_EQ(f.quads, 3);
  EXPECT_EQ(f.opacity, 0.0f);
  EXPECT_LT(titles.Stage1Opacity(), 0.0f);
  EXPECT_EQ(titles.Stage(), 1);
  f = DrawAt(titles, clock, 5716, pool);
  EXPECT_EQ(f.quads, 0);
  EXPECT_EQ(titles.Stage(), 2);

  // Stage 2: overlays 4 and 5. The fade-in timer starts on its first query, which reads 0.
  f = DrawAt(titles, clock, 5732, pool);
  EXPECT_EQ(f.quads, 2);
  EXPECT_EQ(f.opacity, 0.0f);
  EXPECT_EQ(f.boundNames, (std::vector<std::string>{"3", "4"}));
  EXPECT_NEAR(DrawAt(titles, clock, 5732 + 750, pool).opacity, 0.5f, 1e-6f);
  EXPECT_EQ(DrawAt(titles, clock, 5732 + 1600, pool).opacity, 1.0f);
  EXPECT_TRUE(titles.FadeInDone());
  // Hold: the timer restarts on the next frame; 1500 ms is not yet past it.
  EXPECT_EQ(DrawAt(titles, clock, 7400, pool).opacity, 1.0f);
  EXPECT_EQ(DrawAt(titles, clock, 8900, pool).opacity, 1.0f);
  EXPECT_FALSE(titles.HoldDone());
  EXPECT_EQ(DrawAt(titles, clock, 8901, pool).opacity, 1.0f);
  EXPECT_TRUE(titles.HoldDone());
  // Fade out over 4000 ms from the next frame.
  EXPECT_EQ(DrawAt(titles, clock, 9000, pool).opacity, 1.0f);
  EXPECT_NEAR(DrawAt(titles, clock, 11000, pool).opacity, 0.5f, 1e-6f);
  f = DrawAt(titles, clock, 13000, pool);
  EXPECT_EQ(f.quads, 0);
  EXPECT_TRUE(titles.Finished());

  testing::RecordingGl recording;
  clock.Set(20000);
  titles.DrawTitles(pool);
  EXPECT_TRUE(recording.calls.empty());
}

TEST(TitleOverlays, DrawingIsOrthographicBlendedAndRestoresTheState) {
  TempFolder folder;
  WriteOverlays(folder);
  TitleOverlays titles;
  ASSERT_TRUE(titles.LoadTitles(folder.WithSeparator(), 640, 480));
  platform::ManualClock clock;
  platform::ScopedClock scoped(clock);
  TextureNamePool pool(true);
  testing::RecordingGl recording;
  titles.DrawTitles(pool);  // uploads the images
  recording.calls.clear();
  clock.Advance(16);
  titles.DrawTitles(pool);
  std::vector<std::string> texts;
  for (const auto& call : recording.calls) texts.push_back(call.Text());
  const std::string unit0 = "glActiveTextureARB(" + std::to_string(GL_TEXTURE0_ARB) + ")";
  auto e = [](GLenum v) { return std::to_string(v); };
  std::vector<std::string> expected = {"glDisable(" + e(GL_LIGHTING) + ")",
                                       "glMatrixMode(" + e(GL_PROJECTION) + ")",
                                       "glPushMatrix()",
                                       "glLoadIdentity()",
                                       "glOrtho(0, 640, 480, 0, 1, -1)",
                                       "glMatrixMode(" + e(GL_MODELVIEW) + ")",
                                       "glPushMatrix()",
                                       "glLoadIdentity()",
                                       "glDisable(" + e(GL_CULL_FACE) + ")",
                                       "glDisable(" + e(GL_DEPTH_TEST) + ")",
                                       "glEnable(" + e(GL_BLEND) + ")",
                                       "glColor4f(1, 1, 1, 1)",
                                       unit0};
  // Overlay 1 (s = 0.5): texture rows are bottom-up, so t = 1 is the top edge.
  for (const char* s :
       {"glBindTexture(3553, 0)", "glBegin(5)", "glTexCoord2f(0, 1)", "glVertex2f(192, 76)",
        "glTexCoord2f(1, 1)", "glVertex2f(320, 76)", "glTexCoord2f(0, 0)", "glVertex2f(192, 204)",
        "glTexCoord2f(1, 0)", "glVertex2f(320, 204)", "glEnd()"}) {
    expected.push_back(s);
  }
  ASSERT_GE(texts.size(), expected.size() + 9);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + expected.size()), expected);
  const std::vector<std::string> tail = {"glDisable(" + e(GL_BLEND) + ")",
                                         "glEnable(" + e(GL_DEPTH_TEST) + ")",
                                         "glEnable(" + e(GL_CULL_FACE) + ")",
                                         "glMatrixMode(" + e(GL_PROJECTION) + ")",
                                         "glPopMatrix()",
                                         "glMatrixMode(" + e(GL_MODELVIEW) + ")",
                                         "glPopMatrix()"};
  EXPECT_EQ(
      std::vector<std::string>(texts.end() - static_cast<std::ptrdiff_t>(tail.size()), texts.end()),
      tail);
  EXPECT_EQ(recording.Count("glBegin"), 3);
}

}  // namespace
}  // namespace ironwood
