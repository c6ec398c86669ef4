#include "saver/shell/contact_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "saver/shell/offscreen_run.h"

namespace ironwood {
namespace {

// A frame of one grey level, rows bottom-up as OpenGL reads them.
std::vector<float> Flat(int width, int height, float level) {
  return std::vector<float>(static_cast<std::size_t>(width) * height * 3, level);
}

// Offers `count` frames, frame n of grey level n / 1000, and holds the last as the final one.
void OfferFrames(ContactSheet& sheet, int width, int height, int count) {
  for (int n = 0; n < count; ++n) {
    const std::vector<float> frame = Flat(width, height, n / 1000.0f);
    if (sheet.Offer()) sheet.Keep(frame.data());
    if (n == count - 1) sheet.KeepLast(frame.data());
  }
}

// The sheet pixel at (x, y) counted from the top left, as a viewer shows it.
float At(const std::vector<float>& sheet, int width, int height, int x, int y, int c = 0) {
  return sheet[(static_cast<std::size_t>(height - 1 - y) * width + x) * 3 + c];
}

TEST(ContactSheet, TilesQuarterFramesFourByThreeInTimeOrderWithABorder) {
  ContactSheet sheet(64, 48);
  EXPECT_EQ(sheet.Width(), 4 * 16 + 5 * 2);
  EXPECT_EQ(sheet.Height(), 3 * 12 + 4 * 2);
  OfferFrames(sheet, 64, 48, 12);
  const std::vector<int> chosen = sheet.ChosenFrames();
  EXPECT_EQ(chosen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  const std::vector<float> pixels = sheet.Compose();
  const int w = sheet.Width(), h = sheet.Height();
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(w) * h * 3);
  for (int tile = 0; tile < 12; ++tile) {
    const int left = 2 + (tile % 4) * 18, top = 2 + (tile / 4) * 14;
    // Each corner of the tile shows its frame: the first at the top left, the last at the
    // bottom right.
    for (const auto& [x, y] : {std::pair{left, top}, {left + 15, top + 11}, {left, top + 11}}) {
      EXPECT_FLOAT_EQ(At(pixels, w, h, x, y), tile / 1000.0f) << tile << " at " << x << "," << y;
    }
  }
  for (const auto& [x, y] : {std::pair{0, 0}, {1, 20}, {18, 5}, {19, 5}, {30, 14}, {w - 1, h - 1}}) {
    EXPECT_FLOAT_EQ(At(pixels, w, h, x, y), ContactSheet::kBorderGrey) << x << "," << y;
  }
}

TEST(ContactSheet, EachTilePixelIsTheMeanOfItsBlock) {
  // Red on the left half of each 4-pixel block, blue on the right; green a ramp in y.
  const int width = 8, height = 4;
  std::vector<float> frame(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      float* p = &frame[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = x % 4 < 2 ? 1.0f : 0.0f;
      p[1] = y / 3.0f;
      p[2] = x % 4 < 2 ? 0.0f : 1.0f;
    }
  }
  ContactSheet sheet(width, height);
  ASSERT_TRUE(sheet.Offer());
  sheet.Keep(frame.data());
  const std::vector<float> pixels = sheet.Compose();
  const int w = sheet.Width(), h = sheet.Height();
  for (int x : {2, 3}) {
    EXPECT_FLOAT_EQ(At(pixels, w, h, x, 2, 0), 0.5f);
    EXPECT_FLOAT_EQ(At(pixels, w, h, x, 2, 1), 0.5f);
    EXPECT_FLOAT_EQ(At(pixels, w, h, x, 2, 2), 0.5f);
  }
  // Tiles with no frame stay black.
  EXPECT_FLOAT_EQ(At(pixels, w, h, 6, 2), 0.0f);
}

// However long the run, the tiles run from its first frame to its last, evenly spaced, while
// only a bounded number of reduced frames is ever held.
TEST(ContactSheet, SpreadsTwelveFramesOverARunOfAnyLength) {
  for (const int count : {13, 24, 25, 100, 1000, 6001}) {
    ContactSheet sheet(8, 8);
    OfferFrames(sheet, 8, 8, count);
    const std::vector<int> chosen = sheet.ChosenFrames();
    ASSERT_EQ(chosen.size(), 12u) << count;
    EXPECT_EQ(chosen.front(), 0) << count;
    EXPECT_EQ(chosen.back(), count - 1) << count;
    const double step = (count - 1) / 11.0;
    for (int i = 0; i < 12; ++i) {
      if (i > 0) {
        EXPECT_GT(chosen[i], chosen[i - 1]) << count;
      }
      // Held frames lie at most count / 12 apart, so the nearest is within half that.
      EXPECT_NEAR(chosen[i], i * step, count / 22.0 + 1) << count << " tile " << i;
    }
  }
  // A short run shows all its frames and leaves the rest black.
  ContactSheet sheet(8, 8);
  OfferFrames(sheet, 8, 8, 5);
  EXPECT_EQ(sheet.ChosenFrames(), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(ContactSheet, RestartForgetsTheFramesBefore) {
  ContactSheet sheet(8, 8);
  OfferFrames(sheet, 8, 8, 500);  // the tunnel
  sheet.Restart();
  EXPECT_EQ(sheet.Offered(), 0);
  OfferFrames(sheet, 8, 8, 30);  // the battle
  const std::vector<int> chosen = sheet.ChosenFrames();
  ASSERT_EQ(chosen.size(), 12u);
  EXPECT_EQ(chosen.front(), 0);
  EXPECT_EQ(chosen.back(), 29);
  const std::vector<float> pixels = sheet.Compose();
  // The first tile is the battle's first frame (grey 0), not the tunnel's.
  EXPECT_FLOAT_EQ(At(pixels, sheet.Width(), sheet.Height(), 3, 3), 0.0f);
}

TEST(ContactSheetOption, NeedsAnOffscreenRunThatDrawsAndABmpName) {
  OffscreenOptions options;
  std::string error;
  std::vector<std::string> arguments = {"/s", "--offscreen", "--contact-sheet=/tmp/b/Sheet.BMP"};
  ASSERT_TRUE(ExtractOffscreenOptions(arguments, options, error)) << error;
  EXPECT_EQ(options.contactSheet, "/tmp/b/Sheet.BMP");
  EXPECT_EQ(arguments, std::vector<std::string>{"/s"});

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"/s", "--offscreen", "--null-gl", "--contact-sheet=s.bmp"},
       "--contact-sheet cannot be used with --null-gl, which draws no pixels"},
      {{"/s", "--battle-stats=2", "--contact-sheet=s.bmp"},
       "--contact-sheet cannot be used with --null-gl, which draws no pixels"},
      {{"/s", "--contact-sheet=s.bmp"}, "--contact-sheet needs --offscreen"},
      {{"/s", "--offscreen", "--contact-sheet=s.png"},
       "--contact-sheet needs a file name ending in .bmp"},
      {{"/s", "--offscreen", "--contact-sheet="},
       "--contact-sheet needs a file name ending in .bmp"},
  };
  for (const auto& [line, why] : refused) {
    std::vector<std::string> args = line;
    options = {};
    EXPECT_FALSE(ExtractOffscreenOptions(args, options, error)) << line.back();
    EXPECT_EQ(error, why);
  }
}

}  // namespace
}  // namespace ironwood
