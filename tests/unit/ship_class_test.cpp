#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "saver/battle/ship_class.h"
#include "tests/support/plugin_builder.h"
#include "tests/support/recording_gl.h"
#include "tests/support/test_files.h"

namespace ironwood {
namespace {

using testing::Bytes;
using testing::PatternModel;
using testing::PatternTexture;
using testing::PcmSound;
using testing::RecordingGl;
using testing::StripMesh;
using testing::TempFolder;

// Four pairs (so pair 3 exists), three hull meshes, both weapon kinds, sounds.
PluginFile FullClass() {
  PluginFile f;
  f.flight = {1, 2, 3, 40, 0.5f, 9};  // rates, angle limit, acceleration, top speed
  for (int i = 0; i < 8; ++i) f.textures.push_back(PatternTexture(8 >> (i % 3), 4, i % 2 == 1, i));
  f.meshes = {StripMesh(4, 0, 0), StripMesh(5, 3, 1), StripMesh(3, 1, 2)};
  f.phaserValue = 1.5f;
  f.torpedoValue = 30;
  f.phaser = PatternModel(1);
  f.phaserMounts = {{{1, 2, 3}, {0, 0, 1}, 0.5f}, {{-1, -2, -3}, {0, 1, 0}, 0.25f}};
  f.torpedo = PatternModel(2);
  f.torpedoMounts = {{{0, 0, 4}, {0, 0, 2}, 0.1f}};
  f.shieldAxes = {1.6f, 1.0f, 2.5f};
  f.shieldStrength = 120;
  f.shield = PatternModel(3);
  f.hasSounds = true;
  f.sounds = {PcmSound(10), PcmSound(0), PcmSound(33)};
  return f;
}

Bytes Encode(const PluginFile& f) {
  return testing::EncodePlugin(f);
}

// Each GL texture object is set up once, with one glTexEnvf, however many levels it uploads.
int TexturesCreated(const RecordingGl& gl) { return gl.Count("glTexEnvf"); }

TEST(ShipClass, LoadsEveryPartOfTheFileWhereTheShipsLookForIt) {
  RecordingGl gl;
  TextureNamePool pool;
  TempFolder folder;
  const PluginFile file = FullClass();
  const std::string path = folder.Write("Plugins/Full.as3", Encode(file));

  ShipClass c;
  std::string why;
  ASSERT_TRUE(c.Load(path, pool, 1, true, &why)) << why;
  EXPECT_EQ(c.path(), path);
  EXPECT_EQ(c.flightAttributes(), (FlightAttributes{1, 2, 3, 40, 0.5f, 9}));

  // Hull: pair index 3 means textures 6 and 7; every hull texture has its levels with the
  // texture level applied, and is uploaded.
  ASSERT_EQ(c.meshCount(), 3);
  ASSERT_EQ(c.pairCount(), 4);
  EXPECT_EQ(c.mesh(1).texture, &c.texture(6));
  EXPECT_EQ(c.mesh(1).secondTexture, &c.texture(7));
  for (int i = 0; i < c.textureCount(); ++i) {
    EXPECT_TRUE(c.texture(i).hasLevels()) << i;
    EXPECT_EQ(c.texture(i).skipLevels(), 1) << i;
    EXPECT_LT(c.texture(i).glName(), TextureNamePool::kNameCount) << i;
    EXPECT_EQ(c.texture(i).pixels(), file.textures[static_cast<std::size_t>(i)].pixels) << i;
  }
  const Mesh& m = c.mesh(1);
  EXPECT_EQ(m.vertexCount, 5u);
  EXPECT_EQ(m.faceCount, 3u);
  EXPECT_EQ(m.positions[3], 2.0f);  // vertex 1 of a strip based at 1
  EXPECT_EQ(m.indices, (std::vector<std::uint32_t>{0, 1, 2, 1, 2, 3, 2, 3, 4}));

  // Weapon models: own texture, no second, uploaded once without levels.
  ASSERT_NE(c.phaserModel(), nullptr);
  ASSERT_NE(c.torpedoModel(), nullptr);
  EXPECT_EQ(c.phaserModel()->texture, c.phaserTexture());
  EXPECT_EQ(c.phaserModel()->secondTexture, nullptr);
  EXPECT_FALSE(c.phaserTexture()->hasLevels());
  EXPECT_LT(c.phaserTexture()->glName(), TextureNamePool::kNameCount);
  EXPECT_EQ(c.shieldModel().texture, c.shieldTexture());
  EXPECT_TRUE(c.shieldTexture()->hasLevels());

  // Texture objects: 8 hull images + 4 inverse copies (odd textures have alpha), phaser,
  // torpedo, shield and its inverse copy. No other texture record reaches GL.
  EXPECT_EQ(TexturesCreated(gl), 8 + 4 + 1 + 1 + 2);

  // Mounts keep position, arc and aim; an index beyond the count gives the first.
  ASSERT_EQ(c.phaserMountCount(), 2);
  EXPECT_EQ(c.phaserMount(1).position, (std::array<float, 3>{-1, -2, -3}));
  EXPECT_EQ(c.phaserMount(1).arc, 0.25f);
  EXPECT_EQ(c.phaserMount(1).aim, (std::array<float, 3>{0, 1, 0}));
  EXPECT_EQ(c.phaserMount(2).arc, 0.5f);
  EXPECT_EQ(c.torpedoMountCount(), 1);
  EXPECT_EQ(c.torpedoMount(7).aim, (std::array<float, 3>{0, 0, 2}));
  EXPECT_EQ(c.shieldAxes(), (std::array<float, 3>{1.6f, 1.0f, 2.5f}));
  EXPECT_EQ(c.shieldStrength(), 120.0f);

  ASSERT_TRUE(c.hasSounds());
  EXPECT_EQ(c.launchSound().format, PcmFormat(1, 11025));
  EXPECT_EQ(c.launchSound().data, file.sounds[0].data);
  EXPECT_TRUE(c.phaserSound().empty());

  // A moved class still points its meshes at its own textures.
  ShipClass moved = std::move(c);
  EXPECT_EQ(moved.mesh(1).texture, &moved.texture(6));
  EXPECT_EQ(moved.phaserModel()->texture, moved.phaserTexture());
}

TEST(ShipClass, SoundBlocksAreReadOnlyWithSoundEffectsOn) {
  RecordingGl gl;
  TextureNamePool pool;
  TempFolder folder;
  PluginFile file = FullClass();
  const std::string withSounds = folder.Write("With.as3", Encode(file));
  file.hasSounds = false;
  const std::string without = folder.Write("Without.as3", Encode(file));
  // Sound blocks cut short matter only to a loader that reads them.
  Bytes cut = Encode(FullClass());
  cut.resize(cut.size() - 5);
  const std::string cutSounds = folder.Write("Cut.as3", cut);

  for (const std::string& path : {withSounds, without, cutSounds}) {
    ShipClass silent;
    std::string why;
    ASSERT_TRUE(silent.Load(path, pool, 0, false, &why)) << path << ": " << why;
    EXPECT_FALSE(silent.hasSounds());
    EXPECT_EQ(silent.meshCount(), 3);
    EXPECT_EQ(silent.torpedoMountCount(), 1);
  }
  ShipClass loud;
  ASSERT_TRUE(loud.Load(without, pool, 0, true));
  EXPECT_FALSE(loud.hasSounds());
  std::string why;
  EXPECT_FALSE(loud.Load(cutSounds, pool, 0, true, &why));
  EXPECT_NE(why.find("sound 3"), std::string::npos) << why;
}

// Sample memory is the one thing a class can do without: the class loads without sounds and
// says so, so that the caller switches sound effects off.
TEST(ShipClass, SoundsWithoutMemoryLeaveTheClassSilent) {
  RecordingGl gl;
  TextureNamePool pool;
  TempFolder folder;
  const std::string path = folder.Write("Loud.as3", Encode(FullClass()));  // 10 + 0 + 33 bytes
  ShipClass c;
  std::string why;
  ASSERT_TRUE(c.Load(path, pool, 0, true, &why, 43)) << why;
  EXPECT_TRUE(c.hasSounds());
  EXPECT_FALSE(c.soundMemoryFailed());

  ASSERT_TRUE(c.Load(path, pool, 0, true, &why, 42)) << why;
  EXPECT_FALSE(c.hasSounds());
  EXPECT_TRUE(c.soundMemoryFailed());
  EXPECT_TRUE(c.launchSound().empty() && c.breakUpSound().empty());
  EXPECT_EQ(c.meshCount(), 3);
  EXPECT_EQ(c.torpedoMountCount(), 1);

  // With sound effects off no memory is asked for, so none is missing.
  ASSERT_TRUE(c.Load(path, pool, 0, false, &why, 0)) << why;
  EXPECT_FALSE(c.soundMemoryFailed());
}

TEST(ShipClass, ClassesWithoutHullOrWeaponsLoad) {
  RecordingGl gl;
  TextureNamePool pool;
  TempFolder folder;
  PluginFile file = FullClass();
  file.textures.clear();
  file.meshes.clear();
  file.phaserMounts.clear();
  file.torpedoMounts.clear();
  // What would have been the weapon models is not written, so it may be anything.
  file.phaser = {};
  file.torpedo = {};
  const Bytes bytes = Encode(file);
  ShipClass c;
  std::string why;
  ASSERT_TRUE(c.Load(folder.Write("Bare.as3", bytes), pool, 0, true, &why)) << why;
  EXPECT_EQ(c.meshCount(), 0);
  EXPECT_EQ(c.phaserModel(), nullptr);
  EXPECT_EQ(c.torpedoModel(), nullptr);
  // Asking for a mount of a class without any is answered, not a crash.
  EXPECT_EQ(c.phaserMount(0).arc, 0.0f);
  EXPECT_EQ(c.torpedoMount(3).position, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(c.shieldModel().vertexCount, 3u);
  EXPECT_TRUE(c.hasSounds());
  // Only the shield reaches GL, with its inverse copy.
  EXPECT_EQ(TexturesCreated(gl), 2);
}

// Empty texture records load: the class keeps them, but nothing is uploaded and the meshes
// have no texture there.
TEST(ShipClass, EmptyTexturesLoadWithoutUploads) {
  RecordingGl gl;
  TextureNamePool pool;
  TempFolder folder;
  PluginFile file = FullClass();
  file.textures[6] = {};
  file.phaser.texture = {};
  file.shield.texture = {};
  file.shield.discarded = {};
  ShipClass c;
  std::string why;
  ASSERT_TRUE(c.Load(folder.Write("Empty.as3", Encode(file)), pool, 0, true, &why)) << why;
  EXPECT_EQ(c.textureCount(), 8);
  EXPECT_EQ(c.texture(6).width(), 0);
  EXPECT_FALSE(c.texture(6).hasLevels());
  EXPECT_EQ(c.mesh(1).texture, nullptr);
  EXPECT_EQ(c.mesh(1).secondTexture, &c.texture(7));
  ASSERT_NE(c.phaserModel(), nullptr);
  EXPECT_EQ(c.phaserModel()->texture, nullptr);
  EXPECT_EQ(c.shieldModel().texture, nullptr);
  EXPECT_EQ(c.shieldTexture()->glName(), 10001u);
  // The full class's 16 texture objects less texture 6, the phaser's and the shield's two.
  EXPECT_EQ(TexturesCreated(gl), 16 - 1 - 1 - 2);
}

// Every refusal names the file, leaves an already loaded class untouched and uploads nothing.
TEST(ShipClass, BadPlugInsAreRefusedWithoutTouchingTheClass) {
  RecordingGl gl;
  TextureNamePool pool;
  TempFolder folder;
  const PluginFile file = FullClass();
  const Bytes good = Encode(file);
  ShipClass c;
  ASSERT_TRUE(c.Load(folder.Write("Good.as3", good), pool, 0, true));
  const GLuint name6 = c.texture(6).glName();
  const Texture* texture6 = c.mesh(1).texture;

  auto expectRefused = [&](const Bytes& bytes, const std::string& label, bool sounds = true,
                           const std::string& fault = "") {
    const std::string path = folder.Write("Bad.as3", bytes);
    const std::size_t callsBefore = gl.calls.size();
    std::string why;
    EXPECT_FALSE(c.Load(path, pool, 0, sounds, &why)) << label;
    EXPECT_EQ(why.rfind(path, 0), 0u) << label << ": " << why;
    if (!fault.empty()) {
      EXPECT_NE(why.find(fault), std::string::npos) << label << ": " << why;
    }
    EXPECT_EQ(gl.calls.size(), callsBefore) << label;
    EXPECT_EQ(c.meshCount(), 3) << label;
    EXPECT_EQ(c.mesh(1).texture, texture6) << label;
    EXPECT_EQ(c.texture(6).glName(), name6) << label;
    EXPECT_TRUE(pool.InUse(name6)) << label;
    EXPECT_EQ(c.breakUpSound().dataSize(), 33u) << label;
  };

  Bytes bad = good;
  bad[7] = 0;  // "AS3" followed by a zero byte instead of the space
  expectRefused(bad, "magic", true, "magic");

  // Every cut before the end of the shield mesh, with and without sounds.
  PluginFile noSounds = file;
  noSounds.hasSounds = false;
  const std::size_t shieldEnd = Encode(noSounds).size();
  for (std::size_t size = 0; size < shieldEnd; size += 97) {
    expectRefused(Bytes(good.begin(), good.begin() + static_cast<long>(size)),
                  "cut at " + std::to_string(size), size % 2 == 0, "ends");
  }
  expectRefused(Bytes(good.begin(), good.begin() + static_cast<long>(shieldEnd) - 1),
                "cut one byte short", false, "ends");

  // Indices out of range, found in the encoded bytes: pair count 4 lowered to 1 leaves hull
  // mesh 1 (pair 3) without textures.
  bad = good;
  bad[32] = 1;
  expectRefused(bad, "pair count", true);
  // A hull mesh's triangle naming a vertex it does not have: rebuild with a bad index would be
  // refused by the encoder, so patch the first triangle word of hull mesh 0.
  std::size_t at = 33;
  for (const PluginTexture& t : file.textures) at += 4 + t.pixels.size();
  at += 1 + 4 + 4 * 32;  // mesh count, header, four vertices
  bad = good;
  testing::Put32(bad, at, 4u | 1u << 10 | 2u << 20);
  expectRefused(bad, "vertex index", true, "vertex 4");
  // A mount count byte of 128 or more would be negative.
  PluginFile bare = file;
  bare.textures.clear();
  bare.meshes.clear();
  const Bytes bareBytes = Encode(bare);
  bad = bareBytes;
  bad[34] = 0x80;  // pair count, mesh count, phaser count
  expectRefused(bad, "mount count", true, "negative");
  // A texture record with ratio 0.
  bad = good;
  testing::Put32(bad, 33, 8u);
  expectRefused(bad, "ratio", true, "ratio 0");

  std::string why;
  EXPECT_FALSE(c.Load("", pool, 0, true, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(c.Load((folder.Path() / "Missing.as3").string(), pool, 0, true, &why));
  EXPECT_NE(why.find("Missing.as3"), std::string::npos);
  EXPECT_EQ(LoadShipClass((folder.Path() / "Missing.as3").string(), pool, 0, true), nullptr);
  // A folder with a plug-in's name, and a file far too large to be one, are refused unread.
  std::filesystem::create_directories(folder.Path() / "Folder.as3");
  EXPECT_FALSE(c.Load((folder.Path() / "Folder.as3").string(), pool, 0, true, &why));
  EXPECT_NE(why.find("Folder.as3: a folder, not a plug-in file"), std::string::npos) << why;
  const std::string huge = folder.Write("Huge.as3", good);
  std::filesystem::resize_file(huge, kMaxPluginFileBytes + 1);
  EXPECT_FALSE(c.Load(huge, pool, 0, true, &why));
  EXPECT_NE(why.find("67108865 bytes; a plug-in file holds at most"), std::string::npos) << why;
  EXPECT_EQ(c.meshCount(), 3);
}

TEST(ShipClass, ShieldPointAndGlow) {
  const std::array<float, 3> axes{2, 1, 4};
  // Along an axis the ray leaves at that semi-axis, whatever the direction's length.
  EXPECT_NEAR(ShieldPoint(axes, 10, Vector3(5, 0, 0)).x(), 2, 1e-9);
  EXPECT_NEAR(ShieldPoint(axes, 10, Vector3(0, -0.25, 0)).y(), -1, 1e-9);
  // Off axis the point lies on the ellipsoid, along the direction.
  const Vector3 p = ShieldPoint(axes, 1, Vector3(1, 1, 1));
  EXPECT_NEAR(p.x() * p.x() / 4 + p.y() * p.y() + p.z() * p.z() / 16, 1, 1e-9);
  EXPECT_NEAR(p.x(), p.z(), 1e-12);
  // A shield that is down, a zero direction and a flat ellipsoid all give the centre.
  for (const Vector3& q : {ShieldPoint(axes, 0, Vector3(1, 0, 0)),
                           ShieldPoint(axes, -5, Vector3(1, 0, 0)),
                           ShieldPoint(axes, 10, Vector3(0, 0, 0)),
                           ShieldPoint({0, 0, 0}, 10, Vector3(1, 2, 3))}) {
    EXPECT_EQ(q.x(), 0);
    EXPECT_EQ(q.y(), 0);
    EXPECT_EQ(q.z(), 0);
  }

  EXPECT_DOUBLE_EQ(ShieldGlowFactor(1.5), 2.0 / 1.5);
  EXPECT_DOUBLE_EQ(ShieldGlowFactor(1.6), 3.2 / 1.6);
  EXPECT_EQ(ShieldGlowFactor(0), 0.0);
  EXPECT_DOUBLE_EQ(ShieldGlowGain(0, 4), 2.0);
  EXPECT_DOUBLE_EQ(ShieldGlowGain(0.25, 4), 1.0);
  EXPECT_EQ(ShieldGlowGain(0.5, 4), 0.0);
  EXPECT_FALSE(std::isnan(ShieldGlowGain(0, ShieldGlowFactor(0))));
}

#ifdef IRONWOOD_INSTALLATION_DIR
TEST(ShipClass, EveryGeneratedPlugInLoads) {
  const auto plugins = std::filesystem::path(IRONWOOD_INSTALLATION_DIR) / "Plugins";
  std::error_code error;
  if (!std::filesystem::is_directory(plugins, error)) {
    GTEST_SKIP() << "no generated installation folder at " << plugins.string();
  }
  RecordingGl gl;
  TextureNamePool pool;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(plugins)) {
    if (entry.path().extension() != ".as3") continue;
    ++count;
    for (bool sounds : {true, false}) {
      std::string why;
      auto c = LoadShipClass(entry.path().string(), pool, 0, sounds, &why);
      ASSERT_NE(c, nullptr) << why;
      EXPECT_GT(c->meshCount(), 0) << entry.path();
      EXPECT_GT(c->shieldModel().faceCount, 0u) << entry.path();
      EXPECT_EQ(c->phaserModel() != nullptr, c->phaserMountCount() > 0) << entry.path();
      EXPECT_EQ(c->hasSounds(), sounds) << entry.path();
      for (int i = 0; sounds && i < ShipClass::kSoundCount; ++i) {
        EXPECT_FALSE(c->sounds()[static_cast<std::size_t>(i)].empty()) << entry.path() << i;
      }
    }
  }
  EXPECT_GT(count, 0);
}
#endif

}  // namespace
}  // namespace ironwood
