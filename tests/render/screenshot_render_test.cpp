#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "glapi/frame_capture.h"
#include "saver/shell/screenshot.h"
#include "tests/render/title_picture.h"
#include "tests/support/image.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

// 162 * 3 is not a multiple of 4: every row of the shot needs padding.
constexpr int kWidth = 162;
constexpr int kHeight = 120;

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// What a shell command printed; empty when it could not run.
std::string Output(const std::string& command) {
  std::string text;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[256];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) text.append(chunk, n);
    pclose(pipe);
  }
  return text;
}

// The shot as a top-down RGB image, through the saver's own checked BMP reader.
testing::Image LoadShot(const std::string& path, std::string& why) {
  Texture shot;
  if (!shot.LoadBmp(false, path, "", &why)) return {};
  testing::Image image{shot.width(), shot.height(), {}};
  const std::size_t row = static_cast<std::size_t>(shot.width()) * 3;
  for (int y = shot.height() - 1; y >= 0; --y) {
    const auto from = shot.pixels().begin() + static_cast<std::ptrdiff_t>(row * y);
    image.rgb.insert(image.rgb.end(), from, from + static_cast<std::ptrdiff_t>(row));
  }
  return image;
}

// F12 over the title screen on a real driver: the file holds the frame on screen, and other
// programs read it as the same picture.
TEST(ScreenshotRender, WritesTheFrameOnScreenAsAFileOthersRead) {
  IRONWOOD_RENDER_SCENE(scene, kWidth, kHeight);
  testing::DrawTitlePicture(scene);
  const testing::TempFolder& folder = scene.Folder();
  std::string why;

  std::string error;
  const RgbImage frame = CaptureFrame(kWidth, kHeight, &error);
  ASSERT_EQ(frame.width, kWidth) << error;
  ASSERT_TRUE(TakeScreenshot(folder.WithSeparator(), kWidth, kHeight));
  const std::string path = (folder.Path() / "ScreenShots" / "SFScreenShot00.bmp").string();

  // Float read-back and byte read-back may round one step apart, no more.
  const testing::Image shot = LoadShot(path, why);
  ASSERT_EQ(shot.width, kWidth) << why;
  const auto own = testing::CompareImages(frame, shot, 1, 0.0);
  EXPECT_TRUE(own.matches) << own.Summary();

  if (std::system("command -v identify >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ImageMagick's identify is not on PATH";
  }
  EXPECT_EQ(Output("identify -format '%wx%h' " + Quoted(path) + " 2>&1"), "162x120");
  const std::string ppm = (folder.Path() / "shot.ppm").string();
  ASSERT_EQ(std::system(("convert " + Quoted(path) + " ppm:" + Quoted(ppm)).c_str()), 0);
  testing::Image converted;
  ASSERT_TRUE(testing::ReadPpm(ppm, converted, &error)) << error;
  const auto theirs = testing::CompareImages(frame, converted, 1, 0.0);
  EXPECT_TRUE(theirs.matches) << theirs.Summary();
}

}  // namespace
}  // namespace ironwood
