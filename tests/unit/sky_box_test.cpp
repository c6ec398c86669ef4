#include "saver/render/sky_box.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/dds_file.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::MakeBmp;
using testing::TempFolder;

// Tile i as a 4x4 BMP of one colour (red = i), so a texture shows which file it came from.
void WriteBmpTiles(const TempFolder& folder) {
  for (int i = 0; i < SkyBox::kTileCount; ++i) {
    folder.Write("Gfx/" + SkyBox::TileName(i) + ".bmp",
                 MakeBmp({4, 4, [i](int, int) {
                            return std::array<std::uint8_t, 3>{0, 0, static_cast<std::uint8_t>(i)};
                          }}));
  }
}

void WriteDdsTiles(const TempFolder& folder) {
  for (int i = 0; i < SkyBox::kTileCount; ++i) {
    const testing::Bytes block = {static_cast<std::uint8_t>(i), 0, 0, 0, 0, 0, 0, 0};
    folder.Write("Gfx/" + SkyBox::TileName(i) + ".dds", testing::MakeDds("DXT1", 4, 4, {block}));
  }
}

// A model of `count` one-triangle meshes, each with its own vertex count.
AseModel Model(int count) {
  AseModel model;
  for (int i = 0; i < count; ++i) {
    Mesh mesh;
    mesh.faceCount = 1;
    mesh.vertexCount = 3 + static_cast<std::uint32_t>(i);
    mesh.positions.assign(mesh.vertexCount * 3, 0.0f);
    mesh.normals.assign(mesh.vertexCount * 3, 0.0f);
    mesh.texCoords.assign(mesh.vertexCount * 2, 0.0f);
    mesh.indices = {0, 1, 2};
    model.meshes.push_back(std::move(mesh));
  }
  return model;
}

std::string PointerText(const void* p) {
  char text[64];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

TEST(SkyBox, TilesLoadInTableOrderFromEitherFormat) {
  TempFolder folder;
  WriteBmpTiles(folder);
  SkyBox sky;
  std::string why;
  ASSERT_TRUE(sky.LoadSky(folder.WithSeparator(), false, &why)) << why;
  EXPECT_TRUE(sky.Loaded());
  for (int i = 0; i < SkyBox::kTileCount; ++i) {
    ASSERT_EQ(sky.Tile(i).pixels().size(), 48u) << i;
    EXPECT_EQ(sky.Tile(i).pixels()[0], i) << SkyBox::TileName(i);
  }
  EXPECT_EQ(SkyBox::TileName(0), "BackgroundTop01");
  EXPECT_EQ(SkyBox::TileName(7), "BackgroundFront04");
  EXPECT_EQ(SkyBox::TileName(12), "BackgroundBottom01");
  EXPECT_EQ(SkyBox::TileName(23), "BackgroundRight04");

  // Compressed: the same names with ".dds"; the BMPs are not looked at.
  WriteDdsTiles(folder);
  SkyBox compressed;
  ASSERT_TRUE(compressed.LoadSky(folder.WithSeparator(), true, &why)) << why;
  for (int i = 0; i < SkyBox::kTileCount; ++i) {
    EXPECT_EQ(compressed.Tile(i).compressedFormat(),
              static_cast<GLenum>(GL_COMPRESSED_RGB_S3TC_DXT1_EXT));
    EXPECT_EQ(compressed.Tile(i).compressedLevel(0)[0], i);
  }
}

TEST(SkyBox, AnyMissingOrBadTileFailsTheWholeStep) {
  TempFolder folder;
  WriteBmpTiles(folder);
  SkyBox sky;
  std::string why;
  // Only BMPs present: the compressed sky has no images, which must not pass for a sky.
  EXPECT_FALSE(sky.LoadSky(folder.WithSeparator(), true, &why));
  EXPECT_NE(why.find("BackgroundTop01.dds"), std::string::npos) << why;
  EXPECT_FALSE(sky.Loaded());

  ASSERT_TRUE(sky.LoadSky(folder.WithSeparator(), false, &why)) << why;
  // The last tile broken: the step fails and the sky loaded before stays whole.
  folder.Write("Gfx/BackgroundRight04.bmp", {'B', 'M', 0, 0});
  EXPECT_FALSE(sky.LoadSky(folder.WithSeparator(), false, &why));
  EXPECT_NE(why.find("BackgroundRight04.bmp"), std::string::npos) << why;
  EXPECT_TRUE(sky.Loaded());
  EXPECT_EQ(sky.Tile(23).pixels()[0], 23);

  // A DDS tile cut short fails the compressed load the same way.
  WriteDdsTiles(folder);
  folder.Write("Gfx/BackgroundLeft03.dds", testing::MakeDds("DXT1", 4, 4, {{1, 2, 3}}));
  SkyBox compressed;
  EXPECT_FALSE(compressed.LoadSky(folder.WithSeparator(), true, &why));
  EXPECT_NE(why.find("BackgroundLeft03.dds"), std::string::npos) << why;
}

TEST(SkyBox, DrawBindsTileIThenDrawsMeshIWithDepthWritesOff) {
  TempFolder folder;
  WriteBmpTiles(folder);
  SkyBox sky;
  ASSERT_TRUE(sky.LoadSky(folder.WithSeparator(), false));
  sky.SetModel(Model(26));  // meshes beyond the 24 tiles are not drawn
  TextureNamePool pool(true);
  testing::RecordingGl recording;
  sky.Draw({true, true}, pool);

  const std::vector<testing::GlCall>& calls = recording.calls;
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0].Text(), "glColor3f(1, 1, 1)");
  EXPECT_EQ(calls[1].Text(), "glDepthMask(0)");
  EXPECT_EQ(calls[2].Text(), "glActiveTextureARB(" + std::to_string(GL_TEXTURE0_ARB) + ")");
  EXPECT_EQ(calls.back().Text(), "glDepthMask(1)");
  EXPECT_EQ(recording.Count("glDepthMask"), 2);

  // Follow the bound name and the locked range into each draw.
  std::string bound, locked;
  int draws = 0;
  for (const testing::GlCall& call : calls) {
    if (call.name == "glBindTexture") bound = call.args[1];
    if (call.name == "glLockArraysEXT") locked = call.args[1];
    if (call.name == "glUnlockArraysEXT") locked.clear();
    if (call.name != "glDrawElements") continue;
    const Mesh& mesh = sky.Model().meshes[static_cast<std::size_t>(draws)];
    EXPECT_EQ(call.args[3], PointerText(mesh.indices.data())) << draws;
    EXPECT_EQ(bound, std::to_string(sky.Tile(draws).glName())) << draws;
    EXPECT_EQ(locked, std::to_string(mesh.vertexCount)) << draws;
    ++draws;
  }
  EXPECT_EQ(draws, SkyBox::kTileCount);
  EXPECT_EQ(recording.Count("glUnlockArraysEXT"), SkyBox::kTileCount);
  EXPECT_EQ(recording.Count("glTexImage2D"), SkyBox::kTileCount);  // first draw uploads

  // A model with fewer meshes draws what it has; without arrays locked nothing is locked.
  sky.SetModel(Model(5));
  recording.calls.clear();
  sky.Draw({false, false}, pool);
  EXPECT_EQ(recording.Count("glDrawElements"), 5);
  EXPECT_EQ(recording.Count("glBindTexture"), 5);
  EXPECT_EQ(recording.Count("glLockArraysEXT"), 0);
  EXPECT_EQ(recording.Count("glActiveTextureARB"), 0);
  EXPECT_EQ(recording.calls.back().Text(), "glDepthMask(1)");

  // Nothing loaded: nothing drawn (an empty texture would show as plain white).
  SkyBox empty;
  empty.SetModel(Model(24));
  recording.calls.clear();
  empty.Draw({true, true}, pool);
  EXPECT_TRUE(recording.calls.empty());
}

}  // namespace
}  // namespace ironwood
