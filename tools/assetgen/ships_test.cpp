#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/reg_text.h"
#include "saver/assets/plugin_file.h"
#include "saver/battle/scenario.h"
#include "tests/support/test_files.h"
#include "tools/assetgen/hull_geometry.h"
#include "tools/assetgen/ships.h"
#include "tools/assetgen/sounds.h"

namespace ironwood::assetgen {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::vector<ShipClassAsset>& Classes() {
  static const std::vector<ShipClassAsset> classes = ShipClasses();
  return classes;
}

Vec3 At(const std::array<float, 3>& p) {
  return {p[0], p[1], p[2]};
}

float Radius(const PluginFile& file) {
  return std::max({file.shieldAxes[0], file.shieldAxes[1], file.shieldAxes[2]});
}

float ShieldReach(const PluginFile& file, Vec3 p) {
  const auto& a = file.shieldAxes;
  return p.x * p.x / (a[0] * a[0]) + p.y * p.y / (a[1] * a[1]) + p.z * p.z / (a[2] * a[2]);
}

// Distance from p to the triangle abc (closest point by regions).
float PointTriangleDistance(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
  const Vec3 ab = b - a, ac = c - a, ap = p - a;
  const float d1 = Dot(ab, ap), d2 = Dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return Length(p - a);
  const Vec3 bp = p - b;
  const float d3 = Dot(ab, bp), d4 = Dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return Length(p - b);
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return Length(p - (a + ab * (d1 / (d1 - d3))));
  const Vec3 cp = p - c;
  const float d5 = Dot(ab, cp), d6 = Dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return Length(p - c);
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return Length(p - (a + ac * (d2 / (d2 - d6))));
  const float va = d3 * d6 - d5 * d4;
  if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
    return Length(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
  }
  const float denom = 1 / (va + vb + vc);
  return Length(p - (a + ab * (vb * denom) + ac * (vc * denom)));
}

float DistanceToHull(const PluginFile& file, Vec3 p) {
  float best = 1e30f;
  for (const PluginMesh& mesh : file.meshes) {
    for (const auto& t : mesh.triangles) {
      best = std::min(best, PointTriangleDistance(p, At(mesh.vertices[t[0]].position),
                                                  At(mesh.vertices[t[1]].position),
                                                  At(mesh.vertices[t[2]].position)));
    }
  }
  return best;
}

// Vertices split for normals or texture seams share exact positions; the surface is closed
// when, over welded positions, every directed edge is matched by exactly one opposite edge.
bool ClosedAndConsistentlyWound(const PluginMesh& mesh, std::string* fault) {
  std::map<std::array<float, 3>, int> weld;
  std::vector<int> id;
  for (const PluginVertex& v : mesh.vertices) {
    id.push_back(weld.emplace(v.position, static_cast<int>(weld.size())).first->second);
  }
  std::map<std::pair<int, int>, int> edges;
  for (const auto& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) ++edges[{id[t[k]], id[t[(k + 1) % 3]]}];
  }
  for (const auto& [edge, count] : edges) {
    const auto back = edges.find({edge.second, edge.first});
    if (count != 1 || back == edges.end() || back->second != 1) {
      *fault = "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " used " +
               std::to_string(count) + " times, its reverse " +
               std::to_string(back == edges.end() ? 0 : back->second);
      return false;
    }
  }
  return true;
}

// ---- The plug-in files ----

TEST(ShipPlugins, WrittenFilesParseBackCompleteWithSoundsAndAreReproducible) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WritePlugins(folder.Path().string(), &error)) << error;
  EXPECT_TRUE(fs::is_regular_file(folder.Path() / "Preview" / "ships.png"));
  ASSERT_EQ(Classes().size(), 6u);
  for (const ShipClassAsset& ship : Classes()) {
    SCOPED_TRACE(ship.name);
    EXPECT_EQ(ship.name.find_first_of(" \t"), std::string::npos);
    const auto bytes = TempFolder::Read(folder.Path() / "Plugins" / (ship.name + ".as3"));
    ASSERT_FALSE(bytes.empty());
    // The same bytes as a fresh encoding: nothing depends on the run.
    EXPECT_EQ(bytes, EncodePluginFile(ship.plugin, &error));
    PluginFile parsed;
    ASSERT_TRUE(ParsePluginFile(bytes.data(), bytes.size(), true, &parsed, &error)) << error;
    EXPECT_TRUE(CheckPluginFile(parsed, &error)) << error;
    EXPECT_EQ(parsed.meshes.size(), ship.plugin.meshes.size());
    EXPECT_EQ(parsed.phaserMounts.size(), ship.plugin.phaserMounts.size());
    EXPECT_EQ(parsed.torpedoMounts.size(), ship.plugin.torpedoMounts.size());
    EXPECT_EQ(parsed.textures.size(), 2u);
    EXPECT_FALSE(parsed.textures[0].hasAlpha);
    EXPECT_TRUE(parsed.textures[1].hasAlpha);  // the damage overlay needs its opacity
    ASSERT_TRUE(parsed.hasSounds);
    for (const PluginSound& sound : parsed.sounds) {
      EXPECT_EQ(sound.format, PcmFormat(1, kSoundSampleRate));
      EXPECT_GT(sound.data.size(), 2000u);
      EXPECT_EQ(sound.data.size() % 2, 0u);
    }
    // Without sounds the same file still reads, as the saver does with sound effects off.
    PluginFile silent;
    EXPECT_TRUE(ParsePluginFile(bytes.data(), bytes.size(), false, &silent, &error)) << error;
  }
  EXPECT_EQ(Classes()[0].plugin.meshes[0].vertices.size(),
            ShipClasses()[0].plugin.meshes[0].vertices.size());
}

// ---- Hull geometry ----

TEST(ShipHulls, MeshesAreClosedOutwardFacingAndWithinTheFormatsLimits) {
  for (const ShipClassAsset& ship : Classes()) {
    SCOPED_TRACE(ship.name);
    const PluginFile& file = ship.plugin;
    EXPECT_GE(file.meshes.size(), 3u);
    EXPECT_LE(file.meshes.size(), 8u);
    for (const PluginMesh& mesh : file.meshes) {
      EXPECT_GT(mesh.triangles.size(), 0u);
      EXPECT_LE(mesh.vertices.size(), 1023u);
      EXPECT_LE(mesh.triangles.size(), 1023u);
      std::string fault;
      EXPECT_TRUE(ClosedAndConsistentlyWound(mesh, &fault)) << fault;
      ModelMesh model;
      for (const PluginVertex& v : mesh.vertices) {
        model.vertices.push_back({v.position[0], v.position[1], v.position[2]});
        EXPECT_NEAR(Length(At(v.normal)), 1.0f, 1e-3f);
        EXPECT_GE(v.texCoord[0], -1e-4f);
        EXPECT_LE(v.texCoord[0], 1 + 1e-4f);
        EXPECT_GE(v.texCoord[1], -1e-4f);
        EXPECT_LE(v.texCoord[1], 1 + 1e-4f);
      }
      model.faces = mesh.triangles;
      EXPECT_GT(SignedVolume6(model), 0.0);
      // Normals point away from the inside: on average they agree with the faces' winding.
      double agreement = 0;
      for (const auto& t : mesh.triangles) {
        const Vec3 a = At(mesh.vertices[t[0]].position), b = At(mesh.vertices[t[1]].position),
                   c = At(mesh.vertices[t[2]].position);
        agreement += Dot(Cross(b - a, c - a), At(mesh.vertices[t[0]].normal));
      }
      EXPECT_GT(agreement, 0.0);
    }
  }
}

TEST(ShipHulls, NoseLeadsAlongPlusZAndTheHullIsCentred) {
  for (const ShipClassAsset& ship : Classes()) {
    SCOPED_TRACE(ship.name);
    float zMin = 1e9f, zMax = -1e9f, xMin = 1e9f, xMax = -1e9f, lengthX = 0;
    for (const PluginMesh& mesh : ship.plugin.meshes) {
      for (const PluginVertex& v : mesh.vertices) {
        zMin = std::min(zMin, v.position[2]);
        zMax = std::max(zMax, v.position[2]);
        xMin = std::min(xMin, v.position[0]);
        xMax = std::max(xMax, v.position[0]);
      }
    }
    lengthX = xMax - xMin;
    EXPECT_NEAR(zMin, -zMax, 1e-3f);
    EXPECT_NEAR(xMin, -xMax, 1e-3f);  // symmetric port and starboard
    EXPECT_GT(zMax - zMin, lengthX);  // longer than wide: it flies nose first
    // The torpedo tubes sit in the front third and fire forward.
    for (const PluginMount& m : ship.plugin.torpedoMounts) {
      EXPECT_GT(m.position[2], zMax / 3);
      EXPECT_GT(m.aim[2], 0.9f);
    }
  }
}

// ---- Shield, mounts and weapons ----

TEST(ShipShields, EncloseEveryHullVertexAndMountWithAMargin) {
  for (const ShipClassAsset& ship : Classes()) {
    SCOPED_TRACE(ship.name);
    const PluginFile& file = ship.plugin;
    float worst = 0;
    for (const PluginMesh& mesh : file.meshes) {
      for (const PluginVertex& v : mesh.vertices)
        worst = std::max(worst, ShieldReach(file, At(v.position)));
    }
    EXPECT_LE(worst, 0.86f);
    EXPECT_GT(worst, 0.6f);  // and not a bubble far bigger than the ship
    for (const auto* mounts : {&file.phaserMounts, &file.torpedoMounts}) {
      EXPECT_FALSE(mounts->empty());
      for (const PluginMount& m : *mounts) {
        EXPECT_LT(ShieldReach(file, At(m.position)), 0.9f);
        EXPECT_LT(DistanceToHull(file, At(m.position)), 0.05f);
        EXPECT_GT(Length(At(m.aim)), 0.5f);
        EXPECT_GT(m.arc, 0.0f);
        EXPECT_LE(m.arc, 3.1416f);
      }
    }
    for (const PluginMount& m : file.torpedoMounts) EXPECT_LT(m.arc, 0.75f);  // forward only
    for (const PluginMount& m : file.phaserMounts) EXPECT_GT(m.arc, 1.0f);   // wide arcs
    // The bubble itself lies on the ellipsoid the hit tests use.
    ASSERT_FALSE(file.shield.mesh.vertices.empty());
    for (const PluginVertex& v : file.shield.mesh.vertices)
      EXPECT_NEAR(ShieldReach(file, At(v.position)), 1.0f, 1e-3f);
    EXPECT_LE(file.shield.mesh.vertices.size(), 1023u);
    EXPECT_LE(file.shield.mesh.triangles.size(), 1023u);
    EXPECT_TRUE(file.shield.texture.hasAlpha);
  }
}

TEST(ShipWeapons, BeamSpansZeroToOneAndItsTextureScrollsSeamlesslyAlongIt) {
  for (const ShipClassAsset& ship : Classes()) {
    SCOPED_TRACE(ship.name);
    const PluginModel& beam = ship.plugin.phaser;
    float zMin = 1e9f, zMax = -1e9f, across = 0;
    std::map<float, std::set<float>> vAtZ;
    for (const PluginVertex& v : beam.mesh.vertices) {
      zMin = std::min(zMin, v.position[2]);
      zMax = std::max(zMax, v.position[2]);
      across = std::max(across, std::hypot(v.position[0], v.position[1]));
      vAtZ[v.position[2]].insert(v.texCoord[1]);
    }
    EXPECT_FLOAT_EQ(zMin, 0.0f);
    EXPECT_FLOAT_EQ(zMax, 1.0f);
    EXPECT_LT(across, 0.3f);  // thin
    // The scroll moves the texture in v: v must run along the beam, not across it.
    ASSERT_EQ(vAtZ.size(), 2u);
    EXPECT_LT(*vAtZ[0.0f].rbegin(), *vAtZ[1.0f].begin());
    // The texture repeats in v: its first and last rows join without a step.
    const PluginTexture& t = beam.texture;
    ASSERT_TRUE(t.hasAlpha);
    const std::size_t row = static_cast<std::size_t>(t.width) * 4;
    int step = 0;
    for (std::size_t i = 0; i < row; ++i) {
      step = std::max(step, std::abs(static_cast<int>(t.pixels[i]) -
                                     static_cast<int>(t.pixels[t.pixels.size() - row + i])));
    }
    EXPECT_LE(step, 24);
    EXPECT_FALSE(ship.plugin.torpedo.mesh.triangles.empty());
    EXPECT_TRUE(ship.plugin.torpedo.texture.hasAlpha);
  }
}

// ---- Flight and balance ----

TEST(ShipRoles, SizesSpeedsAndAgilitySuitEscortsAndCruisers) {
  std::map<int, int> perFleet;
  for (const ShipClassAsset& ship : Classes()) {
    SCOPED_TRACE(ship.name);
    const PluginFile& f = ship.plugin;
    ++perFleet[ship.alliance];
    EXPECT_GT(f.flight.topSpeed, 0.0f);
    EXPECT_LT(f.flight.topSpeed, 38.0f);  // torpedoes must outrun every ship
    EXPECT_GT(f.phaserValue, 0.0f);
    EXPECT_GT(f.torpedoValue, 0.0f);
    EXPECT_GT(f.shieldStrength, 0.0f);
    const float r = Radius(f);
    if (ship.role == "escort") {
      EXPECT_GE(r, 1.5f);
      EXPECT_LE(r, 2.5f);
      EXPECT_GT(f.flight.angleLimit, 12.5f);  // able to break off
    } else if (ship.role == "cruiser") {
      EXPECT_GE(r, 5.0f);
      EXPECT_LE(r, 8.0f);
      EXPECT_LE(f.flight.angleLimit, 12.5f);  // too ponderous to break off
    } else {
      EXPECT_GT(r, 2.5f);
      EXPECT_LT(r, 5.0f);
    }
  }
  EXPECT_EQ(perFleet[1], 3);
  EXPECT_EQ(perFleet[2], 3);
  // Within each fleet, bigger ships are slower, turn more slowly and carry more shield.
  for (std::size_t i = 0; i + 1 < Classes().size(); ++i) {
    const ShipClassAsset& a = Classes()[i];
    const ShipClassAsset& b = Classes()[i + 1];
    if (a.alliance != b.alliance) continue;
    SCOPED_TRACE(a.name + " / " + b.name);
    EXPECT_LT(Radius(a.plugin), Radius(b.plugin));
    EXPECT_GT(a.plugin.flight.topSpeed, b.plugin.flight.topSpeed);
    EXPECT_GT(a.plugin.flight.turnRate * a.plugin.flight.angleLimit,
              b.plugin.flight.turnRate * b.plugin.flight.angleLimit);
    EXPECT_LT(a.plugin.shieldStrength, b.plugin.shieldStrength);
  }
}

// ---- Scenarios ----

TEST(ShipScenarios, FilesReadAsTheSaverReadsThemAndNameExistingPlugins) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteScenarios(folder.Path().string(), &error)) << error;
  std::set<std::string> plugins;
  for (const ShipClassAsset& ship : Classes()) plugins.insert(ship.name + ".as3");
  const std::vector<std::string> order = ScenarioPlayOrder();
  EXPECT_EQ(order.size(), 5u);
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()).size(), order.size());
  std::set<int> alliancesUsed;
  for (const std::string& name : order) {
    SCOPED_TRACE(name);
    EXPECT_EQ(fs::path(name).extension(), ".ss3");
    const auto bytes = TempFolder::Read(folder.Path() / "Scenarios" / name);
    ASSERT_FALSE(bytes.empty());
    const std::string text(bytes.begin(), bytes.end());
    // Every line ends with CR LF, and there are no bare line feeds.
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        EXPECT_TRUE(i > 0 && text[i - 1] == '\r');
      }
    }
    // Read by the saver's own reader.
    ironwood::Scenario read;
    std::string why;
    ASSERT_TRUE(ReadScenarioFile((folder.Path() / "Scenarios" / name).string(),
                                 folder.WithSeparator(), &read, &why))
        << why;
    std::size_t entries = 0;
    for (const ironwood::AllianceList* list : {&read.alliance1, &read.alliance2}) {
      EXPECT_FALSE(list->entries.empty());
      for (const ironwood::ScenarioEntry& entry : list->entries) {
        EXPECT_GE(entry.shipCount, 1);
        EXPECT_LE(entry.shipCount, 100);
        const std::string plugin = fs::path(entry.pluginPath).filename().string();
        EXPECT_TRUE(plugins.count(plugin)) << plugin;
        EXPECT_EQ(entry.pluginPath, (folder.Path() / "Plugins" / plugin).string());
        ++entries;
      }
    }
    // Nothing after the second list: two list counts and two tokens an entry.
    std::istringstream in(text);
    std::size_t tokens = 0;
    for (std::string token; in >> token;) ++tokens;
    EXPECT_EQ(tokens, 2 + 2 * entries);
  }
  // The catalogue the installation adds to its settings names every scenario in play order, and
  // reads back with the settings store's own reader.
  const auto reg = TempFolder::Read(folder.Path() / "DefaultSettings.reg");
  platform::RegDocument document;
  std::string regError;
  ASSERT_TRUE(platform::ParseRegText(std::string(reg.begin(), reg.end()), document, regError))
      << regError;
  const std::string key = "HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60";
  const platform::RegValue* count = document.FindValue(key, "NumScenarios");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->text, std::to_string(order.size()));
  for (std::size_t i = 0; i < order.size(); ++i) {
    const platform::RegValue* value = document.FindValue(key, "Scenario(" + std::to_string(i) + ")");
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(value->text, order[i]);
  }
  const platform::RegValue* camera = document.FindValue(key, "Use3DCameraView");
  ASSERT_NE(camera, nullptr);
  EXPECT_EQ(camera->text, "1");
  const platform::RegValue* sound = document.FindValue(key, "UseSoundFX");
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->text, "1");
  const platform::RegValue* resolution = document.FindValue(key, "Resolution");
  ASSERT_NE(resolution, nullptr);
  EXPECT_EQ(resolution->text, "DESKTOP");
  const platform::RegValue* multisampling = document.FindValue(key, "Multisampling");
  ASSERT_NE(multisampling, nullptr);
  EXPECT_EQ(multisampling->text, "1");
  EXPECT_EQ(document.FindValue(key, "WorkingDirectory"), nullptr);

  // The first entry line of the duel, byte for byte.
  const auto duel = TempFolder::Read(folder.Path() / "Scenarios" / order.front());
  EXPECT_EQ(std::string(duel.begin(), duel.end()).substr(0, 17), "1\r\n(1) Heron.as3\r");
}

}  // namespace
}  // namespace ironwood::assetgen
