// `import` and `describe` on models our own writers make in each format.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

#include "tools/as3tool/model_import.h"
#include "tools/as3tool/model_writers.h"
#include "tools/as3tool/test_run.h"
#include "tools/assetgen/ase_writer.h"
#include "tools/assetgen/ships.h"

namespace ironwood::as3tool {
namespace {

namespace fs = std::filesystem;
using ironwood::testing::TempFolder;
using models::SourceModel;

struct Box {
  std::array<float, 3> low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  float Side(int k) const { return high[k] - low[k]; }
  float Longest() const { return std::max({Side(0), Side(1), Side(2)}); }
};

Box Bounds(const std::vector<PluginMesh>& meshes) {
  Box box;
  for (const PluginMesh& mesh : meshes) {
    for (const PluginVertex& v : mesh.vertices) {
      for (int k = 0; k < 3; ++k) {
        box.low[k] = std::min(box.low[k], v.position[k]);
        box.high[k] = std::max(box.high[k], v.position[k]);
      }
    }
  }
  return box;
}

PluginFile Load(const std::string& path) {
  Bytes bytes;
  std::string error;
  PluginFile file;
  EXPECT_TRUE(ReadFileBytes(path, &bytes, &error) &&
              ParsePluginFile(bytes.data(), bytes.size(), true, &file, &error))
      << path << ": " << error;
  return file;
}

std::size_t Triangles(const PluginFile& file) {
  std::size_t count = 0;
  for (const PluginMesh& mesh : file.meshes) count += mesh.triangles.size();
  return count;
}

const SourceModel& Escort() {
  static const SourceModel model = models::EscortHull();
  return model;
}

float DefaultLength() {
  PluginFile defaults;
  std::string error;
  EXPECT_TRUE(DefaultClass(&defaults, &error)) << error;
  return Bounds(defaults.meshes).Longest();
}

TEST(Import, EveryFormatFliesInTheSaversAxesWithItsTexture) {
  TempFolder folder;
  const std::string dir = folder.Path().string();
  const Box source = Bounds(Escort().meshes);
  const float length = DefaultLength();
  struct Case {
    std::string model;
    bool textured;
  };
  const std::vector<Case> cases = {
      {models::WriteObj(dir, "obj", Escort()), true},
      {models::WriteGltf(dir, "gltf", Escort()), true},
      {models::WriteGlb(dir, "glb", Escort()), true},
      {models::WriteCollada(dir, "dae", Escort()), false},
      {models::Write3ds(dir, "3ds", Escort()), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    const std::string out = c.model + ".as3";
    const Outcome imported = Tool({"import", c.model, out});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.err.find("neutral"), std::string::npos) << imported.err;
    const Outcome validated = Tool({"validate", out});
    EXPECT_EQ(validated.out, out + ": ok\n");
    const PluginFile file = Load(out);
    // Every triangle kept, centred, the longest side the default class's, proportions (and so
    // the axes) those of the source.
    std::size_t sourceTriangles = 0;
    for (const PluginMesh& mesh : Escort().meshes) sourceTriangles += mesh.triangles.size();
    EXPECT_EQ(Triangles(file), sourceTriangles);
    const Box box = Bounds(file.meshes);
    EXPECT_NEAR(box.Longest(), length, 1e-3);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(box.low[k], -box.high[k], 1e-3) << "axis " << k;
      EXPECT_NEAR(box.Side(k) / box.Longest(), source.Side(k) / source.Longest(), 1e-3)
          << "axis " << k;
    }
    ASSERT_EQ(file.textures.size(), 2u);
    const PluginTexture& paint = file.textures[0];
    if (c.textured) {
      // The painted image, row for row (its size is one a record holds).
      ASSERT_EQ(paint.width, Escort().texture.width);
      ASSERT_EQ(paint.height, Escort().texture.height);
      const std::size_t channels = paint.hasAlpha ? 4 : 3;
      std::size_t differing = 0;
      for (std::size_t k = 0; k < paint.pixels.size() / channels; ++k) {
        for (std::size_t ch = 0; ch < 3; ++ch) {
          differing += paint.pixels[k * channels + ch] != Escort().texture.rgba[k * 4 + ch];
        }
      }
      EXPECT_EQ(differing, 0u);
    }
    EXPECT_TRUE(file.hasSounds);
    EXPECT_FALSE(file.phaserMounts.empty());
  }
  // describe writes what import builds: the same bytes from build.
  const std::string description = dir + "/glb-described.txt";
  const Outcome described = Tool({"describe", cases[2].model, description});
  ASSERT_EQ(described.status, 0) << described.err;
  ASSERT_EQ(Tool({"build", description, dir + "/rebuilt.as3"}).status, 0);
  EXPECT_EQ(ironwood::testing::TempFolder::Read(dir + "/rebuilt.as3"),
            ironwood::testing::TempFolder::Read(cases[2].model + ".as3"));
  // A model mesh is placed by the length line; without one the description is refused.
  std::ifstream in(description);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  text.erase(text.find("length "), text.find('\n', text.find("length ")) - text.find("length "));
  std::ofstream(dir + "/no-length.txt") << text;
  const Outcome unplaced = Tool({"build", dir + "/no-length.txt", dir + "/unplaced.as3"});
  EXPECT_EQ(unplaced.status, 1);
  EXPECT_NE(unplaced.err.find("needs a length line"), std::string::npos) << unplaced.err;
}

TEST(Import, RefusesBrokenModelsWithTheReasonAndWritesNothing) {
  TempFolder folder;
  const std::string dir = folder.Path().string();
  // A private temporary folder, to see that import leaves nothing there either.
  const std::string temporary = dir + "/tmp";
  fs::create_directory(temporary);
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous != nullptr ? previous : "";
  setenv("TMPDIR", temporary.c_str(), 1);

  auto save = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    return dir + "/" + name;
  };
  SourceModel model = Escort();
  model.meshes.resize(1);
  std::vector<std::pair<std::string, std::string>> cases;  // model, a word of the reason

  SourceModel pastEnd = model;
  pastEnd.meshes[0].triangles.back()[2] = 5000;
  const models::GltfParts bad = models::EncodeGltf(pastEnd, false, "past-end.bin");
  save("past-end.bin", bad.bin);
  save("past-end.png", "");
  cases.push_back({save("past-end.gltf", bad.json), "out-of-range"});

  SourceModel infinite = model;
  infinite.meshes[0].vertices[3].position[1] = std::numeric_limits<float>::infinity();
  cases.push_back(
      {save("infinite.glb", models::EncodeGlb(models::EncodeGltf(infinite, true, ""))), "finite"});

  const std::string glb = models::EncodeGlb(models::EncodeGltf(model, true, ""));
  cases.push_back({save("truncated.glb", glb.substr(0, glb.size() / 2)), "model"});
  cases.push_back({save("no-faces.obj", "o empty\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"), ""});
  const models::GltfParts parts = models::EncodeGltf(model, false, "missing.bin");
  cases.push_back({save("missing-bin.gltf", parts.json), "missing.bin"});
  cases.push_back({save("not-a-model.glb", "hello"), "model"});

  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    const std::string out = path + ".as3";
    const Outcome outcome = Tool({"import", path, out});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind(path + ": ", 0), 0u) << outcome.err;
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_NE(outcome.err.find(reason), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(out));
  }
  // An existing plug-in is not touched by a failed import, and nothing is left behind.
  const std::string kept = save("kept.as3", "old bytes");
  EXPECT_EQ(Tool({"import", cases[0].first, kept}).status, 1);
  EXPECT_EQ(ironwood::testing::TempFolder::Read(kept), Bytes({'o', 'l', 'd', ' ', 'b', 'y', 't', 'e', 's'}));
  EXPECT_TRUE(fs::is_empty(temporary));
  if (previous != nullptr) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

// At the escorts' size the fitted shield is an escort's, and the mounts sit on the new hull's
// bounds, aimed out of them.
TEST(Import, ShieldAndMountsFitTheNewHull) {
  TempFolder folder;
  const std::string dir = folder.Path().string();
  const std::string out = dir + "/four.as3";
  ASSERT_EQ(Tool({"import", models::WriteGltf(dir, "four", Escort()), out, "--length", "4"}).status,
            0);
  const PluginFile file = Load(out);
  const Box box = Bounds(file.meshes);
  EXPECT_NEAR(box.Longest(), 4, 1e-3);
  // The generated class nearest that length.
  const std::vector<assetgen::ShipClassAsset> classes = assetgen::ShipClasses();
  const auto nearest = std::min_element(classes.begin(), classes.end(), [](auto& a, auto& b) {
    return std::fabs(Bounds(a.plugin.meshes).Longest() - 4) <
           std::fabs(Bounds(b.plugin.meshes).Longest() - 4);
  });
  const float generated = *std::max_element(nearest->plugin.shieldAxes.begin(),
                                            nearest->plugin.shieldAxes.end());
  const float fitted = *std::max_element(file.shieldAxes.begin(), file.shieldAxes.end());
  EXPECT_NEAR(fitted / generated, 1.0f, 0.25f) << nearest->name;
  std::vector<PluginMount> mounts = file.phaserMounts;
  mounts.insert(mounts.end(), file.torpedoMounts.begin(), file.torpedoMounts.end());
  ASSERT_FALSE(mounts.empty());
  for (const PluginMount& m : mounts) {
    bool onBound = false;
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(m.position[k], box.low[k] - 1e-3f);
      EXPECT_LE(m.position[k], box.high[k] + 1e-3f);
      const float bound = m.aim[k] > 0 ? box.high[k] : box.low[k];
      if (m.aim[k] != 0 && std::fabs(m.position[k] - bound) < 1e-3f) onBound = true;
    }
    EXPECT_TRUE(onBound) << m.position[0] << " " << m.position[1] << " " << m.position[2];
  }
  // Every hull vertex inside the shield.
  for (const PluginMesh& mesh : file.meshes) {
    for (const PluginVertex& v : mesh.vertices) {
      float sum = 0;
      for (int k = 0; k < 3; ++k) sum += std::pow(v.position[k] / file.shieldAxes[k], 2.0f);
      EXPECT_LT(sum, 1.0f);
    }
  }
  EXPECT_TRUE(Tool({"validate", out}).out == out + ": ok\n");
}

TEST(Import, SplitsLargeMeshesAndMakesDoWithMissingImages) {
  TempFolder folder;
  const std::string dir = folder.Path().string();
  // 1681 vertices and 3200 triangles in one mesh, and the OBJ's image is not there.
  const std::string model = models::WriteObj(dir, "grid", models::Grid(40, 40), false);
  const Outcome outcome = Tool({"import", model, dir + "/grid.as3"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("warning: " + model + ": material \"paint\": \"grid-paint.png\": "
                             "cannot be opened; it gets the neutral hull texture"),
            std::string::npos)
      << outcome.err;
  const PluginFile file = Load(dir + "/grid.as3");
  EXPECT_EQ(Triangles(file), 3200u);
  EXPECT_GE(file.meshes.size(), 4u);
  for (const PluginMesh& mesh : file.meshes) {
    EXPECT_LE(mesh.vertices.size(), 1023u);
    EXPECT_LE(mesh.triangles.size(), 1023u);
  }
}

TEST(Import, TakesTheLikeClassAndATextureOfAnySize) {
  TempFolder folder;
  const std::string dir = folder.Path().string();
  PluginFile like = assetgen::ShipClasses()[4].plugin;
  like.phaserMounts.resize(1);
  std::string error;
  const Bytes encoded = EncodePluginFile(like, &error);
  std::ofstream(dir + "/like.as3", std::ios::binary)
      .write(reinterpret_cast<const char*>(encoded.data()), static_cast<std::streamsize>(encoded.size()));
  SourceModel big = Escort();
  big.texture = Resized(big.texture, 700, 300);
  models::WriteObj(dir, "big", big);  // its PNG is the texture below
  const Outcome outcome = Tool({"import", models::WriteCollada(dir, "hull", Escort()),
                                dir + "/like-hull.as3", "--like", dir + "/like.as3", "--texture",
                                dir + "/big-paint.png"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("700 x 300 resized to 439 x 219, the nearest size a texture record "
                             "holds"),
            std::string::npos)
      << outcome.err;
  const PluginFile file = Load(dir + "/like-hull.as3");
  EXPECT_EQ(file.flight.topSpeed, like.flight.topSpeed);
  EXPECT_EQ(file.phaserValue, like.phaserValue);
  EXPECT_EQ(file.shieldStrength, like.shieldStrength);
  EXPECT_EQ(file.phaserMounts.size(), 1u);
  EXPECT_NEAR(file.phaserMounts[0].arc, like.phaserMounts[0].arc, 1e-5);
  EXPECT_EQ(file.torpedo.mesh.vertices.size(), like.torpedo.mesh.vertices.size());
  EXPECT_EQ(file.sounds[2].data, like.sounds[2].data);
  EXPECT_EQ(file.textures[0].width, 439);
  EXPECT_EQ(file.textures[0].height, 219);

  int w = 0, h = 0;
  for (const auto& [in, want] : std::vector<std::pair<std::array<int, 2>, std::array<int, 2>>>{
           {{256, 128}, {256, 128}}, {{1024, 1024}, {511, 511}}, {{100, 60}, {100, 50}},
           {{3, 700}, {2, 254}}}) {
    NearestRecordSize(in[0], in[1], &w, &h);
    EXPECT_EQ((std::array<int, 2>{w, h}), want) << in[0] << " x " << in[1];
    EXPECT_TRUE(PluginTextureSizeFits(w, h));
  }
}

// A scene export keeps the saver's reading: its own scale, no turning.
TEST(Import, SceneExportsKeepTheirOwnReading) {
  TempFolder folder;
  const std::string dir = folder.Path().string();
  assetgen::ModelMesh mesh{"wedge", {}, {{0, 1, 2}, {0, 2, 3}}, 0};
  for (const auto& p : {std::array<float, 3>{0, 0, 900}, {-300, 0, -300}, {0, 150, -300},
                        {300, 0, -300}}) {
    assetgen::ModelVertex v;
    v.x = p[0] / 300;  // the writer stores 300 file units a saver unit
    v.y = p[1] / 300;
    v.z = p[2] / 300;
    mesh.vertices.push_back(v);
  }
  std::ofstream(dir + "/wedge.ase") << assetgen::EncodeAse({mesh}, {}, "wedge");
  ASSERT_EQ(Tool({"import", dir + "/wedge.ase", dir + "/wedge.as3"}).status, 0);
  const Box box = Bounds(Load(dir + "/wedge.as3").meshes);
  EXPECT_FLOAT_EQ(box.high[2], 3.0f);
  EXPECT_FLOAT_EQ(box.low[0], -1.0f);
  EXPECT_EQ(Tool({"import", dir + "/wedge.ase", dir + "/w.as3", "--length", "4"}).status, 1);
}

}  // namespace
}  // namespace ironwood::as3tool
