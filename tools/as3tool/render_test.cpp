#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/egl_target.h"
#include "saver/assets/plugin_file.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/test_files.h"
#include "tools/as3tool/as3tool.h"
#include "tools/as3tool/inputs.h"
#include "tools/as3tool/render.h"
#include "tools/as3tool/test_run.h"

namespace ironwood::as3tool {
namespace {

// ---- A plug-in with known colours ----

using testing::BoxMesh;
using testing::SolidTexture;

constexpr std::array<std::uint8_t, 3> kHull = {90, 160, 220};

// A long, low box (x is its length) with one phaser at its +x end aiming along +x, inside a
// box-shaped shield of the shield's semi-axes.
PluginFile TestShip() {
  PluginFile file;
  file.flight.pitchRate = file.flight.turnRate = file.flight.bankRate = 1;
  file.flight.angleLimit = 30;
  file.flight.acceleration = 0.1f;
  file.flight.topSpeed = 1;
  file.textures = {SolidTexture(8, kHull), SolidTexture(8, {200, 40, 40}, true)};
  file.meshes = {BoxMesh(2, 0.5f, 0.8f)};
  file.phaserValue = 1;
  file.torpedoValue = 5;
  file.phaser = {SolidTexture(4, {255, 255, 255}), SolidTexture(4, {0, 0, 0}),
                 BoxMesh(0.1f, 0.1f, 0.5f)};
  file.phaserMounts = {{{2.0f, 0, 0}, {1, 0, 0}, 1.0f}};
  file.shieldAxes = {2.4f, 1.0f, 1.2f};
  file.shieldStrength = 100;
  file.shield = {SolidTexture(4, {40, 40, 60}), SolidTexture(4, {0, 0, 0}),
                 BoxMesh(2.4f, 1.0f, 1.2f)};
  return file;
}

// ---- Reading the picture back ----

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // rows from the top
  std::array<int, 3> At(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[at], rgb[at + 1], rgb[at + 2]};
  }
};

std::uint32_t BigEndian(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
         std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Reads the tool's PNG: 8-bit RGB, a zlib stream of stored blocks, filter 0 on every row.
bool ReadPicture(const std::string& path, Picture* picture, std::string* error) {
  Bytes file;
  if (!ReadFileBytes(path, &file, error)) return false;
  const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < 8 || !std::equal(signature.begin(), signature.end(), file.begin())) {
    *error = "not a PNG";
    return false;
  }
  Bytes zlib;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::size_t length = BigEndian(file, at);
    const std::string type(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           file.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (at + 12 + length > file.size()) break;
    const auto data = file.begin() + static_cast<std::ptrdiff_t>(at + 8);
    if (type == "IHDR") {
      picture->width = static_cast<int>(BigEndian(file, at + 8));
      picture->height = static_cast<int>(BigEndian(file, at + 12));
    }
    if (type == "IDAT") zlib.insert(zlib.end(), data, data + static_cast<std::ptrdiff_t>(length));
    at += 12 + length;
  }
  Bytes raw;
  for (std::size_t at = 2; at + 5 <= zlib.size();) {
    const bool last = zlib[at] & 1;
    const std::size_t length = zlib[at + 1] | zlib[at + 2] << 8;
    if ((zlib[at] & 6) != 0 || at + 5 + length > zlib.size()) {
      *error = "not a stream of stored blocks";
      return false;
    }
    raw.insert(raw.end(), zlib.begin() + static_cast<std::ptrdiff_t>(at + 5),
               zlib.begin() + static_cast<std::ptrdiff_t>(at + 5 + length));
    at += 5 + length;
    if (last) break;
  }
  const std::size_t row = static_cast<std::size_t>(picture->width) * 3;
  if (picture->width < 1 || raw.size() != (row + 1) * picture->height) {
    *error = "pixel data does not match the size";
    return false;
  }
  for (int y = 0; y < picture->height; ++y) {
    const auto begin = raw.begin() + static_cast<std::ptrdiff_t>((row + 1) * y + 1);
    picture->rgb.insert(picture->rgb.end(), begin, begin + static_cast<std::ptrdiff_t>(row));
  }
  return true;
}

bool Black(const std::array<int, 3>& p) { return p[0] <= 8 && p[1] <= 8 && p[2] <= 8; }

// The hull's light blue, dimmed a little by the shield drawn over it.
bool HullColoured(const std::array<int, 3>& p) {
  return p[2] > 120 && p[2] > p[1] + 20 && p[1] > p[0] + 30;
}

bool PhaserColoured(const std::array<int, 3>& p) {
  return p[0] > 200 && p[1] < 110 && p[2] < 80;
}

#define IRONWOOD_REQUIRE_EGL()                                              \
  do {                                                                      \
    std::string why;                                                        \
    if (!platform::EglTarget::LibraryAvailable(&why)) GTEST_SKIP() << why; \
  } while (false)

TEST(As3ToolRender, TurnsTheShipInAGridOfViews) {
  IRONWOOD_REQUIRE_EGL();
  testing::TempFolder folder;
  std::string error;
  const Bytes plugin = EncodePluginFile(TestShip(), &error);
  ASSERT_FALSE(plugin.empty()) << error;
  ASSERT_TRUE(WriteFileBytes(File(folder, "box.as3"), plugin, &error)) << error;

  constexpr int kSide = 96;
  const Outcome run = Tool({"render", File(folder, "box.as3"), File(folder, "box.png"),
                            "--frames", "6", "--size", std::to_string(kSide)});
  ASSERT_EQ(run.status, 0) << run.err;
  Picture picture;
  ASSERT_TRUE(ReadPicture(File(folder, "box.png"), &picture, &error)) << error;
  // Six views: four to a row, two rows, the last two cells left black.
  ASSERT_EQ(picture.width, 4 * kSide);
  ASSERT_EQ(picture.height, 2 * kSide);

  std::vector<Picture> views;
  for (int view = 0; view < 8; ++view) {
    Picture cell{kSide, kSide, {}};
    const int left = view % 4 * kSide, top = view / 4 * kSide;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const auto p = picture.At(left + x, top + y);
        cell.rgb.insert(cell.rgb.end(), p.begin(), p.end());
      }
    }
    for (auto [x, y] : {std::pair{0, 0}, {kSide - 1, 0}, {0, kSide - 1}, {kSide - 1, kSide - 1}}) {
      EXPECT_TRUE(Black(cell.At(x, y))) << "view " << view << " corner " << x << "," << y;
    }
    if (view < 6) {
      const auto middle = cell.At(kSide / 2, kSide / 2);
      EXPECT_TRUE(HullColoured(middle)) << "view " << view << ": " << middle[0] << ","
                                        << middle[1] << "," << middle[2];
    } else {
      EXPECT_TRUE(Black(cell.At(kSide / 2, kSide / 2))) << "unused cell " << view;
    }
    views.push_back(cell);
  }

  // The long box turns 60 degrees between views: its outline changes each time.
  for (int view = 1; view < 6; ++view) {
    int changed = 0;
    for (std::size_t i = 0; i < views[0].rgb.size(); i += 3) {
      if (std::abs(views[view].rgb[i + 2] - views[view - 1].rgb[i + 2]) > 40) ++changed;
    }
    EXPECT_GT(changed, kSide * kSide / 50) << "views " << view - 1 << " and " << view;
  }

  // Seen at heading 0 the ship's +x end, where the phaser sits, is on the right.
  int left = 0, right = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      if (PhaserColoured(views[0].At(x, y))) ++(x < kSide / 2 ? left : right);
    }
  }
  EXPECT_GT(right, 0);
  EXPECT_EQ(left, 0);
}

// Plug-ins side by side at one scale: a ship twice as long is drawn twice as long, each in its
// own column, and a faulty plug-in among them fails the sheet.
TEST(As3ToolRender, SheetComparesPlugInsAtOneScale) {
  IRONWOOD_REQUIRE_EGL();
  testing::TempFolder folder;
  std::string error;
  PluginFile big = TestShip();
  for (PluginMesh* mesh : {&big.meshes[0], &big.shield.mesh}) {
    for (PluginVertex& v : mesh->vertices) {
      for (float& c : v.position) c *= 2;
    }
  }
  for (float& axis : big.shieldAxes) axis *= 2;
  big.phaserMounts[0].position[0] *= 2;
  ASSERT_TRUE(WriteFileBytes(File(folder, "small.as3"), EncodePluginFile(TestShip(), &error),
                             &error));
  ASSERT_TRUE(WriteFileBytes(File(folder, "big.as3"), EncodePluginFile(big, &error), &error));
  constexpr int kSide = 96;
  const Outcome run = Tool({"render", "--sheet", File(folder, "small.as3"),
                            File(folder, "big.as3"), File(folder, "sheet.png"), "--size",
                            std::to_string(kSide)});
  ASSERT_EQ(run.status, 0) << run.err;
  Picture picture;
  ASSERT_TRUE(ReadPicture(File(folder, "sheet.png"), &picture, &error)) << error;
  ASSERT_EQ(picture.width, 2 * kSide);
  ASSERT_GT(picture.height, 2 * kSide);  // two views and the names below
  // The side view (second row): the hull's extent along the picture, per column.
  std::array<int, 2> extent{};
  for (int column = 0; column < 2; ++column) {
    int low = kSide, high = -1;
    for (int x = 0; x < kSide; ++x) {
      if (HullColoured(picture.At(column * kSide + x, kSide + kSide / 2))) {
        low = std::min(low, x);
        high = std::max(high, x);
      }
    }
    extent[static_cast<std::size_t>(column)] = high - low;
  }
  EXPECT_GT(extent[0], 4);
  EXPECT_NEAR(extent[1], 2.0 * extent[0], 3.0) << extent[0] << " " << extent[1];

  ASSERT_TRUE(WriteFileBytes(File(folder, "junk.as3"), Bytes(40, 0x41), &error));
  const Outcome bad = Tool({"render", "--sheet", File(folder, "small.as3"),
                            File(folder, "junk.as3"), File(folder, "bad.png")});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("junk.as3"), std::string::npos) << bad.err;
  EXPECT_FALSE(std::filesystem::exists(File(folder, "bad.png")));
}

TEST(As3ToolRender, RefusesWhatItCannotLoadOrWrite) {
  IRONWOOD_REQUIRE_EGL();
  testing::TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteFileBytes(File(folder, "junk.as3"), Bytes(40, 0x41), &error)) << error;
  for (const std::string& input : {File(folder, "junk.as3"), File(folder, "missing.as3")}) {
    const Outcome run = Tool({"render", input, File(folder, "out.png")});
    EXPECT_EQ(run.status, 1) << input;
    EXPECT_NE(run.err.find(input), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(File(folder, "out.png")));
  }

  const Bytes plugin = EncodePluginFile(TestShip(), &error);
  ASSERT_TRUE(WriteFileBytes(File(folder, "box.as3"), plugin, &error)) << error;
  const std::string unwritable = File(folder, "no-such-folder/out.png");
  const Outcome run = Tool({"render", File(folder, "box.as3"), unwritable, "--size", "16"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(unwritable), std::string::npos) << run.err;
}

TEST(As3ToolRender, UsageMistakesExitWithStatusTwo) {
  const std::vector<std::vector<std::string>> faults = {
      {"--size"}, {"--size", "15"}, {"--size", "2049"}, {"--size", "64x"}, {"--frames", "0"},
      {"--frames", "65"}, {"--frames", "-3"}, {"--zoom", "2"}, {"c.png"},
      {"--sheet", "--frames", "2"}};
  std::vector<std::vector<std::string>> mistakes = {{"render"}, {"render", "a.as3"},
                                                    {"render", "--sheet", "a.as3"}};
  for (const auto& extra : faults) {
    mistakes.push_back({"render", "a.as3", "b.png"});
    mistakes.back().insert(mistakes.back().end(), extra.begin(), extra.end());
  }
  for (const std::vector<std::string>& args : mistakes) {
    const Outcome run = Tool(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
  }
  RenderOptions options;
  std::string error;
  ASSERT_TRUE(ParseRenderArguments({"--frames", "3", "in.as3", "--size", "64", "out.png"},
                                   &options, &error))
      << error;
  EXPECT_EQ(options.input, "in.as3");
  EXPECT_EQ(options.output, "out.png");
  EXPECT_EQ(options.size, 64);
  EXPECT_EQ(options.frames, 3);
  EXPECT_EQ(SheetColumns(3) * SheetRows(3), 3);
  EXPECT_EQ(SheetRows(9), 3);
}

}  // namespace
}  // namespace ironwood::as3tool
