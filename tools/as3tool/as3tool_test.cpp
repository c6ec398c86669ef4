#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "saver/assets/ase_model.h"
#include "saver/assets/plugin_file.h"
#include "tests/support/test_files.h"
#include "tools/as3tool/as3tool.h"
#include "tools/as3tool/test_run.h"
#include "tools/as3tool/inputs.h"
#include "tools/assetgen/ase_writer.h"
#include "tools/assetgen/wav.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace ironwood::as3tool {
namespace {

using testing::BgrImage;
using testing::MakeBmp;
using testing::TempFolder;


bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

assetgen::ModelVertex V(float x, float y, float z, float u, float v) {
  assetgen::ModelVertex vertex;
  vertex.x = x;
  vertex.y = y;
  vertex.z = z;
  vertex.nx = 0.6f;
  vertex.ny = 0.0f;
  vertex.nz = 0.8f;
  vertex.u = u;
  vertex.v = v;
  return vertex;
}

// Two hull objects in one export, written by our own writer (which stores vertex normals).
std::string HullAse() {
  assetgen::ModelMesh front{"front", {V(0, 0, 1, 0, 0), V(1, 0, 1, 1, 0), V(0, 1, 1, 0, 1)},
                            {{0, 1, 2}}, 0};
  assetgen::ModelMesh back{"back",
                           {V(0, 0, -1, 0, 0), V(0, 1, -1, 0, 1), V(1, 0, -1, 1, 0),
                            V(-1, -1, -1, 0.5f, 0.5f)},
                           {{0, 1, 2}, {0, 2, 3}}, 0};
  return assetgen::EncodeAse({front, back}, {}, "test hull");
}

// A beam from z 0 to z 1 (saver units).
std::string BeamAse() {
  assetgen::ModelMesh beam{"beam",
                           {V(-0.1f, 0, 0, 0, 0), V(0.1f, 0, 0, 1, 0), V(0.1f, 0, 1, 1, 1),
                            V(-0.1f, 0, 1, 0, 1)},
                           {{0, 1, 2}, {0, 2, 3}}, 0};
  return assetgen::EncodeAse({beam}, {}, "test beam");
}

// An octahedron of radius 2 (600 in file units) written by hand, with no normals block and no
// texture vertices: the tool computes outward normals from the counter-clockwise faces.
std::string ShieldAse() {
  return R"(*3DSMAX_ASCIIEXPORT 200
*GEOMOBJECT {
  *NODE_NAME "bubble"
  *MESH {
    *MESH_NUMVERTEX 6
    *MESH_NUMFACES 8
    *MESH_VERTEX_LIST {
      *MESH_VERTEX 0 600 0 0
      *MESH_VERTEX 1 -600 0 0
      *MESH_VERTEX 2 0 600 0
      *MESH_VERTEX 3 0 -600 0
      *MESH_VERTEX 4 0 0 600
      *MESH_VERTEX 5 0 0 -600
    }
    *MESH_FACE_LIST {
      *MESH_FACE 0: A: 0 B: 2 C: 4 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0
      *MESH_FACE 1: A: 2 B: 1 C: 4 AB: 1 BC: 1 CA: 1
      *MESH_FACE 2: A: 1 B: 3 C: 4 AB: 1 BC: 1 CA: 1
      *MESH_FACE 3: A: 3 B: 0 C: 4 AB: 1 BC: 1 CA: 1
      *MESH_FACE 4: A: 2 B: 0 C: 5 AB: 1 BC: 1 CA: 1
      *MESH_FACE 5: A: 1 B: 2 C: 5 AB: 1 BC: 1 CA: 1
      *MESH_FACE 6: A: 3 B: 1 C: 5 AB: 1 BC: 1 CA: 1
      *MESH_FACE 7: A: 0 B: 3 C: 5 AB: 1 BC: 1 CA: 1
    }
  }
}
)";
}

testing::Bytes Text(const std::string& text) { return testing::Bytes(text.begin(), text.end()); }

testing::Bytes Wav(std::size_t samples, int channels, int rate) {
  std::vector<std::int16_t> data(samples);
  for (std::size_t i = 0; i < samples; ++i) data[i] = static_cast<std::int16_t>(i * 301 - 7000);
  return assetgen::EncodeWav(data, channels, rate);
}

// Colour pixel (x, y) from the bottom: blue x, green y, red 200; opacity 10 + x.
const BgrImage kColour{64, 32, [](int x, int y) {
  return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                     200};
}};
const BgrImage kOpacity{64, 32, [](int x, int) {
  return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(10 + x), 0, 0};
}};
// Stored top-down: the tool must still deliver the bottom row first.
const BgrImage kTall{32, -64, [](int x, int y) {
  return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(y), 1,
                                     static_cast<std::uint8_t>(x)};
}};

const char* const kDescription = R"(# A small test ship
pitch-rate 1.5
turn-rate 0.75   # per second
bank-rate 2
angle-limit 40
acceleration 0.25
top-speed 3

pair images/colour.bmp images/opacity.bmp "images/tall one.bmp" -
mesh hull.ase 0

phaser-value 2.5
torpedo-value 40
phaser-model beam.ase images/colour.bmp
phaser-mount 0 0.5 1   0 0 1   45
phaser-mount 1 0 0     1 0 0   90
torpedo-model beam.ase images/colour.bmp images/opacity.bmp
torpedo-mount 0 0 1.2  0 0 1   10

shield 3 3 3 120
shield-model shield.ase images/colour.bmp images/opacity.bmp
sound torpedo-launch launch.wav
sound phaser-loop phaser.wav
sound break-up breakup.wav
)";

class As3Tool : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("images/colour.bmp", MakeBmp(kColour));
    folder_.Write("images/opacity.bmp", MakeBmp(kOpacity, 6));
    folder_.Write("images/tall one.bmp", MakeBmp(kTall));
    folder_.Write("hull.ase", Text(HullAse()));
    folder_.Write("beam.ase", Text(BeamAse()));
    folder_.Write("shield.ase", Text(ShieldAse()));
    folder_.Write("launch.wav", Wav(11025, 1, 22050));
    folder_.Write("phaser.wav", Wav(800, 2, 11025));
    folder_.Write("breakup.wav", Wav(22050, 1, 22050));
  }

  std::string Path(const std::string& name) const { return (folder_.Path() / name).string(); }

  // Builds from `description` and returns the tool's result.
  Outcome Build(const std::string& description, const std::string& output = "ship.as3") {
    folder_.Write("ship.txt", Text(description));
    return Tool({"build", Path("ship.txt"), Path(output)});
  }

  PluginFile Load(const std::string& name) {
    const testing::Bytes bytes = TempFolder::Read(folder_.Path() / name);
    PluginFile file;
    std::string error;
    EXPECT_TRUE(ParsePluginFile(bytes.data(), bytes.size(), true, &file, &error)) << error;
    return file;
  }

  TempFolder folder_;
};

TEST_F(As3Tool, BuildsAPluginTheLoaderReadsExactly) {
  const Outcome run = Build(kDescription);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const PluginFile f = Load("ship.as3");

  EXPECT_EQ(f.flight.pitchRate, 1.5f);
  EXPECT_EQ(f.flight.turnRate, 0.75f);
  EXPECT_EQ(f.flight.topSpeed, 3.0f);
  EXPECT_EQ(f.torpedoValue, 40.0f);

  // Textures: R, G, B, A from B, G, R and the opacity's blue; the bottom row first.
  ASSERT_EQ(f.textures.size(), 2u);
  const PluginTexture& colour = f.textures[0];
  ASSERT_EQ(colour.width, 64);
  ASSERT_EQ(colour.height, 32);
  ASSERT_TRUE(colour.hasAlpha);
  const std::size_t at = (5u * 64 + 7) * 4;  // x 7, y 5
  EXPECT_EQ(colour.pixels[at], 200);
  EXPECT_EQ(colour.pixels[at + 1], 5);
  EXPECT_EQ(colour.pixels[at + 2], 7);
  EXPECT_EQ(colour.pixels[at + 3], 17);
  const PluginTexture& tall = f.textures[1];
  ASSERT_EQ(tall.width, 32);
  ASSERT_EQ(tall.height, 64);
  EXPECT_FALSE(tall.hasAlpha);
  const std::size_t tallAt = (60u * 32 + 3) * 3;  // x 3, y 60
  EXPECT_EQ(tall.pixels[tallAt], 3);
  EXPECT_EQ(tall.pixels[tallAt + 1], 1);
  EXPECT_EQ(tall.pixels[tallAt + 2], 60);

  // Both objects of the export, in saver units, with the file's normals and texture vertices.
  ASSERT_EQ(f.meshes.size(), 2u);
  const PluginMesh& back = f.meshes[1];
  ASSERT_EQ(back.vertices.size(), 4u);
  EXPECT_EQ(back.triangles, (std::vector<std::array<std::uint32_t, 3>>{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_NEAR(back.vertices[3].position[0], -1.0f, 1e-6f);
  EXPECT_NEAR(back.vertices[3].position[2], -1.0f, 1e-6f);
  EXPECT_NEAR(back.vertices[3].normal[0], 0.6f, 1e-4f);
  EXPECT_NEAR(back.vertices[3].normal[2], 0.8f, 1e-4f);
  EXPECT_NEAR(back.vertices[3].texCoord[0], 0.5f, 1e-6f);

  // The shield's normals come from its faces and point outward.
  const PluginMesh& shield = f.shield.mesh;
  ASSERT_EQ(shield.vertices.size(), 6u);
  EXPECT_NEAR(shield.vertices[0].position[0], 2.0f, 1e-6f);
  for (const PluginVertex& v : shield.vertices) {
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(v.normal[k], v.position[k] / 2, 1e-5f);
  }

  ASSERT_EQ(f.phaserMounts.size(), 2u);
  EXPECT_NEAR(f.phaserMounts[0].arc, 0.7853982f, 1e-6f);
  EXPECT_EQ(f.phaserMounts[1].aim, (std::array<float, 3>{1, 0, 0}));
  ASSERT_EQ(f.torpedoMounts.size(), 1u);
  EXPECT_TRUE(f.torpedo.texture.hasAlpha);
  EXPECT_FALSE(f.phaser.texture.hasAlpha);

  ASSERT_TRUE(f.hasSounds);
  EXPECT_EQ(f.sounds[1].format, PcmFormat(2, 11025));
  const testing::Bytes wav = Wav(800, 2, 11025);
  EXPECT_TRUE(f.sounds[1].data == testing::Bytes(wav.begin() + 44, wav.end()));
  EXPECT_EQ(f.sounds[2].data.size(), 44100u);

  const Outcome validate = Tool({"validate", Path("ship.as3")});
  EXPECT_EQ(validate.status, 0);
  EXPECT_EQ(validate.out, Path("ship.as3") + ": ok\n");

  const Outcome inspect = Tool({"inspect", Path("ship.as3")});
  EXPECT_EQ(inspect.status, 0) << inspect.err;
  for (const char* part :
       {"pitch rate 1.5, turn rate 0.75", "angle limit 40 degrees", "texture pairs: 1",
        "texture 0 (pair 0): 64 x 32 RGBA", "texture 1 (pair 0): 32 x 64 RGB", "hull meshes: 2",
        "hull mesh 1: 4 vertices, 2 faces, pair 0", "hull bounds: (-1, -1, -1) .. (1, 1, 1)",
        "phaser value 2.5, torpedo value 40", "phaser mount 0: position (0, 0.5, 1), aim (0, 0, 1), "
        "arc 45 degrees", "torpedo mounts: 1", "semi-axes (3, 3, 3), strength 120",
        "shield model: texture 64 x 32 RGBA, mesh 6 vertices, 8 faces",
        "torpedo launch: PCM 16-bit, 1 channel, 22050 Hz, 22050 bytes, 0.5 s",
        "phaser loop: PCM 16-bit, 2 channels, 11025 Hz"}) {
    EXPECT_TRUE(Contains(inspect.out, part)) << part << "\n" << inspect.out;
  }
}

TEST_F(As3Tool, ValidateRefusesBrokenCopiesAndNamesTheFault) {
  ASSERT_EQ(Build(kDescription).status, 0);
  const testing::Bytes good = TempFolder::Read(folder_.Path() / "ship.as3");
  // Layout of this file: two texture records (64 x 32 RGBA, 32 x 64 RGB), then the mesh count
  // and the first hull mesh: 3 vertices, 1 face.
  const std::size_t meshHeader = 33 + (4 + 64 * 32 * 4) + (4 + 32 * 64 * 3) + 1;
  ASSERT_EQ(good[meshHeader - 1], 2);
  const std::size_t firstFace = meshHeader + 4 + 3 * 32;

  testing::Bytes wrongMagic = good;
  wrongMagic[7] = 0;
  testing::Bytes badIndex = good;
  testing::Put32(badIndex, firstFace, 0 | 1u << 10 | 9u << 20);
  testing::Bytes badPair = good;
  badPair[meshHeader + 2] |= 0x10;  // pair index 1
  struct Case {
    std::string name;
    testing::Bytes bytes;
    std::string fault;
  };
  const std::vector<Case> cases = {
      {"truncated.as3", testing::Bytes(good.begin(), good.begin() + 9000),
       "file ends in texture 1 pixels (32 x 64 RGB): 6144 bytes needed, 767 left (offset 8233)"},
      {"magic.as3", wrongMagic, "the magic is not \"AS3 \" (offset 4)"},
      {"index.as3", badIndex,
       "hull mesh 0: triangle 0 uses vertex 9 of 3 (offset " + std::to_string(firstFace) + ")"},
      {"pair.as3", badPair,
       "hull mesh 0: texture pair 1 of 1 (offset " + std::to_string(meshHeader) + ")"},
  };
  std::vector<std::string> all = {Path("ship.as3")};
  for (const Case& c : cases) {
    const std::string path = folder_.Write(c.name, c.bytes);
    all.push_back(path);
    const Outcome run = Tool({"validate", path});
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_TRUE(Contains(run.out, path + ": ")) << run.out;
    EXPECT_TRUE(Contains(run.out, c.fault)) << c.name << ": " << run.out;
    EXPECT_FALSE(Contains(run.out, ": ok")) << run.out;
    const Outcome inspect = Tool({"inspect", path});
    EXPECT_EQ(inspect.status, 1);
    EXPECT_TRUE(Contains(inspect.err, c.fault)) << inspect.err;
  }
  // One bad file among good ones fails the whole run, and every file gets its line.
  all.insert(all.begin(), "validate");
  const Outcome run = Tool(all);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, Path("ship.as3") + ": ok\n"));
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5);
  const Outcome missing = Tool({"validate", Path("nothing.as3")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, Path("nothing.as3") + ": cannot be opened\n");
}

TEST_F(As3Tool, ValidateWarnsButAcceptsOddShips) {
  std::string description = kDescription;
  const auto replace = [&description](const std::string& from, const std::string& to) {
    const std::size_t at = description.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    description.replace(at, from.size(), to);
  };
  replace("shield 3 3 3 120", "shield 1.2 1.2 1.2 120");
  replace("1 0 0     1 0 0   90", "1 0 0     0 0 0   90");
  replace("phaser-model beam.ase", "phaser-model hull.ase");  // two objects: refused
  Outcome run = Build(description);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "ship.txt:14: hull.ase: 2 objects, one expected")) << run.err;
  replace("phaser-model hull.ase", "phaser-model shield.ase");
  for (const char* sound : {"sound torpedo-launch launch.wav\n", "sound phaser-loop phaser.wav\n",
                            "sound break-up breakup.wav\n"}) {
    replace(sound, "");
  }
  run = Build(description);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "warning: the shield ellipsoid does not enclose the hull: 5 of 7"))
      << run.err;

  const Outcome validate = Tool({"validate", Path("ship.as3")});
  EXPECT_EQ(validate.status, 0);
  const std::string file = Path("ship.as3");
  EXPECT_TRUE(Contains(validate.out, file + ": ok, no sounds\n")) << validate.out;
  EXPECT_TRUE(Contains(validate.out, file + ": warning: the shield ellipsoid")) << validate.out;
  EXPECT_TRUE(Contains(validate.out, file + ": warning: phaser mount 1: the aim vector has zero"))
      << validate.out;
  EXPECT_TRUE(Contains(validate.out, file + ": warning: the phaser mesh spans z -2 .. 2, not 0 .. 1"))
      << validate.out;
}

TEST_F(As3Tool, DescriptionFaultsNameTheLineAndTheInput) {
  folder_.Write("wide.bmp", MakeBmp({33, 100, [](int, int) {
                                       return std::array<std::uint8_t, 3>{1, 2, 3};
                                     }}));
  testing::Bytes eightBit = MakeBmp(kColour);
  eightBit[28] = 8;
  folder_.Write("eight.bmp", eightBit);
  folder_.Write("broken.ase", Text("*GEOMOBJECT { *NODE_NAME \"x\" *MESH_NUMVERTEX 2 "
                                   "*MESH_NUMFACES 1 *MESH_VERTEX_LIST { *MESH_VERTEX 0 0 0 0 "
                                   "*MESH_VERTEX 1 1 0 0 } *MESH_FACE_LIST { *MESH_FACE 0: A: 0 "
                                   "B: 1 C: 2 } }"));
  folder_.Write("mono8.wav", [] {
    testing::Bytes w = Wav(10, 1, 8000);
    w[34] = 8;  // bits per sample
    return w;
  }());
  struct Case {
    std::string from, to, fault;
  };
  const std::vector<Case> cases = {
      {"top-speed 3\n", "", "ship.txt: top-speed is missing"},
      {"top-speed 3", "top-speed fast", "ship.txt:7: \"fast\" is not a number"},
      {"top-speed 3", "top-speed 3\ntop-speed 4", "ship.txt:8: top-speed given twice (first on line 7)"},
      {"bank-rate 2", "bank-rat 2", "ship.txt:4: unknown key \"bank-rat\""},
      {"mesh hull.ase 0", "mesh hull.ase 1", "ship.txt:10: texture pair 1 of 1 described"},
      {"mesh hull.ase 0", "mesh broken.ase 0",
       "ship.txt:10: broken.ase: object 0 \"x\" dropped: face 0 uses vertex 2 of 2"},
      {"mesh hull.ase 0", "mesh absent.ase 0", "ship.txt:10: absent.ase: cannot be opened"},
      {"images/opacity.bmp \"images", "wide.bmp \"images",
       "ship.txt:9: images/colour.bmp: the opacity image is 33 x 100, the colour image 64 x 32"},
      {"pair images/colour.bmp", "pair wide.bmp",
       "ship.txt:9: wide.bmp: 33 x 100 cannot be held by a texture record"},
      {"pair images/colour.bmp", "pair eight.bmp",
       "ship.txt:9: eight.bmp: only 24-bit BMP images are supported (this one has 8 bits"},
      {"sound break-up breakup.wav", "sound break-up mono8.wav",
       "ship.txt:24: mono8.wav: only 16-bit PCM is taken"},
      {"sound break-up breakup.wav", "", "ship.txt: 2 of the three sounds given"},
      {"torpedo-mount 0 0 1.2  0 0 1   10", "", "a torpedo-model without torpedo-mount lines"},
      {"phaser-mount 0 0.5 1   0 0 1   45", "phaser-mount 0 0.5 1 0 0 1",
       "ship.txt:15: usage: phaser-mount X Y Z AIM-X AIM-Y AIM-Z ARC-DEGREES"},
  };
  for (const Case& c : cases) {
    std::string description = kDescription;
    const std::size_t at = description.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.from;
    description.replace(at, c.from.size(), c.to);
    const Outcome run = Build(description, "bad.as3");
    EXPECT_EQ(run.status, 1) << c.fault;
    EXPECT_TRUE(Contains(run.err, c.fault)) << c.fault << "\n" << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "bad.as3")) << c.fault;
  }
}

// What is not a description file is refused with the reason before anything is read from it:
// a device or a pipe would otherwise be read without end.
TEST_F(As3Tool, OnlyARegularDescriptionOfASaneSizeIsRead) {
  struct Case {
    std::string path, fault;
  };
  std::vector<Case> cases;
  std::filesystem::create_directory(folder_.Path() / "folder.txt");
  cases.push_back({Path("folder.txt"), "is not a regular file"});
  folder_.Write("huge.txt", {});
  std::filesystem::resize_file(folder_.Path() / "huge.txt", (1u << 20) + 1);
  cases.push_back({Path("huge.txt"), "is larger than 1048576 bytes"});
#if !defined(_WIN32)
  ASSERT_EQ(mkfifo(Path("pipe.txt").c_str(), 0600), 0);
  cases.push_back({Path("pipe.txt"), "is not a regular file"});
  cases.push_back({"/dev/zero", "is not a regular file"});
#endif
  for (const Case& c : cases) {
    const Outcome run = Tool({"build", c.path, Path("out.as3")});
    EXPECT_EQ(run.status, 1) << c.path;
    EXPECT_EQ(run.err.rfind(c.path + ": " + c.fault, 0), 0u) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "out.as3"));
  }
  // A description just under the limit is read (and here faults on its first line).
  folder_.Write("long.txt", Text("speed 1\n" + std::string((1u << 20) - 9, '#')));
  const Outcome run = Tool({"build", Path("long.txt"), Path("out.as3")});
  EXPECT_TRUE(Contains(run.err, "long.txt:1: unknown key \"speed\"")) << run.err;
}

// An export as modelling programs write one with a texture seam: the quad's vertex 0 has other
// texture coordinates in its second face, so the file lists 6 texture vertices for 4 vertices.
const char* const kSeamQuad = R"(*GEOMOBJECT {
  *NODE_NAME "Seam Quad"
  *MESH {
    *MESH_NUMVERTEX 4
    *MESH_NUMFACES 2
    *MESH_VERTEX_LIST {
      *MESH_VERTEX 0 0.0 0.0 0.0
      *MESH_VERTEX 1 300.0 0.0 0.0
      *MESH_VERTEX 2 300.0 300.0 0.0
      *MESH_VERTEX 3 0.0 300.0 0.0
    }
    *MESH_FACE_LIST {
      *MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 0
      *MESH_FACE 1: A: 0 B: 2 C: 3 AB: 0 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0
    }
    *MESH_NUMTVERTEX 6
    *MESH_TVERTLIST {
      *MESH_TVERT 0 0.0 0.0 0.0
      *MESH_TVERT 1 1.0 0.0 0.0
      *MESH_TVERT 2 1.0 1.0 0.0
      *MESH_TVERT 3 0.5 0.5 0.0
      *MESH_TVERT 4 1.0 1.0 0.0
      *MESH_TVERT 5 0.0 1.0 0.0
    }
    *MESH_NUMTVFACES 2
    *MESH_TFACELIST {
      *MESH_TFACE 0 0 1 2
      *MESH_TFACE 1 3 4 5
    }
  }
}
)";

TEST(AseImport, TextureSeamsSplitVerticesSoEachHasOneTextureVertex) {
  std::vector<AseObject> objects;
  std::string error;
  ASSERT_TRUE(DecodeAse(kSeamQuad, &objects, &error)) << error;
  ASSERT_EQ(objects.size(), 1u);
  const AseObject& quad = objects[0];
  EXPECT_EQ(quad.name, "Seam Quad");
  const PluginMesh& mesh = quad.mesh;
  // Vertex 0 is split; vertex 2 has the same coordinates in both faces and is not.
  ASSERT_EQ(mesh.vertices.size(), 5u);
  ASSERT_EQ(mesh.triangles.size(), 2u);
  EXPECT_EQ(mesh.triangles[0], (std::array<std::uint32_t, 3>{0, 1, 2}));
  EXPECT_EQ(mesh.triangles[1], (std::array<std::uint32_t, 3>{4, 2, 3}));
  const std::array<std::array<float, 2>, 5> uv = {
      {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.5f}}};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(mesh.vertices[i].texCoord, uv[i]) << i;
  EXPECT_EQ(mesh.vertices[4].position, mesh.vertices[0].position);
  EXPECT_EQ(mesh.vertices[2].position, (std::array<float, 3>{1, 1, 0}));
  // No normals in the file: the faces' front (counter-clockwise) normal, copies included.
  for (const PluginVertex& v : mesh.vertices) {
    EXPECT_EQ(v.normal, (std::array<float, 3>{0, 0, 1}));
  }
  EXPECT_EQ(quad.computedNormals, 5);

  // Texture faces that name a texture vertex the list does not have are refused.
  std::string broken = kSeamQuad;
  broken.replace(broken.find("*MESH_TFACE 1 3 4 5"), 19, "*MESH_TFACE 1 3 4 6");
  EXPECT_FALSE(DecodeAse(broken, &objects, &error));
  EXPECT_TRUE(Contains(error, "texture face 1 uses texture vertex 6 of 6")) << error;
  // Without texture faces the counts must agree.
  std::string unpaired = kSeamQuad;
  unpaired.erase(unpaired.find("*MESH_NUMTVFACES"));
  EXPECT_FALSE(DecodeAse(unpaired + "}}", &objects, &error));
  EXPECT_TRUE(Contains(error, "6 texture vertices for 4 vertices")) << error;
}

TEST(AseImport, TheSaverKeepsItsOwnPairingOfTextureVertices) {
  // The saver reads the same file with texture vertex i for vertex i, unsplit.
  AseModel model;
  ParseAse(kSeamQuad, "", false, true, &model);
  ASSERT_EQ(model.meshes.size(), 1u);
  EXPECT_EQ(model.meshes[0].vertexCount, 4u);
  EXPECT_EQ(model.meshes[0].name, "\"Seam");
  EXPECT_FLOAT_EQ(model.meshes[0].texCoords[6], 0.5f);  // vertex 3 takes texture vertex 3
  EXPECT_TRUE(model.problems.empty());
}

TEST_F(As3Tool, ImagesAreReadWithTheSaversRulesAndReasons) {
  // A header claiming 4 GB, and the older 12-byte header.
  testing::Bytes huge = MakeBmp(kColour);
  huge[14] = huge[15] = huge[16] = huge[17] = 0xFF;
  folder_.Write("huge.bmp", huge);
  testing::Bytes old = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0,  // file header
                        12, 0, 0, 0, 4, 0, 4, 0, 1, 0, 24, 0};             // 12-byte header
  old.resize(26 + 4 * 4 * 3, 0x80);
  old[2] = static_cast<std::uint8_t>(old.size());
  folder_.Write("old.bmp", old);
  for (const auto& [file, fault] :
       {std::pair{"huge.bmp", "huge.bmp: unsupported BMP header (4294967295 bytes long"},
        std::pair{"old.bmp", "old.bmp: unsupported BMP header (12 bytes long"}}) {
    std::string description = kDescription;
    description.replace(description.find("pair images/colour.bmp"), 22, std::string("pair ") + file);
    const Outcome run = Build(description, "bad.as3");
    EXPECT_EQ(run.status, 1) << fault;
    EXPECT_TRUE(Contains(run.err, std::string("ship.txt:9: ") + fault)) << run.err;
  }
}

// Arguments that are no plug-in file (a folder, a device, a file too large to be one) and a
// plug-in with a value the simulation cannot use are faults of that argument: each is reported
// in turn, the others are still checked, and the status says something failed.
TEST(As3ToolCommandLine, ValidateReportsEveryBadArgumentAndGoesOn) {
  TempFolder folder;
  PluginFile file;
  file.flight.topSpeed = 4;
  file.shieldAxes = {1, 1, 1};
  file.shield.texture = {1, 1, false, {1, 2, 3}};
  file.shield.discarded = file.shield.texture;
  std::string error;
  Bytes good = EncodePluginFile(file, &error);
  ASSERT_FALSE(good.empty()) << error;
  folder.Write("good.as3", good);
  Bytes bad = good;
  const float nan = std::nanf("");
  std::memcpy(&bad[28], &nan, 4);  // the top speed
  folder.Write("bad.as3", bad);
  std::filesystem::create_directories(folder.Path() / "Folder.as3");
  folder.Write("huge.as3", Bytes(1, 0));
  std::filesystem::resize_file(folder.Path() / "huge.as3", kMaxPluginFileBytes + 1);

  const std::vector<std::string> paths = {
      File(folder, "Folder.as3"), File(folder, "good.as3"), "/dev/zero",
      File(folder, "huge.as3"),   File(folder, "bad.as3"),  File(folder, "good.as3")};
  std::vector<std::string> args = {"validate"};
  args.insert(args.end(), paths.begin(), paths.end());
  const Outcome run = Tool(args);
  EXPECT_EQ(run.status, 1);
  std::istringstream lines(run.out);
  std::vector<std::string> got;
  for (std::string line; std::getline(lines, line);) {
    if (!Contains(line, ": warning: ")) got.push_back(line);
  }
  ASSERT_EQ(got.size(), paths.size()) << run.out;
  EXPECT_EQ(got[0], paths[0] + ": a folder, not a plug-in file");
  EXPECT_EQ(got[1], paths[1] + ": ok, no sounds");
  EXPECT_TRUE(Contains(got[2], "/dev/zero: not a regular file")) << got[2];
  EXPECT_TRUE(Contains(got[3], "67108865 bytes; a plug-in file holds at most")) << got[3];
  EXPECT_EQ(got[4], paths[4] + ": top speed NaN is not a finite number (offset 28)");
  EXPECT_EQ(got[5], paths[5] + ": ok, no sounds");

  for (const std::string& path : {paths[0], std::string("/dev/zero")}) {
    const Outcome inspect = Tool({"inspect", path});
    EXPECT_EQ(inspect.status, 1) << path;
    EXPECT_TRUE(Contains(inspect.err, path + ": ")) << inspect.err;
  }
#if !defined(_WIN32)
  // The program itself: a status, not an abort, and the earlier results kept.
  const std::string command = std::string(IRONWOOD_AS3TOOL) + " validate '" + paths[1] + "' '" +
                              paths[0] + "' > '" + File(folder, "out.txt") + "' 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const Bytes out = TempFolder::Read(folder.Path() / "out.txt");
  EXPECT_TRUE(Contains(std::string(out.begin(), out.end()), paths[1] + ": ok"));
#endif
}

TEST(As3ToolCommandLine, UsageMistakesExitWithStatusTwo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"frobnicate"}, {"inspect"}, {"inspect", "a", "b"},
        {"validate"}, {"build", "only-one"}}) {
    const Outcome run = Tool(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.err, "usage:"));
  }
#if !defined(_WIN32)
  // The program itself, as a shell sees it.
  const int status = std::system(IRONWOOD_AS3TOOL " >/dev/null 2>&1");
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
#endif
}

}  // namespace
}  // namespace ironwood::as3tool
