#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "saver/assets/texture.h"
#include "saver/shell/screenshot.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::TempFolder;

// k / 255 read back lands just above k after scaling, whatever the rounding.
float Level(int k) {
  return (static_cast<float>(k) + 0.5f) / 255.0f;
}

std::string ShotName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "SFScreenShot%02d.bmp", number);
  return name;
}

// ---- Numbering ----

TEST(ScreenshotNumbering, TakesTheFirstMissingNumber) {
  TempFolder folder;
  const std::string shots = folder.WithSeparator() + "ScreenShots" + platform::kPathSeparator;
  EXPECT_EQ(NextScreenshotPath(folder.WithSeparator()), shots + "SFScreenShot00.bmp");

  for (int n = 0; n < 5; ++n) folder.Write("ScreenShots/" + ShotName(n), {1});
  EXPECT_EQ(NextScreenshotPath(folder.WithSeparator()), shots + "SFScreenShot05.bmp");

  // A gap is filled before the end of the run; a folder by a shot's name counts as taken.
  fs::remove(folder.Path() / "ScreenShots" / ShotName(1));
  fs::remove(folder.Path() / "ScreenShots" / ShotName(3));
  fs::create_directory(folder.Path() / "ScreenShots" / ShotName(1));
  EXPECT_EQ(NextScreenshotPath(folder.WithSeparator()), shots + "SFScreenShot03.bmp");
}

TEST(ScreenshotNumbering, GrowsToThreeDigitsAndStopsAtTheLimit) {
  TempFolder folder;
  for (int n = 0; n < 100; ++n) folder.Write("ScreenShots/" + ShotName(n), {1});
  const std::string path = NextScreenshotPath(folder.WithSeparator());
  EXPECT_EQ(fs::path(path).filename().string(), "SFScreenShot100.bmp");
  EXPECT_EQ(NextScreenshotPath(folder.WithSeparator(), 100), "");
}

// ---- Encoding ----

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(ScreenshotBmp, HeaderAndPixelsOfAFrameFourWide) {
  // 4 x 2, rows bottom-up as OpenGL reads them; each pixel tells its position.
  std::vector<float> rgb;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      rgb.insert(rgb.end(), {Level(10 * x), Level(100 * y), 1.0f});
    }
  }
  const Bytes bmp = EncodeScreenshotBmp(rgb.data(), 4, 2);
  ASSERT_EQ(bmp.size(), 54u + 24u);
  const Bytes header(bmp.begin(), bmp.begin() + 54);
  const Bytes expected = {'B',  'M',  78, 0, 0,    0,            // file size
                          0,    0,    0,  0,                     // reserved
                          54,   0,    0,  0,                     // pixel offset
                          40,   0,    0,  0,                     // info size
                          4,    0,    0,  0, 2,    0,    0, 0,   // width, height (bottom-up)
                          1,    0,    24, 0,                     // planes, bits
                          0,    0,    0,  0,                     // uncompressed
                          24,   0,    0,  0,                     // image size
                          0x5F, 0x27, 0,  0, 0x5F, 0x27, 0, 0,   // 10079 pixels per metre
                          0,    0,    0,  0, 0,    0,    0, 0};  // colours used, important
  EXPECT_EQ(header, expected);
  // Blue, green, red per pixel; the bottom row first, unpadded at this width.
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 66),
            (Bytes{255, 0, 0, 255, 0, 10, 255, 0, 20, 255, 0, 30}));
  EXPECT_EQ(Bytes(bmp.begin() + 66, bmp.end()),
            (Bytes{255, 100, 0, 255, 100, 10, 255, 100, 20, 255, 100, 30}));
}

TEST(ScreenshotBmp, ComponentsTruncateAndStayInRange) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> rgb = {1.0f, 0.5f, 0.0f, 1.5f, -0.2f, nan, 0.999f, 1e-3f, -1e9f};
  const Bytes bmp = EncodeScreenshotBmp(rgb.data(), 3, 1);
  ASSERT_EQ(bmp.size(), 54u + 12u);
  // Stored blue, green, red: (0, 127, 255), (0, 0, 255), (0, 0, 254), then padding to 12.
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()),
            (Bytes{0, 127, 255, 0, 0, 255, 0, 0, 254, 0, 0, 0}));
}

TEST(ScreenshotBmp, RefusesSizesTheFormatCannotHold) {
  const float pixel[3] = {};
  EXPECT_TRUE(EncodeScreenshotBmp(pixel, 0, 1).empty());
  EXPECT_TRUE(EncodeScreenshotBmp(pixel, 1, -1).empty());
  EXPECT_TRUE(EncodeScreenshotBmp(nullptr, 1, 1).empty());
  // Over 4 GiB of pixels: refused before anything is allocated or read.
  EXPECT_TRUE(EncodeScreenshotBmp(pixel, 40000, 40000).empty());
}

// ---- Taking a shot ----

// A frame the fake glReadPixels hands out, and what the read was asked for.
struct FakeFrame {
  std::vector<float> rgb;
  std::vector<std::string> reads;
  bool failRead = false;
  bool readDone = false;
};
FakeFrame* fake = nullptr;

void IW_GLAPI FakeReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, GLvoid* pixels) {
  fake->reads.push_back(std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) +
                        "x" + std::to_string(height) + " " + std::to_string(format) + " " +
                        std::to_string(type));
  fake->readDone = true;
  if (fake->failRead) return;
  const std::size_t count =
      std::min(fake->rgb.size(), static_cast<std::size_t>(width) * height * 3);
  std::copy_n(fake->rgb.begin(), count, static_cast<float*>(pixels));
}

GLenum IW_GLAPI FakeGetError() {
  return fake->failRead && fake->readDone ? GL_INVALID_OPERATION : GL_NO_ERROR;
}

// The recording table with the fake read installed; the recorder puts the real table back.
class ScreenshotShot : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = &frame;
    gl.glReadPixels = FakeReadPixels;
    gl.glGetError = FakeGetError;
  }
  void TearDown() override { fake = nullptr; }

  // Pixels by position, y from the bottom, in 0..1.
  void Fill(int width, int height) {
    frame.rgb.clear();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        frame.rgb.insert(frame.rgb.end(),
                         {Level(40 * x + 7), Level(90 * y + 3), x + y == 0 ? 1.0f : Level(60)});
      }
    }
  }

  testing::RecordingGl recording;
  FakeFrame frame;
  TempFolder folder;
};

TEST_F(ScreenshotShot, WritesPaddedNumberedFilesTheTextureLoaderReads) {
  Fill(5, 2);  // 15 bytes a row: each row needs one byte of padding
  ASSERT_TRUE(TakeScreenshot(folder.WithSeparator(), 5, 2));
  EXPECT_EQ(frame.reads, (std::vector<std::string>{"0 0 5x2 " + std::to_string(GL_RGB) + " " +
                                                   std::to_string(GL_FLOAT)}));
  const fs::path first = folder.Path() / "ScreenShots" / "SFScreenShot00.bmp";
  const Bytes bytes = TempFolder::Read(first);
  ASSERT_EQ(bytes.size(), 54u + 32u);
  EXPECT_EQ(Le32(bytes, 2), 86u);   // file size
  EXPECT_EQ(Le32(bytes, 34), 32u);  // image size
  EXPECT_EQ(bytes[54 + 15], 0);     // padding
  EXPECT_EQ(bytes[54 + 31], 0);

  Texture loaded;
  std::string why;
  ASSERT_TRUE(loaded.LoadBmp(false, first.string(), "", &why)) << why;
  ASSERT_EQ(loaded.width(), 5);
  ASSERT_EQ(loaded.height(), 2);
  const auto& px = loaded.pixels();  // R,G,B bottom-up, as read
  EXPECT_EQ((Bytes{px[0], px[1], px[2]}), (Bytes{7, 3, 255}));
  EXPECT_EQ((Bytes{px[27], px[28], px[29]}), (Bytes{167, 93, 60}));  // x 4, y 1

  // The saver keeps running; the next F12 gets the next number and leaves the first alone.
  Fill(4, 4);
  ASSERT_TRUE(TakeScreenshot(folder.WithSeparator(), 4, 4));
  EXPECT_EQ(TempFolder::Read(first), bytes);
  EXPECT_EQ(TempFolder::Read(folder.Path() / "ScreenShots" / "SFScreenShot01.bmp").size(),
            54u + 48u);
  // The pack alignment comes back to what it was.
  EXPECT_EQ(recording.Named("glPixelStorei").back().Text(),
            "glPixelStorei(" + std::to_string(GL_PACK_ALIGNMENT) + ", 4)");
}

TEST_F(ScreenshotShot, FailureLeavesNoFile) {
  Fill(4, 2);
  // No folder can be made where a file has the folder's name, nor below a missing folder.
  folder.Write("ScreenShots", {'x'});
  EXPECT_FALSE(TakeScreenshot(folder.WithSeparator(), 4, 2));
  EXPECT_EQ(TempFolder::Read(folder.Path() / "ScreenShots"), (Bytes{'x'}));
  const std::string missing = (folder.Path() / "gone" / "").string();
  EXPECT_FALSE(TakeScreenshot(missing, 4, 2));
  EXPECT_FALSE(fs::exists(folder.Path() / "gone"));

  // A read the driver reports as failed is not written as a picture.
  TempFolder other;
  frame.failRead = true;
  EXPECT_FALSE(TakeScreenshot(other.WithSeparator(), 4, 2));
  EXPECT_FALSE(fs::exists(other.Path() / "ScreenShots" / "SFScreenShot00.bmp"));

  // Sizes no file can hold fail before any read.
  frame.failRead = false;
  frame.reads.clear();
  EXPECT_FALSE(TakeScreenshot(other.WithSeparator(), 0, 480));
  EXPECT_FALSE(TakeScreenshot(other.WithSeparator(), 65536, 65536));
  EXPECT_TRUE(frame.reads.empty());
  EXPECT_TRUE(fs::is_empty(other.Path() / "ScreenShots"));
}

}  // namespace
}  // namespace ironwood
