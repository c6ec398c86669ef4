#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "saver/assets/plugin_file.h"
#include "tests/support/plugin_builder.h"

namespace ironwood {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::PatternModel;
using testing::PatternTexture;
using testing::PcmSound;
using testing::StripMesh;

std::uint32_t Get32(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
  return v;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutFloat(Bytes& b, std::size_t at, float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  Put32(b, at, bits);
}
float GetFloat(const Bytes& b, std::size_t at) {
  const std::uint32_t bits = Get32(b, at);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

PluginFile RichFile() {
  PluginFile f;
  f.leading = {1, 2, 3, 4};
  f.flight = {1.25f, 0.5f,  3.0f,
              45.0f, 0.01f, 7.5f};  // rates, angle limit, acceleration, top speed
  f.textures = {PatternTexture(64, 32, false, 0),   PatternTexture(32, 64, true, 1),
                PatternTexture(256, 256, false, 2), PatternTexture(3, 1, true, 3),
                PatternTexture(1, 127, false, 4),   PatternTexture(511, 4, false, 5),
                PatternTexture(5, 5, true, 6),      PatternTexture(2, 2, false, 7)};
  f.meshes = {StripMesh(5, 0, 0.0f), StripMesh(1023, 3, 100.0f), StripMesh(0, 2, 0.0f)};
  f.phaserValue = 2.5f;
  f.torpedoValue = 40.0f;
  f.phaser = PatternModel(1);
  f.phaserMounts = {{{0, 0.5f, 1}, {0, 0, 1}, 0.7f}, {{-1, 0, 0}, {-1, 0, 0.25f}, 1.5f}};
  f.torpedo = PatternModel(2);
  f.torpedoMounts = {{{0, 0, 2}, {0, 0, 1}, 0.3f}};
  f.shieldAxes = {1.5f, 0.75f, 2.0f};
  f.shieldStrength = 150.0f;
  f.shield = PatternModel(3);
  f.hasSounds = true;
  f.sounds = {PcmSound(100, 1), PcmSound(0, 2), PcmSound(4001, 1)};
  return f;
}

void ExpectSameTexture(const PluginTexture& a, const PluginTexture& b, const std::string& what) {
  EXPECT_EQ(a.width, b.width) << what;
  EXPECT_EQ(a.height, b.height) << what;
  EXPECT_EQ(a.hasAlpha, b.hasAlpha) << what;
  EXPECT_TRUE(a.pixels == b.pixels) << what;
}

void ExpectSameMesh(const PluginMesh& a, const PluginMesh& b, const std::string& what) {
  EXPECT_EQ(a.pairIndex, b.pairIndex) << what;
  ASSERT_EQ(a.vertices.size(), b.vertices.size()) << what;
  for (std::size_t i = 0; i < a.vertices.size(); ++i) {
    EXPECT_EQ(a.vertices[i].position, b.vertices[i].position) << what << " vertex " << i;
    EXPECT_EQ(a.vertices[i].normal, b.vertices[i].normal) << what << " vertex " << i;
    EXPECT_EQ(a.vertices[i].texCoord, b.vertices[i].texCoord) << what << " vertex " << i;
  }
  EXPECT_EQ(a.triangles, b.triangles) << what;
}

void ExpectSameModel(const PluginModel& a, const PluginModel& b, const std::string& what) {
  ExpectSameTexture(a.texture, b.texture, what + " texture");
  ExpectSameTexture(a.discarded, b.discarded, what + " second texture");
  ExpectSameMesh(a.mesh, b.mesh, what + " mesh");
}

void ExpectSameMounts(const std::vector<PluginMount>& a, const std::vector<PluginMount>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].position, b[i].position);
    EXPECT_EQ(a[i].aim, b[i].aim);
    EXPECT_EQ(a[i].arc, b[i].arc);
  }
}

void ExpectSameFile(const PluginFile& a, const PluginFile& b, bool withSounds) {
  EXPECT_EQ(a.leading, b.leading);
  EXPECT_EQ(a.flight.pitchRate, b.flight.pitchRate);
  EXPECT_EQ(a.flight.turnRate, b.flight.turnRate);
  EXPECT_EQ(a.flight.bankRate, b.flight.bankRate);
  EXPECT_EQ(a.flight.angleLimit, b.flight.angleLimit);
  EXPECT_EQ(a.flight.acceleration, b.flight.acceleration);
  EXPECT_EQ(a.flight.topSpeed, b.flight.topSpeed);
  ASSERT_EQ(a.textures.size(), b.textures.size());
  for (std::size_t i = 0; i < a.textures.size(); ++i) {
    ExpectSameTexture(a.textures[i], b.textures[i], "texture " + std::to_string(i));
  }
  ASSERT_EQ(a.meshes.size(), b.meshes.size());
  for (std::size_t i = 0; i < a.meshes.size(); ++i) {
    ExpectSameMesh(a.meshes[i], b.meshes[i], "hull mesh " + std::to_string(i));
  }
  EXPECT_EQ(a.phaserValue, b.phaserValue);
  EXPECT_EQ(a.torpedoValue, b.torpedoValue);
  ExpectSameMounts(a.phaserMounts, b.phaserMounts);
  ExpectSameMounts(a.torpedoMounts, b.torpedoMounts);
  if (!a.phaserMounts.empty()) ExpectSameModel(a.phaser, b.phaser, "phaser");
  if (!a.torpedoMounts.empty()) ExpectSameModel(a.torpedo, b.torpedo, "torpedo");
  EXPECT_EQ(a.shieldAxes, b.shieldAxes);
  EXPECT_EQ(a.shieldStrength, b.shieldStrength);
  ExpectSameModel(a.shield, b.shield, "shield");
  EXPECT_EQ(a.hasSounds && withSounds, b.hasSounds);
  if (b.hasSounds) {
    for (std::size_t s = 0; s < 3; ++s) {
      EXPECT_EQ(a.sounds[s].format, b.sounds[s].format) << "sound " << s;
      EXPECT_TRUE(a.sounds[s].data == b.sounds[s].data) << "sound " << s;
    }
  }
}

Bytes Encode(const PluginFile& f) {
  return testing::EncodePlugin(f);
}

bool Parse(const Bytes& bytes, bool sounds, PluginFile* out, std::string* error) {
  return ParsePluginFile(bytes.data(), bytes.size(), sounds, out, error);
}

// The refusal message for `bytes`, or "accepted".
std::string Refusal(const Bytes& bytes, bool sounds = true) {
  PluginFile f;
  std::string error;
  return Parse(bytes, sounds, &f, &error) ? "accepted" : error;
}

// A small plug-in written byte by byte from the file layout, not by our encoder, so that the
// reader and the writer cannot agree on a wrong order between themselves.
TEST(PluginFile, HandWrittenBytesDecodeFieldByField) {
  Bytes b;
  const auto u8 = [&b](std::uint8_t v) { b.push_back(v); };
  const auto u32 = [&b](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  const auto f32 = [&u32](float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  };
  for (std::uint8_t c : {'a', 'b', 'c', 'd', 'A', 'S', '3', ' '}) u8(c);  // 0: free, 4: magic
  ASSERT_EQ(b.size(), 8u);
  for (float v : {1.0f, 2.0f, 3.0f, 40.0f, 0.5f, 9.0f}) f32(v);  // 8..28: flight attributes
  u8(1);                                                         // 32: one texture pair
  u32(1u | 1u << 11);                                            // 33: 1 x 1 RGB (ratio 1)
  for (std::uint8_t v : {10, 20, 30}) u8(v);
  u32(1u | 1u << 9 | 1u << 10 | 2u << 11);  // 40: width 1 times ratio 2, RGBA
  for (std::uint8_t v = 1; v <= 8; ++v) u8(v);
  ASSERT_EQ(b.size(), 52u);
  u8(1);                          // 52: one hull mesh
  u32(3u | 1u << 10 | 0u << 20);  // 53: 3 vertices, 1 face, pair 0
  for (int v = 0; v < 3; ++v) {   // 57: position, normal, texture coordinates
    for (float f : {v + 0.0f, v + 0.5f, -v - 0.0f, 0.0f, 0.0f, 1.0f, 0.25f * v, 1.0f}) f32(f);
  }
  u32(0u | 2u << 10 | 1u << 20);  // 153: the triangle 0, 2, 1
  ASSERT_EQ(b.size(), 157u);
  u8(1);                                            // 157: one phaser mount
  u8(0);                                            // 158: no torpedo mounts
  f32(2.5f);                                        // 159: phaser value
  f32(40.0f);                                       // 163: torpedo value
  const auto tinyModel = [&](std::uint8_t shade) {  // texture, discarded texture, empty mesh
    u32(1u | 1u << 11);
    for (int k = 0; k < 3; ++k) u8(shade);
    u32(1u | 1u << 11);
    for (int k = 0; k < 3; ++k) u8(0);
    u32(0);
  };
  tinyModel(77);  // 167: the phaser model
  ASSERT_EQ(b.size(), 185u);
  for (float v : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 0.75f}) f32(v);  // 185: position, aim, arc
  for (float v : {1.5f, 2.0f, 2.5f, 100.0f}) f32(v);  // 213: shield semi-axes and strength
  tinyModel(99);                                      // 229: the shield model
  ASSERT_EQ(b.size(), 247u);

  PluginFile f;
  std::string error;
  ASSERT_TRUE(Parse(b, true, &f, &error)) << error;
  EXPECT_EQ(f.leading, (std::array<std::uint8_t, 4>{'a', 'b', 'c', 'd'}));
  EXPECT_EQ(f.flight, (FlightAttributes{1, 2, 3, 40, 0.5f, 9}));
  ASSERT_EQ(f.textures.size(), 2u);
  EXPECT_EQ(f.textures[0].pixels, (std::vector<std::uint8_t>{10, 20, 30}));
  EXPECT_EQ(f.textures[1].height, 2);
  EXPECT_TRUE(f.textures[1].hasAlpha);
  EXPECT_EQ(f.textures[1].pixels.back(), 8);
  ASSERT_EQ(f.meshes.size(), 1u);
  EXPECT_EQ(f.meshes[0].vertices[2].position, (std::array<float, 3>{2, 2.5f, -2}));
  EXPECT_EQ(f.meshes[0].vertices[2].normal, (std::array<float, 3>{0, 0, 1}));
  EXPECT_EQ(f.meshes[0].vertices[2].texCoord, (std::array<float, 2>{0.5f, 1}));
  EXPECT_EQ(f.meshes[0].triangles, (std::vector<std::array<std::uint32_t, 3>>{{0, 2, 1}}));
  EXPECT_EQ(f.phaserValue, 2.5f);
  EXPECT_EQ(f.torpedoValue, 40.0f);
  EXPECT_EQ(f.phaser.texture.pixels, (std::vector<std::uint8_t>{77, 77, 77}));
  ASSERT_EQ(f.phaserMounts.size(), 1u);
  EXPECT_EQ(f.phaserMounts[0].position, (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(f.phaserMounts[0].aim, (std::array<float, 3>{4, 5, 6}));
  EXPECT_EQ(f.phaserMounts[0].arc, 0.75f);
  EXPECT_TRUE(f.torpedoMounts.empty());
  EXPECT_EQ(f.shieldAxes, (std::array<float, 3>{1.5f, 2, 2.5f}));
  EXPECT_EQ(f.shieldStrength, 100.0f);
  EXPECT_EQ(f.shield.texture.pixels, (std::vector<std::uint8_t>{99, 99, 99}));
  EXPECT_FALSE(f.hasSounds);
  // And the encoder writes exactly these bytes back.
  EXPECT_TRUE(Encode(f) == b);
}

TEST(PluginFile, RichFileRoundTripsWithAndWithoutSounds) {
  const PluginFile original = RichFile();
  const Bytes bytes = Encode(original);
  ASSERT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 8), "AS3 ");

  PluginFile parsed;
  std::string error;
  ASSERT_TRUE(Parse(bytes, true, &parsed, &error)) << error;
  ExpectSameFile(original, parsed, true);
  // Encoding what was read gives the same bytes: nothing is lost on the way.
  EXPECT_TRUE(Encode(parsed) == bytes);

  // The loader with sound effects off reads the same class from the same file.
  PluginFile silent;
  ASSERT_TRUE(Parse(bytes, false, &silent, &error)) << error;
  ExpectSameFile(original, silent, false);

  // Written without sounds, the file ends after the shield mesh and still loads either way.
  PluginFile noSounds = original;
  noSounds.hasSounds = false;
  const Bytes shorter = Encode(noSounds);
  EXPECT_EQ(shorter.size(), bytes.size() - 3 * 22 - 100 - 0 - 4001);
  ASSERT_TRUE(Parse(shorter, true, &parsed, &error)) << error;
  ExpectSameFile(noSounds, parsed, true);
  EXPECT_FALSE(parsed.hasSounds);

  // Anything after the last sound is not read and does not matter.
  Bytes longer = bytes;
  longer.insert(longer.end(), {9, 9, 9});
  EXPECT_EQ(Refusal(longer), "accepted");
}

TEST(PluginFile, EmptySectionsFollowTheFixedLayout) {
  // N = 0, M = 0, P = 0, T = 0: the counts, then straight from the two values to the shield.
  PluginFile f;
  f.leading = {0xDE, 0xAD, 0xBE, 0xEF};
  f.flight.topSpeed = 9.0f;
  f.phaserValue = 3.0f;
  f.torpedoValue = 4.0f;
  f.phaser = PatternModel(5);  // no mounts: not stored
  f.shieldAxes = {1, 2, 3};
  f.shieldStrength = 5;
  f.shield = {PatternTexture(1, 1, false, 0), PatternTexture(1, 1, false, 1), StripMesh(0, 0, 0)};
  const Bytes bytes = Encode(f);
  ASSERT_EQ(bytes.size(), 8u + 24 + 1 + 1 + 2 + 8 + 16 + 7 + 7 + 4);
  EXPECT_EQ(bytes[0], 0xDE);
  EXPECT_EQ(GetFloat(bytes, 28), 9.0f);
  EXPECT_EQ(bytes[32], 0);  // N
  EXPECT_EQ(bytes[33], 0);  // M
  EXPECT_EQ(bytes[34], 0);  // P
  EXPECT_EQ(bytes[35], 0);  // T
  EXPECT_EQ(GetFloat(bytes, 36), 3.0f);
  EXPECT_EQ(GetFloat(bytes, 40), 4.0f);
  EXPECT_EQ(GetFloat(bytes, 44), 1.0f);
  EXPECT_EQ(GetFloat(bytes, 56), 5.0f);
  EXPECT_EQ(Get32(bytes, 60), 1u | 1u << 11);  // the shield texture: 1 x 1, ratio 1

  PluginFile parsed;
  std::string error;
  ASSERT_TRUE(Parse(bytes, true, &parsed, &error)) << error;
  ExpectSameFile(f, parsed, true);
  EXPECT_TRUE(parsed.textures.empty());
  EXPECT_TRUE(parsed.meshes.empty());
  EXPECT_TRUE(parsed.phaser.mesh.vertices.empty());
}

// A file with one 1 x 1 RGB pair and one hull mesh: texture records of 7 bytes, the mesh count
// at 47, the mesh header at 48.
PluginFile SmallFile() {
  PluginFile f;
  f.textures = {PatternTexture(1, 1, false, 0), PatternTexture(1, 1, false, 1)};
  f.meshes = {StripMesh(3, 0, 0)};
  f.phaser = {PatternTexture(1, 1, false, 2), PatternTexture(1, 1, false, 3), StripMesh(3, 0, 0)};
  f.phaserMounts = {{{0, 0, 1}, {0, 0, 1}, 0.5f}};
  f.shieldAxes = {1, 1, 1};
  f.shield = {PatternTexture(1, 1, true, 4), PatternTexture(1, 1, false, 5), StripMesh(3, 0, 0)};
  f.hasSounds = true;
  f.sounds = {PcmSound(4, 1), PcmSound(2, 1), PcmSound(6, 1)};
  return f;
}
constexpr std::size_t kMeshHeader = 48;
constexpr std::size_t kFirstTriangle = kMeshHeader + 4 + 3 * 32;
constexpr std::size_t kMountCounts = kFirstTriangle + 4;

TEST(PluginFile, TextureHeadersExpressEverySizeExactly) {
  struct Case {
    int width, height;
    bool alpha;
    std::uint32_t header;
  };
  for (const Case& c : {Case{64, 32, false, 64u | 2u << 11},
                        Case{32, 64, true, 32u | 1u << 9 | 1u << 10 | 2u << 11},
                        Case{256, 256, false, 256u | 1u << 11},
                        // Integer division: 100 / 3 is 33.
                        Case{100, 33, false, 100u | 3u << 11},
                        Case{1, 127, false, 1u | 1u << 9 | 127u << 11},
                        Case{511, 4, false, 511u | 103u << 11}}) {
    PluginFile f = SmallFile();
    f.textures[0] = PatternTexture(c.width, c.height, c.alpha, 9);
    const Bytes bytes = Encode(f);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(Get32(bytes, 33), c.header) << c.width << " x " << c.height;
    PluginFile parsed;
    std::string error;
    ASSERT_TRUE(Parse(bytes, true, &parsed, &error)) << error;
    ExpectSameTexture(f.textures[0], parsed.textures[0], "texture 0");
  }
  // No width and ratio give these.
  for (const auto& [w, h] : {std::pair{33, 100}, std::pair{512, 512}, std::pair{2, 300},
                             std::pair{0, 5}, std::pair{400, 2}}) {
    EXPECT_FALSE(PluginTextureSizeFits(w, h)) << w << " x " << h;
    PluginFile f = SmallFile();
    f.textures[1] = PatternTexture(w, h, false, 0);
    std::string error;
    EXPECT_TRUE(EncodePluginFile(f, &error).empty());
    EXPECT_NE(error.find("texture 1: " + std::to_string(w) + " x " + std::to_string(h)),
              std::string::npos)
        << error;
  }
}

TEST(PluginFile, PairIndexThreeNamesTexturesSixAndSeven) {
  PluginFile f = RichFile();
  ASSERT_EQ(f.meshes[1].pairIndex, 3u);
  const Bytes bytes = Encode(f);
  PluginFile parsed;
  std::string error;
  ASSERT_TRUE(Parse(bytes, true, &parsed, &error)) << error;
  const std::size_t pair = parsed.meshes[1].pairIndex;
  ExpectSameTexture(parsed.textures[2 * pair], f.textures[6], "first of pair 3");
  ExpectSameTexture(parsed.textures[2 * pair + 1], f.textures[7], "second of pair 3");

  // With only three pairs, pair 3 does not exist (the reader's side is in the corpus below).
  f.textures.resize(6);
  EXPECT_TRUE(EncodePluginFile(f, &error).empty());
  EXPECT_EQ(error, "hull mesh 1: texture pair 3 of 3");
}

TEST(PluginFile, EncoderRefusesWhatTheLayoutCannotHold) {
  const auto refusal = [](const PluginFile& f) {
    std::string error;
    return EncodePluginFile(f, &error).empty() ? error : "written";
  };
  PluginFile f = SmallFile();
  EXPECT_EQ(refusal(f), "written");
  f.textures.pop_back();
  EXPECT_NE(refusal(f).find("1 textures"), std::string::npos);
  f = SmallFile();
  f.textures[0].pixels.pop_back();
  EXPECT_EQ(refusal(f), "texture 0: 2 pixel bytes, 3 expected");
  f = SmallFile();
  f.meshes[0] = StripMesh(1024, 0, 0);
  EXPECT_NE(refusal(f).find("hull mesh 0: 1024 vertices"), std::string::npos);
  f = SmallFile();
  f.meshes[0].triangles[0][2] = 3;
  EXPECT_EQ(refusal(f), "hull mesh 0: triangle 0 uses vertex 3 of 3");
  f = SmallFile();
  f.phaserMounts.resize(128);
  EXPECT_NE(refusal(f).find("128 phaser"), std::string::npos);
  f = SmallFile();
  f.shield.discarded.width = 0;
  EXPECT_NE(refusal(f).find("shield second texture"), std::string::npos);
}

TEST(PluginFile, TruncationAtEveryOffsetIsRefusedExceptAfterTheShield) {
  PluginFile f = SmallFile();
  const Bytes full = Encode(f);
  f.hasSounds = false;
  const std::size_t shieldEnd = Encode(f).size();
  ASSERT_LT(shieldEnd, full.size());
  for (std::size_t size = 0; size < full.size(); ++size) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    const std::string withSounds = Refusal(cut, true);
    const std::string without = Refusal(cut, false);
    if (size == shieldEnd) {
      EXPECT_EQ(withSounds, "accepted");
    } else {
      EXPECT_NE(withSounds.find("(offset "), std::string::npos) << size << ": " << withSounds;
    }
    if (size >= shieldEnd) {
      EXPECT_EQ(without, "accepted") << size;
    } else {
      EXPECT_NE(without.find("(offset "), std::string::npos) << size << ": " << without;
    }
  }
  EXPECT_EQ(Refusal(Bytes(full.begin(), full.begin() + 54)),
            "file ends in hull mesh 0 (3 vertices, 1 triangles): 100 bytes needed, 2 left "
            "(offset 52)");
}

TEST(PluginFile, BrokenFilesAreRefusedWithTheFaultAndOffset) {
  const Bytes good = Encode(SmallFile());
  ASSERT_EQ(Refusal(good), "accepted");
  ASSERT_EQ(good[kMountCounts], 1);  // the layout the patches below rely on

  Bytes b = good;
  b[7] = 0;
  EXPECT_EQ(Refusal(b), "not a ship plug-in: the magic is not \"AS3 \" (offset 4)");

  b = good;
  Put32(b, kFirstTriangle, 0 | 1u << 10 | 5u << 20);
  EXPECT_EQ(Refusal(b), "hull mesh 0: triangle 0 uses vertex 5 of 3 (offset " +
                            std::to_string(kFirstTriangle) + ")");

  b = good;
  Put32(b, kMeshHeader, Get32(b, kMeshHeader) | 1u << 20);
  EXPECT_EQ(Refusal(b), "hull mesh 0: texture pair 1 of 1 (offset 48)");

  for (std::uint8_t count : {128, 255}) {
    b = good;
    b[kMountCounts + 1] = count;
    EXPECT_EQ(Refusal(b, false), "torpedo mount count byte " + std::to_string(count) +
                                     " is negative as a signed byte (offset " +
                                     std::to_string(kMountCounts + 1) + ")");
  }

  b = good;
  Put32(b, 33, 1u);  // ratio 0
  EXPECT_EQ(Refusal(b), "texture 0: ratio 0 (offset 33)");
  Put32(b, 33, 500u | 1u << 9 | 2u << 11);
  EXPECT_EQ(Refusal(b),
            "texture 0: width 500 times ratio 2 gives height 1000 (1..511 allowed) (offset 33)");

  // The last sound announces more bytes than are left.
  b = good;
  const std::size_t lastCount = good.size() - 6 - 4;
  ASSERT_EQ(Get32(b, lastCount), 6u);
  Put32(b, lastCount, 7);
  EXPECT_EQ(Refusal(b), "sound 3 (break-up): 7 sample bytes announced, 6 left (offset " +
                            std::to_string(lastCount) + ")");
  Put32(b, lastCount, 0xFFFFFFFFu);
  EXPECT_NE(Refusal(b).find("4294967295 sample bytes announced"), std::string::npos);
  // Sounds off: the same bytes load, since the blocks are never read.
  EXPECT_EQ(Refusal(b, false), "accepted");
}

// The flight model and the shield compute with these values: what they cannot use, or what is
// far beyond any ship, is refused with the field and where it lies, what a class may legitimately hold (a ship that does not
// move, a shield that is down, a weapon that does no harm) loads.
TEST(PluginFile, UnusableFlightAndShieldValuesAreRefused) {
  const Bytes good = Encode(SmallFile());
  const std::size_t values = kMountCounts + 2;
  const std::size_t shield = values + 8 + 7 + 7 + (4 + 3 * 32 + 4) + 28;
  ASSERT_EQ(GetFloat(good, shield), 1.0f);  // the layout the patches below rely on
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  struct Case {
    std::size_t at;
    float value;
    std::string refusal;  // empty: accepted
  };
  const std::string offset = " (offset ";
  for (const Case& c : {
           Case{8, kNaN, "pitch rate NaN is not a finite number (offset 8)"},
           Case{12, -1.0f, "turn rate -1 is negative (offset 12)"},
           Case{20, -kInfinity, "angle limit -infinity is not a finite number (offset 20)"},
           Case{24, -0.5f, "acceleration -0.5 is negative (offset 24)"},
           Case{28, -3.0f, "top speed -3 is negative (offset 28)"},
           Case{28, kInfinity, "top speed infinity is not a finite number (offset 28)"},
           Case{values + 4, kNaN,
                "torpedo value NaN is not a finite number" + offset + std::to_string(values + 4) +
                    ")"},
           Case{shield, 0.0f,
                "shield semi-axis X 0 is not above 0" + offset + std::to_string(shield) + ")"},
           Case{shield + 8, -2.0f,
                "shield semi-axis Z -2 is not above 0" + offset + std::to_string(shield + 8) + ")"},
           Case{shield + 12, kInfinity,
                "shield strength infinity is not a finite number" + offset +
                    std::to_string(shield + 12) + ")"},
           // Sizes no ship has: a break-up would throw a billion fragments.
           Case{shield + 4, 1e9f,
                "shield semi-axis Y 1e+09 is beyond any ship (at most 1000)" + offset +
                    std::to_string(shield + 4) + ")"},
           Case{16, 2e4f, "bank rate 20000 is beyond any ship (at most 10000) (offset 16)"},
           Case{values, -2e6f,
                "phaser value -2e+06 is beyond any ship (at most 1e+06)" + offset +
                    std::to_string(values) + ")"},
           // Legitimate: a class that stands still, weapons that do no harm, a shield that is
           // down from the start, and the largest sizes allowed.
           Case{shield, 1000.0f, ""},
           Case{28, 10000.0f, ""},
           Case{values + 4, 1e6f, ""},
           Case{28, 0.0f, ""},
           Case{values, -1.0f, ""},
           Case{shield + 12, -5.0f, ""},
       }) {
    Bytes b = good;
    PutFloat(b, c.at, c.value);
    EXPECT_EQ(Refusal(b, false), c.refusal.empty() ? "accepted" : c.refusal) << c.at;
  }

  // The encoder refuses the same values, so no tool can write them.
  PluginFile f = SmallFile();
  f.flight.topSpeed = -1;
  std::string error;
  EXPECT_TRUE(EncodePluginFile(f, &error).empty());
  EXPECT_EQ(error, "top speed -1 is negative");
  f = SmallFile();
  f.shieldAxes[1] = kNaN;
  EXPECT_FALSE(CheckPluginFile(f, &error));
  EXPECT_EQ(error, "shield semi-axis Y NaN is not a finite number");
}

// A record whose width is 0, or whose height comes to 0, holds no pixels: it reads as an empty
// texture and the rest of the file follows straight after its header.
TEST(PluginFile, TextureRecordsWithoutPixelsAreEmptyTextures) {
  PluginFile f = SmallFile();
  f.textures[0] = PatternTexture(0, 0, false, 0);
  f.shield.discarded = PatternTexture(0, 0, true, 0);
  const Bytes bytes = Encode(f);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(Get32(bytes, 33), 1u << 11);       // width 0, ratio 1
  EXPECT_EQ(Get32(bytes, 37), 1u | 1u << 11);  // texture 1 follows the header at once
  // Width 0 with any ratio, 3 over ratio 4, 5 times ratio 0: all without pixels.
  for (std::uint32_t header : {0u, 127u << 11, 3u | 4u << 11, 5u | 1u << 9}) {
    Bytes b = bytes;
    Put32(b, 33, header);
    PluginFile parsed;
    std::string error;
    ASSERT_TRUE(Parse(b, true, &parsed, &error)) << header << ": " << error;
    EXPECT_EQ(parsed.textures[0].width, 0) << header;
    EXPECT_EQ(parsed.textures[0].height, 0) << header;
    EXPECT_TRUE(parsed.textures[0].pixels.empty()) << header;
    ExpectSameFile(f, parsed, true);
  }
  // Dividing by ratio 0 gives no height at all.
  Bytes b = bytes;
  Put32(b, 33, 5u);
  EXPECT_EQ(Refusal(b), "texture 0: ratio 0 (offset 33)");
}

}  // namespace
}  // namespace ironwood
