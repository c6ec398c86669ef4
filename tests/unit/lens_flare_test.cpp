#include "saver/effects/lens_flare.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::BgrImage;
using testing::Bytes;
using testing::MakeBmp;
using testing::TempFolder;

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// An installation folder with two flare textures.
struct FlareFolder {
  FlareFolder() {
    const BgrImage image{4, 4, [](int, int) { return std::array<std::uint8_t, 3>{200, 180, 90}; }};
    for (const char* name : {"Gfx/GlowC.bmp", "Gfx/GlowO.bmp", "Gfx/RingC.bmp", "Gfx/RingO.bmp"}) {
      folder.Write(name, MakeBmp(image));
    }
  }
  bool Load(const std::string& lsf, LensFlare& flare, std::string* why) {
    folder.Write("LensFlare.lsf", Text(lsf));
    return flare.Load(folder.WithSeparator(), why);
  }
  TempFolder folder;
};

// A flat quad standing in for the billboard model.
Mesh Billboard() {
  Mesh billboard;
  billboard.vertexCount = 4;
  billboard.faceCount = 2;
  billboard.positions.assign(12, 0);
  billboard.normals.assign(12, 0);
  billboard.texCoords.assign(8, 0);
  billboard.indices = {0, 1, 2, 0, 2, 3};
  return billboard;
}

const std::string kTextures =
    "Textures: 2\r\nTexture: Glow GlowC.bmp GlowO.bmp\r\nTexture: Ring RingC.bmp RingO.bmp\r\n";

TEST(LensFlare, LoadsTexturesAndElementsSkippingUnknownNames) {
  FlareFolder folder;
  LensFlare flare;
  std::string why;
  ASSERT_TRUE(folder.Load(kTextures +
                              "Elements: 3\nElement: Ring 64 0 -0.5\nElement: Nothing 10 0 -1\n"
                              "Element: Glow 256.5 7 0\n",
                          flare, &why))
      << why;
  ASSERT_EQ(flare.textures().size(), 2u);
  EXPECT_EQ(flare.textures()[1].name, "Ring");
  EXPECT_TRUE(flare.textures()[0].texture.HasAlpha());
  ASSERT_EQ(flare.elements().size(), 2u);
  EXPECT_EQ(flare.elements()[0].texture, &flare.textures()[1].texture);
  EXPECT_FLOAT_EQ(flare.elements()[0].size, 64);
  EXPECT_FLOAT_EQ(flare.elements()[0].position, -0.5f);
  EXPECT_FLOAT_EQ(flare.elements()[1].size, 256.5f);
  ASSERT_EQ(flare.problems().size(), 1u);
  EXPECT_NE(flare.problems()[0].find("Nothing"), std::string::npos);
}

TEST(LensFlare, RefusesMissingCutAndImpossibleFiles) {
  FlareFolder folder;
  LensFlare flare;
  std::string why;
  EXPECT_FALSE(flare.Load(folder.folder.WithSeparator(), &why));  // no file yet
  EXPECT_NE(why.find("LensFlare.lsf"), std::string::npos);
  const std::string whole = kTextures + "Elements: 1\nElement: Ring 64 0 -0.5\n";
  // Any cut before the last token leaves the file short (a cut inside it still leaves a number).
  for (std::size_t cut = 0; cut <= whole.rfind(' '); ++cut) {
    if (whole[cut] == ' ' || whole[cut] == '\n' || whole[cut] == '\r') continue;
    EXPECT_FALSE(folder.Load(whole.substr(0, cut), flare, &why)) << cut;
    EXPECT_TRUE(flare.elements().empty());
  }
  EXPECT_FALSE(folder.Load("Textures: 2000000000\n", flare, &why));
  EXPECT_FALSE(folder.Load("Textures: -1\n", flare, &why));
  EXPECT_FALSE(folder.Load("Textures: 1\nTexture: X Absent.bmp GlowO.bmp\nElements: 0\n", flare,
                           &why));
  EXPECT_NE(why.find("Absent.bmp"), std::string::npos);
  EXPECT_TRUE(folder.Load(whole, flare, &why)) << why;

  // Bytes that are no flare file are refused, never an empty success that draws nothing.
  EXPECT_FALSE(folder.Load("Textures: 2x\n", flare, &why));
  EXPECT_NE(why.find("the count of textures is not a number (\"2x\")"), std::string::npos) << why;
  EXPECT_FALSE(folder.Load(kTextures + "Elements: none\n", flare, &why));
  EXPECT_NE(why.find("the count of elements is not a number"), std::string::npos) << why;
  EXPECT_TRUE(flare.textures().empty());
  EXPECT_FALSE(folder.Load(std::string("Tex\x01: 0\nElements: 0\n"), flare, &why));
  EXPECT_NE(why.find("label before the count of textures is not text"), std::string::npos)
      << why;
  std::uint32_t state = 7;
  for (int file = 0; file < 20; ++file) {
    std::string noise(200 + 37 * file, '\0');
    for (char& c : noise) {
      state = state * 1664525u + 1013904223u;
      c = static_cast<char>(state >> 24);
    }
    EXPECT_FALSE(folder.Load(noise, flare, &why)) << file;
    EXPECT_TRUE(flare.elements().empty());
  }
}

TEST(LensFlare, CombinesViewThenProjectionAndTestsTheScreenEdge) {
  double view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};  // a translation
  double projection[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1};
  double r[16];
  LensFlare::Combine(view, projection, r);
  // V * P: the translation column is V's, the diagonal P's.
  EXPECT_EQ(r[0], 2);
  EXPECT_EQ(r[5], 3);
  EXPECT_EQ(r[10], 4);
  EXPECT_EQ(r[12], 5);
  EXPECT_EQ(r[14], 7);

  EXPECT_TRUE(LensFlare::Visible(319.9, 0, 1, 640, 480));
  EXPECT_FALSE(LensFlare::Visible(320, 0, 1, 640, 480));
  EXPECT_FALSE(LensFlare::Visible(-320, 0, 1, 640, 480));
  EXPECT_FALSE(LensFlare::Visible(0, 240, 1, 640, 480));
  EXPECT_FALSE(LensFlare::Visible(0, 0, 0, 640, 480));
}

TEST(LensFlare, RefusesFoldersHugeFilesAndTooManyTexturesAndCapsItsProblemLines) {
  FlareFolder folder;
  LensFlare flare;
  std::string why;
  std::filesystem::create_directory(folder.folder.Path() / "LensFlare.lsf");
  EXPECT_FALSE(flare.Load(folder.folder.WithSeparator(), &why));
  EXPECT_NE(why.find("LensFlare.lsf is not a regular file"), std::string::npos) << why;
  std::filesystem::remove(folder.folder.Path() / "LensFlare.lsf");

  EXPECT_FALSE(folder.Load(kTextures + std::string(LensFlare::kMaxFileBytes, ' '), flare, &why));
  EXPECT_NE(why.find("larger than the 1048576"), std::string::npos) << why;
  // Room in the file for them, but more than a context has texture names.
  EXPECT_FALSE(folder.Load("Textures: 401\n" + std::string(10000, ' '), flare, &why));
  EXPECT_NE(why.find("401 textures are more than the 400"), std::string::npos) << why;

  std::string elements = "Elements: 30\n";
  for (int i = 0; i < 30; ++i) elements += "E Nothing 1 0 0\n";
  ASSERT_TRUE(folder.Load(kTextures + elements, flare, &why)) << why;
  ASSERT_EQ(flare.problems().size(), 11u);
  EXPECT_EQ(flare.problems()[10], "and 20 more");
}

TEST(LensFlare, TheLightLandsWhereTheProjectionFormulaPutsIt) {
  // A camera turned 90 degrees about z and moved, and a projection with a shear into x and y,
  // as matrices in mathematical (row, column) order.
  const double v[4][4] = {{0, -1, 0, 5}, {1, 0, 0, -3}, {0, 0, 1, 2}, {0, 0, 0, 1}};
  const double p[4][4] = {
      {0.1, 0, 0.02, 0}, {0, 0.1, 0.01, 0}, {0, 0, 0.001, 0}, {0, 0, 0, 1}};
  double view[16], projection[16];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      view[4 * c + r] = v[r][c];
      projection[4 * c + r] = p[r][c];
    }
  }
  // By hand: the light (0, -220, -1375) enters as (0, -220, 1375, 1). Through p it becomes
  // (0.02 * 1375, 0.1 * -220 + 0.01 * 1375, 0.001 * 1375, 1) = (27.5, -8.25, 1.375, 1), and
  // through v (8.25 + 5, 27.5 - 3, 1.375 + 2) = (13.25, 24.5, 3.375).
  double r[16];
  LensFlare::Combine(view, projection, r);
  LensFlare flare;
  flare.SetMatrix(r);
  double sx = 0, sy = 0, sz = 0;
  flare.LightPoint(sx, sy, sz);
  EXPECT_NEAR(sx, 13.25, 1e-9);
  EXPECT_NEAR(sy, 24.5, 1e-9);
  EXPECT_NEAR(sz, 3.375, 1e-9);

  // An element at position 0 is drawn at (W/2 - sx, H/2 + sy).
  FlareFolder folder;
  std::string why;
  ASSERT_TRUE(folder.Load(kTextures + "Elements: 1\nE Glow 64 0 0\n", flare, &why)) << why;
  flare.SetMatrix(r);
  TextureNamePool pool;
  testing::RecordingGl recording;
  flare.Draw(0, 640, 480, Billboard(), {}, pool);
  const auto moves = recording.Named("glTranslatef");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].Text(), "glTranslatef(306.75, 264.5, 0)");
}

TEST(LensFlare, DrawsEachElementScaledAlongTheLineWithTheFadedOpacity) {
  FlareFolder folder;
  LensFlare flare;
  std::string why;
  ASSERT_TRUE(folder.Load(kTextures + "Elements: 2\nE Glow 64 0 0\nE Ring 32 0 -1\n", flare, &why));
  const Mesh billboard = Billboard();
  // A matrix whose light point comes out at (100, 50, 10): only the translation column counts
  // when the other columns are zero.
  double m[16] = {};
  m[12] = 100;
  m[13] = 50;
  m[14] = 10;
  flare.SetMatrix(m);
  TextureNamePool pool;
  testing::RecordingGl recording;
  flare.Draw(0.25f, 640, 480, billboard, {}, pool);
  EXPECT_EQ(recording.Named("glColor4f")[0].Text(), "glColor4f(1, 1, 1, 0.75)");
  const auto moves = recording.Named("glTranslatef");
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].Text(), "glTranslatef(220, 290, 0)");  // at the light: (W/2 - sx, H/2 + sy)
  EXPECT_EQ(moves[1].Text(), "glTranslatef(320, 240, 0)");  // -1: the screen centre
  EXPECT_EQ(recording.Named("glScalef")[0].Text(), "glScalef(32, 32, 32)");
  EXPECT_EQ(recording.Count("glDrawElements"), 2);
  EXPECT_EQ(recording.Count("glPushMatrix"), recording.Count("glPopMatrix"));

  // Off screen: nothing at all.
  m[12] = 320;
  flare.SetMatrix(m);
  recording.calls.clear();
  flare.Draw(0, 640, 480, billboard, {}, pool);
  EXPECT_TRUE(recording.calls.empty());
}

}  // namespace
}  // namespace ironwood
